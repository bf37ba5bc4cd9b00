// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetBiosQuery.h"

#include "CNetBiosError.h"
#include "CNetBiosNodeStatus.h"
#include "CUdpExchange.h"
#include "EngineLog.h"

#include <QMutexLocker>
#include <QtEndian>

#include <array>
#include <memory>

namespace {

constexpr int kNumNamesOffset = 56;
constexpr quint8 kWorkstationSuffix = 0x00;
constexpr quint8 kBrowserGroupSuffix = 0x1E;

char UpperAscii(char i_c)
{
    return (i_c >= 'a' && i_c <= 'z') ? static_cast<char>(i_c - 'a' + 'A') : i_c;
}

ENetBiosError KindOf(CUdpExchange::EStep i_eStep)
{
    switch (i_eStep) {
    case CUdpExchange::EStep::Done:
        return ENetBiosError::None;
    case CUdpExchange::EStep::Socket:
        return ENetBiosError::Socket;
    case CUdpExchange::EStep::Send:
        return ENetBiosError::Send;
    case CUdpExchange::EStep::Receive:
        return ENetBiosError::Receive;
    case CUdpExchange::EStep::Timeout:
        return ENetBiosError::Timeout;
    }
    return ENetBiosError::Receive;
}

} // namespace

CNetBiosQuery::CNetBiosQuery() = default;

qint32 CNetBiosQuery::counter() const
{
    QMutexLocker oLock(&m_oLock);
    return m_nCounter;
}

quint16 CNetBiosQuery::TakeId()
{
    QMutexLocker oLock(&m_oLock);
    const qint32 nTaken = m_nCounter;
    // Wraps instead of overflowing: signed overflow is undefined, and only the low 16 bits
    // ever reach the wire.
    m_nCounter = static_cast<qint32>(static_cast<quint32>(m_nCounter) + 1u);
    return static_cast<quint16>(static_cast<quint32>(nTaken) & 0xFFFFu);
}

bool CNetBiosQuery::EncodeName(const QByteArray &i_baName, char *o_pBuffer, int i_nLength)
{
    if (i_nLength < 4 || i_nLength % 2 != 0)
        return false;
    const int nWorkSize = (i_nLength - 2) / 2;
    QByteArray baWork(nWorkSize, '\0');
    if (i_baName == QByteArrayLiteral("*")) {
        baWork[0] = '*';
    } else {
        // The last byte stays 0: the workstation suffix.
        const int nNameSize = qMin(i_baName.size(), nWorkSize - 1);
        for (int i = 0; i < nWorkSize - 1; ++i)
            baWork[i] = i < nNameSize ? i_baName.at(i) : ' ';
    }
    o_pBuffer[0] = static_cast<char>(i_nLength - 2);
    for (int i = 0; i < nWorkSize; ++i) {
        const quint8 c = static_cast<quint8>(UpperAscii(baWork.at(i)));
        o_pBuffer[1 + 2 * i] = static_cast<char>(((c >> 4) & 0x0F) + 'A');
        o_pBuffer[2 + 2 * i] = static_cast<char>((c & 0x0F) + 'A');
    }
    o_pBuffer[i_nLength - 1] = '\0';
    return true;
}

QByteArray CNetBiosQuery::BuildRequest(quint16 i_nId)
{
    // Built in a plain array: GCC's overflow check cannot see QByteArray::data()'s size.
    std::array<char, kRequestSize> aRequest{};
    // Least significant byte first; a responder echoes the two bytes unchanged, so all that
    // matters is that ParseAnswer reads them back the same way.
    aRequest[0] = static_cast<char>(i_nId & 0xFF);
    aRequest[1] = static_cast<char>(i_nId >> 8);
    aRequest[3] = 0x10;
    aRequest[5] = 0x01;
    EncodeName(QByteArrayLiteral("*"), aRequest.data() + 12, kQuestionNameSize);
    aRequest[47] = 0x21;
    aRequest[49] = 0x01;
    return QByteArray(aRequest.data(), kRequestSize);
}

