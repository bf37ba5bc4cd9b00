// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

// One request datagram and at most one answer, on a socket that lives for this call only.
// Blocking; safe to call from many threads at once (each call has its own socket and touches
// nothing shared). Kept free of Qt so that each system's file builds on its own.
class CUdpExchange final
{
public:
    enum class EStep
    {
        Done,    // an answer of o_nReceived bytes is in the buffer
        Socket,  // creating or binding the socket failed
        Send,    // sending the request failed
        Receive, // waiting or receiving failed, or the answer was empty
        Timeout  // nothing arrived within the wait time
    };

    struct TOutcome
    {
        EStep eStep = EStep::Done;
        // The system's socket error code at the moment of failure (errno, or WSAGetLastError()).
        int nSystemError = 0;
        int nReceived = 0;
    };

    // Shown each datagram as it arrives (an empty one too), with its sender's address and port
    // (network byte order): true takes it as the answer, false drops it and the wait goes on.
    // An empty datagram taken as the answer ends the exchange with EStep::Receive.
    using TIsAnswer = std::function<bool(
        const char *i_pData, int i_nSize, std::uint32_t i_nFromNet, std::uint16_t i_nFromPortNet)>;

    struct TRequest
    {
        std::uint32_t nAddrNet = 0; // network byte order, as the port
        std::uint16_t nPortNet = 0;
        const char *pData = nullptr;
        int nSize = 0;
        int nWaitMs = 0;
        // Connected to the target: the system drops datagrams from anyone else and a refusal
        // (ICMP port unreachable) ends the wait at once, with EStep::Receive; for a question
        // only the target itself may answer.
        bool fConnected = false;
    };

    // Binds to any local address and port 0, sends the request to its address and port and
    // receives datagrams into o_pBuffer until i_fnIsAnswer takes one or the request's wait has
    // passed since it left; a stream of refused datagrams never extends the wait. A datagram
    // longer than i_nCapacity is cut to i_nCapacity bytes. The socket is closed before the call
    // returns, on every path.
    static TOutcome Exchange(const TRequest &i_rRequest,
                             char *o_pBuffer,
                             int i_nCapacity,
                             const TIsAnswer &i_fnIsAnswer);
};
