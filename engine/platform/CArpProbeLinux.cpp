// SPDX-License-Identifier: GPL-3.0-or-later
#include "CArpProbeLinux.h"

#include "CArpPacket.h"
#include "CDeadline.h"
#include "CNeighbourTable.h"
#include "CSocketFilter.h"
#include "CUniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/ethernet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

// A second request half-way through the wait covers one lost frame without waiting longer.
constexpr int kResendDivisor = 2;
constexpr std::size_t kReceiveBytes = 2048;
constexpr std::size_t kNetlinkBytes = 16384;
constexpr std::uint16_t kDiscardPort = 9;

// Classic BPF over the ARP message (packet sockets of type SOCK_DGRAM start at the network
// header): keep replies (opcode at offset 6 is 2) whose sender address (offset 14) is the target.
// It spares the other workers' sockets from waking for every ARP frame on the wire.
bool AttachReplyFilter(int i_nFd, std::uint32_t i_nTargetIp)
{
    sock_filter aCode[] = {
        {BPF_LD | BPF_H | BPF_ABS, 0, 0, 6},
        {BPF_JMP | BPF_JEQ | BPF_K, 0, 3, 2},
        {BPF_LD | BPF_W | BPF_ABS, 0, 0, 14},
        {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, i_nTargetIp},
        {BPF_RET | BPF_K, 0, 0, 0xFFFF},
        {BPF_RET | BPF_K, 0, 0, 0},
    };
    return AttachSocketFilter(i_nFd, aCode);
}

std::string ReadProcArp()
{
    std::ifstream oFile("/proc/net/arp");
    return std::string(std::istreambuf_iterator<char>(oFile), std::istreambuf_iterator<char>());
}

} // namespace

std::unique_ptr<IArpProbe> IArpProbe::Create()
{
    return std::make_unique<CArpProbeLinux>();
}

CArpProbeLinux::CArpProbeLinux(EMethod i_eMethod)
    : m_eMethod(i_eMethod)
{
}

bool CArpProbeLinux::Request(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac)
{
    const std::optional<TRoute> oRoute = FindRoute(i_nIp);
    if (!oRoute)
        return false;
    if (m_eMethod != EMethod::NeighbourTable) {
        bool fUnavailable = false;
        const bool fFound = AskByPacketSocket(*oRoute, i_nIp, i_nTimeoutMs, o_rMac, fUnavailable);
        if (fFound || !fUnavailable || m_eMethod == EMethod::PacketSocket)
            return fFound;
    }
    return AskKernel(i_nIp, i_nTimeoutMs, o_rMac);
}

std::optional<CArpProbeLinux::TRoute> CArpProbeLinux::FindRoute(std::uint32_t i_nIp)
{
    return FindRouteIn(CLocalInterfaces::List(), i_nIp);
}

std::optional<CArpProbeLinux::TRoute>
CArpProbeLinux::FindRouteIn(const std::vector<TLocalInterface> &i_rvInterfaces, std::uint32_t i_nIp)
{
    bool fOwn = false;
    const TLocalInterface *pBest = nullptr;
    for (const TLocalInterface &rInterface : i_rvInterfaces) {
        if (rInterface.nAddress == i_nIp)
            fOwn = true;
        if (!rInterface.Has(TLocalInterface::Up) || rInterface.Has(TLocalInterface::Loopback)
            || rInterface.Has(TLocalInterface::NoArp)
            || rInterface.Has(TLocalInterface::PointToPoint))
            continue;
        const std::uint32_t nMask = rInterface.nMask;
        if (!rInterface.Holds(i_nIp) || (pBest && nMask <= pBest->nMask))
            continue;
        // /31 and /32 have no network or broadcast address of their own.
        if (nMask < 0xFFFFFFFEu && (i_nIp == (i_nIp & nMask) || i_nIp == (i_nIp | ~nMask)))
            continue;
        pBest = &rInterface;
    }
    if (fOwn || !pBest || !pBest->oMac)
        return std::nullopt;
    TRoute oRoute;
    oRoute.nIfIndex = pBest->nIndex;
    oRoute.nOwnIp = pBest->nAddress;
    oRoute.aOwnMac = *pBest->oMac;
    return oRoute;
}

bool CArpProbeLinux::SendRequest(int i_nFd, const TRoute &i_rRoute, std::uint32_t i_nIp)
{
    const CArpPacket::TMessage aRequest =
        CArpPacket::Request(i_rRoute.aOwnMac, i_rRoute.nOwnIp, i_nIp);
    sockaddr_ll oTo{};
    oTo.sll_family = AF_PACKET;
    oTo.sll_protocol = htons(ETH_P_ARP);
    oTo.sll_ifindex = static_cast<int>(i_rRoute.nIfIndex);
    oTo.sll_halen = 6;
    std::memset(oTo.sll_addr, 0xFF, 6);
    return sendto(i_nFd,
                  aRequest.data(),
                  aRequest.size(),
                  0,
                  reinterpret_cast<sockaddr *>(&oTo),
                  sizeof oTo)
           == static_cast<ssize_t>(aRequest.size());
}

