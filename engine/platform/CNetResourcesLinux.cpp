// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetResourcesLinux.h"

#include "CSmbPing.h"
#include "EngineLog.h"

#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <libsmbclient.h>

namespace {

// Anonymous: an empty user and password. The buffers are the library's, with their sizes.
void AnonymousAuth(SMBCCTX *, const char *, const char *, char *o_pWorkgroup, int i_nWorkgroupLen,
                   char *o_pUser, int i_nUserLen, char *o_pPassword, int i_nPasswordLen)
{
    Q_UNUSED(o_pWorkgroup)
    Q_UNUSED(i_nWorkgroupLen)
    if (i_nUserLen > 0)
        o_pUser[0] = '\0';
    if (i_nPasswordLen > 0)
        o_pPassword[0] = '\0';
}

class CSmbContext final
{
public:
    CSmbContext()
        : m_pCtx(smbc_new_context())
    {
        if (!m_pCtx)
            return;
        smbc_setDebug(m_pCtx, 0);
        smbc_setTimeout(m_pCtx, CNetResourcesLinux::SmbRequestTimeoutMs);
        smbc_setOptionUseKerberos(m_pCtx, 0);
        smbc_setOptionFallbackAfterKerberos(m_pCtx, 1);
        smbc_setOptionNoAutoAnonymousLogin(m_pCtx, 0);
        smbc_setFunctionAuthDataWithContext(m_pCtx, AnonymousAuth);
        if (!smbc_init_context(m_pCtx)) {
            smbc_free_context(m_pCtx, 1);
            m_pCtx = nullptr;
        }
    }
    ~CSmbContext()
    {
        if (m_pCtx)
            smbc_free_context(m_pCtx, 1);
    }
    Q_DISABLE_COPY(CSmbContext)

    SMBCCTX *Get() const { return m_pCtx; }

private:
    SMBCCTX *m_pCtx;
};

bool IsShareType(unsigned int i_nType)
{
    return i_nType == SMBC_FILE_SHARE || i_nType == SMBC_PRINTER_SHARE
           || i_nType == SMBC_COMMS_SHARE || i_nType == SMBC_IPC_SHARE;
}

// Text from a host goes into results rows and files: no control characters, bounded length.
QString Sanitised(const QString &i_sText, int i_nMaxChars)
{
    QString sOut;
    for (const QChar c : i_sText) {
        if (c.category() == QChar::Other_Control)
            continue;
        sOut += c;
        if (sOut.size() >= i_nMaxChars)
            break;
    }
    return sOut;
}

} // namespace

INetResources &INetResources::Instance()
{
    static CNetResourcesLinux s_oInstance;
    return s_oInstance;
}

std::optional<QStringList> CNetResourcesLinux::Shares(const QString &i_sServer, quint32 i_nIp)
{
    Q_UNUSED(i_sServer)
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost)) {
        qCDebug(lcEngine) << "no SMB answer from" << oHost.toString();
        return std::nullopt;
    }
    if (!m_oSmbLock.tryLock(SmbLockWaitMs)) {
        qCWarning(lcEngine) << "share listing of" << oHost.toString()
                            << "gave up waiting for the SMB library";
        return std::nullopt;
    }
    std::optional<QStringList> olsShares = ListShares(oHost.toString());
    m_oSmbLock.unlock();
    return olsShares;
}

std::optional<QStringList> CNetResourcesLinux::ListShares(const QString &i_sIp)
{
    CSmbContext oCtx;
    if (!oCtx.Get()) {
        qCWarning(lcEngine) << "the SMB library did not start:" << std::strerror(errno);
        return std::nullopt;
    }
    const QByteArray baUrl = QStringLiteral("smb://%1/").arg(i_sIp).toUtf8();
    SMBCFILE *pDir = smbc_getFunctionOpendir(oCtx.Get())(oCtx.Get(), baUrl.constData());
    if (!pDir) {
        qCDebug(lcEngine) << "share listing of" << i_sIp << "refused:" << std::strerror(errno);
        return std::nullopt;
    }
    QStringList lsShares;
    QSet<QString> stSeen;
    errno = 0;
    while (const smbc_dirent *pEntry = smbc_getFunctionReaddir(oCtx.Get())(oCtx.Get(), pDir)) {
        if (!IsShareType(pEntry->smbc_type))
            continue;
        const QString sName = Sanitised(QString::fromUtf8(pEntry->name), 256);
        // Share names are case-insensitive; a listing that comes in parts must not repeat one.
        if (sName.isEmpty() || stSeen.contains(sName.toCaseFolded()))
            continue;
        stSeen.insert(sName.toCaseFolded());
        lsShares.append(sName);
        if (lsShares.size() >= MaxShares)
            break;
    }
    if (errno != 0)
        qCDebug(lcEngine) << "share listing of" << i_sIp << "broke off:" << std::strerror(errno);
    smbc_getFunctionClosedir(oCtx.Get())(oCtx.Get(), pDir);
    return lsShares;
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
            || sLine.contains(QLatin1String("NT_STATUS_")) || sLine.contains(QLatin1String("WERR_")))
            return std::nullopt;
        const QString sUser = Sanitised(sLine, 256);
        if (sUser.isEmpty())
            return std::nullopt;
        return sUser;
    }
    return std::nullopt;
}

std::optional<QString> CNetResourcesLinux::LoggedOnUser(const QString &i_sServer,
                                                        quint32 i_nIp,
                                                        const TCredentials &i_oCredentials)
{
    Q_UNUSED(i_sServer)
    static const QString s_sProgram = QStandardPaths::findExecutable(QStringLiteral("rpcclient"));
    if (s_sProgram.isEmpty()) {
        qCDebug(lcEngine) << "rpcclient not found; no logged-on users";
        return std::nullopt;
    }
    // rpcclient would read what follows a '%' in the user name as the password.
    if (i_oCredentials.sLogin.contains(QLatin1Char('%'))) {
        qCWarning(lcEngine) << "a login with '%' cannot be passed to rpcclient";
        return std::nullopt;
    }
    const QHostAddress oHost(i_nIp);
    if (!CSmbPing::Answers(oHost))
        return std::nullopt;

    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    for (const char *pName : {"PASSWD", "PASSWD_FD", "PASSWD_FILE", "USER", "LOGNAME", "KRB5CCNAME"})
        oEnv.remove(QLatin1String(pName));
    oEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    if (!i_oCredentials.sLogin.isEmpty())
        oEnv.insert(QStringLiteral("PASSWD"), i_oCredentials.sPassword);

    QProcess oProcess;
    oProcess.setProcessEnvironment(oEnv);
    oProcess.setProcessChannelMode(QProcess::SeparateChannels);
    oProcess.setStandardInputFile(QProcess::nullDevice());
    oProcess.setStandardErrorFile(QProcess::nullDevice());
    oProcess.start(s_sProgram, RpcClientArguments(oHost.toString(), i_oCredentials.sLogin));
    if (!oProcess.waitForStarted(RpcClientTimeoutMs)) {
        qCWarning(lcEngine) << "rpcclient did not start:" << oProcess.errorString();
        return std::nullopt;
    }
    if (!oProcess.waitForFinished(RpcClientTimeoutMs)) {
        qCDebug(lcEngine) << "rpcclient took too long for" << oHost.toString();
        oProcess.kill();
        oProcess.waitForFinished(1000);
        return std::nullopt;
    }
    if (oProcess.exitStatus() != QProcess::NormalExit || oProcess.exitCode() != 0)
        return std::nullopt;
    return ParseUserList(oProcess.read(64 * 1024));
}
