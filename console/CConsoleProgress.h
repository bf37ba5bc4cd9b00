// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QString>

// One status line on standard error while a scan runs: hosts done, alive so far, time elapsed
// the rate so far and an estimate of the time left. Redrawn in place at most a few times a second
// and erased at the end. The owner creates it only when standard error is a terminal. Main thread
// only.
class CConsoleProgress final
{
public:
    explicit CConsoleProgress(qint64 i_nTotal);

    void Update(qint64 i_nDone, qint64 i_nAlive);
    void Finish();

    // The line's text, without the carriage return that redraws it.
    static QString Line(qint64 i_nDone, qint64 i_nTotal, qint64 i_nAlive, qint64 i_nElapsedMs);

private:
    qint64 m_nTotal;
    QElapsedTimer m_oClock;
    qint64 m_nLastDrawMs = -1;
    int m_nDrawnWidth = 0;
};
