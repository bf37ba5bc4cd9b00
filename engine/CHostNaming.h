// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"
#include "CSnmpName.h"

#include <QString>
#include <QtGlobal>

class CScanResult;

// The names an alive host gets when reverse DNS gave it none: first the name that DNS Service
// Discovery announced for its address, then, overriding that, the system name its SNMP agent
// reports. Runs on a scan worker thread; the SNMP question may block for about 6 s when no agent
// answers (its waits are those of TProbeTimeouts). A source that finds nothing leaves the name as
// it was.
class CHostNaming final
{
public:
    // Call right after the reverse DNS lookup. Does nothing for a host that is not alive or
    // that already has a name other than its own address text.
    // io_pSnmp: an SNMP query already started for the host (with the reverse DNS lookup); its
    // answer is taken only where a query would have been asked, and it is finished either way.
    static void NameFromDiscovery(CScanResult &io_oResult,
                                  const TProbeTimeouts &i_oTimeouts = TProbeTimeouts(),
                                  CSnmpName::CQuery *io_pSnmp = nullptr);

    // The host's sysName as text (local 8-bit encoding, at most 1,024 bytes, trimmed), or an
    // empty string when there is none.
    static QString SnmpName(quint32 i_nIp,
                            const TProbeTimeouts &i_oTimeouts = TProbeTimeouts(),
                            CSnmpName::CQuery *io_pSnmp = nullptr);

    // The text an agent's sysName bytes give: cut at the first zero byte, decoded with the local
    // 8-bit encoding and trimmed. Empty for no bytes.
    static QString NameFromSnmpBytes(const char *i_pBytes, int i_nLength);
};
