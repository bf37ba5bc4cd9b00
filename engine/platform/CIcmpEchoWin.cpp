// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIcmpEchoWin.h"

// winsock2.h must come before windows.h, and both before the IP Helper headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

namespace {

constexpr WORD kDataBytes = 8;
// The call needs room for one reply record, the echoed data and 8 more bytes for an ICMP error
// message; with less it fails with IP_BUF_TOO_SMALL and every host would look silent.
constexpr DWORD kReplyBytes = sizeof(ICMP_ECHO_REPLY) + kDataBytes + 8;

} // namespace

std::unique_ptr<IIcmpEcho> IIcmpEcho::Create()
{
    return std::make_unique<CIcmpEchoWin>();
}

bool CIcmpEchoWin::Ping(std::uint32_t i_nIp, int i_nTimeoutMs)
{
    const HANDLE hIcmp = IcmpCreateFile();
    if (hIcmp == INVALID_HANDLE_VALUE)
        return false;
    char acData[kDataBytes];
    for (char &c : acData)
        c = static_cast<char>(0xFF);
    alignas(ICMP_ECHO_REPLY) unsigned char acReply[kReplyBytes] = {};
    const DWORD nReplies = IcmpSendEcho(hIcmp,
                                        htonl(i_nIp),
                                        acData,
                                        kDataBytes,
                                        nullptr,
                                        acReply,
                                        kReplyBytes,
                                        static_cast<DWORD>(i_nTimeoutMs > 0 ? i_nTimeoutMs : 0));
    const auto *pReply = reinterpret_cast<const ICMP_ECHO_REPLY *>(acReply);
    const bool fAlive = nReplies != 0 && pReply->Status == IP_SUCCESS;
    IcmpCloseHandle(hIcmp);
    return fAlive;
}
