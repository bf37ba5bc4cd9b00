// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CProbeTimeouts.h"
#include "CScanResult.h"
#include "CSnmpName.h"

#include <functional>
#include <memory>

class CLivenessSweep;

// Runs every probe against one host: liveness, name, then the services that the configuration
// switches on. Runs on a scan worker thread and blocks for the probes' time-outs. The service
// probes ask at once, on threads of their own, while the name is sought; what they found is
// written in the fixed order, so a host costs its longest wait and its record is the one the
// probes asked one after the other would give. A probe that fails leaves the result as it was;
// hosts that are not alive get no further probe. A worker asked to stop starts no more probes.
class CHostScan final
{
public:
    explicit CHostScan(const CCfg &i_oCfg);

    // The scan's liveness sweep, consulted by the ARP and first echo step; may be null.
    void UseSweep(std::shared_ptr<CLivenessSweep> i_pSweep);

    void Run(CScanResult &io_oResult) const;

    // VISTREL_LIVENESS_ONLY=1 ends every host after its liveness probes (used to time
    // discovery alone).
    static bool LivenessOnly();

private:
    // The host's name when reverse DNS gave none; an alive host only.
    void FindName(CScanResult &io_oResult,
                  const TProbeTimeouts &i_oTimeouts,
                  CSnmpName::CQuery &io_oSnmp,
                  const std::function<QString()> &i_fnHostsOwnName) const;

    CCfg m_oCfg;
    std::shared_ptr<CLivenessSweep> m_pSweep;
};
