// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIpv4Resolver.h"
#include "CLocalInterfaces.h"
#include "CMdnsMessage.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
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

bool IsLinkLocalName(const QByteArray &i_baName)
{
    return CMdnsMessage::WithoutFinalDot(i_baName).toLower().endsWith(".local");
}

struct TInterface
{
    in_addr oAddress;
    // Host byte order; a single address when the system gives no mask.
    quint32 nMask;
};

std::vector<TInterface> MulticastInterfaces()
{
    std::vector<TInterface> vInterfaces;
    for (const TLocalInterface &rInterface : CLocalInterfaces::List()) {
        if (!rInterface.Has(TLocalInterface::Up) || !rInterface.Has(TLocalInterface::Multicast)
            || rInterface.Has(TLocalInterface::Loopback))
            continue;
        in_addr oAddress{};
        oAddress.s_addr = htonl(rInterface.nAddress);
        vInterfaces.push_back(TInterface{oAddress, rInterface.nMask});
    }
    return vInterfaces;
}

// A one-shot multicast DNS question (RFC 6762, 5.1) for a ".local" name, asked on every
// multicast interface from an ordinary port, so responders answer us directly. This is what
// the system resolver does when an mDNS module (nss-mdns) is installed and its daemon is
// reachable; without one, announced names would never turn into addresses.
QList<quint32> MulticastResolve(const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    const auto nId = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    const QByteArray baQuery = CMdnsMessage::Query(nId, i_baName);
    const std::vector<TInterface> vInterfaces = MulticastInterfaces();
    if (baQuery.isEmpty() || vInterfaces.empty())
        return lnAddresses;
    QList<QPair<quint32, quint32>> lNetworks;
    for (const TInterface &oInterface : vInterfaces)
        lNetworks.append(qMakePair(ntohl(oInterface.oAddress.s_addr), oInterface.nMask));
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return lnAddresses;
    const unsigned char nTtl = 255;
    setsockopt(nSocket, IPPROTO_IP, IP_MULTICAST_TTL, &nTtl, sizeof(nTtl));

    sockaddr_in oGroup;
    std::memset(&oGroup, 0, sizeof(oGroup));
    oGroup.sin_family = AF_INET;
    oGroup.sin_port = htons(kMdnsPort);
    inet_pton(AF_INET, kMdnsGroup, &oGroup.sin_addr);

    QByteArray baAnswer(9000, '\0');
    for (int nTry = 0; nTry < kMdnsTries && lnAddresses.isEmpty(); ++nTry) {
        for (const TInterface &oInterface : vInterfaces) {
            setsockopt(nSocket,
                       IPPROTO_IP,
                       IP_MULTICAST_IF,
                       &oInterface.oAddress,
                       sizeof(oInterface.oAddress));
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
            // Never negative: poll would wait for ever.
            const int nReady =
                poll(&oPoll, 1, static_cast<int>(qMax<qint64>(0, kMdnsTryMs - oTimer.elapsed())));
            if (nReady < 0 && errno == EINTR)
                continue;
            if (nReady <= 0)
                break;
            sockaddr_in oFrom{};
            socklen_t nFromSize = sizeof(oFrom);
            const ssize_t nRead = recvfrom(nSocket,
                                           baAnswer.data(),
                                           static_cast<size_t>(baAnswer.size()),
                                           0,
                                           reinterpret_cast<sockaddr *>(&oFrom),
                                           &nFromSize);
            // An answer from off the link (RFC 6762, 11) is someone else's forgery: dropped,
            // and the wait goes on to its end.
            if (nRead > 0 && oFrom.sin_family == AF_INET
                && CMdnsMessage::IsFromLink(
                    ntohl(oFrom.sin_addr.s_addr), ntohs(oFrom.sin_port), lNetworks))
                lnAddresses =
                    CMdnsMessage::Addresses(baAnswer.left(static_cast<int>(nRead)), nId, i_baName);
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
