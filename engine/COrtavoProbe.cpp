// SPDX-License-Identifier: GPL-3.0-or-later
#include "COrtavoProbe.h"

#include "CCfg.h"
#include "CScanResult.h"
#include "CTcpConnect.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <memory>
#include <vector>

QList<qint32> COrtavoProbe::OpenPorts(quint32 i_nIp,
                                      const QList<int> &i_lnPorts,
                                      const TProbeTimeouts &i_oTimeouts)
{
    // Every connect is sent before the first wait: a host that drops them costs one time-out,
    // not one per port. A long list is asked a few ports at a time, which bounds the sockets
    // a worker holds. The settings store is user-editable; a port outside 1..65535 is simply
    // closed.
    const QHostAddress oHost(i_nIp);
    QList<qint32> lnOpen;
    for (int nFirst = 0; nFirst < i_lnPorts.size(); nFirst += kMostPorts) {
        std::vector<std::pair<int, std::unique_ptr<QTcpSocket>>> vSockets;
        for (int i = nFirst; i < i_lnPorts.size() && i < nFirst + kMostPorts; ++i) {
            const int nPort = i_lnPorts.at(i);
            if (nPort < 1 || nPort > 65535)
                continue;
            auto pSocket = std::make_unique<QTcpSocket>();
            pSocket->setProxy(QNetworkProxy::NoProxy);
            pSocket->connectToHost(oHost, static_cast<quint16>(nPort));
            vSockets.emplace_back(nPort, std::move(pSocket));
        }
        const QDeadlineTimer oDeadline(i_oTimeouts.ConnectMs(CTcpConnect::TimeoutMs));
        for (auto &[nPort, pSocket] : vSockets) {
            if (pSocket->waitForConnected(
                    static_cast<int>(qMax<qint64>(0, oDeadline.remainingTime()))))
                lnOpen.append(nPort);
            pSocket->abort();
        }
    }
    return lnOpen;
}

void COrtavoProbe::ProbeHost(CScanResult &io_oResult,
                             const CCfg &i_oCfg,
                             const TProbeTimeouts &i_oTimeouts)
{
    const QList<int> lnPorts = i_oCfg.ortavo_ports();
    if (lnPorts.isEmpty())
        return;
    io_oResult.set_ortavo_ports(OpenPorts(io_oResult.ip(), lnPorts, i_oTimeouts));
}