ENetBiosError CNetBiosQuery::ParseAnswer(const char *i_pData,
                                         int i_nSize,
                                         quint16 i_nId,
                                         CNetBiosNodeStatus &o_oStatus)
{
    if (!i_pData || i_nSize < kMinAnswerSize)
        return ENetBiosError::TooSmall;
    const auto *pBytes = reinterpret_cast<const quint8 *>(i_pData);
    const quint16 nId = static_cast<quint16>(pBytes[0] | (pBytes[1] << 8));
    if (nId != i_nId)
        return ENetBiosError::InvalidId;

    CNetBiosNodeStatus oStatus;
    const int nDeclared = pBytes[kNumNamesOffset];
    const int nTableEnd = kMinAnswerSize + CNetBiosName::kEntrySize * nDeclared;
    int nEntries = nDeclared;
    if (i_nSize >= nTableEnd) {
        if (i_nSize >= nTableEnd + kStatisticsSize)
            oStatus.set_unit_id(i_pData + nTableEnd);
    } else {
        nEntries = (i_nSize - kMinAnswerSize) / CNetBiosName::kEntrySize;
    }

    for (int i = 0; i < nEntries; ++i) {
        const CNetBiosName oName =
            CNetBiosName::FromEntry(i_pData + kMinAnswerSize + i * CNetBiosName::kEntrySize);
        oStatus.AddName(oName);
        if (oName.suffix() == kWorkstationSuffix && !oName.group()
            && !oStatus.computer_name_found())
            oStatus.set_computer_name(oName.name());
        else if (oName.suffix() == kBrowserGroupSuffix && oName.group())
            oStatus.set_group_name(oName.name());
    }
    o_oStatus = oStatus;
    return ENetBiosError::None;
}

std::optional<ENetBiosError> CNetBiosQuery::TakeAnswer(quint32 i_nAskedNet,
                                                       quint32 i_nFromNet,
                                                       quint16 i_nFromPortNet,
                                                       const char *i_pData,
                                                       int i_nSize,
                                                       quint16 i_nId,
                                                       CNetBiosNodeStatus &o_oStatus)
{
    // The transaction id is no proof of origin: any host on the link can guess it (every scan
    // sends id 0), and a neighbour's node status would be recorded as this host's. The name
    // service answers from its own port 137.
    if (i_nFromNet != i_nAskedNet || i_nFromPortNet != qToBigEndian(kPort))
        return std::nullopt;
    return ParseAnswer(i_pData, i_nSize, i_nId, o_oStatus);
}

void CNetBiosQuery::SetError(CNetBiosError *io_pError,
                             ENetBiosError i_eKind,
                             qint32 i_nCode,
                             quint32 i_nAddrNet)
{
    if (!io_pError)
        return;
    io_pError->Set(i_eKind, i_nCode, qFromBigEndian(i_nAddrNet));
}

bool CNetBiosQuery::Query(quint32 i_nAddrNet,
                          int i_nWaitMs,
                          CNetBiosNodeStatus &o_oStatus,
                          CNetBiosError *o_pError)
{
    o_oStatus = CNetBiosNodeStatus();
    const quint16 nId = TakeId();
    const QByteArray baRequest = BuildRequest(nId);
    // On the heap: 64 KiB is a large bite of a worker thread's stack.
    const std::unique_ptr<char[]> pBuffer(new char[kReceiveBufferSize]);
    std::optional<ENetBiosError> oeVerdict;
    CUdpExchange::TRequest oRequest;
    oRequest.nAddrNet = i_nAddrNet;
    oRequest.nPortNet = qToBigEndian(kPort);
    oRequest.pData = baRequest.constData();
    oRequest.nSize = baRequest.size();
    oRequest.nWaitMs = qMax(0, i_nWaitMs);
    const CUdpExchange::TOutcome oOutcome = CUdpExchange::Exchange(
        oRequest,
        pBuffer.get(),
        kReceiveBufferSize,
        [&](const char *i_pData, int i_nSize, quint32 i_nFromNet, quint16 i_nFromPortNet) {
            oeVerdict = TakeAnswer(
                i_nAddrNet, i_nFromNet, i_nFromPortNet, i_pData, i_nSize, nId, o_oStatus);
            return oeVerdict.has_value();
        });
    ENetBiosError eKind = KindOf(oOutcome.eStep);
    qint32 nCode = oOutcome.nSystemError;
    if (eKind == ENetBiosError::None) {
        nCode = 0;
        eKind = oeVerdict.value_or(ENetBiosError::Receive);
    } else if (eKind == ENetBiosError::Timeout) {
        nCode = 0;
    }
    if (eKind == ENetBiosError::None)
        return true;

    SetError(o_pError, eKind, nCode, i_nAddrNet);
    qCDebug(lcEngine).noquote() << CNetBiosError::Message(eKind, nCode, qFromBigEndian(i_nAddrNet));
    return false;
}
