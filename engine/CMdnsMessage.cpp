// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMdnsMessage.h"

namespace {

constexpr int kHeaderSize = 12;
constexpr int kMaxLabel = 63;
constexpr int kMaxName = 255;
constexpr int kMaxPointerHops = 16;
constexpr quint16 kTypeA = 1;
constexpr quint16 kTypePtr = 12;
constexpr quint16 kClassIn = 1;
constexpr quint16 kCacheFlush = 0x8000;
constexpr quint16 kResponse = 0x8000;
constexpr quint16 kMdnsPort = 5353;

quint16 Read16(const QByteArray &i_baPacket, int i_nOffset)
{
    return static_cast<quint16>((static_cast<quint8>(i_baPacket.at(i_nOffset)) << 8)
                                | static_cast<quint8>(i_baPacket.at(i_nOffset + 1)));
}

void Append16(QByteArray &io_baPacket, quint16 i_nValue)
{
    io_baPacket.append(static_cast<char>(i_nValue >> 8));
    io_baPacket.append(static_cast<char>(i_nValue & 0xFF));
}

// Reads the possibly compressed name at io_nOffset into dotted text and moves io_nOffset past
// it. Pointers that loop, names that run off the packet or grow past 255 bytes give false.
bool ReadName(const QByteArray &i_baPacket, int &io_nOffset, QByteArray &o_baName)
{
    o_baName.clear();
    int nOffset = io_nOffset;
    int nHops = 0;
    bool fJumped = false;
    for (;;) {
        if (nOffset < 0 || nOffset >= i_baPacket.size())
            return false;
        const auto nLength = static_cast<quint8>(i_baPacket.at(nOffset));
        if (nLength == 0) {
            if (!fJumped)
                io_nOffset = nOffset + 1;
            return true;
        }
        if ((nLength & 0xC0) == 0xC0) {
            if (nOffset + 1 >= i_baPacket.size() || ++nHops > kMaxPointerHops)
                return false;
            if (!fJumped)
                io_nOffset = nOffset + 2;
            fJumped = true;
            nOffset = ((nLength & 0x3F) << 8) | static_cast<quint8>(i_baPacket.at(nOffset + 1));
            continue;
        }
        if ((nLength & 0xC0) != 0 || nOffset + 1 + nLength > i_baPacket.size())
            return false;
        if (!o_baName.isEmpty())
            o_baName.append('.');
        o_baName.append(i_baPacket.constData() + nOffset + 1, nLength);
        if (o_baName.size() > kMaxName)
            return false;
        nOffset += 1 + nLength;
    }
}

QByteArray QueryFor(quint16 i_nId, const QByteArray &i_baName, quint16 i_nType)
{
    QByteArray baName;
    const QByteArray baDotless = CMdnsMessage::WithoutFinalDot(i_baName);
    if (baDotless.isEmpty())
        return QByteArray();
    const QList<QByteArray> lbaLabels = baDotless.split('.');
    for (const QByteArray &baLabel : lbaLabels) {
        if (baLabel.isEmpty() || baLabel.size() > kMaxLabel)
            return QByteArray();
        baName.append(static_cast<char>(baLabel.size()));
        baName.append(baLabel);
    }
    baName.append('\0');
    if (baName.size() > kMaxName)
        return QByteArray();

    QByteArray baQuery;
    Append16(baQuery, i_nId);
    Append16(baQuery, 0); // flags: a standard query
    Append16(baQuery, 1); // one question
    Append16(baQuery, 0);
    Append16(baQuery, 0);
    Append16(baQuery, 0);
    baQuery.append(baName);
    Append16(baQuery, i_nType);
    Append16(baQuery, kClassIn);
    return baQuery;
}

struct TRecord
{
    QByteArray baName;
    quint16 nType = 0;
    quint16 nClass = 0;
    int nDataOffset = 0;
    int nDataLength = 0;
};

// Calls i_fnRecord for each resource record of a response to query i_nId, in order, until it
// returns false or the packet ends or turns out malformed.
template <typename TFn>
void ForEachRecord(const QByteArray &i_baPacket, quint16 i_nId, TFn i_fnRecord)
{
    if (i_baPacket.size() < kHeaderSize || Read16(i_baPacket, 0) != i_nId
        || !(Read16(i_baPacket, 2) & kResponse))
        return;
    const int nQuestions = Read16(i_baPacket, 4);
    const int nRecords = Read16(i_baPacket, 6) + Read16(i_baPacket, 8) + Read16(i_baPacket, 10);
    int nOffset = kHeaderSize;
    QByteArray baName;
    for (int i = 0; i < nQuestions; ++i) {
        if (!ReadName(i_baPacket, nOffset, baName) || nOffset + 4 > i_baPacket.size())
            return;
        nOffset += 4;
    }
    TRecord oRecord;
    for (int i = 0; i < nRecords; ++i) {
        if (!ReadName(i_baPacket, nOffset, oRecord.baName) || nOffset + 10 > i_baPacket.size())
            return;
        oRecord.nType = Read16(i_baPacket, nOffset);
        oRecord.nClass = Read16(i_baPacket, nOffset + 2) & ~kCacheFlush;
        oRecord.nDataLength = Read16(i_baPacket, nOffset + 8);
        oRecord.nDataOffset = nOffset + 10;
        nOffset = oRecord.nDataOffset + oRecord.nDataLength;
        if (nOffset > i_baPacket.size() || !i_fnRecord(oRecord))
            return;
    }
}

} // namespace

