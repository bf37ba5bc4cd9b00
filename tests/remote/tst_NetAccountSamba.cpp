// SPDX-License-Identifier: GPL-3.0-or-later
// The network account against a Samba server that refuses anonymous users ("restrict
// anonymous = 2"), started in the test's own loopback namespace: share lists, the logged-on user
// and the shutdown logon all use the one account, and its password never shows in a child
// process's command line or environment.
#include "CCfg.h"
#include "CHostScan.h"
#include "CSambaPeer.h"
#include "CScanResult.h"
#include "INetResources.h"
#include "IRemoteShutdownApi.h"
#include "NamespaceGuard.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr quint32 Loopback = 0x7F000001;
const QString kPassword = QString::fromLatin1(CSambaPeer::kPassword);

// Runs each job on a thread of its own, as scan workers do; false when one overran.
bool RunOnWorkers(const std::vector<std::function<void()>> &i_vJobs, int i_nLimitMs = 120000)
{
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (const auto &fnJob : i_vJobs)
        vThreads.emplace_back(QThread::create(fnJob));
    for (auto &pThread : vThreads)
        pThread->start();
    bool fAll = true;
    for (auto &pThread : vThreads)
        fAll = pThread->wait(i_nLimitMs) && fAll;
    return fAll;
}

CScanResult ScanLoopback(const TNetAccount &i_oAccount)
{
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_shares(true);
    oCfg.set_scan_username(true);
    oCfg.set_ortavo_ports({});
    oCfg.set_net_account(i_oAccount);
    CScanResult oResult;
    oResult.set_ip(Loopback);
    oResult.set_status(EHostStatus::Alive);
    oResult.set_name(QStringLiteral("loopbox"));
    RunOnWorkers({[&]() { CHostScan(oCfg).Run(oResult); }});
    return oResult;
}

// The children of this process as they are now: PID, program, arguments and environment.
struct TChild
{
    QByteArray baCmdline;
    QByteArray baEnviron;
};

QList<TChild> ChildrenNow()
{
    QList<TChild> lChildren;
    const QByteArray baSelf = QByteArray::number(QCoreApplication::applicationPid());
    const QStringList lsPids =
        QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString &sPid : lsPids) {
        QFile oStat(QStringLiteral("/proc/%1/stat").arg(sPid));
        if (!oStat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, the last ')' ends it.
        const QByteArray baStat = oStat.readAll();
        const QList<QByteArray> lbaFields = baStat.mid(baStat.lastIndexOf(')') + 2).split(' ');
        if (lbaFields.size() < 2 || lbaFields.at(1) != baSelf)
            continue;
        TChild oChild;
        QFile oCmd(QStringLiteral("/proc/%1/cmdline").arg(sPid));
        QFile oEnv(QStringLiteral("/proc/%1/environ").arg(sPid));
        if (oCmd.open(QIODevice::ReadOnly))
            oChild.baCmdline = oCmd.readAll();
        if (oEnv.open(QIODevice::ReadOnly))
            oChild.baEnviron = oEnv.readAll();
        // A child caught between fork and exec is still a copy of this test.
        if (!oChild.baCmdline.isEmpty() && !oChild.baCmdline.contains("tst_NetAccountSamba"))
            lChildren << oChild;
    }
    return lChildren;
}

} // namespace

class TestNetAccountSamba final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sharesAndUserNeedTheAccount_data();
    void sharesAndUserNeedTheAccount();
    void wrongPasswordIsLoggedAndCostsOneTimeOut();
    void consoleTakesTheAccountFromAFile_data();
    void consoleTakesTheAccountFromAFile();
    void secretNeverInChildArgumentsOrEnvironment();

private:
    QString m_sSkip;
    CSambaPeer m_oPeer;
};

void TestNetAccountSamba::initTestCase()
{
    if (!InOwnLoopbackNamespace(&m_sSkip) || !CSambaPeer::Available(&m_sSkip))
        return;
    CSambaPeer::TOptions oOptions;
    oOptions.fRestrictAnonymous = true;
    oOptions.lsLoggedOn = QStringList{QStringLiteral("carol"), QStringLiteral("dave")};
    QString sWhy;
    QVERIFY2(m_oPeer.Start(&sWhy, oOptions), qPrintable(sWhy));
}

void TestNetAccountSamba::cleanupTestCase()
{
    m_oPeer.Stop();
}

void TestNetAccountSamba::sharesAndUserNeedTheAccount_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QStringList>("shares");
    QTest::addColumn<QString>("user");
    QTest::newRow("anonymous: nothing") << QString() << QString() << QStringList() << QString();
    QTest::newRow("account: shares and user")
        << QStringLiteral("root") << QString()
        << QStringList{QStringLiteral("docs"), QStringLiteral("IPC$")} << QStringLiteral("carol");
    // A standalone server takes its own name as the domain.
    QTest::newRow("account with the server's domain")
        << QStringLiteral("root") << QStringLiteral("LOOPBOX")
        << QStringList{QStringLiteral("docs"), QStringLiteral("IPC$")} << QStringLiteral("carol");
}

void TestNetAccountSamba::sharesAndUserNeedTheAccount()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QFETCH(QString, login);
    QFETCH(QString, domain);
    QFETCH(QStringList, shares);
    QFETCH(QString, user);
    const CScanResult oResult =
        ScanLoopback({login, domain, login.isEmpty() ? QString() : kPassword});
    QCOMPARE(oResult.shares(), shares);
    QCOMPARE(oResult.user(), user);
}

