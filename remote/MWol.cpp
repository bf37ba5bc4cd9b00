// SPDX-License-Identifier: GPL-3.0-or-later
#include "MWol.h"

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
    const qint64 nSent = oSocket.writeDatagram(oPacket, QHostAddress::Broadcast, kPort);
    if (nSent != oPacket.size())
        qCDebug(lcRemote) << "Wake-on-LAN send:" << oSocket.errorString();
    oSocket.close();
}
