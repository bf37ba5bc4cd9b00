// SPDX-License-Identifier: GPL-3.0-or-later
#include "CUdpExchange.h"

#include <cerrno>
#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Closes the socket on every way out of Exchange, errno preserved for the caller's report.
class CSocketCloser final
{
public:
    explicit CSocketCloser(int i_nSocket)
        : m_nSocket(i_nSocket)
    {
    }
    ~CSocketCloser()
    {
        const int nSaved = errno;
        ::close(m_nSocket);
        errno = nSaved;
    }
    CSocketCloser(const CSocketCloser &) = delete;
    CSocketCloser &operator=(const CSocketCloser &) = delete;

private:
    int m_nSocket;
};

CUdpExchange::TOutcome Failed(CUdpExchange::EStep i_eStep)
{
    CUdpExchange::TOutcome oOutcome;
    oOutcome.eStep = i_eStep;
    oOutcome.nSystemError = errno;
    return oOutcome;
}

} // namespace

CUdpExchange::TOutcome CUdpExchange::Exchange(const TRequest &i_rRequest,
                                              char *o_pBuffer,
                                              int i_nCapacity,
                                              const TIsAnswer &i_fnIsAnswer)
{
    const int nSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (nSocket < 0)
        return Failed(EStep::Socket);
    const CSocketCloser oCloser(nSocket);

    sockaddr_in oLocal{};
    oLocal.sin_family = AF_INET;
    oLocal.sin_addr.s_addr = htonl(INADDR_ANY);
    oLocal.sin_port = 0;
    if (::bind(nSocket, reinterpret_cast<const sockaddr *>(&oLocal), sizeof(oLocal)) != 0)
        return Failed(EStep::Socket);

    sockaddr_in oTarget{};
    oTarget.sin_family = AF_INET;
    oTarget.sin_addr.s_addr = i_rRequest.nAddrNet;
    oTarget.sin_port = i_rRequest.nPortNet;
    if (i_rRequest.fConnected
        && ::connect(nSocket, reinterpret_cast<const sockaddr *>(&oTarget), sizeof(oTarget)) != 0)
        return Failed(EStep::Send);
    const ssize_t nSent = ::sendto(nSocket,
                                   i_rRequest.pData,
                                   static_cast<size_t>(i_rRequest.nSize),
                                   0,
                                   reinterpret_cast<const sockaddr *>(&oTarget),
                                   sizeof(oTarget));
    if (nSent != i_rRequest.nSize)
        return Failed(EStep::Send);

    // poll rather than select: a worker's descriptor may lie above FD_SETSIZE in a busy process,
    // where FD_SET would write outside the set. A signal must not cut the wait short, nor a
    // datagram that is not the answer make it longer, so the remaining time is measured
    // against a monotonic deadline.
    using TClock = std::chrono::steady_clock;
    const TClock::time_point oDeadline =
        TClock::now() + std::chrono::milliseconds(i_rRequest.nWaitMs);
    pollfd oPoll{};
    oPoll.fd = nSocket;
    oPoll.events = POLLIN;
    for (;;) {
        // Rounded up: a remainder below one millisecond must still be waited for.
        const auto nLeftMs =
            std::chrono::ceil<std::chrono::milliseconds>(oDeadline - TClock::now()).count();
        const int nReady = ::poll(&oPoll, 1, nLeftMs > 0 ? static_cast<int>(nLeftMs) : 0);
        if (nReady == 0) {
            if (TClock::now() >= oDeadline) {
                TOutcome oOutcome;
                oOutcome.eStep = EStep::Timeout;
                return oOutcome;
            }
            continue;
        }
        if (nReady < 0) {
            if (errno != EINTR)
                return Failed(EStep::Receive);
            continue;
        }

        sockaddr_in oFrom{};
        socklen_t nFromSize = sizeof(oFrom);
        const ssize_t nReceived = ::recvfrom(nSocket,
                                             o_pBuffer,
                                             static_cast<size_t>(i_nCapacity),
                                             MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr *>(&oFrom),
                                             &nFromSize);
        if (nReceived < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return Failed(EStep::Receive);
        }
        if (oFrom.sin_family != AF_INET || nFromSize < sizeof(oFrom))
            continue;
        if (!i_fnIsAnswer(
                o_pBuffer, static_cast<int>(nReceived), oFrom.sin_addr.s_addr, oFrom.sin_port))
            continue;
        // An empty answer is a failure of the exchange, whatever the caller made of it.
        TOutcome oOutcome;
        if (nReceived == 0)
            oOutcome.eStep = EStep::Receive;
        oOutcome.nReceived = static_cast<int>(nReceived);
        return oOutcome;
    }
}
