// SPDX-License-Identifier: GPL-3.0-or-later
#include "MScanner.h"

#include "CDescriptorLimit.h"
#include "CLivenessProbes.h"
#include "CLivenessSweep.h"
#include "CScannerThread.h"
#include "CThreadHandOff.h"
#include "CZeroconf.h"
#include "EngineLog.h"

#include <QNetworkSession>
#include <QSharedPointer>

#include <algorithm>
#include <limits>

namespace {

// A worker holds its thread's event notifier all the time and, while it probes a host, the
// SNMP and reverse DNS sockets, and up to seven probe threads at once, each with its notifier
// and its sockets (up to four for the remote administration ports) or the pipes of a helper
// process. Measured on Linux with every probe on against 29 hosts that accept every TCP probe
// and never answer, one worker each: 400 descriptors, about 13 per worker (81, about 2, when
// the probes ran one after the other), transient pipes missed by sampling aside. Rounded up
// with room to spare.
constexpr quint64 kDescriptorsPerWorker = 20;
// What the process holds besides its workers: standard streams, the main thread's notifier,
// the liveness sweep's raw sockets, the name libraries, the output and memory files.
constexpr quint64 kDescriptorsReserved = 32;

// Every QAbstractSocket::connectToHost() looks up a session property whose type Qt registers on
// first use, with a converter. Registered first by two workers at once, Qt prints "Type conversion
// already registered" on standard error, in the middle of a script's output. Registering it here,
// on the thread that starts the workers, leaves them nothing to race for.
void RegisterSocketTypes()
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qRegisterMetaType<QSharedPointer<QNetworkSession>>();
    QT_WARNING_POP
}

} // namespace

int MScanner::ThreadsForDescriptors(quint64 i_nLimit)
{
    if (i_nLimit == 0)
        return MaxThreads;
    if (i_nLimit <= kDescriptorsReserved + kDescriptorsPerWorker)
        return 1;
    return static_cast<int>(
        std::min<quint64>(MaxThreads, (i_nLimit - kDescriptorsReserved) / kDescriptorsPerWorker));
}

int MScanner::AllowedThreads()
{
    return ThreadsForDescriptors(CDescriptorLimit::Current());
}

MScanner::MScanner(QObject *i_pParent)
    : IScanTaskSource(i_pParent)
{
    RegisterSocketTypes();
}

MScanner::~MScanner()
{
    // A QThread destroyed while running aborts the process.
    StopAll();
}

QList<CScannerThread *> MScanner::Workers() const
{
    return findChildren<CScannerThread *>(QString(), Qt::FindDirectChildrenOnly);
}

CScanTask MScanner::GetTask()
{
    std::unique_lock<std::mutex> oLocker(m_oLock);
    for (;;) {
        if (!m_fPaused || m_fStopping) {
            CScanTask oTask;
            oTask.set_scan_id(m_nScanId);
            if (m_nThreadsToStop > 0) {
                --m_nThreadsToStop;
                if (auto *pWorker = qobject_cast<CScannerThread *>(QThread::currentThread()))
                    pWorker->MarkStopping();
                oTask.set_stop(true);
                return oTask;
            }
            if (!m_fPaused) {
                if (const std::optional<quint32> oNext = m_oScope.TakeNext()) {
                    oTask.set_address(QHostAddress(*oNext));
                    oTask.set_scan_size(m_nScopeCount);
                    oTask.set_cfg(m_oCfg);
                    return oTask;
                }
            }
        }
        m_oWakeUp.wait(oLocker);
    }
}

qint32 MScanner::GetScanSize()
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    return m_nScopeCount;
}

std::shared_ptr<CLivenessSweep> MScanner::LivenessSweep(qint32 i_nScanId)
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    return i_nScanId == m_nScanId ? m_pSweep : nullptr;
}

void MScanner::OnScan(CIpList i_oScope, int i_nId)
{
    // The previous scan's sweep ends first; its workers then ask their hosts themselves.
    std::shared_ptr<CLivenessSweep> pOld;
    {
        const std::lock_guard<std::mutex> oLocker(m_oLock);
        pOld = std::move(m_pSweep);
    }
    if (pOld)
        pOld->Stop();
    // Announced names are browsed for while liveness runs, not from the first naming on.
    CZeroconf::Instance();
    std::shared_ptr<CLivenessSweep> pSweep =
        CLivenessSweep::StartFor(i_oScope,
                                 CLivenessProbes::kArpTimeoutMs,
                                 CLivenessProbes::EchoTimeoutMs(m_oCfg.high_accuracy()),
                                 m_oCfg.sweep_rate());
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    m_pSweep = std::move(pSweep);
    m_oScope = i_oScope;
    m_oScope.Detach();
    // Results carry the size as a signed number; a larger scan could never be seen to end.
    m_nScopeCount = static_cast<qint32>(
        std::min<quint32>(i_oScope.Count(), std::numeric_limits<qint32>::max()));
    m_nScanId = i_nId;
    m_fPaused = false;
    m_nResultsReceived = 0;
    if (m_nScopeCount > 0)
        m_oWakeUp.notify_all();
}