bool CMdnsMessage::IsFromLink(quint32 i_nFrom,
                              quint16 i_nFromPort,
                              const QList<QPair<quint32, quint32>> &i_lNetworks)
{
    if (i_nFromPort != kMdnsPort)
        return false;
    for (const QPair<quint32, quint32> &oNetwork : i_lNetworks) {
        if ((i_nFrom & oNetwork.second) == (oNetwork.first & oNetwork.second))
            return true;
    }
    return false;
}

QByteArray CMdnsMessage::WithoutFinalDot(const QByteArray &i_baName)
{
    return i_baName.endsWith('.') ? i_baName.left(i_baName.size() - 1) : i_baName;
}

QByteArray CMdnsMessage::Query(quint16 i_nId, const QByteArray &i_baName)
{
    return QueryFor(i_nId, i_baName, kTypeA);
}

QList<quint32>
CMdnsMessage::Addresses(const QByteArray &i_baPacket, quint16 i_nId, const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    const QByteArray baWanted = WithoutFinalDot(i_baName).toLower();
    ForEachRecord(i_baPacket, i_nId, [&](const TRecord &i_oRecord) {
        if (i_oRecord.nType == kTypeA && i_oRecord.nClass == kClassIn && i_oRecord.nDataLength == 4
            && i_oRecord.baName.toLower() == baWanted) {
            quint32 nIp = 0;
            for (int b = 0; b < 4; ++b)
                nIp = (nIp << 8) | static_cast<quint8>(i_baPacket.at(i_oRecord.nDataOffset + b));
            if (nIp != 0 && !lnAddresses.contains(nIp))
                lnAddresses << nIp;
        }
        return true;
    });
    return lnAddresses;
}

QByteArray CMdnsMessage::ReverseName(quint32 i_nIp)
{
    return QByteArray::number(i_nIp & 0xFF) + '.' + QByteArray::number((i_nIp >> 8) & 0xFF) + '.'
           + QByteArray::number((i_nIp >> 16) & 0xFF) + '.' + QByteArray::number(i_nIp >> 24)
           + ".in-addr.arpa";
}

QByteArray CMdnsMessage::ReverseQuery(quint16 i_nId, quint32 i_nIp)
{
    return QueryFor(i_nId, ReverseName(i_nIp), kTypePtr);
}

QByteArray CMdnsMessage::PointedName(const QByteArray &i_baPacket, quint16 i_nId, quint32 i_nIp)
{
    QByteArray baFound;
    const QByteArray baWanted = ReverseName(i_nIp);
    ForEachRecord(i_baPacket, i_nId, [&](const TRecord &i_oRecord) {
        if (i_oRecord.nType != kTypePtr || i_oRecord.nClass != kClassIn
            || i_oRecord.baName.toLower() != baWanted)
            return true;
        // The name must lie within the record's data, though its pointers may lead anywhere
        // earlier in the packet.
        int nOffset = i_oRecord.nDataOffset;
        QByteArray baName;
        if (ReadName(i_baPacket, nOffset, baName)
            && nOffset <= i_oRecord.nDataOffset + i_oRecord.nDataLength && !baName.isEmpty())
            baFound = baName;
        return baFound.isEmpty();
    });
    return baFound;
}
