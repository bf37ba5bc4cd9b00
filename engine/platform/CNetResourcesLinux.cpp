// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetResourcesLinux.h"

#include "CInstallDirs.h"
#include "CNetText.h"
#include "CSmbPing.h"
#include "EngineLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>

namespace {

constexpr int MaxShares = 4096;
constexpr qint64 MaxChildOutputBytes = 256 * 1024;

// The children must not pick up credentials from the scanner's environment; the Kerberos cache
// is passed on only when the child is to use the ticket.
QProcessEnvironment ChildEnvironment(bool i_fKerberos)
{
    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    for (const char *pName : {"PASSWD", "PASSWD_FD", "PASSWD_FILE", "USER", "LOGNAME"})
        oEnv.remove(QLatin1String(pName));
    if (!i_fKerberos)
        oEnv.remove(QStringLiteral("KRB5CCNAME"));
    oEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    return oEnv;
}

} // namespace

// A ticket held now is asked for again after a minute: it may expire or be renewed meanwhile.
bool CNetResourcesLinux::KerberosTicketHeld()
{
    constexpr qint64 RecheckMs = 60000;
    static QMutex s_oMutex;
    static QElapsedTimer s_oChecked;
    static bool s_fHeld = false;
    QMutexLocker oLock(&s_oMutex);
    if (s_oChecked.isValid() && s_oChecked.elapsed() < RecheckMs)
        return s_fHeld;
    s_oChecked.start();
    s_fHeld = false;
    const QString sKlist = QStandardPaths::findExecutable(QStringLiteral("klist"));
    if (sKlist.isEmpty())
        return false;
    QProcess oKlist;
    oKlist.setProcessChannelMode(QProcess::SeparateChannels);
    oKlist.setStandardInputFile(QProcess::nullDevice());
    oKlist.setStandardOutputFile(QProcess::nullDevice());
    oKlist.setStandardErrorFile(QProcess::nullDevice());
    oKlist.start(sKlist, {QStringLiteral("-s")});
    if (!oKlist.waitForFinished(2000)) {
        oKlist.kill();
        oKlist.waitForFinished(1000);
        return false;
    }
    s_fHeld = oKlist.exitStatus() == QProcess::NormalExit && oKlist.exitCode() == 0;
    qCDebug(lcEngine) << "Kerberos ticket" << (s_fHeld ? "held" : "not held");
    return s_fHeld;
}

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
                                                       const QByteArray &i_baInput,
                                                       int i_nTimeoutMs,
                                                       int *o_pnExitCode)
{
    if (o_pnExitCode)
        *o_pnExitCode = -1;
    io_oProcess.setProcessChannelMode(QProcess::SeparateChannels);
    io_oProcess.setStandardErrorFile(QProcess::nullDevice());
    io_oProcess.start(i_sProgram, i_lsArgs);
    if (!io_oProcess.waitForStarted(i_nTimeoutMs)) {
        qCWarning(lcEngine) << i_sProgram << "did not start:" << io_oProcess.errorString();
        return std::nullopt;
    }
    // Secrets go through the pipe only; a few hundred bytes fit its buffer at once.
    if (!i_baInput.isEmpty())
        io_oProcess.write(i_baInput);
    io_oProcess.closeWriteChannel();
    if (!io_oProcess.waitForFinished(i_nTimeoutMs)) {
        qCDebug(lcEngine) << i_sProgram << "took too long for" << i_lsArgs.last();
        io_oProcess.kill();
        io_oProcess.waitForFinished(1000);
        return std::nullopt;
    }
    if (o_pnExitCode && io_oProcess.exitStatus() == QProcess::NormalExit)
        *o_pnExitCode = io_oProcess.exitCode();
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

std::optional<QStringList> CNetResourcesLinux::Shares(const QString &i_sServer,
                                                      quint32 i_nIp,
                                                      const TCredentials &i_oCredentials,
                                                      int i_nConnectMs)
{
    Q_UNUSED(i_sServer)
    const QString sLister = ShareListerPath();
    if (sLister.isEmpty()) {
        qCWarning(lcEngine) << "vistrel_smbshares not found; no share lists";
        return std::nullopt;
    }
    if (i_oCredentials.IsSet() && !i_oCredentials.IsSafe()) {
        qCWarning(lcEngine) << "the network account holds characters no logon can carry";
        return std::nullopt;
    }
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost, CSmbPing::Port, CSmbPing::TimeoutMs, i_nConnectMs)) {
        qCDebug(lcEngine) << "no SMB answer from" << oHost.toString();
        return std::nullopt;
    }
    const ELogon eLogon = LogonFor(i_oCredentials);
    QProcess oProcess;
    oProcess.setProcessEnvironment(ChildEnvironment(eLogon == ELogon::Kerberos));
    int nExit = -1;
    const std::optional<QByteArray> obaOut =
        RunChild(oProcess,
                 sLister,
                 ShareListerArguments(oHost.toString(), eLogon),
                 eLogon == ELogon::Account ? ShareListerInput(i_oCredentials) : QByteArray(),
                 ShareListTimeoutMs,
                 &nExit);
    if (!obaOut) {
        if (nExit == ShareListerRefused)
            qCWarning(lcEngine).noquote()
                << oHost.toString() << "refused to list its shares to"
                << (eLogon == ELogon::Account
                        ? CNetText::CleanTrimmed(i_oCredentials.QualifiedLogin())
                    : eLogon == ELogon::Kerberos ? QStringLiteral("the Kerberos ticket")
                                                 : QStringLiteral("an anonymous user"));
        return std::nullopt;
    }
    return ParseShareList(*obaOut);
}

