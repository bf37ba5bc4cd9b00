// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetBiosError.h"

#include "CScanResult.h"

void CNetBiosError::Set(ENetBiosError i_eKind, qint32 i_nCode, quint32 i_nAddress)
{
    m_eKind = i_eKind;
    m_nCode = i_nCode;
    m_nAddress = i_nAddress;
    m_sMessage = Message(i_eKind, i_nCode, i_nAddress);
}

QString CNetBiosError::Message(ENetBiosError i_eKind, qint32 i_nCode, quint32 i_nAddress)
{
    const QString sIp = IpToText(i_nAddress);
    QString sMessage;
    switch (i_eKind) {
    case ENetBiosError::None:
        sMessage = QStringLiteral("No error occures during last operation");
        break;
    case ENetBiosError::Socket:
        sMessage =
            QStringLiteral("Error creating UDP socket. WinSock error code is %1").arg(i_nCode);
        break;
    case ENetBiosError::Send:
        sMessage = QStringLiteral("Error sending UDP packet to IP %1. WinSock error code is %2")
                       .arg(sIp)
                       .arg(i_nCode);
        break;
    case ENetBiosError::Receive:
        sMessage = QStringLiteral("Error receiving UDP packet from IP %1. WinSock error code is %2")
                       .arg(sIp)
                       .arg(i_nCode);
        break;
    case ENetBiosError::Timeout:
        sMessage = QStringLiteral("Timeout reaching waiting UDP packet from IP %1").arg(sIp);
        break;
    case ENetBiosError::TooSmall:
        sMessage =
            QStringLiteral("Received UDP packet from IP %1 is too small to contain valid data")
                .arg(sIp);
        break;
    case ENetBiosError::InvalidId:
        sMessage = QStringLiteral("Received UDP packet from IP has invalid ID");
        break;
    }
    return sMessage.left(kMaxMessageSize);
}
