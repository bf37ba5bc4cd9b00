// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetResourcesLinux.h"

#include "CInstallDirs.h"
#include "CNetText.h"
#include "CSmbPing.h"
#include "EngineLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>

namespace {

constexpr int MaxShares = 4096;
constexpr qint64 MaxChildOutputBytes = 256 * 1024;

// The children must not pick up credentials or a Kerberos cache from the scanner's environment.
QProcessEnvironment ChildEnvironment()
{
    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    for (const char *pName :
         {"PASSWD", "PASSWD_FD", "PASSWD_FILE", "USER", "LOGNAME", "KRB5CCNAME"})
        oEnv.remove(QLatin1String(pName));
    oEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    return oEnv;
}

} // namespace

INetResources &INetResources::Instance()
{
    static CNetResourcesLinux s_oInstance;
    return s_oInstance;
}

QString CNetResourcesLinux::ShareListerPath()
{
    static const QString s_sPath = []() {
        const QString sName = QStringLiteral("vistrel_smbshares");
        if (QCoreApplication::instance()) {
            const QString sBeside =
                QCoreApplication::applicationDirPath() + QLatin1Char('/') + sName;
            if (QFileInfo(sBeside).isExecutable())
                return sBeside;
        }
        // The tree's own build comes before an installed copy, which may be of another version.
#ifdef VISTREL_SMBSHARES_BUILD_PATH
        const QString sBuilt = QStringLiteral(VISTREL_SMBSHARES_BUILD_PATH);
        if (QFileInfo(sBuilt).isExecutable())
            return sBuilt;
#endif
        const QString sInstalled = CInstallDirs::HelperProgram(sName);
        if (!sInstalled.isEmpty())
            return sInstalled;
        return QStandardPaths::findExecutable(sName);
    }();
    return s_sPath;
}

std::optional<QByteArray> CNetResourcesLinux::RunChild(QProcess &io_oProcess,
                                                       const QString &i_sProgram,
                                                       const QStringList &i_lsArgs,
                                                       int i_nTimeoutMs)
{
    io_oProcess.setProcessChannelMode(QProcess::SeparateChannels);
    io_oProcess.setStandardInputFile(QProcess::nullDevice());
    io_oProcess.setStandardErrorFile(QProcess::nullDevice());
    io_oProcess.start(i_sProgram, i_lsArgs);
    if (!io_oProcess.waitForStarted(i_nTimeoutMs)) {
        qCWarning(lcEngine) << i_sProgram << "did not start:" << io_oProcess.errorString();
        return std::nullopt;
    }
    if (!io_oProcess.waitForFinished(i_nTimeoutMs)) {
        qCDebug(lcEngine) << i_sProgram << "took too long for" << i_lsArgs.last();
        io_oProcess.kill();
        io_oProcess.waitForFinished(1000);
        return std::nullopt;
    }
    if (io_oProcess.exitStatus() != QProcess::NormalExit || io_oProcess.exitCode() != 0) {
        qCDebug(lcEngine) << i_sProgram << "failed for" << i_lsArgs.last()
                          << io_oProcess.exitCode();
        return std::nullopt;
    }
    return io_oProcess.read(MaxChildOutputBytes);
}

QStringList CNetResourcesLinux::ParseShareList(const QByteArray &i_baOutput)
{
    QStringList lsShares;
    QSet<QString> stSeen;
    const QList<QByteArray> lbaLines = i_baOutput.split('\n');
    for (QByteArray baLine : lbaLines) {
        if (baLine.endsWith('\r'))
            baLine.chop(1);
        const QString sName = CNetText::Clean(baLine);
        // Share names are case-insensitive; a listing that came in parts must not repeat one.
        if (sName.trimmed().isEmpty() || stSeen.contains(sName.toCaseFolded()))
            continue;
        stSeen.insert(sName.toCaseFolded());
        lsShares.append(sName);
        if (lsShares.size() >= MaxShares)
            break;
    }
    return lsShares;
}