CNetResourcesLinux::ELogon CNetResourcesLinux::LogonFor(const TCredentials &i_oCredentials)
{
    if (i_oCredentials.IsSet())
        return ELogon::Account;
    return KerberosTicketHeld() ? ELogon::Kerberos : ELogon::Anonymous;
}

QStringList CNetResourcesLinux::ShareListerArguments(const QString &i_sIp, ELogon i_eLogon)
{
    switch (i_eLogon) {
    case ELogon::Account:
        return {QStringLiteral("--account-on-stdin"), i_sIp};
    case ELogon::Kerberos:
        return {QStringLiteral("--kerberos"), i_sIp};
    case ELogon::Anonymous:
        break;
    }
    return {i_sIp};
}

QByteArray CNetResourcesLinux::ShareListerInput(const TCredentials &i_oCredentials)
{
    return i_oCredentials.sLogin.toUtf8() + '\n' + i_oCredentials.sDomain.toUtf8() + '\n'
           + i_oCredentials.sPassword.toUtf8() + '\n';
}

QStringList CNetResourcesLinux::RpcClientArguments(const QString &i_sIp,
                                                   const TCredentials &i_oCredentials,
                                                   ELogon i_eLogon)
{
    // The password, if any, comes through standard input (PASSWD_FD=0), never in the arguments
    // or the environment, where other processes could read it.
    QStringList lsArgs;
    switch (i_eLogon) {
    case ELogon::Account:
        lsArgs << QStringLiteral("--user=") + i_oCredentials.sLogin;
        if (!i_oCredentials.sDomain.isEmpty())
            lsArgs << QStringLiteral("--workgroup=") + i_oCredentials.sDomain;
        lsArgs << QStringLiteral("--use-kerberos=off");
        break;
    case ELogon::Kerberos:
        lsArgs << QStringLiteral("--use-kerberos=required");
        break;
    case ELogon::Anonymous:
        // An empty user with no password is an anonymous session.
        lsArgs << QStringLiteral("--user=") << QStringLiteral("--use-kerberos=off")
               << QStringLiteral("--no-pass");
        break;
    }
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
    if (i_oCredentials.IsSet() && !i_oCredentials.IsSafe()) {
        qCWarning(lcEngine) << "the network account holds characters no logon can carry";
        return std::nullopt;
    }
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost, CSmbPing::Port, CSmbPing::TimeoutMs, i_nConnectMs))
        return std::nullopt;

    const ELogon eLogon = LogonFor(i_oCredentials);
    QProcessEnvironment oEnv = ChildEnvironment(eLogon == ELogon::Kerberos);
    QByteArray baInput;
    if (eLogon == ELogon::Account) {
        oEnv.insert(QStringLiteral("PASSWD_FD"), QStringLiteral("0"));
        baInput = i_oCredentials.sPassword.toUtf8() + '\n';
    }
    QProcess oProcess;
    oProcess.setProcessEnvironment(oEnv);
    const std::optional<QByteArray> obaOut =
        RunChild(oProcess,
                 s_sProgram,
                 RpcClientArguments(oHost.toString(), i_oCredentials, eLogon),
                 baInput,
                 RpcClientTimeoutMs,
                 nullptr);
    if (!obaOut)
        return std::nullopt;
    return ParseUserList(*obaOut);
}
