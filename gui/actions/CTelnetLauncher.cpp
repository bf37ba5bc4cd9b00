// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTelnetLauncher.h"

#include "ActionsLog.h"
#include "IHostPrograms.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

CTelnetLauncher::CTelnetLauncher(quint16 i_nPort)
    : m_nPort(i_nPort)
{
}

void CTelnetLauncher::Launch(const QString &i_sAddress, QObject *i_pContext, TDone i_fnDone) const
{
    std::shared_ptr<IHostPrograms> pPrograms = IHostPrograms::Create();
    if (!pPrograms->HasTelnet()) {
        i_fnDone(EResult::NoClient);
        return;
    }

    QHostAddress oAddress;
    if (!oAddress.setAddress(i_sAddress) || oAddress.protocol() != QAbstractSocket::IPv4Protocol) {
        i_fnDone(EResult::Unreachable);
        return;
    }

    // The socket is the context of every connection below, so deleting it (or its owner) ends
    // the check without a late call.
    auto *pSocket = new QTcpSocket(i_pContext);
    auto *pTimer = new QTimer(pSocket);
    pTimer->setSingleShot(true);
    const QString sAddress = oAddress.toString();
    const auto Finish = [pSocket, pTimer, pPrograms, sAddress, i_fnDone](bool i_fReached) {
        pTimer->stop();
        pSocket->disconnect();
        pSocket->abort();
        pSocket->deleteLater();
        if (!i_fReached) {
            i_fnDone(EResult::Unreachable);
            return;
        }
        i_fnDone(pPrograms->StartTelnet(sAddress) ? EResult::Started : EResult::StartFailed);
    };
    QObject::connect(pSocket, &QTcpSocket::connected, pSocket, [Finish]() { Finish(true); });
    QObject::connect(
        pSocket, &QAbstractSocket::errorOccurred, pSocket, [pSocket, sAddress, Finish]() {
            qCDebug(lcActions) << "telnet port of" << sAddress
                               << "not reachable:" << pSocket->errorString();
            Finish(false);
        });
    QObject::connect(pTimer, &QTimer::timeout, pSocket, [sAddress, Finish]() {
        qCDebug(lcActions) << "telnet port of" << sAddress << "did not answer in time";
        Finish(false);
    });
    pTimer->start(kReachTimeoutMs);
    pSocket->connectToHost(oAddress, m_nPort);
}

QString CTelnetLauncher::Title()
{
    return tr("Telnet run");
}

QString CTelnetLauncher::Text(EResult i_eResult)
{
    switch (i_eResult) {
    case EResult::Started:
        return {};
    case EResult::NoClient:
    case EResult::StartFailed:
        return tr("Failed to find telnet.exe. Check if Telnet is installed");
    case EResult::Unreachable:
        return tr("Could not establish connection to the remote host");
    }
    return {};
}
