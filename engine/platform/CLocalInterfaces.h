// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IArpProbe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One IPv4 address of a local network interface with what its users decide on: the address and
// its subnet, the interface's kind and state, and its Ethernet address. Addresses are host byte
// order.
struct TLocalInterface
{
    enum EFlag : unsigned
    {
        Up = 1u << 0,
        Running = 1u << 1,
        Loopback = 1u << 2,
        PointToPoint = 1u << 3,
        Broadcast = 1u << 4,
        Multicast = 1u << 5,
        NoArp = 1u << 6,
    };

    std::string sName;   // the system's name of the interface, for logs
    unsigned nIndex = 0; // the system's interface index; 0 when unknown
    std::uint32_t nAddress = 0;
    std::uint32_t nMask = 0xFFFFFFFFu; // a single address when the system gives no mask
    std::uint32_t nBroadcast = 0;      // 0 unless the interface broadcasts
    std::optional<TMacAddress> oMac;   // only an Ethernet-type six-byte address
    unsigned nFlags = 0;

    bool Has(EFlag i_eFlag) const { return (nFlags & i_eFlag) != 0; }
    bool Holds(std::uint32_t i_nIp) const { return (nAddress & nMask) == (i_nIp & nMask); }
};

// The IPv4 addresses of this machine's interfaces, one entry per address, in the system's order.
// Each user applies its own filter (ARP wants up Ethernet-like subnets, Wake-on-LAN broadcast
// ones, the window's "My IP" everything but loopback). Any thread; each call asks the system
// again; an empty list when the system cannot tell.
class CLocalInterfaces final
{
public:
    CLocalInterfaces() = delete;
    static std::vector<TLocalInterface> List();
};
