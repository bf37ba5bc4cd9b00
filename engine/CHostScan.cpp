// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostScan.h"

#include "CHostNaming.h"
#include "CLivenessProbes.h"
#include "CNetBiosScanStep.h"

#include <QThread>

namespace {

bool StopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

} // namespace

CHostScan::CHostScan(const CCfg &i_oCfg)
    : m_oCfg(i_oCfg)
{}

void CHostScan::FindName(CScanResult &io_oResult) const
{
    // Reverse DNS has run with the liveness probes; the zeroconf name table and then SNMP
    // sysName are asked only when it gave no name, and an SNMP name replaces a zeroconf one.
    CHostNaming::NameFromDiscovery(io_oResult);
}

void CHostScan::Run(CScanResult &io_oResult) const
{
    if (!StopRequested())
        CLivenessProbes().Run(io_oResult, m_oCfg.high_accuracy());
    if (!StopRequested() && io_oResult.IsAlive())
        FindName(io_oResult);
    if (StopRequested() || !io_oResult.IsAlive())
        return;

    if (m_oCfg.scan_netbios() && !StopRequested())
        CNetBiosScanStep(m_oCfg).Run(io_oResult);
}
