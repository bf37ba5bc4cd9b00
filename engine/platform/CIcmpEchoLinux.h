// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IIcmpEcho.h"

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

    // Classic BPF for a raw ICMP socket: keeps only echo replies carrying identifier i_nId, so
    // the kernel drops the rest of the namespace's ICMP traffic. Also used by the liveness sweep.
    static void AttachReplyIdFilter(int i_nFd, std::uint16_t i_nId);

private:
    ESocket m_eSocket;
};
