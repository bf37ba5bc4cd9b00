// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalSubnets.h"

#include <QNetworkInterface>

std::vector<CLocalSubnets::TAddressMask> CLocalSubnets::List()
{
    std::vector<TAddressMask> vList;
    const QList<QNetworkInterface> lInterfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &oInterface : lInterfaces) {
        // The adapter list of other systems never holds loopback; 127/8 would be a scan of
        // sixteen million addresses.
        const QNetworkInterface::InterfaceFlags eFlags = oInterface.flags();
        if (eFlags.testFlag(QNetworkInterface::IsLoopBack)
            || !eFlags.testFlag(QNetworkInterface::IsUp))
            continue;
        const QList<QNetworkAddressEntry> lEntries = oInterface.addressEntries();
        for (const QNetworkAddressEntry &oEntry : lEntries) {
            if (oEntry.ip().protocol() != QAbstractSocket::IPv4Protocol
                || oEntry.netmask().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            vList.push_back(
                TAddressMask{oEntry.ip().toIPv4Address(), oEntry.netmask().toIPv4Address()});
        }
    }
    return vList;
}