bool CArpProbeLinux::AskByPacketSocket(const TRoute &i_rRoute,
                                       std::uint32_t i_nIp,
                                       int i_nTimeoutMs,
                                       TMacAddress &o_rMac,
                                       bool &o_rfUnavailable)
{
    const CDeadline oDeadline(i_nTimeoutMs);
    // Protocol 0 receives nothing until bind(), so no frame slips in before the filter.
    const CUniqueFd oFd(socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!oFd.valid()) {
        o_rfUnavailable = true;
        return false;
    }
    AttachReplyFilter(oFd.get(), i_nIp); // without it the check below still sorts the frames
    sockaddr_ll oBind{};
    oBind.sll_family = AF_PACKET;
    oBind.sll_protocol = htons(ETH_P_ARP);
    oBind.sll_ifindex = static_cast<int>(i_rRoute.nIfIndex);
    if (bind(oFd.get(), reinterpret_cast<sockaddr *>(&oBind), sizeof oBind) != 0) {
        o_rfUnavailable = true;
        return false;
    }
    if (!SendRequest(oFd.get(), i_rRoute, i_nIp))
        return false;
    auto tResend =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(i_nTimeoutMs / kResendDivisor);
    bool fResent = false;
    std::uint8_t aBuffer[kReceiveBytes];
    while (!oDeadline.Passed()) {
        if (!fResent && std::chrono::steady_clock::now() >= tResend) {
            fResent = true;
            SendRequest(oFd.get(), i_rRoute, i_nIp);
        }
        pollfd oPoll{oFd.get(), POLLIN, 0};
        const int nReady = poll(
            &oPoll, 1, fResent ? oDeadline.RemainingMs() : oDeadline.RemainingMsUntil(tResend));
        if (nReady < 0 && errno != EINTR)
            return false;
        // Bounded by the deadline: a flood of frames cannot keep us here past it.
        for (;;) {
            const ssize_t nRead = recv(oFd.get(), aBuffer, sizeof aBuffer, MSG_DONTWAIT);
            if (nRead < 0)
                break;
            if (CArpPacket::IsReplyFrom(aBuffer, static_cast<std::size_t>(nRead), i_nIp, o_rMac))
                return true;
            if (oDeadline.Passed())
                return false;
        }
    }
    return false;
}

bool CArpProbeLinux::AskKernel(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac)
{
    const CDeadline oDeadline(i_nTimeoutMs);
    // Listen before looking and before provoking, so that no event falls in between.
    const CUniqueFd oNetlink(
        socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE));
    if (!oNetlink.valid())
        return false;
    sockaddr_nl oLocal{};
    oLocal.nl_family = AF_NETLINK;
    oLocal.nl_groups = RTMGRP_NEIGH;
    if (bind(oNetlink.get(), reinterpret_cast<sockaddr *>(&oLocal), sizeof oLocal) != 0)
        return false;
    // A STALE entry turns DELAY silently when used, with no event: take it from the table.
    if (CNeighbourTable::FindInProcText(ReadProcArp(), i_nIp, o_rMac)
        == CNeighbourTable::EState::Resolved)
        return true;
    const CUniqueFd oUdp(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!oUdp.valid())
        return false;
    sockaddr_in oTo{};
    oTo.sin_family = AF_INET;
    oTo.sin_port = htons(kDiscardPort);
    oTo.sin_addr.s_addr = htonl(i_nIp);
    // Sending to an unresolved neighbour is what makes the kernel ask; the datagram is empty.
    sendto(oUdp.get(), "", 0, 0, reinterpret_cast<sockaddr *>(&oTo), sizeof oTo);
    std::uint8_t aBuffer[kNetlinkBytes];
    while (!oDeadline.Passed()) {
        pollfd oPoll{oNetlink.get(), POLLIN, 0};
        const int nReady = poll(&oPoll, 1, oDeadline.RemainingMs());
        if (nReady < 0 && errno != EINTR)
            return false;
        for (;;) {
            const ssize_t nRead = recv(oNetlink.get(), aBuffer, sizeof aBuffer, MSG_DONTWAIT);
            if (nRead < 0) {
                // Events were lost while the buffer was full: the table has the latest word.
                if (errno == ENOBUFS
                    && CNeighbourTable::FindInProcText(ReadProcArp(), i_nIp, o_rMac)
                           == CNeighbourTable::EState::Resolved)
                    return true;
                break;
            }
            switch (CNeighbourTable::FindInNetlink(
                aBuffer, static_cast<std::size_t>(nRead), i_nIp, o_rMac)) {
            case CNeighbourTable::EState::Resolved:
                return true;
            case CNeighbourTable::EState::Failed:
                return false;
            case CNeighbourTable::EState::None:
                break;
            }
            if (oDeadline.Passed())
                return false;
        }
    }
    return false;
}
