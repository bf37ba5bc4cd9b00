// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CLocalInterfaces.h"
#include "CUniqueFd.h"
#include "ISweepTransport.h"

#include <vector>

// The sweep's sockets on Linux: one packet socket (CAP_NET_RAW) that sends ARP requests on
// whichever interface's subnet holds the target and receives every ARP reply of the namespace
// (a BPF filter keeps only replies), and one ICMP socket, a ping socket when the group range
// allows it, else a raw one whose requests carry an identifier of their own. Replies are read
// without blocking, bounded in count per call, so that a flood cannot hold the sweep's thread.
class CSweepTransportLinux final : public ISweepTransport
{
public:
    bool Open() override;
    ERoute Route(std::uint32_t i_nIp) const override;
    bool SendArp(std::uint32_t i_nIp) override;
    bool SendEcho(std::uint32_t i_nIp, std::uint16_t i_nSeq) override;
    void Receive(int i_nTimeoutMs, std::size_t i_nMax, std::vector<TReply> &io_rvReplies) override;

private:
    void ReadArp(std::size_t i_nMax, std::vector<TReply> &io_rvReplies);
    void ReadEcho(std::size_t i_nMax, std::vector<TReply> &io_rvReplies);

    std::vector<TLocalInterface> m_vInterfaces;
    CUniqueFd m_oArp;
    CUniqueFd m_oEcho;
    bool m_fEchoRaw = false;
    std::uint16_t m_nEchoId = 0;
};
