// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

// The IPv4 addresses of this machine's network adapters with their masks, as the "My IP"
// command turns them into ranges. Loopback adapters and adapters that are down are left out.
// Any thread; an empty list when the system cannot tell.
class CLocalSubnets final
{
public:
    struct TAddressMask
    {
        std::uint32_t address = 0; // host byte order
        std::uint32_t mask = 0;
    };

    CLocalSubnets() = delete;
    static std::vector<TAddressMask> List();
};
