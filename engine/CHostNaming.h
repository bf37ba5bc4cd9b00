// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"
#include "CSnmpName.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class CScanResult;

// The names an alive host gets when reverse DNS gave it none: first the name that DNS Service
// Discovery announced for its address, then, overriding that, the system name its SNMP agent
// reports, and when neither gives one, the name the host itself gives for its address when asked
// by multicast DNS. Runs on a scan worker thread; the SNMP question may block for about 6 s when
// no agent answers (its waits are those of TProbeTimeouts). A source that finds nothing leaves
// the name as it was.
class CHostNaming final
{
public:
    // Call right after the reverse DNS lookup. Does nothing for a host that is not alive or
    // that already has a name other than its own address text.
    // io_pSnmp: an SNMP query already started for the host (with the reverse DNS lookup); its
    // answer is taken only where a query would have been asked, and it is finished either way.
    // i_fnHostsOwnName: gives the answer of MdnsName() for the host when asked earlier, at the
    // same time as the other sources; without it the host is asked here, when it is needed.
    static void NameFromDiscovery(CScanResult &io_oResult,
                                  const TProbeTimeouts &i_oTimeouts = TProbeTimeouts(),
                                  CSnmpName::CQuery *io_pSnmp = nullptr,
                                  const std::function<QString()> &i_fnHostsOwnName = {});

    // Whether the result's name is empty or only its own address text.
    static bool NameIsMissing(const CScanResult &i_oResult);

    // How long the host is given to answer MdnsName()'s one question.
    static constexpr int kMdnsWaitMs = 500;

    // The name the host at i_nIp gives for its own address: one unicast PTR question for its
    // reverse lookup name, sent to its mDNS port 5353 and answered directly to the asking
    // port (RFC 6762, 6.7). Only an answer from that address and port 5353 counts; empty after
    // i_nWaitMs without one, and for a name that is blank once cleaned. The link's domain
    // ".local" is left off, as the names announced for DNS-SD have none.
    static QString MdnsName(quint32 i_nIp, int i_nWaitMs = kMdnsWaitMs);
    // The text a PTR record's dotted name gives: read as UTF-8, without a final ".local",
    // cleaned and trimmed.
    static QString NameFromMdnsBytes(const QByteArray &i_baName);

    // The host's sysName as text (local 8-bit encoding, at most 1,024 bytes, trimmed), or an
    // empty string when there is none.
    static QString SnmpName(quint32 i_nIp,
                            const TProbeTimeouts &i_oTimeouts = TProbeTimeouts(),
                            CSnmpName::CQuery *io_pSnmp = nullptr);

    // The text an agent's sysName bytes give: cut at the first zero byte, decoded with the local
    // 8-bit encoding and trimmed. Empty for no bytes.
    static QString NameFromSnmpBytes(const char *i_pBytes, int i_nLength);
};
