// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMdnsMessage.h"

namespace {

constexpr int kHeaderSize = 12;
constexpr int kMaxLabel = 63;
constexpr int kMaxName = 255;
constexpr int kMaxPointerHops = 16;
constexpr quint16 kTypeA = 1;
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
    QByteArray baName;
    const QByteArray baDotless = WithoutFinalDot(i_baName);
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
    Append16(baQuery, kTypeA);
    Append16(baQuery, kClassIn);
    return baQuery;
}

QList<quint32>
CMdnsMessage::Addresses(const QByteArray &i_baPacket, quint16 i_nId, const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    if (i_baPacket.size() < kHeaderSize || Read16(i_baPacket, 0) != i_nId
        || !(Read16(i_baPacket, 2) & kResponse))
        return lnAddresses;
    const int nQuestions = Read16(i_baPacket, 4);
    const int nRecords = Read16(i_baPacket, 6) + Read16(i_baPacket, 8) + Read16(i_baPacket, 10);
    int nOffset = kHeaderSize;
    QByteArray baName;
    for (int i = 0; i < nQuestions; ++i) {
        if (!ReadName(i_baPacket, nOffset, baName) || nOffset + 4 > i_baPacket.size())
            return lnAddresses;
        nOffset += 4;
    }
    const QByteArray baWanted = WithoutFinalDot(i_baName).toLower();
    for (int i = 0; i < nRecords; ++i) {
        if (!ReadName(i_baPacket, nOffset, baName) || nOffset + 10 > i_baPacket.size())
            return lnAddresses;
        const quint16 nType = Read16(i_baPacket, nOffset);
        const quint16 nClass = Read16(i_baPacket, nOffset + 2) & ~kCacheFlush;
        const int nDataLength = Read16(i_baPacket, nOffset + 8);
        nOffset += 10;
        if (nOffset + nDataLength > i_baPacket.size())
            return lnAddresses;
        if (nType == kTypeA && nClass == kClassIn && nDataLength == 4
            && baName.toLower() == baWanted) {
            quint32 nIp = 0;
            for (int b = 0; b < 4; ++b)
                nIp = (nIp << 8) | static_cast<quint8>(i_baPacket.at(nOffset + b));
            if (nIp != 0 && !lnAddresses.contains(nIp))
                lnAddresses << nIp;
        }
        nOffset += nDataLength;
    }
    return lnAddresses;
}
