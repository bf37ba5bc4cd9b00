// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CInventoryEvent.h"

#include <QList>
#include <QObject>
#include <QQueue>

class QProcess;

// Runs the user's event program once per event, without a shell, with the event in the
// environment (VISTREL_EVENT, VISTREL_TIME, VISTREL_IP, VISTREL_MAC, VISTREL_OLD, VISTREL_NEW,
// VISTREL_SITE) and nothing on its command line. At most kMaxRunning at once; the rest wait in
// a bounded queue. A program that fails, cannot start or outlives kTimeoutMs (then killed) is
// reported on standard error and changes nothing else. Main thread only.
class CEventPrograms final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CEventPrograms)

public:
    static constexpr int kMaxRunning = 4;
    static constexpr int kMaxWaiting = 256;
    static constexpr int kTimeoutMs = 30000;

    explicit CEventPrograms(const QString &i_sProgram, QObject *i_pParent = nullptr);
    ~CEventPrograms() override;

    void Run(const CInventoryEvent &i_oEvent);
    // Drops the waiting events, gives the running programs up to i_nWaitMs to end, then kills
    // them.
    void Finish(int i_nWaitMs);
    int Running() const { return m_lpRunning.size(); }

signals:
    void EmitIdle();

private:
    void StartNext();
    void Report(const QString &i_sText) const;

    QString m_sProgram;
    QQueue<CInventoryEvent> m_qWaiting;
    QList<QProcess *> m_lpRunning;
    bool m_fOverflowReported = false;
};
