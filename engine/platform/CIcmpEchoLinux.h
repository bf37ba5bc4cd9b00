// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IIcmpEcho.h"

#include <cstddef>

#include <sys/types.h>

// ICMP echo on Linux. Prefers an unprivileged ping socket (allowed when the process's group lies
// in net.ipv4.ping_group_range of its network namespace; every new namespace starts with the
// range closed): the kernel gives each such socket its own identifier and delivers only its own
// replies. Otherwise a raw socket (CAP_NET_RAW), which sees every ICMP packet of the namespace:
// the request carries an identifier unique in this process, a BPF filter drops other replies
// in the kernel, and the same test is repeated on what gets through.
class CIcmpEchoLinux final : public IIcmpEcho
{
public:
    enum class ESocket
    {
        Auto, // ping socket when allowed, else raw
        Ping,
        Raw,
    };

    explicit CIcmpEchoLinux(ESocket i_eSocket = ESocket::Auto);

    bool Ping(std::uint32_t i_nIp, int i_nTimeoutMs) override;

    // The socket pieces the liveness sweep shares. OpenSocket: a non-blocking descriptor (or -1)
    // of the kind i_eSocket allows, o_rfRaw telling whether it is a raw one.
    static int OpenSocket(ESocket i_eSocket, bool &o_rfRaw);
    // Classic BPF for a raw ICMP socket: keeps only echo replies carrying identifier i_nId, so
    // the kernel drops the rest of the namespace's ICMP traffic.
    static void AttachReplyIdFilter(int i_nFd, std::uint16_t i_nId);
    static bool
    SendRequest(int i_nFd, std::uint32_t i_nIp, std::uint16_t i_nId, std::uint16_t i_nSeq);
    // One datagram without waiting; o_rnFromIp is its IPv4 sender (host byte order), 0 when the
    // sender is no IPv4 address. recvfrom()'s result.
    static ssize_t
    ReceiveFrom(int i_nFd, std::uint8_t *o_pBuffer, std::size_t i_nSize, std::uint32_t &o_rnFromIp);

private:
    ESocket m_eSocket;
};
