// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IArpProbe.h"

#include <cstdint>
#include <memory>
#include <vector>

// The sockets of the liveness sweep: one way to send ARP requests to any on-link address and
// one to send ICMP echo requests to any address, both read back by one thread. Plain C++ so
// that each operating system's side builds on its own. Used by one thread only. A system (or a
// process without the right to open such sockets) that offers neither leaves every address
// uncovered, and the workers then ask each host themselves.
class ISweepTransport
{
public:
    // How an address is asked: by ARP on an interface whose subnet holds it, by echo otherwise
    // (off-link, our own, loopback), or not at all when the needed socket is not available.
    enum class ERoute
    {
        None,
        Arp,
        Echo,
    };

    // One answer. ARP: the sender's address and hardware address. Echo: the replying address
    // and the sequence number the request carried.
    struct TReply
    {
        ERoute eKind = ERoute::None;
        std::uint32_t nIp = 0;
        TMacAddress aMac{};
        std::uint16_t nSeq = 0;
    };

    virtual ~ISweepTransport() = default;

    // Opens the sockets and takes a snapshot of the interfaces. False when neither kind of
    // request can be sent; the object is then of no further use.
    virtual bool Open() = 0;
    // Decided from the snapshot with the same rules as the worker's own ARP probe, so that an
    // address the sweep asks by echo is one the worker's ARP probe would not have asked at all.
    virtual ERoute Route(std::uint32_t i_nIp) const = 0;
    // False when the request could not be sent (the worker's own probe fails the same way).
    virtual bool SendArp(std::uint32_t i_nIp) = 0;
    virtual bool SendEcho(std::uint32_t i_nIp, std::uint16_t i_nSeq) = 0;
    // Waits at most i_nTimeoutMs for answers and appends at most i_nMax of them to io_rvReplies.
    virtual void
    Receive(int i_nTimeoutMs, std::size_t i_nMax, std::vector<TReply> &io_rvReplies) = 0;

    // The implementation for this system.
    static std::unique_ptr<ISweepTransport> Create();
};
