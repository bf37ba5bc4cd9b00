// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIpv4Resolver.h"

#include <cstring>

#include <winsock2.h>
#include <ws2tcpip.h>

QList<quint32> CIpv4Resolver::Resolve(const QByteArray &i_baName)
{
    QList<quint32> lnAddresses;
    if (i_baName.isEmpty() || i_baName.contains('\0'))
        return lnAddresses;
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
        const quint32 nIp = ntohl(oAddress.sin_addr.s_addr);
        if (!lnAddresses.contains(nIp))
            lnAddresses << nIp;
    }
    freeaddrinfo(pList);
    return lnAddresses;
}
