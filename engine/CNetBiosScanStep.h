// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"

class CNetBiosNodeStatus;
class CScanResult;

// The NetBIOS step of a host scan: one node status query, its findings copied into the host's
// result. Runs on a scan worker and blocks for at most the wait time (500 ms, or 3000 ms with
// high accuracy). A failed query leaves the result as it was.
class CNetBiosScanStep final
{
public:
    explicit CNetBiosScanStep(const CCfg &i_oCfg);

    void Run(CScanResult &io_oResult) const;

    int WaitMs() const;

    // Copies the computer name, the group and a real unit id from i_oStatus into io_oResult.
    // Names are IBM 866 text, trimmed. A unit id of all zeros (what Samba sends) or all 0xFF
    // names no adapter and leaves the MAC address that ARP found in place.
    static void Apply(const CNetBiosNodeStatus &i_oStatus, CScanResult &io_oResult);

private:
    CCfg m_oCfg;
};
