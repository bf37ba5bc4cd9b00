// SPDX-License-Identifier: GPL-3.0-or-later
// Shutdown and abort end to end against a Samba server started by this test on 127.0.0.1 of its
// own loopback namespace. The server's shutdown scripts only append a line to a log file, so the
// test sees which requests reached it, with which account (uid 0 for root, 65534 for guest).
#include "CShutdownQuery.h"
#include "MRemoteShutdown.h"
#include "NamespaceGuard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/stat.h>

namespace {

const char kPassword[] = "Test-pass1";

CShutdownQuery::TParamsPtr
Params(const QString &i_sUser, const QString &i_sPassword, const QString &i_sMessage)
{
    auto pParams = CShutdownQuery::TParamsPtr::create();
    pParams->insert(CShutdownQuery::ParamBatch, 1);
    if (!i_sUser.isNull()) {
        pParams->insert(CShutdownQuery::ParamLogin, i_sUser);
        pParams->insert(CShutdownQuery::ParamPassword, i_sPassword);
    }
    pParams->insert(CShutdownQuery::ParamMessage, i_sMessage);
    pParams->insert(CShutdownQuery::ParamTimeout, 45);
    pParams->insert(CShutdownQuery::ParamForce, true);
    pParams->insert(CShutdownQuery::ParamReboot, true);
    return pParams;
}

} // namespace

class TestRemoteShutdownSamba : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void shutdown_data();
    void shutdown();
    void abortAfterLogonUsesTheSameAccount();
    void abortWithoutLogonIsAnonymous();

private:
    QStringList LogLines() const;
    bool WriteFile(const QString &i_sName, const QByteArray &i_oText, int i_nMode);
    void KillServerProcesses();

    QString m_sSkip;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<QProcess> m_pSmbd;
};

bool TestRemoteShutdownSamba::WriteFile(const QString &i_sName,
                                        const QByteArray &i_oText,
                                        int i_nMode)
{
    QFile oFile(m_pDir->filePath(i_sName));
    if (!oFile.open(QIODevice::WriteOnly | QIODevice::Truncate) || oFile.write(i_oText) < 0)
        return false;
    oFile.close();
    return ::chmod(QFile::encodeName(oFile.fileName()).constData(), mode_t(i_nMode)) == 0;
}

void TestRemoteShutdownSamba::initTestCase()
{
    if (!InOwnLoopbackNamespace(&m_sSkip))
        return;
    for (const char *pTool : {"smbd", "smbpasswd", "net", "smbclient"}) {
        if (QStandardPaths::findExecutable(QLatin1String(pTool)).isEmpty()
            && QStandardPaths::findExecutable(QLatin1String(pTool), {QStringLiteral("/usr/sbin")})
                   .isEmpty()) {
            m_sSkip = QStringLiteral("%1 is not installed (packages samba, smbclient)")
                          .arg(QLatin1String(pTool));
            return;
        }
    }
    m_pDir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vistrel-smb-XXXXXX"));
    QVERIFY(m_pDir->isValid());
    // The scripts run as the guest account unless the caller holds the shutdown privilege.
    QCOMPARE(::chmod(QFile::encodeName(m_pDir->path()).constData(), 0755), 0);
    const QString sRoot = m_pDir->path();
    for (const char *pSub :
         {"lock", "state", "cache", "pid", "log", "private", "ncalrpc", "usershare"})
        QVERIFY(QDir(sRoot).mkpath(QLatin1String(pSub)));
    QVERIFY(WriteFile(QStringLiteral("calls.log"), QByteArray(), 0666));
    QVERIFY(
        WriteFile(QStringLiteral("record.sh"),
                  "#!/bin/sh\necho \"$(id -u) $*\" >> " + QFile::encodeName(sRoot) + "/calls.log\n",
                  0755));
    QByteArray oConf = "[global]\n"
                       "server role = standalone server\n"
                       "map to guest = Bad User\n"
                       "interfaces = 127.0.0.1/8\n"
                       "bind interfaces only = yes\n"
                       "smb ports = 445\n"
                       "load printers = no\n"
                       "disable spoolss = yes\n";
    const QByteArray oRoot = QFile::encodeName(sRoot);
    for (const char *pKey : {"lock directory",
                             "state directory",
                             "cache directory",
                             "pid directory",
                             "private dir",
                             "ncalrpc dir",
                             "usershare path"}) {
        const QByteArray oKey(pKey);
        const QByteArray oSub = oKey.startsWith("usershare") ? "usershare"
                                : oKey.startsWith("private") ? "private"
                                : oKey.startsWith("ncalrpc") ? "ncalrpc"
                                                             : oKey.left(oKey.indexOf(' '));
        oConf += oKey + " = " + oRoot + "/" + oSub + "\n";
    }
    oConf += "log file = " + oRoot + "/log/log.%m\n";
    oConf += "shutdown script = " + oRoot + "/record.sh shutdown %z %r %f\n";
    oConf += "abort shutdown script = " + oRoot + "/record.sh abort\n";
    QVERIFY(WriteFile(QStringLiteral("smb.conf"), oConf, 0644));
    const QString sConf = m_pDir->filePath(QStringLiteral("smb.conf"));

    QProcess oPasswd;
    oPasswd.start(QStringLiteral("smbpasswd"),
                  {QStringLiteral("-c"),
                   sConf,
                   QStringLiteral("-s"),
                   QStringLiteral("-a"),
                   QStringLiteral("root")});
    QVERIFY(oPasswd.waitForStarted(5000));
    oPasswd.write(QByteArray(kPassword) + "\n" + QByteArray(kPassword) + "\n");
    oPasswd.closeWriteChannel();
    QVERIFY(oPasswd.waitForFinished(20000));
    QCOMPARE(oPasswd.exitCode(), 0);

    m_pSmbd = std::make_unique<QProcess>();
    m_pSmbd->setProcessChannelMode(QProcess::MergedChannels);
    m_pSmbd->setStandardOutputFile(m_pDir->filePath(QStringLiteral("log/smbd.out")));
    // In a session of its own: smbd signals its whole process group when it stops, which would
    // otherwise include this test and its runner.
    m_pSmbd->start(QStringLiteral("setsid"),
                   {QStringLiteral("/usr/sbin/smbd"),
                    QStringLiteral("--foreground"),
                    QStringLiteral("--no-process-group"),
                    QStringLiteral("-s"),
                    sConf,
                    QStringLiteral("--debug-stdout")});
    QVERIFY(m_pSmbd->waitForStarted(5000));
    bool fListening = false;
    for (int nTry = 0; nTry < 100 && !fListening; ++nTry) {
        QTcpSocket oProbe;
        oProbe.connectToHost(QHostAddress::LocalHost, 445);
        fListening = oProbe.waitForConnected(200);
        if (!fListening)
            m_pSmbd->waitForFinished(100);
        QVERIFY2(m_pSmbd->state() == QProcess::Running, "smbd ended at start-up");
    }
    QVERIFY2(fListening, "smbd does not listen on 127.0.0.1:445");
}

