// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>

// A hardware address in wire order.
using TMacAddress = std::array<std::uint8_t, 6>;

// Asks a host on a local subnet for its hardware address. Plain C++ so that each operating
// system's side builds on its own. An object holds no socket between calls and is used by one
// thread; many objects may ask at once (each call opens its own sockets).
class IArpProbe
{
public:
    virtual ~IArpProbe() = default;

    // i_nIp is host byte order. Waits at most i_nTimeoutMs where the system lets us choose (the
    // Windows call takes its own time). True with o_rMac filled when the host answered. False
    // when it did not, when the address lies outside every local subnet or is one of our own,
    // or when no way of asking is available to this process; o_rMac is then untouched.
    virtual bool Request(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac) = 0;

    // The implementation for this system.
    static std::unique_ptr<IArpProbe> Create();
};
