// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IIcmpEcho.h"

// IcmpSendEcho of the IP Helper library, one handle per attempt.
class CIcmpEchoWin final : public IIcmpEcho
{
public:
    bool Ping(std::uint32_t i_nIp, int i_nTimeoutMs) override;
};
