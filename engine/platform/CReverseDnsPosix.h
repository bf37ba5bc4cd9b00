// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IReverseDns.h"

// getnameinfo() of the C library, which follows /etc/nsswitch.conf (hosts file, then DNS).
class CReverseDnsPosix final : public IReverseDns
{
public:
    std::optional<std::string> Lookup(std::uint32_t i_nIp) override;
};
