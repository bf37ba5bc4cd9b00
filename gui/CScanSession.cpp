// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanSession.h"

#include "GuiLog.h"
#include "MIpMacDataStorage.h"
#include "VResultsBackend.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <utility>

CScanSession::CScanSession(QObject *i_pParent)
    : QObject(i_pParent)
    , m_pTicker(new QTimer(this))
{
    m_pTicker->setInterval(1000);
    connect(m_pTicker, &QTimer::timeout, this, &CScanSession::Tick);
}

qint64 CScanSession::RunningMs() const
{
    if (!m_fScanning)
        return m_nElapsedMs;
    return m_oClock.elapsed() - m_nPausedMs - (m_fPaused ? m_oPauseClock.elapsed() : 0);
}

void CScanSession::Start(const CIpList &i_oList,
                         VResultsBackend *i_pTarget,
                         VResultsBackend *i_pTarget2)
{
    m_fScanning = true;
    m_fPaused = false;
    m_nAlive = m_nDead = m_nUnknown = 0;
    m_nTotal = i_oList.Count();
    m_eEnd = EEnd::None;
    m_nElapsedMs = 0;
    m_nProcessed = 0;
    m_nPausedMs = 0;
    m_oClock.start();
    m_pTicker->start();
    m_lPausedResults.clear();
    m_lBacklog.clear();
    m_fEndPending = false;
    m_pTarget = i_pTarget;
    m_pTarget2 = i_pTarget2;
    // The tree the scan was started from names it in the files saved of it.
    if (m_pTarget)
        m_pTarget->SetScanInfo(
            {QDateTime::currentDateTime(), CResultsXml::RangesText(i_oList.Ranges()), -1});
    emit StateChanged();
    ++m_nScanId;
    qCDebug(lcGui) << "scan" << m_nScanId << "of" << m_nTotal << "addresses";
    emit ScanRequested(i_oList, m_nScanId);
}

void CScanSession::Stop()
{
    End(EEnd::Stopped);
}

void CScanSession::ClearCounts()
{
    if (m_fScanning)
        return;
    m_nAlive = m_nDead = m_nUnknown = 0;
    m_nTotal = 0;
    m_eEnd = EEnd::None;
    emit StateChanged();
}

void CScanSession::End(EEnd i_eEnd)
{
    // Results already taken in are hosts the scan really saw; a scan that ends (or is stopped)
    // during a pause or a burst must not lose them.
    FlushBacklog();
    if (!m_lPausedResults.isEmpty()) {
        m_fPaused = false;
        const QList<CScanResult> lBuffered = std::exchange(m_lPausedResults, {});
        for (const CScanResult &oResult : lBuffered)
            HandleResult(oResult);
    }
    m_fEndPending = false;
    if (m_fScanning) {
        m_eEnd = i_eEnd;
        m_nElapsedMs = m_oClock.elapsed();
        if (m_pTarget) {
            CResultsXml::TScanInfo oInfo = m_pTarget->ScanInfo();
            oInfo.nDurationMs = m_nElapsedMs;
            m_pTarget->SetScanInfo(oInfo);
        }
    }
    m_fScanning = false;
    m_fPaused = false;
    m_pTicker->stop();
    m_pTarget = m_pTarget2 = nullptr;
    emit Ended();
    emit StateChanged();
    emit ScanRequested(CIpList(), m_nScanId);
    ++m_nScanId;
}

void CScanSession::OnScanEnd()
{
    if (!m_fScanning)
        return;
    // The scanner's end arrives right behind its last results; the scan ends once they are
    // shown.
    if (!m_lBacklog.isEmpty()) {
        m_fEndPending = true;
        return;
    }
    End(EEnd::Finished);
}

void CScanSession::TogglePause()
{
    if (!m_fScanning)
        return;
    if (m_fPaused)
        Resume();
    else
        Pause();
}

void CScanSession::Pause()
{
    m_fPaused = true;
    m_oPauseClock.start();
    m_pTicker->stop();
    m_lPausedResults = std::exchange(m_lBacklog, {}) + m_lPausedResults;
    emit StateChanged();
    emit PauseRequested(true);
}

void CScanSession::Resume()
{
    m_fPaused = false;
    m_nPausedMs += m_oPauseClock.elapsed();
    m_pTicker->start();
    const QList<CScanResult> lBuffered = std::exchange(m_lPausedResults, {});
    for (const CScanResult &oResult : lBuffered)
        HandleOrQueue(oResult);
    emit StateChanged();
    emit PauseRequested(false);
}

void CScanSession::OnScanResult(CScanResult i_oResult)
{
    if (i_oResult.scan_id() != m_nScanId || !m_fScanning)
        return;
    ++m_nProcessed;
    if (!MIpMacDataStorage::Instance()->ApplyToResult(i_oResult))
        return;
    if (m_fPaused) {
        m_lPausedResults.append(i_oResult);
        return;
    }
    HandleOrQueue(i_oResult);
}

bool CScanSession::BusyBudgetLeft()
{
    // The budget starts again once the event loop has had its turn, which a zero timer marks.
    if (!m_fBudgetResetPending) {
        m_fBudgetResetPending = true;
        QTimer::singleShot(0, this, [this]() {
            m_fBudgetResetPending = false;
            m_nBusyNs = 0;
            m_nTurnCount = 0;
        });
    }
    return m_nTurnCount < kMinPerTurn || m_nBusyNs < kBusyBudgetNs;
}

void CScanSession::HandleOrQueue(const CScanResult &i_oResult)
{
    if (!m_lBacklog.isEmpty() || !BusyBudgetLeft()) {
        m_lBacklog.append(i_oResult);
        ScheduleDrain();
        return;
    }
    QElapsedTimer oClock;
    oClock.start();
    HandleResult(i_oResult);
    m_nBusyNs += oClock.nsecsElapsed();
    ++m_nTurnCount;
}

void CScanSession::ScheduleDrain()
{
    if (m_fDrainScheduled)
        return;
    m_fDrainScheduled = true;
    QTimer::singleShot(0, this, &CScanSession::DrainBacklog);
}

void CScanSession::DrainBacklog()
{
    m_fDrainScheduled = false;
    if (!m_fScanning || m_fPaused)
        return;
    QElapsedTimer oClock;
    oClock.start();
    int nDone = 0;
    while (nDone < m_lBacklog.size() && oClock.nsecsElapsed() < kBusyBudgetNs)
        HandleResult(m_lBacklog.at(nDone++));
    m_lBacklog.erase(m_lBacklog.begin(), m_lBacklog.begin() + nDone);
    if (!m_lBacklog.isEmpty())
        ScheduleDrain();
    else if (m_fEndPending)
        End(EEnd::Finished);
}

void CScanSession::FlushBacklog()
{
    const QList<CScanResult> lBacklog = std::exchange(m_lBacklog, {});
    for (const CScanResult &oResult : lBacklog)
        HandleResult(oResult);
}

void CScanSession::HandleResult(const CScanResult &i_oResult)
{
    switch (i_oResult.status()) {
    case EHostStatus::Alive:
        ++m_nAlive;
        break;
    case EHostStatus::Dead:
        ++m_nDead;
        break;
    case EHostStatus::Unknown:
        ++m_nUnknown;
        break;
    }
    for (VResultsBackend *pTarget : {m_pTarget.data(), m_pTarget2.data()}) {
        if (pTarget)
            pTarget->OnDataReady(i_oResult);
    }
    emit DataReady(i_oResult);
}
