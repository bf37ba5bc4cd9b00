// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSweepTransportLinux.h"

#include "CArpPacket.h"
#include "CArpProbeLinux.h"
#include "CEchoPacket.h"
#include "CIcmpEchoLinux.h"
#include "CSocketFilter.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReceiveBytes = 2048;
// Answers of a fast sweep arrive in bursts; the default buffer drops them while the thread
// sends.
constexpr int kReceiveBufferBytes = 1 << 20;
constexpr std::size_t kIcmpHeaderBytes = 8;

// Keep ARP replies only (opcode at offset 6 of the ARP message is 2).
void AttachArpReplyFilter(int i_nFd)
{
    sock_filter aCode[] = {
        {BPF_LD | BPF_H | BPF_ABS, 0, 0, 6},
        {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, 2},
        {BPF_RET | BPF_K, 0, 0, 0xFFFF},
        {BPF_RET | BPF_K, 0, 0, 0},
    };
    AttachSocketFilter(i_nFd, aCode);
}

// Apart from the worker probes' identifiers, which count up from another start.
std::uint16_t SweepEchoId()
{
    static std::atomic<std::uint32_t> s_nCounter{0};
    const auto nPid = static_cast<std::uint32_t>(getpid());
    return static_cast<std::uint16_t>(0x8000u ^ (nPid * 0x3B1Du)
                                      ^ s_nCounter.fetch_add(1, std::memory_order_relaxed));
}

} // namespace

std::unique_ptr<ISweepTransport> ISweepTransport::Create()
{
    return std::make_unique<CSweepTransportLinux>();
}

bool CSweepTransportLinux::Open()
{
    m_vInterfaces = CLocalInterfaces::List();

    // Protocol 0 receives nothing until bind(), so no frame slips in before the filter.
    CUniqueFd oArp(socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (oArp.valid()) {
        AttachArpReplyFilter(oArp.get());
        setsockopt(
            oArp.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
        sockaddr_ll oBind{};
        oBind.sll_family = AF_PACKET;
        oBind.sll_protocol = htons(ETH_P_ARP);
        oBind.sll_ifindex = 0; // every interface: the targets may lie on several
        if (bind(oArp.get(), reinterpret_cast<sockaddr *>(&oBind), sizeof oBind) == 0)
            m_oArp.reset(oArp.release());
    }

    m_oEcho.reset(CIcmpEchoLinux::OpenSocket(CIcmpEchoLinux::ESocket::Auto, m_fEchoRaw));
    if (m_oEcho.valid()) {
        setsockopt(
            m_oEcho.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
        m_nEchoId = SweepEchoId();
        if (m_fEchoRaw)
            CIcmpEchoLinux::AttachReplyIdFilter(m_oEcho.get(), m_nEchoId);
    }
    return m_oArp.valid() || m_oEcho.valid();
}

ISweepTransport::ERoute CSweepTransportLinux::Route(std::uint32_t i_nIp) const
{
    if (CArpProbeLinux::FindRouteIn(m_vInterfaces, i_nIp))
        return m_oArp.valid() ? ERoute::Arp : ERoute::None;
    return m_oEcho.valid() ? ERoute::Echo : ERoute::None;
}

bool CSweepTransportLinux::SendArp(std::uint32_t i_nIp)
{
    const std::optional<CArpProbeLinux::TRoute> oRoute =
        CArpProbeLinux::FindRouteIn(m_vInterfaces, i_nIp);
    return oRoute && m_oArp.valid() && CArpProbeLinux::SendRequest(m_oArp.get(), *oRoute, i_nIp);
}

bool CSweepTransportLinux::SendEcho(std::uint32_t i_nIp, std::uint16_t i_nSeq)
{
    return m_oEcho.valid() && CIcmpEchoLinux::SendRequest(m_oEcho.get(), i_nIp, m_nEchoId, i_nSeq);
}

void CSweepTransportLinux::Receive(int i_nTimeoutMs,
                                   std::size_t i_nMax,
                                   std::vector<TReply> &io_rvReplies)
{
    pollfd aPoll[2] = {{m_oArp.get(), POLLIN, 0}, {m_oEcho.get(), POLLIN, 0}};
    // poll() skips negative descriptors, so a missing socket needs no special case.
    if (poll(aPoll, 2, i_nTimeoutMs < 0 ? 0 : i_nTimeoutMs) <= 0)
        return;
    if (aPoll[0].revents)
        ReadArp(i_nMax / 2, io_rvReplies);
    if (aPoll[1].revents)
        ReadEcho(i_nMax / 2, io_rvReplies);
}

void CSweepTransportLinux::ReadArp(std::size_t i_nMax, std::vector<TReply> &io_rvReplies)
{
    std::uint8_t aBuffer[kReceiveBytes];
    for (std::size_t i = 0; i < i_nMax; ++i) {
        const ssize_t nRead = recv(m_oArp.get(), aBuffer, sizeof aBuffer, MSG_DONTWAIT);
        if (nRead < 0)
            return;
        TReply oReply;
        oReply.eKind = ERoute::Arp;
        if (CArpPacket::ReadReply(
                aBuffer, static_cast<std::size_t>(nRead), oReply.nIp, oReply.aMac))
            io_rvReplies.push_back(oReply);
    }
}

void CSweepTransportLinux::ReadEcho(std::size_t i_nMax, std::vector<TReply> &io_rvReplies)
{
    std::uint8_t aBuffer[kReceiveBytes];
    for (std::size_t i = 0; i < i_nMax; ++i) {
        std::uint32_t nFrom = 0;
        const ssize_t nRead =
            CIcmpEchoLinux::ReceiveFrom(m_oEcho.get(), aBuffer, sizeof aBuffer, nFrom);
        if (nRead < 0) {
            // A queued error belongs to one request, not to the socket; read on.
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            continue;
        }
        if (nFrom == 0)
            continue;
        const auto nSize = static_cast<std::size_t>(nRead);
        std::size_t nOffset = 0;
        if (m_fEchoRaw) {
            if (nSize < 1)
                continue;
            nOffset = std::size_t{aBuffer[0] & 0x0Fu} * 4;
        }
        if (nSize < nOffset + kIcmpHeaderBytes)
            continue;
        CEchoPacket::TExpect oExpect;
        oExpect.nIp = nFrom;
        oExpect.nId = m_nEchoId;
        oExpect.nSeq =
            static_cast<std::uint16_t>((aBuffer[nOffset + 6] << 8) | aBuffer[nOffset + 7]);
        oExpect.fIpHeader = m_fEchoRaw;
        oExpect.fCheckId = m_fEchoRaw;
        if (!CEchoPacket::IsReply(aBuffer, nSize, oExpect.nIp, oExpect))
            continue;
        TReply oReply;
        oReply.eKind = ERoute::Echo;
        oReply.nIp = oExpect.nIp;
        oReply.nSeq = oExpect.nSeq;
        io_rvReplies.push_back(oReply);
    }
}