void TestNetAccountSamba::wrongPasswordIsLoggedAndCostsOneTimeOut()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(QStringLiteral("^127\\.0\\.0\\.1 refused to list its shares to root$")));
    QElapsedTimer oTimer;
    oTimer.start();
    const CScanResult oResult = ScanLoopback({QStringLiteral("root"), QString(), "wrong"});
    // Nothing false: no shares, no user, the host still alive.
    QCOMPARE(oResult.shares(), QStringList());
    QCOMPARE(oResult.user(), QString());
    QVERIFY(oResult.IsAlive());
    qInfo("a host refusing the account took %lld ms", oTimer.elapsed());
    QVERIFY(oTimer.elapsed() < 20000);
}

void TestNetAccountSamba::consoleTakesTheAccountFromAFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("shares");
    const QStringList lsShares{QStringLiteral("docs"), QStringLiteral("IPC$")};
    QTest::newRow("no /u: anonymous, nothing") << QByteArray() << QString() << QStringList();
    QTest::newRow("account") << "username = root\npassword = " + QByteArray(CSambaPeer::kPassword)
                                    + "\n"
                             << QStringLiteral("carol") << lsShares;
    QTest::newRow("domain in the user name, CR LF, spaces")
        << "  username=LOOPBOX\\root\r\n  password =  " + QByteArray(CSambaPeer::kPassword)
               + "  \r\n"
        << QStringLiteral("carol") << lsShares;
    QTest::newRow("wrong password")
        << QByteArray("username = root\npassword = nope\n") << QString() << QStringList();
}

void TestNetAccountSamba::consoleTakesTheAccountFromAFile()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QFETCH(QByteArray, file);
    QFETCH(QString, user);
    QFETCH(QStringList, shares);
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    QStringList lsArgs{QStringLiteral("/r:127.0.0.1"),
                       QStringLiteral("/p:shares,user"),
                       QStringLiteral("/n:none"),
                       QStringLiteral("/o:jsonl")};
    if (!file.isEmpty()) {
        QFile oAuth(oDir.filePath(QStringLiteral("auth")));
        QVERIFY(oAuth.open(QIODevice::WriteOnly));
        QVERIFY(oAuth.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        oAuth.write(file);
        oAuth.close();
        lsArgs << QStringLiteral("/u:") + oAuth.fileName();
    }
    QProcess oConsole;
    oConsole.setProcessChannelMode(QProcess::SeparateChannels);
    oConsole.start(QStringLiteral(VISTREL_CONSOLE_BIN), lsArgs);
    QVERIFY(oConsole.waitForFinished(60000));
    QCOMPARE(oConsole.exitCode(), 0);
    const QJsonObject oHost = QJsonDocument::fromJson(oConsole.readAllStandardOutput()).object();
    QCOMPARE(oHost.value(QStringLiteral("ip")).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(oHost.value(QStringLiteral("user")).toString(), user);
    QStringList lsShares;
    for (const QJsonValue &vShare : oHost.value(QStringLiteral("shares")).toArray())
        lsShares << vShare.toString();
    QCOMPARE(lsShares, shares);
}

void TestNetAccountSamba::secretNeverInChildArgumentsOrEnvironment()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    const TNetAccount oAccount{QStringLiteral("root"), QString(), kPassword};
    const QByteArray baSecret = kPassword.toUtf8();
    QAtomicInt nDone;
    QMutex oMutex;
    QSet<QByteArray> stPrograms;
    QStringList lsLeaks;
    constexpr int Rounds = 4;
    std::vector<std::function<void()>> vJobs;
    vJobs.push_back([&]() {
        for (int i = 0; i < Rounds; ++i)
            INetResources::Instance().Shares(QStringLiteral("loopbox"), Loopback, oAccount, 0);
        nDone.fetchAndAddRelaxed(1);
    });
    vJobs.push_back([&]() {
        for (int i = 0; i < Rounds; ++i)
            INetResources::Instance().LoggedOnUser(
                QStringLiteral("loopbox"), Loopback, oAccount, 0);
        nDone.fetchAndAddRelaxed(1);
    });
    vJobs.push_back([&]() {
        for (int i = 0; i < Rounds; ++i) {
            const auto pApi = IRemoteShutdownApi::Create();
            pApi->Logon(QStringLiteral("\\\\127.0.0.1"), oAccount.sLogin, oAccount.sPassword);
            pApi->DropConnections(QString(), QStringLiteral("127.0.0.1"));
        }
        nDone.fetchAndAddRelaxed(1);
    });
    // Watches the children while they run, until every job has ended.
    vJobs.push_back([&]() {
        QElapsedTimer oLimit;
        oLimit.start();
        while (nDone.loadRelaxed() < 3 && oLimit.elapsed() < 110000) {
            for (const TChild &oChild : ChildrenNow()) {
                const QByteArray baProgram = oChild.baCmdline.left(oChild.baCmdline.indexOf('\0'));
                QMutexLocker oLock(&oMutex);
                stPrograms.insert(baProgram.mid(baProgram.lastIndexOf('/') + 1));
                if ((oChild.baCmdline.contains(baSecret) || oChild.baEnviron.contains(baSecret))
                    && !lsLeaks.contains(QString::fromUtf8(baProgram)))
                    lsLeaks << QString::fromUtf8(baProgram);
            }
            QThread::usleep(500);
        }
    });
    QVERIFY(RunOnWorkers(vJobs));
    qInfo() << "children seen:" << stPrograms.values();
    QVERIFY2(lsLeaks.isEmpty(), qPrintable(lsLeaks.join(QLatin1Char(' '))));
    // A watch that saw none of them could not have failed.
    for (const char *pProgram : {"vistrel_smbshares", "rpcclient", "smbclient"})
        QVERIFY2(stPrograms.contains(pProgram), pProgram);
}

QTEST_GUILESS_MAIN(TestNetAccountSamba)
#include "tst_NetAccountSamba.moc"
