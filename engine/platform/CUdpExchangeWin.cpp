// SPDX-License-Identifier: GPL-3.0-or-later
#include "CUdpExchange.h"

#include <chrono>

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

// Closes the socket on every way out of Exchange, the WinSock error preserved for the report.
class CSocketCloser final
{
public:
    explicit CSocketCloser(SOCKET i_hSocket)
        : m_hSocket(i_hSocket)
    {
    }
    ~CSocketCloser()
    {
        const int nSaved = WSAGetLastError();
        closesocket(m_hSocket);
        WSASetLastError(nSaved);
    }
    CSocketCloser(const CSocketCloser &) = delete;
    CSocketCloser &operator=(const CSocketCloser &) = delete;

private:
    SOCKET m_hSocket;
};

CUdpExchange::TOutcome Failed(CUdpExchange::EStep i_eStep)
{
    CUdpExchange::TOutcome oOutcome;
    oOutcome.eStep = i_eStep;
    oOutcome.nSystemError = WSAGetLastError();
    return oOutcome;
}

} // namespace

CUdpExchange::TOutcome CUdpExchange::Exchange(const TRequest &i_rRequest,
                                              char *o_pBuffer,
                                              int i_nCapacity,
                                              const TIsAnswer &i_fnIsAnswer)
{
    const SOCKET hSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (hSocket == INVALID_SOCKET)
        return Failed(EStep::Socket);
    const CSocketCloser oCloser(hSocket);

    sockaddr_in oLocal{};
    oLocal.sin_family = AF_INET;
    oLocal.sin_addr.s_addr = htonl(INADDR_ANY);
    oLocal.sin_port = 0;
    if (bind(hSocket, reinterpret_cast<const sockaddr *>(&oLocal), sizeof(oLocal)) != 0)
        return Failed(EStep::Socket);

    sockaddr_in oTarget{};
    oTarget.sin_family = AF_INET;
    oTarget.sin_addr.s_addr = i_rRequest.nAddrNet;
    oTarget.sin_port = i_rRequest.nPortNet;
    if (i_rRequest.fConnected
        && connect(hSocket, reinterpret_cast<const sockaddr *>(&oTarget), sizeof(oTarget)) != 0)
        return Failed(EStep::Send);
    const int nSent = sendto(hSocket,
                             i_rRequest.pData,
                             i_rRequest.nSize,
                             0,
                             reinterpret_cast<const sockaddr *>(&oTarget),
                             sizeof(oTarget));
    if (nSent != i_rRequest.nSize)
        return Failed(EStep::Send);

    // A datagram that is not the answer must not make the wait longer: the remaining time is
    // measured against a monotonic deadline.
    using TClock = std::chrono::steady_clock;
    const TClock::time_point oDeadline =
        TClock::now() + std::chrono::milliseconds(i_rRequest.nWaitMs);
    for (;;) {
        const auto nLeftMs =
            std::chrono::ceil<std::chrono::milliseconds>(oDeadline - TClock::now()).count();
        // A WinSock fd_set is a list of handles, not a bit mask, so one socket always fits.
        fd_set oRead;
        FD_ZERO(&oRead);
        FD_SET(hSocket, &oRead);
        timeval oWait{};
        const long nWaitMs = nLeftMs > 0 ? static_cast<long>(nLeftMs) : 0;
        oWait.tv_sec = nWaitMs / 1000;
        oWait.tv_usec = (nWaitMs % 1000) * 1000;
        const int nReady = select(0, &oRead, nullptr, nullptr, &oWait);
        if (nReady == SOCKET_ERROR)
            return Failed(EStep::Receive);
        if (nReady == 0) {
            if (TClock::now() >= oDeadline) {
                TOutcome oOutcome;
                oOutcome.eStep = EStep::Timeout;
                return oOutcome;
            }
            continue;
        }

        sockaddr_in oFrom{};
        int nFromSize = static_cast<int>(sizeof(oFrom));
        // WSAEMSGSIZE still delivers the first i_nCapacity bytes; the caller asked for a cut,
        // not a failure, so that case counts as received.
        int nReceived = recvfrom(
            hSocket, o_pBuffer, i_nCapacity, 0, reinterpret_cast<sockaddr *>(&oFrom), &nFromSize);
        if (nReceived == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEMSGSIZE)
                return Failed(EStep::Receive);
            nReceived = i_nCapacity;
        }
        if (oFrom.sin_family != AF_INET || nFromSize < static_cast<int>(sizeof(oFrom)))
            continue;
        if (!i_fnIsAnswer(o_pBuffer, nReceived, oFrom.sin_addr.s_addr, oFrom.sin_port))
            continue;
        TOutcome oOutcome;
        if (nReceived == 0)
            oOutcome.eStep = EStep::Receive;
        oOutcome.nReceived = nReceived;
        return oOutcome;
    }
}
