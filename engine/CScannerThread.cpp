// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScannerThread.h"

#include "CHostScan.h"
#include "CThreadHandOff.h"
#include "IScanTaskSource.h"

CScannerThread::CScannerThread(const CCfg &i_oCfg, QObject *i_pParent)
    : QThread(i_pParent)
    , m_oCfg(i_oCfg)
{
    setObjectName(QStringLiteral("scan worker"));
}

void CScannerThread::run()
{
    RunTasks();
    m_fReturned.store(true, std::memory_order_release);
}

void CScannerThread::RunTasks()
{
    auto *pSource = qobject_cast<IScanTaskSource *>(parent());
    if (!pSource)
        return;
    for (;;) {
        const CScanTask oTask = pSource->GetTask();
        if (oTask.stop())
            return;
        CScanResult oResult;
        oResult.set_scan_id(oTask.scan_id());
        oResult.set_scan_size(oTask.scan_size());
        oResult.set_ip(oTask.address().toIPv4Address());
        ScanHost(oResult, oTask.cfg().value_or(m_oCfg), pSource->LivenessSweep(oTask.scan_id()));
        CThreadHandOff::Release(pSource);
        emit EmitResult(oResult);
    }
}

void CScannerThread::ScanHost(CScanResult &io_oResult,
                              const CCfg &i_oCfg,
                              std::shared_ptr<CLivenessSweep> i_pSweep) const
{
    CHostScan oScan(i_oCfg);
    oScan.UseSweep(std::move(i_pSweep));
    oScan.Run(io_oResult);
}
