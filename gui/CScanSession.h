// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CIpList.h"
#include "CScanResult.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class VResultsBackend;

// The user side of one scan at a time: idle, scanning or paused. Owns the scan number that tells
// the current scan's results from late ones of an earlier scan, the counts of alive, dead and
// unknown hosts, the results held back during a pause and the backlog of a burst. Results reach
// the target models (the tree the scan was started from, and the Favorites during a scan of the
// Results tree) in slices of bounded main-thread work, so that the window keeps painting and
// answering. Owned by the main window; main thread only. It never touches widgets: the window
// follows its signals.
class CScanSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CScanSession)

public:
    explicit CScanSession(QObject *i_pParent);

    bool IsScanning() const { return m_fScanning; }
    bool IsPaused() const { return m_fPaused; }
    int ScanId() const { return m_nScanId; }
    int AliveCount() const { return m_nAlive; }
    int DeadCount() const { return m_nDead; }
    int UnknownCount() const { return m_nUnknown; }
    qint64 DoneCount() const { return qint64(m_nAlive) + m_nDead + m_nUnknown; }
    // Addresses of the running scan the scanner is done with, those not listed (the silent
    // ones of a large scan) included: what the progress, the rate and the time left go by.
    qint64 ProcessedCount() const { return m_nProcessed; }
    // How long the running scan has been going, its pauses left out.
    qint64 RunningMs() const;
    quint32 TotalCount() const { return m_nTotal; }
    int BufferedResultCount() const { return m_lPausedResults.size(); }
    int BacklogCount() const { return m_lBacklog.size(); }
    // How the last scan ended, while its counts are shown: not at all (never scanned, or the
    // counts cleared), at its end, or stopped by the user; and how long it ran.
    enum class EEnd
    {
        None,
        Finished,
        Stopped
    };
    EEnd LastEnd() const { return m_eEnd; }
    qint64 ElapsedMs() const { return m_nElapsedMs; }

    // Starts a scan of the list whose results go to the target models (the second may be null).
    void Start(const CIpList &i_oList, VResultsBackend *i_pTarget, VResultsBackend *i_pTarget2);
    // Ends the scan at once; results already taken in are shown first.
    void Stop();
    void TogglePause();
    // The list the counts belong to was cleared: so are they (not during a scan).
    void ClearCounts();
    // A result from the scanner: counted and shown, held back during a pause, dropped when it
    // belongs to no running scan or the IP-to-MAC memory refuses it.
    void OnScanResult(CScanResult i_oResult);
    // The scanner's end: the scan ends once the backlog is shown.
    void OnScanEnd();

signals:
    // To the scanner: a list to scan with its number, or an empty list to stop that scan.
    void ScanRequested(CIpList i_oScope, int i_nId);
    void PauseRequested(bool i_fPause);
    // Scanning, paused or idle changed (the counts may have been reset).
    void StateChanged();
    // A scan ended (stopped, or its last result shown); StateChanged() comes with it.
    void Ended();
    // A result counted and given to the target models.
    void DataReady(CScanResult i_oResult);
    // Once a second while a scan runs and is not paused, for the line that shows its time.
    void Tick();

private:
    void Pause();
    void End(EEnd i_eEnd);
    void Resume();
    void HandleResult(const CScanResult &i_oResult);
    void HandleOrQueue(const CScanResult &i_oResult);
    bool BusyBudgetLeft();
    void ScheduleDrain();
    void DrainBacklog();
    void FlushBacklog();

    bool m_fScanning = false;
    bool m_fPaused = false;
    qint32 m_nAlive = 0;
    qint32 m_nDead = 0;
    qint32 m_nUnknown = 0;
    quint32 m_nTotal = 0;
    qint32 m_nScanId = 0;
    EEnd m_eEnd = EEnd::None;
    QElapsedTimer m_oClock;
    qint64 m_nElapsedMs = 0;
    qint64 m_nProcessed = 0;
    QElapsedTimer m_oPauseClock;
    qint64 m_nPausedMs = 0;
    QTimer *m_pTicker = nullptr;
    QList<CScanResult> m_lPausedResults;
    QPointer<VResultsBackend> m_pTarget;
    QPointer<VResultsBackend> m_pTarget2;

    // A burst of results (hundreds finishing at once) is shown in slices of at most
    // kBusyBudgetNs of main-thread work. The first kMinPerTurn results of a turn are always
    // shown at once.
    static constexpr qint64 kBusyBudgetNs = 8 * 1000 * 1000;
    static constexpr int kMinPerTurn = 16;
    int m_nTurnCount = 0;
    QList<CScanResult> m_lBacklog;
    qint64 m_nBusyNs = 0;
    bool m_fBudgetResetPending = false;
    bool m_fDrainScheduled = false;
    bool m_fEndPending = false;
};
