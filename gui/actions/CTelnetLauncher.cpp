// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTelnetLauncher.h"

#include "ActionsLog.h"
#include "IHostPrograms.h"

#include <QHostAddress>
#include <QTcpSocket>

CTelnetLauncher::CTelnetLauncher(quint16 i_nPort)
    : m_nPort(i_nPort)
{
}

CTelnetLauncher::EResult CTelnetLauncher::Launch(const QString &i_sAddress) const
{
    const std::unique_ptr<IHostPrograms> pPrograms = IHostPrograms::Create();
    if (!pPrograms->HasTelnet())
        return EResult::NoClient;

    QHostAddress oAddress;
    if (!oAddress.setAddress(i_sAddress) || oAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return EResult::Unreachable;
    QTcpSocket oSocket;
    oSocket.connectToHost(oAddress, m_nPort);
    if (!oSocket.waitForConnected(kReachTimeoutMs)) {
        qCDebug(lcActions) << "telnet port of" << i_sAddress
                           << "not reachable:" << oSocket.errorString();
        return EResult::Unreachable;
    }
    oSocket.abort();

    return pPrograms->StartTelnet(oAddress.toString()) ? EResult::Started : EResult::StartFailed;
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
