// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostScan.h"

#include "CHostNaming.h"
#include "CHttpProbe.h"
#include "CLivenessProbes.h"
#include "CLivenessSweep.h"
#include "CNetBiosScanStep.h"
#include "CNetResourceProbe.h"
#include "COrtavoProbe.h"
#include "INetResources.h"
#include "MScanFtp.h"

#include <QThread>

#include <optional>

namespace {

bool StopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

} // namespace

CHostScan::CHostScan(const CCfg &i_oCfg)
    : m_oCfg(i_oCfg)
{
}

void CHostScan::FindName(CScanResult &io_oResult,
                         const TProbeTimeouts &i_oTimeouts,
                         CSnmpName::CQuery &io_oSnmp) const
{
    // Reverse DNS has run with the liveness probes; the zeroconf name table and then SNMP
    // sysName are asked only when it gave no name, and an SNMP name replaces a zeroconf one.
    CHostNaming::NameFromDiscovery(io_oResult, i_oTimeouts, &io_oSnmp);
}

void CHostScan::UseSweep(std::shared_ptr<CLivenessSweep> i_pSweep)
{
    m_pSweep = std::move(i_pSweep);
}

bool CHostScan::LivenessOnly()
{
    static const bool s_fOnly = qEnvironmentVariable("VISTREL_LIVENESS_ONLY") == QLatin1String("1");
    return s_fOnly;
}

void CHostScan::Run(CScanResult &io_oResult) const
{
    // What liveness learnt of the path sets the waits of every later probe.
    TProbeTimeouts oTimeouts =
        TProbeTimeouts::For(m_oCfg.high_accuracy(), TProbeTimeouts::EPath::Unknown, -1);
    // The SNMP name query is on its way while reverse DNS runs; its answer counts only when
    // reverse DNS gives no name, as if it had been asked afterwards.
    std::optional<CSnmpName::CQuery> ooSnmp;
    ooSnmp.emplace();
    if (!StopRequested()) {
        CLivenessProbes oLiveness;
        oLiveness.UseSweep(m_pSweep);
        oLiveness.Run(io_oResult, m_oCfg.high_accuracy(), false);
        oTimeouts = oLiveness.Timeouts(m_oCfg.high_accuracy());
        if (io_oResult.IsAlive()) {
            if (!LivenessOnly())
                ooSnmp->Start(io_oResult.ip());
            oLiveness.ReverseDns(io_oResult);
        }
    }
    if (LivenessOnly())
        return;
    if (!StopRequested() && io_oResult.IsAlive())
        FindName(io_oResult, oTimeouts, *ooSnmp);
    // Its socket is not kept through the service probes.
    ooSnmp.reset();
    if (StopRequested() || !io_oResult.IsAlive())
        return;

    // Services and resources: each gated by its setting and by the status as it stands now.
    if (m_oCfg.scan_http() && !StopRequested() && io_oResult.IsAlive())
        CHttpProbe::ProbeHttp(io_oResult, oTimeouts);
    if (m_oCfg.scan_https() && !StopRequested() && io_oResult.IsAlive())
        CHttpProbe::ProbeHttps(io_oResult, oTimeouts);
    if (m_oCfg.scan_shares() && !StopRequested() && io_oResult.IsAlive())
        CNetResourceProbe::ProbeShares(io_oResult, m_oCfg, INetResources::Instance(), oTimeouts);
    if (m_oCfg.scan_ftp() && !StopRequested() && io_oResult.IsAlive())
        MScanFtp::ProbeHost(io_oResult, m_oCfg);
    if (m_oCfg.scan_netbios() && !StopRequested() && io_oResult.IsAlive())
        CNetBiosScanStep(m_oCfg).Run(io_oResult);
    if (m_oCfg.scan_username() && !StopRequested() && io_oResult.IsAlive())
        CNetResourceProbe::ProbeUser(io_oResult, m_oCfg, INetResources::Instance(), oTimeouts);
    if (!StopRequested() && io_oResult.IsAlive())
        COrtavoProbe::ProbeHost(io_oResult, m_oCfg, oTimeouts);
}
