// SPDX-License-Identifier: GPL-3.0-or-later
// Remote shutdown through Samba's client programs. Samba's libnetapi would do the same in process,
// but it is not thread-safe: every request would wait behind one lock, and an unreachable machine
// holds that lock for its fixed connect time-out. Subprocesses run side by side, can be killed when
// they overrun, and a crash in them cannot take the program down.
#include "CNetResourcesLinux.h"
#include "IRemoteShutdownApi.h"
#include "IpRangeReaders.h"
#include "RemoteLog.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

namespace {

constexpr int kStartLimitMs = 5000;
constexpr int kLogonLimitMs = 30000;
constexpr int kRequestLimitMs = 60000;

struct TAccount
{
    QString sUser;
    QString sPassword;
};

// Stands in for the network connections Windows keeps after a logon: later requests to the same
// machine (an abort, say) go out with the account that logged on. Kept in memory only.
QMutex g_oSessionMutex;
QHash<QString, TAccount> g_mSessions;

QString StripResource(const QString &i_sResource)
{
    int nStart = 0;
    while (nStart < i_sResource.size() && i_sResource.at(nStart) == QLatin1Char('\\'))
        ++nStart;
    return i_sResource.mid(nStart);
}

// Only an address is taken, never a name: a name can lead to another machine than the one the
// user selected, and an address cannot read as an option or change a share path on its way into
// another program's arguments.
bool IsAddress(const QString &i_sHost)
{
    quint32 nIp = 0;
    return ParseIpv4Address(i_sHost, &nIp) && nIp != 0;
}

bool IsSafeAccountText(const QString &i_sText)
{
    for (const QChar c : i_sText) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

QString SessionKey(const QString &i_sHost)
{
    return i_sHost.toLower();
}

std::optional<TAccount> SessionFor(const QString &i_sHost)
{
    QMutexLocker oLock(&g_oSessionMutex);
    const auto it = g_mSessions.constFind(SessionKey(i_sHost));
    if (it == g_mSessions.constEnd())
        return std::nullopt;
    return *it;
}

int ErrorFromOutput(const QByteArray &i_oOutput)
{
    if (i_oOutput.contains("LOGON_FAILURE") || i_oOutput.contains("WRONG_PASSWORD")
        || i_oOutput.contains("ACCOUNT_"))
        return IRemoteShutdownApi::kErrorLogonFailure;
    if (i_oOutput.contains("ACCESS_DENIED"))
        return IRemoteShutdownApi::kErrorAccessDenied;
    if (i_oOutput.contains("UNREACHABLE") || i_oOutput.contains("CONNECTION_REFUSED")
        || i_oOutput.contains("IO_TIMEOUT") || i_oOutput.contains("INVALID_ADDRESS")
        || i_oOutput.contains("Unable to find a suitable server")
        || i_oOutput.contains("Could not connect"))
        return IRemoteShutdownApi::kErrorBadNetPath;
    return IRemoteShutdownApi::kErrorGenFailure;
}

// Runs one Samba client program. The password travels through its standard input (PASSWD_FD=0),
// never on the command line or in the environment, where other local processes could read it;
// no account means an anonymous session.
int RunSamba(const QString &i_sProgram,
             QStringList i_lsArgs,
             const std::optional<TAccount> &i_oAccount,
             int i_nLimitMs)
{
    const QString sPath = QStandardPaths::findExecutable(i_sProgram);
    if (sPath.isEmpty()) {
        qCWarning(lcRemote) << "Samba client program not found:" << i_sProgram;
        return IRemoteShutdownApi::kErrorFileNotFound;
    }
    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    for (const char *pName : {"PASSWD", "PASSWD_FD", "PASSWD_FILE", "USER", "LOGNAME"})
        oEnv.remove(QLatin1String(pName));
    // Without an account the user's own Kerberos ticket is used where there is one.
    const bool fKerberos = !i_oAccount && CNetResourcesLinux::KerberosTicketHeld();
    if (!fKerberos)
        oEnv.remove(QStringLiteral("KRB5CCNAME"));
    oEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    QByteArray baInput;
    if (i_oAccount) {
        i_lsArgs << QStringLiteral("--user=") + i_oAccount->sUser;
        oEnv.insert(QStringLiteral("PASSWD_FD"), QStringLiteral("0"));
        baInput = i_oAccount->sPassword.toUtf8() + '\n';
    } else if (fKerberos) {
        i_lsArgs << QStringLiteral("--use-kerberos=required");
    } else {
        i_lsArgs << QStringLiteral("--user=%");
    }

    QProcess oProcess;
    oProcess.setProcessEnvironment(oEnv);
    oProcess.setProcessChannelMode(QProcess::MergedChannels);
    oProcess.start(sPath, i_lsArgs);
    if (!oProcess.waitForStarted(kStartLimitMs)) {
        qCWarning(lcRemote) << i_sProgram << "did not start:" << oProcess.errorString();
        return IRemoteShutdownApi::kErrorFileNotFound;
    }
    // After the password, if any, end of file: a program that asks for more sees it at once.
    if (!baInput.isEmpty())
        oProcess.write(baInput);
    oProcess.closeWriteChannel();
    if (!oProcess.waitForFinished(i_nLimitMs)) {
        qCWarning(lcRemote) << i_sProgram << "overran" << i_nLimitMs << "ms and was stopped";
        oProcess.kill();
        oProcess.waitForFinished(kStartLimitMs);
        return IRemoteShutdownApi::kErrorWaitTimeout;
    }
    const QByteArray oOutput = oProcess.readAll();
    if (oProcess.exitStatus() != QProcess::NormalExit) {
        qCWarning(lcRemote) << i_sProgram << "crashed";
        return IRemoteShutdownApi::kErrorProcessAborted;
    }
    if (oProcess.exitCode() == 0)
        return 0;
    qCDebug(lcRemote) << i_sProgram << "failed:" << oOutput.trimmed();
    return ErrorFromOutput(oOutput);
}

QString TargetArgument(const QString &i_sAddress)
{
    return QStringLiteral("--ipaddress=") + i_sAddress;
}

class CRemoteShutdownApiLinux final : public IRemoteShutdownApi
{
public:
    int
    Logon(const QString &i_sResource, const QString &i_sUser, const QString &i_sPassword) override;
    int Shutdown(const QString &i_sAddress, const TShutdown &i_rShutdown) override;
    int Abort(const QString &i_sAddress) override;
    void DropConnections(const QString &i_sName, const QString &i_sAddress) override;
};

int CRemoteShutdownApiLinux::Logon(const QString &i_sResource,
                                   const QString &i_sUser,
                                   const QString &i_sPassword)
{
    const QString sHost = StripResource(i_sResource);
    // A '%' would split the name into user and password on the way into Samba.
    if (!IsAddress(sHost) || !IsSafeAccountText(i_sUser) || !IsSafeAccountText(i_sPassword)
        || i_sUser.contains(QLatin1Char('%')))
        return kErrorInvalidParameter;
    const TAccount oAccount{i_sUser, i_sPassword};
    // Connecting to IPC$ is what a logon to "\\host" amounts to.
    const int nResult =
        RunSamba(QStringLiteral("smbclient"),
                 {QStringLiteral("//%1/IPC$").arg(sHost), QStringLiteral("--command=exit")},
                 oAccount,
                 kLogonLimitMs);
    if (nResult == 0) {
        QMutexLocker oLock(&g_oSessionMutex);
        g_mSessions.insert(SessionKey(sHost), oAccount);
    }
    return nResult;
}

int CRemoteShutdownApiLinux::Shutdown(const QString &i_sAddress, const TShutdown &i_rShutdown)
{
    if (!IsAddress(i_sAddress))
        return kErrorInvalidParameter;
    QStringList lsArgs{QStringLiteral("rpc"),
                       QStringLiteral("shutdown"),
                       TargetArgument(i_sAddress),
                       QStringLiteral("--timeout=%1").arg(i_rShutdown.nTimeoutSec),
                       QStringLiteral("--comment=") + i_rShutdown.sMessage};
    if (i_rShutdown.fForce)
        lsArgs << QStringLiteral("--force");
    if (i_rShutdown.fReboot)
        lsArgs << QStringLiteral("--reboot");
    return RunSamba(QStringLiteral("net"), lsArgs, SessionFor(i_sAddress), kRequestLimitMs);
}

int CRemoteShutdownApiLinux::Abort(const QString &i_sAddress)
{
    if (!IsAddress(i_sAddress))
        return kErrorInvalidParameter;
    return RunSamba(
        QStringLiteral("net"),
        {QStringLiteral("rpc"), QStringLiteral("abortshutdown"), TargetArgument(i_sAddress)},
        SessionFor(i_sAddress),
        kRequestLimitMs);
}

void CRemoteShutdownApiLinux::DropConnections(const QString &i_sName, const QString &i_sAddress)
{
    QMutexLocker oLock(&g_oSessionMutex);
    for (const QString &sHost : {StripResource(i_sName), i_sAddress}) {
        if (!sHost.isEmpty())
            g_mSessions.remove(SessionKey(sHost));
    }
}

} // namespace

std::unique_ptr<IRemoteShutdownApi> IRemoteShutdownApi::CreatePlatform()
{
    return std::make_unique<CRemoteShutdownApiLinux>();
}