std::optional<QStringList>
CNetResourcesLinux::Shares(const QString &i_sServer, quint32 i_nIp, int i_nConnectMs)
{
    Q_UNUSED(i_sServer)
    const QString sLister = ShareListerPath();
    if (sLister.isEmpty()) {
        qCWarning(lcEngine) << "vistrel_smbshares not found; no share lists";
        return std::nullopt;
    }
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost, CSmbPing::Port, CSmbPing::TimeoutMs, i_nConnectMs)) {
        qCDebug(lcEngine) << "no SMB answer from" << oHost.toString();
        return std::nullopt;
    }
    QProcess oProcess;
    oProcess.setProcessEnvironment(ChildEnvironment());
    const std::optional<QByteArray> obaOut =
        RunChild(oProcess, sLister, {oHost.toString()}, ShareListTimeoutMs);
    if (!obaOut)
        return std::nullopt;
    return ParseShareList(*obaOut);
}

QStringList CNetResourcesLinux::RpcClientArguments(const QString &i_sIp, const QString &i_sLogin)
{
    // An empty user with no password is an anonymous session. The password, if any, goes in
    // the environment (PASSWD), where other users' process listings cannot see it.
    QStringList lsArgs{QStringLiteral("--user=") + i_sLogin, QStringLiteral("--use-kerberos=off")};
    if (i_sLogin.isEmpty())
        lsArgs << QStringLiteral("--no-pass");
    lsArgs << QStringLiteral("--command=wkssvc_enumerateusers 0") << i_sIp;
    return lsArgs;
}

std::optional<QString> CNetResourcesLinux::ParseUserList(const QByteArray &i_baOutput)
{
    const QList<QByteArray> lbaLines = i_baOutput.split('\n');
    for (const QByteArray &baLine : lbaLines) {
        const QString sLine = QString::fromUtf8(baLine).trimmed();
        if (sLine.isEmpty())
            continue;
        // rpcclient reports a failed call on standard output too.
        if (sLine.startsWith(QLatin1String("result was"), Qt::CaseInsensitive)
            || sLine.contains(QLatin1String("NT_STATUS_"))
            || sLine.contains(QLatin1String("WERR_")))
            return std::nullopt;
        const QString sUser = CNetText::CleanTrimmed(sLine);
        if (sUser.isEmpty())
            return std::nullopt;
        return sUser;
    }
    return std::nullopt;
}

std::optional<QString> CNetResourcesLinux::LoggedOnUser(const QString &i_sServer,
                                                        quint32 i_nIp,
                                                        const TCredentials &i_oCredentials,
                                                        int i_nConnectMs)
{
    Q_UNUSED(i_sServer)
    static const QString s_sProgram = QStandardPaths::findExecutable(QStringLiteral("rpcclient"));
    if (s_sProgram.isEmpty()) {
        qCWarning(lcEngine) << "rpcclient not found; no logged-on users";
        return std::nullopt;
    }
    // rpcclient would read what follows a '%' in the user name as the password.
    if (i_oCredentials.sLogin.contains(QLatin1Char('%'))) {
        qCWarning(lcEngine) << "a login with '%' cannot be passed to rpcclient";
        return std::nullopt;
    }
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost, CSmbPing::Port, CSmbPing::TimeoutMs, i_nConnectMs))
        return std::nullopt;

    QProcessEnvironment oEnv = ChildEnvironment();
    if (!i_oCredentials.sLogin.isEmpty())
        oEnv.insert(QStringLiteral("PASSWD"), i_oCredentials.sPassword);
    QProcess oProcess;
    oProcess.setProcessEnvironment(oEnv);
    const std::optional<QByteArray> obaOut =
        RunChild(oProcess,
                 s_sProgram,
                 RpcClientArguments(oHost.toString(), i_oCredentials.sLogin),
                 RpcClientTimeoutMs);
    if (!obaOut)
        return std::nullopt;
    return ParseUserList(*obaOut);
}
