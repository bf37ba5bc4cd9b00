// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

// One ICMP echo request with its wait for the reply. Plain C++ so that each operating system's
// side builds on its own. Every attempt opens and closes its own socket or handle, so objects
// may be used by many threads at once and each one gets only the reply to its own request.
class IIcmpEcho
{
public:
    virtual ~IIcmpEcho() = default;

    // Sends one echo request with 8 data bytes of 0xFF to i_nIp (host byte order) and waits at
    // most i_nTimeoutMs. True when the matching echo reply came back in time; false on time-out,
    // on an error answer, or when no socket could be opened.
    virtual bool Ping(std::uint32_t i_nIp, int i_nTimeoutMs) = 0;

    // The implementation for this system.
    static std::unique_ptr<IIcmpEcho> Create();
};
