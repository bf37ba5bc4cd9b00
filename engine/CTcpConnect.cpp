// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTcpConnect.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

bool CTcpConnect::Accepts(const QHostAddress &i_oHost, quint16 i_nPort, int i_nTimeoutMs)
{
    QTcpSocket oSocket;
    oSocket.setProxy(QNetworkProxy::NoProxy);
    oSocket.connectToHost(i_oHost, i_nPort);
    const bool fConnected = oSocket.waitForConnected(i_nTimeoutMs);
    oSocket.abort();
    return fConnected;
}
