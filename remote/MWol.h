// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

// Sends Wake-on-LAN magic packets. Created by the application controller and moved onto a thread
// of its own; requests arrive as queued calls of OnWakeOnLan and are handled one at a time, in
// order. Every failure is silent apart from a debug log line: no packet leaves for that machine
// and the next request is handled as usual.
class MWol final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MWol)

public:
    static constexpr quint16 kPort = 40000;
    static constexpr int kMacSize = 6;
    static constexpr int kPacketSize = 6 + 16 * kMacSize;

    explicit MWol(QObject *i_pParent = nullptr);

    // Six 0xFF bytes and the MAC address sixteen times. Only the first six bytes of the array are
    // used; a shorter array gives an empty packet, since padding would wake a made-up address.
    static QByteArray MagicPacket(const QByteArray &i_oMacAddress);

public slots:
    // Broadcasts one packet to 255.255.255.255, UDP port kPort.
    void OnWakeOnLan(const QByteArray &i_oMacAddress);
};
