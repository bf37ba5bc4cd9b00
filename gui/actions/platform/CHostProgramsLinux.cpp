// SPDX-License-Identifier: GPL-3.0-or-later
#include "ActionsLog.h"
#include "IHostPrograms.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <utility>

namespace {

// Terminal programs tried in order, with the switch after which each takes a command to run.
const std::pair<const char *, const char *> kTerminals[] = {
    {"x-terminal-emulator", "-e"},
    {"xterm", "-e"},
    {"konsole", "-e"},
    {"gnome-terminal", "--"},
    {"xfce4-terminal", "-x"},
    {"lxterminal", "-e"},
};

class CHostProgramsLinux final : public IHostPrograms
{
public:
    bool HasTelnet() const override;
    bool StartTelnet(const QString &i_sAddress) const override;
    QString FindOrtavoViewer() const override { return {}; }
    QString HostPath(const QString &i_sHost) const override
    {
        return QStringLiteral("smb://%1/").arg(i_sHost);
    }
    QString SharePath(const QString &i_sHost, const QString &i_sShare) const override
    {
        return QStringLiteral("smb://%1/%2").arg(i_sHost, i_sShare);
    }
    bool ShowProperties(const QString &) const override { return false; }

private:
    static QString Telnet() { return QStandardPaths::findExecutable(QStringLiteral("telnet")); }
    static std::pair<QString, QString> Terminal();
};

std::pair<QString, QString> CHostProgramsLinux::Terminal()
{
    for (const auto &rTerminal : kTerminals) {
        const QString sPath = QStandardPaths::findExecutable(QLatin1String(rTerminal.first));
        if (!sPath.isEmpty())
            return {sPath, QLatin1String(rTerminal.second)};
    }
    return {};
}

bool CHostProgramsLinux::HasTelnet() const
{
    return !Telnet().isEmpty() && !Terminal().first.isEmpty();
}

bool CHostProgramsLinux::StartTelnet(const QString &i_sAddress) const
{
    const QString sTelnet = Telnet();
    const auto [sTerminal, sSwitch] = Terminal();
    if (sTelnet.isEmpty() || sTerminal.isEmpty())
        return false;
    // Every part is its own argument; no shell ever sees the address.
    const bool fStarted = QProcess::startDetached(sTerminal, {sSwitch, sTelnet, i_sAddress});
    if (!fStarted)
        qCWarning(lcActions) << "could not start" << sTerminal;
    return fStarted;
}

} // namespace

std::unique_ptr<IHostPrograms> IHostPrograms::Create()
{
    return std::make_unique<CHostProgramsLinux>();
}
