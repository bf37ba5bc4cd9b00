// SPDX-License-Identifier: GPL-3.0-or-later
#include "CArpProbeWin.h"

#include <cstring>

// winsock2.h must come before windows.h, and both before the IP Helper headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

std::unique_ptr<IArpProbe> IArpProbe::Create()
{
    return std::make_unique<CArpProbeWin>();
}

bool CArpProbeWin::Request(std::uint32_t i_nIp, int /*i_nTimeoutMs*/, TMacAddress &o_rMac)
{
    ULONG aulBuffer[2] = {0, 0};
    ULONG nLength = 6;
    // Source 0: the system picks the interface whose subnet holds the destination.
    if (SendARP(htonl(i_nIp), 0, aulBuffer, &nLength) != NO_ERROR || nLength != 6)
        return false;
    std::memcpy(o_rMac.data(), aulBuffer, 6);
    return true;
}
