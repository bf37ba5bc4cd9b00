// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Reverse name lookup through the system resolver (getnameinfo). Plain C++ so that each
// operating system's side builds on its own. Blocks for as long as the resolver's own time-outs
// allow; safe to call from many threads at once.
class IReverseDns
{
public:
    virtual ~IReverseDns() = default;

    // The host name of i_nIp (host byte order) in the system's 8-bit encoding; for an address
    // without a name record the resolver gives the dotted address itself. Empty when the call
    // failed.
    virtual std::optional<std::string> Lookup(std::uint32_t i_nIp) = 0;

    // The implementation for this system.
    static std::unique_ptr<IReverseDns> Create();
};
