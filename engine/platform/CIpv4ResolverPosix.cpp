// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIpv4Resolver.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint16 kMdnsPort = 5353;
constexpr char kMdnsGroup[] = "224.0.0.251";
constexpr int kMdnsTries = 2;
constexpr int kMdnsTryMs = 500;
constexpr int kMaxPointerHops = 16;
constexpr int kMaxNameLength = 255;

void AddUnique(QList<quint32> &io_lnAddresses, quint32 i_nIp)
{
    if (!io_lnAddresses.contains(i_nIp))
        io_lnAddresses << i_nIp;
}

QList<quint32> SystemResolve(const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    addrinfo oHints;
    std::memset(&oHints, 0, sizeof(oHints));
    oHints.ai_family = AF_INET;
    addrinfo *pList = nullptr;
    if (getaddrinfo(i_baName.constData(), nullptr, &oHints, &pList) != 0 || !pList)
        return lnAddresses;
    for (const addrinfo *p = pList; p; p = p->ai_next) {
        if (p->ai_family != AF_INET || !p->ai_addr || p->ai_addrlen < sizeof(sockaddr_in))
            continue;
        sockaddr_in oAddress;
        std::memcpy(&oAddress, p->ai_addr, sizeof(oAddress));
        AddUnique(lnAddresses, ntohl(oAddress.sin_addr.s_addr));
    }
    freeaddrinfo(pList);
    return lnAddresses;
}

QByteArray WithoutFinalDot(const QByteArray &i_baName)
{
    return i_baName.endsWith('.') ? i_baName.left(i_baName.size() - 1) : i_baName;
}

bool IsLinkLocalName(const QByteArray &i_baName)
{
    return WithoutFinalDot(i_baName).toLower().endsWith(".local");
}

// Encodes a dotted name as DNS labels; empty when a label is empty or too long.
QByteArray EncodeName(const QByteArray &i_baName)
{
    QByteArray baEncoded;
    const QList<QByteArray> lbaLabels = WithoutFinalDot(i_baName).split('.');
    for (const QByteArray &baLabel : lbaLabels) {
        if (baLabel.isEmpty() || baLabel.size() > 63)
            return QByteArray();
        baEncoded.append(static_cast<char>(baLabel.size()));
        baEncoded.append(baLabel);
    }
    baEncoded.append('\0');
    return baEncoded.size() > kMaxNameLength ? QByteArray() : baEncoded;
}

// Reads the possibly compressed name at io_nOffset into dotted text and moves io_nOffset past
// it. A packet from the network may loop or run off its end; both give false.
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
            const int nTarget =
                ((nLength & 0x3F) << 8) | static_cast<quint8>(i_baPacket.at(nOffset + 1));
            if (!fJumped)
                io_nOffset = nOffset + 2;
            fJumped = true;
            nOffset = nTarget;
            continue;
        }
        if ((nLength & 0xC0) != 0 || nOffset + 1 + nLength > i_baPacket.size())
            return false;
        if (!o_baName.isEmpty())
            o_baName.append('.');
        o_baName.append(i_baPacket.mid(nOffset + 1, nLength));
        if (o_baName.size() > kMaxNameLength)
            return false;
        nOffset += 1 + nLength;
    }
}

quint16 Read16(const QByteArray &i_baPacket, int i_nOffset)
{
    return static_cast<quint16>((static_cast<quint8>(i_baPacket.at(i_nOffset)) << 8)
                                | static_cast<quint8>(i_baPacket.at(i_nOffset + 1)));
}

// Collects the A records for i_baName from one mDNS answer to our query i_nId.
void ParseAnswer(const QByteArray &i_baPacket,
                 quint16 i_nId,
                 const QByteArray &i_baName,
                 QList<quint32> &io_lnAddresses)
{
    if (i_baPacket.size() < 12 || Read16(i_baPacket, 0) != i_nId
        || !(Read16(i_baPacket, 2) & 0x8000))
        return;
    const int nQuestions = Read16(i_baPacket, 4);
    const int nRecords = Read16(i_baPacket, 6) + Read16(i_baPacket, 8) + Read16(i_baPacket, 10);
    int nOffset = 12;
    QByteArray baName;
    for (int i = 0; i < nQuestions; ++i) {
        if (!ReadName(i_baPacket, nOffset, baName) || nOffset + 4 > i_baPacket.size())
            return;
        nOffset += 4;
    }
    const QByteArray baWanted = WithoutFinalDot(i_baName).toLower();
    for (int i = 0; i < nRecords; ++i) {
        if (!ReadName(i_baPacket, nOffset, baName) || nOffset + 10 > i_baPacket.size())
            return;
        const quint16 nType = Read16(i_baPacket, nOffset);
        const quint16 nClass = Read16(i_baPacket, nOffset + 2) & 0x7FFF;
        const int nDataLength = Read16(i_baPacket, nOffset + 8);
        nOffset += 10;
        if (nOffset + nDataLength > i_baPacket.size())
            return;
        if (nType == 1 && nClass == 1 && nDataLength == 4 && baName.toLower() == baWanted) {
            quint32 nIp = 0;
            for (int b = 0; b < 4; ++b)
                nIp = (nIp << 8) | static_cast<quint8>(i_baPacket.at(nOffset + b));
            if (nIp != 0)
                AddUnique(io_lnAddresses, nIp);
        }
        nOffset += nDataLength;
    }
}

