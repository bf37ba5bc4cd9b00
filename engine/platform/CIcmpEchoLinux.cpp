// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIcmpEchoLinux.h"

#include "CDeadline.h"
#include "CEchoPacket.h"
#include "CSocketFilter.h"
#include "CUniqueFd.h"

#include <atomic>
#include <cerrno>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReceiveBytes = 1024;

// Identifier and sequence for one request. Consecutive values keep the up to a few hundred
// requests in flight at once apart; the process id keeps two scanners on one machine apart.
void NextIdentity(std::uint16_t &o_rnId, std::uint16_t &o_rnSeq)
{
    static std::atomic<std::uint32_t> s_nCounter{0};
    const std::uint32_t nCount = s_nCounter.fetch_add(1, std::memory_order_relaxed);
    const auto nPid = static_cast<std::uint32_t>(getpid());
    o_rnId = static_cast<std::uint16_t>((nPid * 0x9E37u) + nCount);
    o_rnSeq = static_cast<std::uint16_t>((nCount >> 16) ^ (nPid >> 3) ^ 0x5A5Au);
}

} // namespace

std::unique_ptr<IIcmpEcho> IIcmpEcho::Create()
{
    return std::make_unique<CIcmpEchoLinux>();
}

CIcmpEchoLinux::CIcmpEchoLinux(ESocket i_eSocket)
    : m_eSocket(i_eSocket)
{
}

bool CIcmpEchoLinux::Ping(std::uint32_t i_nIp, int i_nTimeoutMs)
{
    const CDeadline oDeadline(i_nTimeoutMs);
    bool fRaw = false;
    const CUniqueFd oFd(OpenSocket(m_eSocket, fRaw));
    if (!oFd.valid())
        return false;

    CEchoPacket::TExpect oExpect;
    oExpect.nIp = i_nIp;
    NextIdentity(oExpect.nId, oExpect.nSeq);
    oExpect.fIpHeader = fRaw;
    oExpect.fCheckId = fRaw;
    if (fRaw)
        AttachReplyIdFilter(oFd.get(), oExpect.nId);

    if (!SendRequest(oFd.get(), i_nIp, oExpect.nId, oExpect.nSeq))
        return false;

    std::uint8_t aBuffer[kReceiveBytes];
    while (!oDeadline.Passed()) {
        pollfd oPoll{oFd.get(), POLLIN, 0};
        const int nReady = poll(&oPoll, 1, oDeadline.RemainingMs());
        if (nReady < 0 && errno != EINTR)
            return false;
        for (;;) {
            std::uint32_t nFrom = 0;
            const ssize_t nRead = ReceiveFrom(oFd.get(), aBuffer, sizeof aBuffer, nFrom);
            if (nRead < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    break;
                // An error the kernel queued for this socket, e.g. host unreachable.
                return false;
            }
            if (nFrom != 0
                && CEchoPacket::IsReply(aBuffer, static_cast<std::size_t>(nRead), nFrom, oExpect))
                return true;
            if (oDeadline.Passed())
                return false;
        }
    }
    return false;
}

// Classic BPF over the IP packet a raw socket receives: keep echo replies (type 0) that carry
// our identifier; the header length comes from the first byte.
void CIcmpEchoLinux::AttachReplyIdFilter(int i_nFd, std::uint16_t i_nId)
{
    sock_filter aCode[] = {
        {BPF_LDX | BPF_B | BPF_MSH, 0, 0, 0},
        {BPF_LD | BPF_B | BPF_IND, 0, 0, 0},
        {BPF_JMP | BPF_JEQ | BPF_K, 0, 3, 0},
        {BPF_LD | BPF_H | BPF_IND, 0, 0, 4},
        {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, i_nId},
        {BPF_RET | BPF_K, 0, 0, 0xFFFF},
        {BPF_RET | BPF_K, 0, 0, 0},
    };
    AttachSocketFilter(i_nFd, aCode);
}

int CIcmpEchoLinux::OpenSocket(ESocket i_eSocket, bool &o_rfRaw)
{
    o_rfRaw = false;
    int nFd = -1;
    if (i_eSocket != ESocket::Raw)
        nFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    if (nFd < 0 && i_eSocket != ESocket::Ping) {
        nFd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
        o_rfRaw = nFd >= 0;
    }
    return nFd;
}

bool CIcmpEchoLinux::SendRequest(int i_nFd,
                                 std::uint32_t i_nIp,
                                 std::uint16_t i_nId,
                                 std::uint16_t i_nSeq)
{
    const std::vector<std::uint8_t> vRequest = CEchoPacket::Request(i_nId, i_nSeq);
    sockaddr_in oTo{};
    oTo.sin_family = AF_INET;
    oTo.sin_addr.s_addr = htonl(i_nIp);
    return sendto(i_nFd,
                  vRequest.data(),
                  vRequest.size(),
                  0,
                  reinterpret_cast<sockaddr *>(&oTo),
                  sizeof oTo)
           == static_cast<ssize_t>(vRequest.size());
}

ssize_t CIcmpEchoLinux::ReceiveFrom(int i_nFd,
                                    std::uint8_t *o_pBuffer,
                                    std::size_t i_nSize,
                                    std::uint32_t &o_rnFromIp)
{
    sockaddr_in oFrom{};
    socklen_t nFromSize = sizeof oFrom;
    const ssize_t nRead = recvfrom(
        i_nFd, o_pBuffer, i_nSize, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&oFrom), &nFromSize);
    o_rnFromIp =
        nFromSize >= sizeof oFrom && oFrom.sin_family == AF_INET ? ntohl(oFrom.sin_addr.s_addr) : 0;
    return nRead;
}
