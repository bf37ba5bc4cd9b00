// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSambaPeer.h"

#include "../helpers/UtmpEntry.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpSocket>

#include <csignal>
#include <ctime>

#include <sys/stat.h>

CSambaPeer::~CSambaPeer()
{
    Stop();
}

bool CSambaPeer::WriteFile(const QString &i_sName, const QByteArray &i_oText, int i_nMode)
{
    QFile oFile(m_pDir->filePath(i_sName));
    if (!oFile.open(QIODevice::WriteOnly | QIODevice::Truncate) || oFile.write(i_oText) < 0)
        return false;
    oFile.close();
    return ::chmod(QFile::encodeName(oFile.fileName()).constData(), mode_t(i_nMode)) == 0;
}

bool CSambaPeer::Available(QString *o_pWhy)
{
    const QStringList lsPaths{QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")};
    for (const char *pTool :
         {"smbd", "smbpasswd", "net", "smbclient", "rpcclient", "setsid", "unshare"}) {
        if (QStandardPaths::findExecutable(QLatin1String(pTool)).isEmpty()
            && QStandardPaths::findExecutable(QLatin1String(pTool), lsPaths).isEmpty()) {
            *o_pWhy = QStringLiteral("%1 is not installed (packages samba, smbclient)")
                          .arg(QLatin1String(pTool));
            return false;
        }
    }
    return true;
}

namespace {

bool RunQuietly(const QString &i_sProgram, const QStringList &i_lsArgs)
{
    QProcess oProcess;
    oProcess.setProcessChannelMode(QProcess::MergedChannels);
    oProcess.start(i_sProgram, i_lsArgs);
    oProcess.closeWriteChannel();
    if (!oProcess.waitForFinished(20000)) {
        oProcess.kill();
        oProcess.waitForFinished(3000);
        return false;
    }
    return oProcess.exitStatus() == QProcess::NormalExit && oProcess.exitCode() == 0;
}

} // namespace

bool CSambaPeer::Start(QString *o_pWhy, const TOptions &i_oOptions)
{
    m_pDir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vistrel-smb-XXXXXX"));
    const QString sRoot = m_pDir->path();
    // The scripts run as the guest account unless the caller holds the shutdown privilege.
    if (!m_pDir->isValid() || ::chmod(QFile::encodeName(sRoot).constData(), 0755) != 0) {
        *o_pWhy = QStringLiteral("no temporary folder");
        return false;
    }
    for (const char *pSub :
         {"lock", "state", "cache", "pid", "log", "private", "ncalrpc", "usershare", "docs"})
        QDir(sRoot).mkpath(QLatin1String(pSub));
    const QByteArray oRoot = QFile::encodeName(sRoot);
    QByteArray oConf = "[global]\n"
                       "server role = standalone server\n"
                       "map to guest = Bad User\n"
                       "interfaces = 127.0.0.1/8\n"
                       "bind interfaces only = yes\n"
                       "smb ports = 445\n"
                       "load printers = no\n"
                       "disable spoolss = yes\n";
    const std::pair<const char *, const char *> kDirs[] = {
        {"lock directory", "lock"},
        {"state directory", "state"},
        {"cache directory", "cache"},
        {"pid directory", "pid"},
        {"private dir", "private"},
        {"ncalrpc dir", "ncalrpc"},
        {"usershare path", "usershare"},
    };
    for (const auto &rDir : kDirs)
        oConf += QByteArray(rDir.first) + " = " + oRoot + "/" + rDir.second + "\n";
    oConf += "log file = " + oRoot + "/log/log.%m\n";
    oConf += "shutdown script = " + oRoot + "/record.sh shutdown %z %r %f\n";
    oConf += "abort shutdown script = " + oRoot + "/record.sh abort\n";
    if (i_oOptions.fRestrictAnonymous)
        oConf += "restrict anonymous = 2\n";
    const bool fUsers = !i_oOptions.lsLoggedOn.isEmpty();
    if (fUsers) {
        oConf += "[docs]\npath = " + oRoot + "/docs\n";
        for (const QString &sShare : i_oOptions.lsMoreShares)
            oConf += "[" + sShare.toUtf8() + "]\npath = " + oRoot + "/docs\nguest ok = yes\n";
    }
    if (!WriteFile(QStringLiteral("smb.conf"), oConf, 0644) || !ClearLog()
        || !WriteFile(QStringLiteral("record.sh"),
                      "#!/bin/sh\necho \"$(id -u) $*\" >> " + oRoot + "/calls.log\n",
                      0755)) {
        *o_pWhy = QStringLiteral("cannot write the server's files");
        return false;
    }
    const QString sConf = m_pDir->filePath(QStringLiteral("smb.conf"));

    QProcess oPasswd;
    oPasswd.start(QStringLiteral("smbpasswd"),
                  {QStringLiteral("-c"),
                   sConf,
                   QStringLiteral("-s"),
                   QStringLiteral("-a"),
                   QStringLiteral("root")});
    if (!oPasswd.waitForStarted(5000)) {
        *o_pWhy = QStringLiteral("smbpasswd did not start");
        return false;
    }
    oPasswd.write(i_oOptions.baPassword + "\n" + i_oOptions.baPassword + "\n");
    oPasswd.closeWriteChannel();
    if (!oPasswd.waitForFinished(20000) || oPasswd.exitCode() != 0) {
        *o_pWhy = QStringLiteral("smbpasswd failed");
        return false;
    }

    if (fUsers) {
        QByteArray baUtmp;
        int nLine = 1;
        for (const QString &sUser : i_oOptions.lsLoggedOn)
            baUtmp += UtmpEntry(sUser.toUtf8(), "pts/" + QByteArray::number(nLine++));
        // The workstation service answers only members of the administrators' group.
        if (!WriteFile(QStringLiteral("utmp"), baUtmp, 0644)
            || !RunQuietly(QStringLiteral("net"),
                           {QStringLiteral("-s"),
                            sConf,
                            QStringLiteral("groupmap"),
                            QStringLiteral("add"),
                            QStringLiteral("sid=S-1-5-32-544"),
                            QStringLiteral("unixgroup=root"),
                            QStringLiteral("type=builtin"),
                            QStringLiteral("ntgroup=Administrators")})) {
            *o_pWhy = QStringLiteral("cannot set up the logged-on users");
            return false;
        }
    }

    m_pSmbd = std::make_unique<QProcess>();
    m_pSmbd->setProcessChannelMode(QProcess::MergedChannels);
    m_pSmbd->setStandardOutputFile(m_pDir->filePath(QStringLiteral("log/smbd.out")));
    // In a session of its own: smbd signals its whole process group when it stops, which would
    // otherwise include the test and its runner.
    const QStringList lsSmbd{QStringLiteral("/usr/sbin/smbd"),
                             QStringLiteral("--foreground"),
                             QStringLiteral("--no-process-group"),
                             QStringLiteral("-s"),
                             sConf,
                             QStringLiteral("--debug-stdout")};
    if (fUsers) {
        // smbd reads logged-on users from /run/utmp: it gets its own in a private mount
        // namespace.
        m_pSmbd->start(QStringLiteral("setsid"),
                       QStringList{QStringLiteral("unshare"),
                                   QStringLiteral("-m"),
                                   QStringLiteral("--propagation"),
                                   QStringLiteral("private"),
                                   QStringLiteral("sh"),
                                   QStringLiteral("-c"),
                                   QStringLiteral("mount -t tmpfs vtest-run /run && "
                                                  "cp \"$0/utmp\" /run/utmp && exec \"$@\""),
                                   sRoot}
                           + lsSmbd);
    } else {
        m_pSmbd->start(QStringLiteral("setsid"), lsSmbd);
    }
    if (!m_pSmbd->waitForStarted(5000)) {
        *o_pWhy = QStringLiteral("smbd did not start");
        return false;
    }
    for (int nTry = 0; nTry < 100; ++nTry) {
        QTcpSocket oProbe;
        oProbe.connectToHost(QHostAddress::LocalHost, 445);
        if (oProbe.waitForConnected(200))
            return true;
        if (m_pSmbd->state() != QProcess::Running) {
            *o_pWhy = QStringLiteral("smbd ended at start-up");
            return false;
        }
        m_pSmbd->waitForFinished(100);
    }
    *o_pWhy = QStringLiteral("smbd does not listen on 127.0.0.1:445");
    return false;
}

// smbd starts helpers (samba-dcerpcd and its workers) that leave its process group; they are
// found by the server's folder in their command lines and stopped one by one.
void CSambaPeer::KillServerProcesses()
{
    const QByteArray oMarker = QFile::encodeName(m_pDir->path());
    for (int nRound = 0; nRound < 2; ++nRound) {
        const QStringList lsPids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString &sPid : lsPids) {
            bool fNumber = false;
            const qint64 nPid = sPid.toLongLong(&fNumber);
            if (!fNumber || nPid == QCoreApplication::applicationPid())
                continue;
            QFile oCmdline(QStringLiteral("/proc/%1/cmdline").arg(sPid));
            if (oCmdline.open(QIODevice::ReadOnly) && oCmdline.readAll().contains(oMarker))
                ::kill(pid_t(nPid), nRound == 0 ? SIGTERM : SIGKILL);
        }
        if (nRound == 0 && m_pSmbd)
            m_pSmbd->waitForFinished(3000);
    }
}

void CSambaPeer::Stop()
{
    if (m_pSmbd) {
        m_pSmbd->terminate();
        if (!m_pSmbd->waitForFinished(3000))
            m_pSmbd->kill();
        m_pSmbd->waitForFinished(3000);
    }
    if (m_pDir)
        KillServerProcesses();
    m_pSmbd.reset();
    m_pDir.reset();
}

bool CSambaPeer::ClearLog()
{
    return WriteFile(QStringLiteral("calls.log"), QByteArray(), 0666);
}

QStringList CSambaPeer::LogLines() const
{
    if (!m_pDir)
        return {};
    QFile oFile(m_pDir->filePath(QStringLiteral("calls.log")));
    if (!oFile.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(oFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