void MScanner::OnPause(bool i_fPause)
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    m_fPaused = i_fPause;
    m_oWakeUp.notify_all();
}

void MScanner::OnCfg(CCfg i_oCfg)
{
    {
        // Workers read it when they take an address.
        const std::lock_guard<std::mutex> oLocker(m_oLock);
        m_oCfg = i_oCfg.ScanSnapshot();
    }
    // A stored 0 or a negative count would leave a scan waiting for workers that never come;
    // more workers than descriptors allow would end the process when one runs out.
    // Said on every change, not once: the window's options may ask again for more.
    const quint64 nLimit = CDescriptorLimit::Current();
    const int nAllowed = ThreadsForDescriptors(nLimit);
    if (m_oCfg.thread_count() > nAllowed)
        qCWarning(lcEngine).noquote()
            << QStringLiteral("Scanning with %1 %2, not %3: the limit of %4 open files "
                              "allows no more")
                   .arg(nAllowed)
                   .arg(QLatin1String(nAllowed == 1 ? "thread" : "threads"))
                   .arg(m_oCfg.thread_count())
                   .arg(nLimit);
    SetThreadCount(std::clamp(m_oCfg.thread_count(), 1, nAllowed));
}

void MScanner::OnResultReady(CScanResult i_oResult)
{
    if (i_oResult.scan_id() != m_nScanId)
        return;
    emit EmitResult(i_oResult);
    ++m_nResultsReceived;
    if (m_nResultsReceived == m_nScopeCount)
        emit EmitScanEnd();
}

void MScanner::SetThreadCount(int i_nCount)
{
    for (CScannerThread *pWorker : Workers()) {
        if (pWorker->isFinished() && pWorker->HasReturned())
            delete pWorker;
    }

    const std::lock_guard<std::mutex> oLocker(m_oLock);
    // Counted under the lock, which also guards handing out stop orders. Workers that took one
    // but have not ended yet no longer count, and stop orders not yet taken are recomputed, so
    // that shrinking and growing again quickly still leaves the pool at the asked size.
    const QList<CScannerThread *> lpWorkers = Workers();
    const int nRunning = static_cast<int>(std::count_if(
        lpWorkers.begin(), lpWorkers.end(), [](CScannerThread *p) { return !p->IsStopping(); }));
    if (nRunning < i_nCount) {
        for (int i = nRunning; i < i_nCount; ++i) {
            auto *pWorker = new CScannerThread(m_oCfg, this);
            // Queued: the result arrives here on the scanner's thread. Taken by reference, so
            // that the hand-over is marked before the first copy this thread makes.
            connect(
                pWorker,
                &CScannerThread::EmitResult,
                this,
                [this](const CScanResult &i_oResult) {
                    CThreadHandOff::Acquire(static_cast<IScanTaskSource *>(this));
                    OnResultReady(i_oResult);
                },
                Qt::QueuedConnection);
            pWorker->start(QThread::InheritPriority);
        }
        m_nThreadsToStop = 0;
    } else {
        m_nThreadsToStop = nRunning - i_nCount;
    }
    m_oWakeUp.notify_all();
}

int MScanner::ActiveThreadCount() const
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    const QList<CScannerThread *> lpWorkers = Workers();
    const auto nUnmarked = std::count_if(lpWorkers.begin(), lpWorkers.end(), [](CScannerThread *p) {
        return !p->isFinished() && !p->IsStopping();
    });
    return std::max(0, static_cast<int>(nUnmarked) - m_nThreadsToStop);
}

void MScanner::StopAll()
{
    std::shared_ptr<CLivenessSweep> pSweep;
    {
        const std::lock_guard<std::mutex> oLocker(m_oLock);
        // Stop orders must get through a pause, or ending the program would wait for a resume.
        m_fStopping = true;
        pSweep = m_pSweep;
    }
    // Workers waiting on the sweep must not wait for the end of its time-outs.
    if (pSweep)
        pSweep->Stop();
    const QList<CScannerThread *> lpWorkers = Workers();
    for (CScannerThread *pWorker : lpWorkers)
        pWorker->requestInterruption();
    {
        const std::lock_guard<std::mutex> oLocker(m_oLock);
        int nLive = 0;
        for (CScannerThread *pWorker : lpWorkers)
            nLive += (!pWorker->isFinished() && !pWorker->IsStopping()) ? 1 : 0;
        m_nThreadsToStop = nLive;
        m_oWakeUp.notify_all();
    }
    for (CScannerThread *pWorker : lpWorkers) {
        pWorker->wait();
        if (!pWorker->HasReturned())
            qCWarning(lcEngine) << "scan worker ended without returning from its loop";
        delete pWorker;
    }
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    m_nThreadsToStop = 0;
    m_fStopping = false;
}
