// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ENetBiosError.h"

#include <QByteArray>
#include <QMutex>

#include <optional>

class CNetBiosError;
class CNetBiosNodeStatus;

// Asks one host for its NetBIOS node status (the NBSTAT question for the wildcard name on UDP
// port 137) and reads the answer. Query() blocks the calling thread for at most the wait time;
// one querier may be used by several threads at once: only its transaction counter is shared,
// and it is taken under the querier's lock.
class CNetBiosQuery final
{
public:
    static constexpr int kQuestionNameSize = 34;
    static constexpr int kRequestSize = 50;
    // Header, answer name, type, class, TTL and RDLENGTH, and the NUM_NAMES byte.
    static constexpr int kMinAnswerSize = 57;
    static constexpr int kStatisticsSize = 46;
    static constexpr int kReceiveBufferSize = 65536;
    static constexpr quint16 kPort = 137;

    CNetBiosQuery();

    // Sends one request to i_nAddrNet (network byte order), waits up to i_nWaitMs for one
    // answer from that host and parses it into o_oStatus; datagrams from anyone else are
    // dropped unread. Returns false on every failure, with o_oStatus
    // reset to an empty record and, when o_pError is given, the reason stored in it.
    bool Query(quint32 i_nAddrNet,
               int i_nWaitMs,
               CNetBiosNodeStatus &o_oStatus,
               CNetBiosError *o_pError = nullptr);

    // The counter value that the next query will take.
    qint32 counter() const;

    // First-level encoding of i_baName (at most 15 bytes; longer names are cut) into a
    // length-prefixed label of i_nLength bytes ending in the empty root label; "*" is the
    // wildcard. Returns false, writing nothing, when i_nLength is not even or below 4.
    static bool EncodeName(const QByteArray &i_baName, char *o_pBuffer, int i_nLength);

    // The 50-byte NBSTAT request for the wildcard name, tagged with i_nId.
    static QByteArray BuildRequest(quint16 i_nId);

    // Reads an answer of exactly i_nSize bytes at i_pData, never a byte beyond it. Fills
    // o_oStatus and returns None on success; otherwise returns the failure kind and leaves
    // o_oStatus untouched.
    static ENetBiosError
    ParseAnswer(const char *i_pData, int i_nSize, quint16 i_nId, CNetBiosNodeStatus &o_oStatus);

    // Reads one datagram that came from i_nFromNet:i_nFromPortNet (network byte order) while
    // query i_nId to i_nAskedNet was waiting. std::nullopt when it is no answer at all, because
    // another address or another port than the name service's sent it; otherwise ParseAnswer's
    // verdict, o_oStatus filled only on success.
    static std::optional<ENetBiosError> TakeAnswer(quint32 i_nAskedNet,
                                                   quint32 i_nFromNet,
                                                   quint16 i_nFromPortNet,
                                                   const char *i_pData,
                                                   int i_nSize,
                                                   quint16 i_nId,
                                                   CNetBiosNodeStatus &o_oStatus);

    // Stores the failure in io_pError when there is one; does nothing for a null record.
    // i_nAddrNet is in network byte order, as Query() takes it.
    static void
    SetError(CNetBiosError *io_pError, ENetBiosError i_eKind, qint32 i_nCode, quint32 i_nAddrNet);

private:
    quint16 TakeId();

    mutable QMutex m_oLock;
    qint32 m_nCounter = 0;
};
