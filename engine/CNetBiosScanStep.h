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
    // The query of Run() alone: true with the answer in o_oStatus.
    bool Ask(quint32 i_nIp, CNetBiosNodeStatus &o_oStatus) const;

    int WaitMs() const;

    // Copies the computer name and the group from i_oStatus into io_oResult: IBM 866 text,
    // trimmed and cleaned as all peer text is. A real unit id (neither all zeros, what Samba
    // sends, nor all 0xFF) becomes the MAC address only when the result has none yet: the
    // address ARP found is never replaced.
    static void Apply(const CNetBiosNodeStatus &i_oStatus, CScanResult &io_oResult);

private:
    CCfg m_oCfg;
};
