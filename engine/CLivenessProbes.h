// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"

#include <QString>

#include <memory>

class CLivenessSweep;
class CScanResult;
class IArpProbe;
class IIcmpEcho;
class IReverseDns;

// The first probes of a host: ARP, then ICMP echo when ARP found nothing, then on an alive host
// its name by reverse DNS. Each probe writes only into the result it is given and leaves it as it
// was when it fails. Used by one scan worker at a time; owns its platform objects, which hold no
// sockets between calls, so many workers can run their own instances at once.
class CLivenessProbes final
{
public:
    // How long one ARP request may wait for its answer.
    static constexpr int kArpTimeoutMs = 500;

    // The system's own facilities.
    CLivenessProbes();
    // Given facilities (tests replace the operating system here). None may be null.
    CLivenessProbes(std::unique_ptr<IArpProbe> i_pArp,
                    std::unique_ptr<IIcmpEcho> i_pEcho,
                    std::unique_ptr<IReverseDns> i_pDns);
    ~CLivenessProbes();
    CLivenessProbes(const CLivenessProbes &) = delete;
    CLivenessProbes &operator=(const CLivenessProbes &) = delete;

    static int EchoAttempts(bool i_fHighAccuracy) { return i_fHighAccuracy ? 3 : 1; }
    static int EchoTimeoutMs(bool i_fHighAccuracy) { return i_fHighAccuracy ? 2000 : 500; }

    // The scan's sweep; may be null. The ARP step and the first echo attempt of Run() then take
    // its answer and ask the host only when it has none for the address.
    void UseSweep(std::shared_ptr<CLivenessSweep> i_pSweep);

    // ARP, then echo attempts until the host answers, then reverse DNS when alive (unless
    // i_fReverseDns is false: the caller then asks ReverseDns() itself). An address of this
    // machine on an interface with a MAC is alive at once, with that MAC.
    void Run(CScanResult &io_oResult, bool i_fHighAccuracy, bool i_fReverseDns = true);

    // On an answer: alive, and the MAC (empty when the answer carried six zero bytes).
    bool Arp(CScanResult &io_oResult);
    // One echo attempt of the host's own; on a reply: alive.
    bool Echo(CScanResult &io_oResult, bool i_fHighAccuracy);
    // On success: name, read in the local 8-bit encoding and trimmed.
    bool ReverseDns(CScanResult &io_oResult);

    // A host has no name when its name, trimmed, is empty or is its own dotted address; the
    // zeroconf and SNMP probes are asked then.
    static bool HasNoName(const QString &i_sName, quint32 i_nIp);

    // What the steps so far learnt of the way to the host: on the link when ARP answered,
    // routed with the echo's round trip when an echo reply made it alive.
    TProbeTimeouts::EPath Path() const { return m_ePath; }
    long long EchoRttUs() const { return m_nEchoRttUs; }
    // The waits of the probes that follow, for this host.
    TProbeTimeouts Timeouts(bool i_fHighAccuracy) const
    {
        return TProbeTimeouts::For(i_fHighAccuracy, m_ePath, m_nEchoRttUs);
    }

private:
    std::unique_ptr<IArpProbe> m_pArp;
    std::unique_ptr<IIcmpEcho> m_pEcho;
    std::unique_ptr<IReverseDns> m_pDns;
    std::shared_ptr<CLivenessSweep> m_pSweep;
    TProbeTimeouts::EPath m_ePath = TProbeTimeouts::EPath::Unknown;
    long long m_nEchoRttUs = -1;
};
