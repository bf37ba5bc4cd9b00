// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IArpProbe.h"

// SendARP of the IP Helper library. The system picks the interface and its own time-out; the
// caller's time-out is not used.
class CArpProbeWin final : public IArpProbe
{
public:
    bool Request(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac) override;
};
