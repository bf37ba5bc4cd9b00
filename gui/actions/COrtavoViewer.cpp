// SPDX-License-Identifier: GPL-3.0-or-later
#include "COrtavoViewer.h"

#include "ActionsLog.h"
#include "IHostPrograms.h"

#include <QFileInfo>
#include <QProcess>

const char COrtavoViewer::kDownloadUrl[] = "https://www.brenmark.example/ortavo/viewer";

QString COrtavoViewer::Find()
{
    return IHostPrograms::Create()->FindOrtavoViewer();
}

QString COrtavoViewer::Switch(EOrtavoCommand i_eCommand)
{
    switch (i_eCommand) {
    case EOrtavoCommand::FullControl:
        return {};
    case EOrtavoCommand::ViewOnly:
        return QStringLiteral("/noinput");
    case EOrtavoCommand::FileTransfer:
        return QStringLiteral("/file");
    case EOrtavoCommand::Telnet:
        return QStringLiteral("/telnet");
    case EOrtavoCommand::Shutdown:
        return QStringLiteral("/shutdown");
    case EOrtavoCommand::VoiceChat:
        return QStringLiteral("/voice");
    case EOrtavoCommand::TextChat:
        return QStringLiteral("/chat");
    case EOrtavoCommand::SendMessage:
        return QStringLiteral("/message");
    }
    return {};
}

QStringList
COrtavoViewer::Arguments(EOrtavoCommand i_eCommand, const QString &i_sAddress, int i_nPort)
{
    QStringList lsArgs{QStringLiteral("/connect:%1:%2").arg(i_sAddress).arg(i_nPort)};
    const QString sSwitch = Switch(i_eCommand);
    if (!sSwitch.isEmpty())
        lsArgs << sSwitch;
    return lsArgs;
}

QString COrtavoViewer::CommandLine(const QString &i_sViewer,
                                   EOrtavoCommand i_eCommand,
                                   const QString &i_sAddress,
                                   int i_nPort)
{
    const QString sSwitch = Switch(i_eCommand);
    return QStringLiteral("\"%1\" /connect:%2:%3%4")
        .arg(i_sViewer,
             i_sAddress,
             QString::number(i_nPort),
             sSwitch.isEmpty() ? QString() : QLatin1Char(' ') + sSwitch);
}

COrtavoViewer::EResult
COrtavoViewer::Launch(EOrtavoCommand i_eCommand, int i_nPort, const QString &i_sAddress)
{
    return LaunchPath(Find(), i_eCommand, i_nPort, i_sAddress);
}

COrtavoViewer::EResult COrtavoViewer::LaunchPath(const QString &i_sViewer,
                                                 EOrtavoCommand i_eCommand,
                                                 int i_nPort,
                                                 const QString &i_sAddress)
{
    if (i_sViewer.isEmpty() || !QFileInfo(i_sViewer).isFile())
        return EResult::NotInstalled;
    qCDebug(lcActions) << "starting" << CommandLine(i_sViewer, i_eCommand, i_sAddress, i_nPort);
    if (!QProcess::startDetached(i_sViewer, Arguments(i_eCommand, i_sAddress, i_nPort)))
        return EResult::StartFailed;
    return EResult::Started;
}

QString COrtavoViewer::NotInstalledTitle()
{
    return tr("Program run error");
}

QString COrtavoViewer::NotInstalledText()
{
    const QString sUrl = QLatin1String(kDownloadUrl);
    return tr("Ortavo Viewer is not installed on this computer. <br>You can download it for free "
              "at ")
           + QStringLiteral("<a href=\"%1\">%1</a>").arg(sUrl);
}
