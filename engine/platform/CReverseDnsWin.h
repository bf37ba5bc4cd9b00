// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IReverseDns.h"

// getnameinfo() of Windows Sockets 2; needs the socket library started (CSocketLibrary).
class CReverseDnsWin final : public IReverseDns
{
public:
    std::optional<std::string> Lookup(std::uint32_t i_nIp) override;
};