std::vector<in_addr> MulticastInterfaces()
{
    std::vector<in_addr> vAddresses;
    ifaddrs *pList = nullptr;
    if (getifaddrs(&pList) != 0)
        return vAddresses;
    for (const ifaddrs *p = pList; p; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(p->ifa_flags & IFF_UP) || !(p->ifa_flags & IFF_MULTICAST)
            || (p->ifa_flags & IFF_LOOPBACK))
            continue;
        vAddresses.push_back(reinterpret_cast<const sockaddr_in *>(p->ifa_addr)->sin_addr);
    }
    freeifaddrs(pList);
    return vAddresses;
}

// A one-shot multicast DNS question (RFC 6762, 5.1) for a ".local" name, asked on every
// multicast interface from an ordinary port, so responders answer us directly. This is what
// the system resolver does when an mDNS module (nss-mdns) is installed and its daemon is
// reachable; without one, announced names would never turn into addresses.
QList<quint32> MulticastResolve(const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    const QByteArray baEncodedName = EncodeName(i_baName);
    const std::vector<in_addr> vInterfaces = MulticastInterfaces();
    if (baEncodedName.isEmpty() || vInterfaces.empty())
        return lnAddresses;
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return lnAddresses;
    const unsigned char nTtl = 255;
    setsockopt(nSocket, IPPROTO_IP, IP_MULTICAST_TTL, &nTtl, sizeof(nTtl));

    const auto nId = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    QByteArray baQuery(12, '\0');
    baQuery[0] = static_cast<char>(nId >> 8);
    baQuery[1] = static_cast<char>(nId & 0xFF);
    baQuery[5] = 1;
    baQuery.append(baEncodedName);
    baQuery.append("\x00\x01\x00\x01", 4);

    sockaddr_in oGroup;
    std::memset(&oGroup, 0, sizeof(oGroup));
    oGroup.sin_family = AF_INET;
    oGroup.sin_port = htons(kMdnsPort);
    inet_pton(AF_INET, kMdnsGroup, &oGroup.sin_addr);

    QByteArray baAnswer(9000, '\0');
    for (int nTry = 0; nTry < kMdnsTries && lnAddresses.isEmpty(); ++nTry) {
        for (const in_addr &oInterface : vInterfaces) {
            setsockopt(nSocket, IPPROTO_IP, IP_MULTICAST_IF, &oInterface, sizeof(oInterface));
            sendto(nSocket,
                   baQuery.constData(),
                   static_cast<size_t>(baQuery.size()),
                   0,
                   reinterpret_cast<const sockaddr *>(&oGroup),
                   sizeof(oGroup));
        }
        QElapsedTimer oTimer;
        oTimer.start();
        while (lnAddresses.isEmpty() && oTimer.elapsed() < kMdnsTryMs) {
            pollfd oPoll{nSocket, POLLIN, 0};
            const int nReady = poll(&oPoll, 1, static_cast<int>(kMdnsTryMs - oTimer.elapsed()));
            if (nReady < 0 && errno == EINTR)
                continue;
            if (nReady <= 0)
                break;
            const ssize_t nRead =
                recv(nSocket, baAnswer.data(), static_cast<size_t>(baAnswer.size()), 0);
            if (nRead > 0)
                ParseAnswer(baAnswer.left(static_cast<int>(nRead)), nId, i_baName, lnAddresses);
        }
    }
    close(nSocket);
    return lnAddresses;
}

} // namespace

QList<quint32> CIpv4Resolver::Resolve(const QByteArray &i_baName)
{
    // A name with an embedded zero byte would be looked up cut short, as another name.
    if (i_baName.isEmpty() || i_baName.contains('\0'))
        return QList<quint32>();
    QList<quint32> lnAddresses = SystemResolve(i_baName);
    if (lnAddresses.isEmpty() && IsLinkLocalName(i_baName))
        lnAddresses = MulticastResolve(i_baName);
    return lnAddresses;
}
