// SPDX-License-Identifier: GPL-3.0-or-later
#include "MWol.h"

#include "CLocalInterfaces.h"
#include "RemoteLog.h"

#include <QHostAddress>
#include <QUdpSocket>

MWol::MWol(QObject *i_pParent)
    : QObject(i_pParent)
{
}

QByteArray MWol::MagicPacket(const QByteArray &i_oMacAddress)
{
    if (i_oMacAddress.size() < kMacSize)
        return {};
    const QByteArray oMac = i_oMacAddress.left(kMacSize);
    QByteArray oPacket(kMacSize, char(0xFF));
    oPacket.reserve(kPacketSize);
    for (int i = 0; i < 16; ++i)
        oPacket.append(oMac);
    return oPacket;
}

void MWol::OnWakeOnLan(const QByteArray &i_oMacAddress)
{
    const QByteArray oPacket = MagicPacket(i_oMacAddress);
    if (oPacket.isEmpty()) {
        qCDebug(lcRemote) << "Wake-on-LAN skipped: MAC address has" << i_oMacAddress.size()
                          << "bytes";
        return;
    }
    // QUdpSocket makes its IPv4 datagram sockets broadcast-capable when it creates them.
    QUdpSocket oSocket;
    if (!oSocket.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
        qCDebug(lcRemote) << "Wake-on-LAN socket:" << oSocket.errorString();
        return;
    }
    if (oSocket.writeDatagram(oPacket, QHostAddress::Broadcast, kPort) == oPacket.size())
        return;
    // Without a default route the system has no way out for 255.255.255.255 (an isolated LAN
    // without a gateway), and the packet would be lost without a word. A socket bound to an
    // interface's own address sends the limited broadcast out of that interface regardless.
    qCDebug(lcRemote) << "Wake-on-LAN send:" << oSocket.errorString()
                      << "- trying each broadcast interface";
    oSocket.close();
    for (const TLocalInterface &rInterface : CLocalInterfaces::List()) {
        if (!rInterface.Has(TLocalInterface::Up) || !rInterface.Has(TLocalInterface::Running)
            || !rInterface.Has(TLocalInterface::Broadcast)
            || rInterface.Has(TLocalInterface::Loopback))
            continue;
        const QHostAddress oOwn(rInterface.nAddress);
        QUdpSocket oBound;
        if (!oBound.bind(oOwn, 0)
            || oBound.writeDatagram(oPacket, QHostAddress::Broadcast, kPort) != oPacket.size())
            qCDebug(lcRemote) << "Wake-on-LAN send via" << oOwn.toString() << ":"
                              << oBound.errorString();
    }
}
