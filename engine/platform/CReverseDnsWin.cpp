// SPDX-License-Identifier: GPL-3.0-or-later
#include "CReverseDnsWin.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

// NI_MAXHOST.
constexpr DWORD kHostBytes = 1025;

} // namespace

std::unique_ptr<IReverseDns> IReverseDns::Create()
{
    return std::make_unique<CReverseDnsWin>();
}

std::optional<std::string> CReverseDnsWin::Lookup(std::uint32_t i_nIp)
{
    sockaddr_in oAddr{};
    oAddr.sin_family = AF_INET;
    oAddr.sin_port = 0;
    oAddr.sin_addr.s_addr = htonl(i_nIp);
    char acHost[kHostBytes] = {};
    // No flags: an address without a name record comes back as its dotted text.
    if (getnameinfo(reinterpret_cast<const sockaddr *>(&oAddr),
                    sizeof oAddr,
                    acHost,
                    kHostBytes,
                    nullptr,
                    0,
                    0)
        != 0)
        return std::nullopt;
    return std::string(acHost);
}
