// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CIpList.h"
#include "CScanResult.h"
#include "IScanTaskSource.h"

#include <condition_variable>
#include <mutex>

class CScannerThread;

// Owns the pool of scan workers and hands them the addresses of the current scan, one at a time,
// in range order. Lives on the main thread; its slots run there. Workers call GetTask() and
// GetScanSize() from their own threads. Results of any scan but the current one are dropped.
class MScanner final : public IScanTaskSource
{
    Q_OBJECT
    Q_DISABLE_COPY(MScanner)

public:
    explicit MScanner(QObject *i_pParent = nullptr);
    ~MScanner() override;

    CScanTask GetTask() override;
    qint32 GetScanSize() override;
    std::shared_ptr<CLivenessSweep> LivenessSweep(qint32 i_nScanId) override;

    // Grows the pool at once; surplus workers end one by one after their current host.
    void SetThreadCount(int i_nCount);
    // Ends every worker, also while paused, and waits for them.
    void StopAll();
    // Workers that are running and will not end on a stop order already given.
    int ActiveThreadCount() const;

    // The scanner never runs more workers than this, whatever the settings say.
    static constexpr int MaxThreads = 1024;
    // Nor more than a descriptor limit of i_nLimit leaves room for (0: no limit): at least one.
    static int ThreadsForDescriptors(quint64 i_nLimit);
    // The same for the limit in force now.
    static int AllowedThreads();

signals:
    void EmitResult(CScanResult i_oResult);
    void EmitScanEnd();

public slots:
    void OnScan(CIpList i_oScope, int i_nId);
    void OnPause(bool i_fPause);
    void OnCfg(CCfg i_oCfg);
    void OnResultReady(CScanResult i_oResult);

private:
    QList<CScannerThread *> Workers() const;

    // Standard types rather than QMutex and QWaitCondition, whose waits happen inside the Qt
    // library where ThreadSanitizer cannot see them; the behaviour is the same.
    mutable std::mutex m_oLock;
    std::condition_variable m_oWakeUp;
    CIpList m_oScope;
    CCfg m_oCfg;
    qint32 m_nScanId = 0;
    qint32 m_nThreadsToStop = 0;
    bool m_fPaused = false;
    bool m_fStopping = false;
    qint32 m_nResultsReceived = 0;
    qint32 m_nScopeCount = 0;
    std::shared_ptr<CLivenessSweep> m_pSweep; // of the current scan
};