// smbd starts helpers (samba-dcerpcd and its workers) that leave its process group; they are
// found by the configuration path in their command lines and stopped one by one.
void TestRemoteShutdownSamba::KillServerProcesses()
{
    if (!m_pDir)
        return;
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

void TestRemoteShutdownSamba::cleanupTestCase()
{
    if (m_pSmbd) {
        m_pSmbd->terminate();
        if (!m_pSmbd->waitForFinished(3000))
            m_pSmbd->kill();
        m_pSmbd->waitForFinished(3000);
    }
    KillServerProcesses();
}

void TestRemoteShutdownSamba::init()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QVERIFY(WriteFile(QStringLiteral("calls.log"), QByteArray(), 0666));
}

QStringList TestRemoteShutdownSamba::LogLines() const
{
    QFile oFile(m_pDir->filePath(QStringLiteral("calls.log")));
    if (!oFile.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(oFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestRemoteShutdownSamba::shutdown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("logon as root, unknown name falls back to the address")
        << QStringLiteral("no-such-machine") << QStringLiteral("root")
        << QString::fromLatin1(kPassword) << true
        << QStringLiteral("0 shutdown going_down_now -r -f");
    QTest::newRow("name that resolves is used directly")
        << QStringLiteral("localhost") << QStringLiteral("root") << QString::fromLatin1(kPassword)
        << true << QStringLiteral("0 shutdown going_down_now -r -f");
    QTest::newRow("wrong password fails and reaches no script")
        << QStringLiteral("no-such-machine") << QStringLiteral("root") << QStringLiteral("wrong")
        << false << QString();
    QTest::newRow("no logon goes out as guest")
        << QStringLiteral("no-such-machine") << QString() << QString() << true
        << QStringLiteral("65534 shutdown going_down_now -r -f");
}

void TestRemoteShutdownSamba::shutdown()
{
    QFETCH(QString, name);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, succeeds);
    QFETCH(QString, logLine);

    CShutdownQuery oQuery(Params(user, password, QStringLiteral("going down now")),
                          name,
                          QStringLiteral("127.0.0.1"),
                          nullptr);
    oQuery.setAutoDelete(false);
    const int nResult = oQuery.Execute();
    QCOMPARE(nResult == 0, succeeds);
    const QStringList lsLines = LogLines();
    if (logLine.isEmpty())
        QVERIFY2(lsLines.isEmpty(), qPrintable(lsLines.join(QLatin1Char('|'))));
    else
        QCOMPARE(lsLines, QStringList{logLine});
}

void TestRemoteShutdownSamba::abortAfterLogonUsesTheSameAccount()
{
    CShutdownQuery oQuery(Params(QStringLiteral("root"), QString::fromLatin1(kPassword), QString()),
                          QString(),
                          QStringLiteral("127.0.0.1"),
                          nullptr);
    oQuery.setAutoDelete(false);
    QCOMPARE(oQuery.Execute(), 0);
    MRemoteShutdown oAbort;
    QSignalSpy oSpy(&oAbort, &MRemoteShutdown::EmitAbortDone);
    oAbort.OnShutdownAbort(0x7F000001);
    QCOMPARE(oSpy.count(), 1);
    QCOMPARE(oSpy.at(0).at(1).toInt(), 0);
    QCOMPARE(LogLines(),
             (QStringList{QStringLiteral("0 shutdown -r -f"), QStringLiteral("0 abort")}));
}

void TestRemoteShutdownSamba::abortWithoutLogonIsAnonymous()
{
    CShutdownQuery oQuery(Params(QString(), QString(), QStringLiteral("x")),
                          QString(),
                          QStringLiteral("127.0.0.1"),
                          nullptr);
    oQuery.setAutoDelete(false);
    QCOMPARE(oQuery.Execute(), 0);
    MRemoteShutdown oAbort;
    oAbort.OnShutdownAbort(0x7F000001);
    QCOMPARE(
        LogLines(),
        (QStringList{QStringLiteral("65534 shutdown x -r -f"), QStringLiteral("65534 abort")}));
}

QTEST_GUILESS_MAIN(TestRemoteShutdownSamba)
#include "tst_RemoteShutdownSamba.moc"
