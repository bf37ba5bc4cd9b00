// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How long the probes after liveness wait for a host that says nothing. High accuracy keeps
// each probe's own time-out. The default mode shortens the waits for what a live host's kernel
// sends at once (a TCP SYN-ACK or RST, an SNMP agent's datagram) from what liveness learnt of
// the path: a host that answered ARP is on the link and answers within a millisecond, so
// silence after 500 ms is a firewall, not a slow host; a routed host gets a few of its echo
// round trips. A connection once made keeps the probe's own time for the reply.
struct TProbeTimeouts
{
    enum class EPath
    {
        Unknown, // nothing measured: the probes' own time-outs
        OnLink,  // answered ARP
        Routed,  // answered ICMP echo
    };

    static constexpr int kOnLinkConnectMs = 500;
    static constexpr int kOnLinkSnmpWaitMs = 1000;
    static constexpr int kRoutedMinMs = 500;
    static constexpr int kRoutedMaxMs = 3000;
    static constexpr int kRoutedRoundTrips = 4;
    static constexpr int kRoutedMarginMs = 250;
    static constexpr int kDesignSnmpWaitMs = 3000;
    static constexpr int kDesignSnmpRetries = 1;

    // Most a TCP connect may take; 0 leaves each probe its own time-out.
    int nConnectMs = 0;
    // One wait of the SNMP name query, and how often the query is sent again after it.
    int nSnmpWaitMs = kDesignSnmpWaitMs;
    int nSnmpRetries = kDesignSnmpRetries;

    // A probe's connect time-out: its own, or the shorter one the path allows.
    int ConnectMs(int i_nOwnMs) const
    {
        return nConnectMs > 0 && nConnectMs < i_nOwnMs ? nConnectMs : i_nOwnMs;
    }

    // i_nEchoRttUs: the echo round trip of a routed host in microseconds, negative when unknown.
    static TProbeTimeouts For(bool i_fHighAccuracy, EPath i_ePath, long long i_nEchoRttUs)
    {
        TProbeTimeouts oTimeouts;
        if (i_fHighAccuracy)
            return oTimeouts;
        if (i_ePath == EPath::OnLink) {
            oTimeouts.nConnectMs = kOnLinkConnectMs;
            oTimeouts.nSnmpWaitMs = kOnLinkSnmpWaitMs;
            oTimeouts.nSnmpRetries = 0;
        } else if (i_ePath == EPath::Routed && i_nEchoRttUs >= 0) {
            const long long nRttMs = (i_nEchoRttUs + 999) / 1000;
            long long nMs = kRoutedRoundTrips * nRttMs + kRoutedMarginMs;
            nMs = nMs < kRoutedMinMs ? kRoutedMinMs : nMs > kRoutedMaxMs ? kRoutedMaxMs : nMs;
            oTimeouts.nConnectMs = static_cast<int>(nMs);
            // An agent answers from user space: never less than on the link.
            oTimeouts.nSnmpWaitMs =
                oTimeouts.nConnectMs > kOnLinkSnmpWaitMs ? oTimeouts.nConnectMs : kOnLinkSnmpWaitMs;
            oTimeouts.nSnmpRetries = 0;
        }
        return oTimeouts;
    }
};
