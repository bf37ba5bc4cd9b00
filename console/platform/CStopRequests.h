// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

// Turns a request to end the program from outside (SIGINT and SIGTERM; on Windows Ctrl+C,
// Ctrl+Break and closing the console window) into a signal on the main thread, so that the
// console can stop the scan and leave its files whole instead of dying in the middle of them.
//
// One instance, on the main thread, for as long as requests should be caught; destroying it
// restores the default handling. After the first request a second one of the same kind ends the
// program at once, as if nothing caught it: the way out when stopping takes too long.
class CStopRequests final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CStopRequests)

public:
    explicit CStopRequests(QObject *i_pParent = nullptr);
    ~CStopRequests() override;

signals:
    // On the main thread. i_nExitStatus is what a shell reports for the request: 128 plus the
    // signal's number (130 for an interrupt, 143 for a termination).
    void EmitStopRequested(int i_nExitStatus);

private:
    struct TState;
    std::unique_ptr<TState> m_pState;
};
