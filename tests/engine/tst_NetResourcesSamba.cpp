// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux share and logged-on user calls against a real Samba server that this test starts
// on 127.0.0.1 inside the loopback namespace, with its own utmp (two logged-on users) in a
// private mount namespace, and a test administrator account.
#include "../remote/CSambaPeer.h"
#include "CCfg.h"
#include "CHostScan.h"
#include "CNetResourcesLinux.h"
#include "CScanResult.h"
#include "CSmbPing.h"
#include "CTcpConnect.h"
#include "CTestPeer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

#include <sys/types.h>

namespace {

const QString AdminPassword = QStringLiteral("Adm1n%pw \"quoted\"");
constexpr quint32 Loopback = 0x7F000001;

QStringList SmbClientShares(const QString &i_sIp)
{
    QProcess oProcess;
    oProcess.start(QStringLiteral("smbclient"),
                   {QStringLiteral("-L"), i_sIp, QStringLiteral("-N"), QStringLiteral("-g")});
    if (!oProcess.waitForFinished(20000)) {
        oProcess.kill();
        oProcess.waitForFinished();
        return {};
    }
    QStringList lsShares;
    for (const QString &sLine :
         QString::fromUtf8(oProcess.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList lsParts = sLine.split(QLatin1Char('|'));
        if (lsParts.size() >= 2
            && (lsParts.at(0) == QLatin1String("Disk") || lsParts.at(0) == QLatin1String("IPC")))
            lsShares << lsParts.at(1);
    }
    return lsShares;
}

} // namespace

class TestNetResourcesSamba final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void rpcClientArguments_data();
    void rpcClientArguments();
    void parseUserList_data();
    void parseUserList();

    void sharesMatchSmbClient();
    void sharesFromManyWorkersAtOnce();
    void loggedOnUser_data();
    void loggedOnUser();
    void hostScanFillsSharesAndUser();
    void stalledSmbHostsDoNotDelayOthers();
    void parseShareList_data();
    void parseShareList();
    void shareListerTakesOnlyAnAddress_data();
    void shareListerTakesOnlyAnAddress();

private:
    CSambaPeer m_oSamba;
};

void TestNetResourcesSamba::initTestCase()
{
    for (const QNetworkInterface &oIf : QNetworkInterface::allInterfaces()) {
        if (!(oIf.flags() & QNetworkInterface::IsLoopBack))
            QFAIL("run through tests/loopns/loopns.sh exec: this test starts a Samba server");
    }
    QString sWhy;
    if (!CSambaPeer::Available(&sWhy))
        QSKIP(qPrintable(sWhy));
    CSambaPeer::TOptions oOptions;
    oOptions.lsLoggedOn = QStringList{QStringLiteral("carol"), QStringLiteral("dave")};
    oOptions.lsMoreShares = QStringList{QStringLiteral("pub"), QStringLiteral("admin$")};
    oOptions.baPassword = AdminPassword.toUtf8();
    QVERIFY2(m_oSamba.Start(&sWhy, oOptions), qPrintable(sWhy));
}

void TestNetResourcesSamba::cleanupTestCase()
{
    m_oSamba.Stop();
}

void TestNetResourcesSamba::rpcClientArguments_data()
{
    using ELogon = CNetResourcesLinux::ELogon;
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("logon");
    QTest::addColumn<QStringList>("args");
    const QString sCommand = QStringLiteral("--command=wkssvc_enumerateusers 0");
    QTest::newRow("anonymous") << QString() << QString() << int(ELogon::Anonymous)
                               << QStringList{QStringLiteral("--user="),
                                              QStringLiteral("--use-kerberos=off"),
                                              QStringLiteral("--no-pass"),
                                              sCommand,
                                              QStringLiteral("198.18.0.10")};
    QTest::newRow("login as one argument, the password not at all")
        << QStringLiteral("DOM\\-x y") << QString() << int(ELogon::Account)
        << QStringList{QStringLiteral("--user=DOM\\-x y"),
                       QStringLiteral("--use-kerberos=off"),
                       sCommand,
                       QStringLiteral("198.18.0.10")};
    QTest::newRow("domain of its own")
        << QStringLiteral("ann") << QStringLiteral("OFFICE") << int(ELogon::Account)
        << QStringList{QStringLiteral("--user=ann"),
                       QStringLiteral("--workgroup=OFFICE"),
                       QStringLiteral("--use-kerberos=off"),
                       sCommand,
                       QStringLiteral("198.18.0.10")};
    QTest::newRow("Kerberos ticket")
        << QString() << QString() << int(ELogon::Kerberos)
        << QStringList{
               QStringLiteral("--use-kerberos=required"), sCommand, QStringLiteral("198.18.0.10")};
}

void TestNetResourcesSamba::rpcClientArguments()
{
    QFETCH(QString, login);
    QFETCH(QString, domain);
    QFETCH(int, logon);
    QFETCH(QStringList, args);
    const TNetAccount oAccount{login, domain, QStringLiteral("pw-never-shown")};
    QCOMPARE(CNetResourcesLinux::RpcClientArguments(
                 QStringLiteral("198.18.0.10"), oAccount, CNetResourcesLinux::ELogon(logon)),
             args);
}

void TestNetResourcesSamba::parseUserList_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("found");
    QTest::newRow("first of two") << QByteArray("carol\ndave\n") << QStringLiteral("carol") << true;
    QTest::newRow("blank lines and spaces")
        << QByteArray("\n\n  Jo Smith \r\n") << QStringLiteral("Jo Smith") << true;
    QTest::newRow("refusal") << QByteArray("result was WERR_ACCESS_DENIED\n") << QString() << false;
    QTest::newRow("status error") << QByteArray(
        "cli_rpc_pipe_open failed NT_STATUS_ACCESS_DENIED\n")
                                  << QString() << false;
    QTest::newRow("nothing") << QByteArray() << QString() << false;
    QTest::newRow("control characters become spaces")
        << QByteArray("ev\x1bil\n") << QStringLiteral("ev il") << true;
}

void TestNetResourcesSamba::parseUserList()
{
    QFETCH(QByteArray, output);
    QFETCH(QString, user);
    QFETCH(bool, found);
    const std::optional<QString> osUser = CNetResourcesLinux::ParseUserList(output);
    QCOMPARE(osUser.has_value(), found);
    if (found)
        QCOMPARE(*osUser, user);
}

void TestNetResourcesSamba::sharesMatchSmbClient()
{
    std::optional<QStringList> olsShares;
    std::vector<std::unique_ptr<QThread>> vThreads;
    vThreads.emplace_back(QThread::create([&]() {
        olsShares = INetResources::Instance().Shares(QStringLiteral("loopbox"), Loopback, {}, 0);
    }));
    QVERIFY(RunAll(vThreads));
    QVERIFY(olsShares.has_value());
    // Hidden and IPC shares are listed like the others.
    QVERIFY(olsShares->contains(QStringLiteral("admin$")));
    QVERIFY(olsShares->contains(QStringLiteral("IPC$")));
    QCOMPARE(*olsShares, SmbClientShares(QStringLiteral("127.0.0.1")));
}

void TestNetResourcesSamba::sharesFromManyWorkersAtOnce()
{
    // The SMB library is not thread-safe: workers asking at once must each get the list.
    constexpr int Workers = 16;
    QAtomicInt nRight;
    const QStringList lsExpected = SmbClientShares(QStringLiteral("127.0.0.1"));
    QVERIFY(!lsExpected.isEmpty());
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < Workers; ++i) {
        vThreads.emplace_back(QThread::create([&]() {
            const auto olsShares =
                INetResources::Instance().Shares(QStringLiteral("loopbox"), Loopback, {}, 0);
            if (olsShares && *olsShares == lsExpected)
                nRight.fetchAndAddRelaxed(1);
        }));
    }
    QElapsedTimer oTimer;
    oTimer.start();
    QVERIFY(RunAll(vThreads));
    qInfo("%d listings at once took %lld ms", Workers, oTimer.elapsed());
    QCOMPARE(nRight.loadRelaxed(), Workers);
}

void TestNetResourcesSamba::loggedOnUser_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("found");
    QTest::newRow("administrator sees the first user")
        << QStringLiteral("root") << AdminPassword << true;
    QTest::newRow("anonymous is refused") << QString() << QString() << false;
    QTest::newRow("wrong password is refused")
        << QStringLiteral("root") << QStringLiteral("nope") << false;
    QTest::newRow("login with percent is never passed on")
        << QStringLiteral("root%") + AdminPassword << QString() << false;
}

void TestNetResourcesSamba::loggedOnUser()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(bool, found);
    std::optional<QString> osUser;
    std::vector<std::unique_ptr<QThread>> vThreads;
    vThreads.emplace_back(QThread::create([&]() {
        osUser = INetResources::Instance().LoggedOnUser(
            QStringLiteral("loopbox"), Loopback, {login, QString(), password}, 0);
    }));
    QVERIFY(RunAll(vThreads));
    QCOMPARE(osUser.has_value(), found);
    if (found)
        QCOMPARE(*osUser, QStringLiteral("carol"));
}

void TestNetResourcesSamba::hostScanFillsSharesAndUser()
{
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_username(true);
    oCfg.set_ortavo_ports({445});
    oCfg.set_net_account({QStringLiteral("root"), QString(), AdminPassword});
    CScanResult oResult;
    oResult.set_ip(Loopback);
    oResult.set_status(EHostStatus::Alive);
    oResult.set_name(QStringLiteral("loopbox"));
    std::vector<std::unique_ptr<QThread>> vThreads;
    vThreads.emplace_back(QThread::create([&]() { CHostScan(oCfg).Run(oResult); }));
    QVERIFY(RunAll(vThreads));
    QCOMPARE(oResult.shares(), SmbClientShares(QStringLiteral("127.0.0.1")));
    QCOMPARE(oResult.user(), QStringLiteral("carol"));
    QCOMPARE(oResult.ortavo_ports(), QList<qint32>{445});
}

void TestNetResourcesSamba::stalledSmbHostsDoNotDelayOthers()
{
    // Hosts that answer the negotiate and then stall keep their own share lister busy until its
    // deadline; a real listing started after them must not wait for them.
    constexpr int Stalled = 8;
    std::vector<std::unique_ptr<CTestPeer>> vPeers;
    for (int i = 0; i < Stalled; ++i) {
        vPeers.push_back(std::make_unique<CTestPeer>(CTestPeer::EWait::AnyBytes,
                                                     QByteArray("\0\0\0\x41\xFESMB", 8),
                                                     CTestPeer::EAfter::Hold));
        QVERIFY(vPeers.back()->listen(QHostAddress(QStringLiteral("127.0.4.%1").arg(i + 1)), 445));
    }
    QElapsedTimer oTimer;
    oTimer.start();
    QAtomicInt nStalledStarted;
    qint64 nRealMs = -1;
    std::optional<QStringList> olsReal;
    QList<bool> lfStalledAnswered;
    for (int i = 0; i < Stalled; ++i)
        lfStalledAnswered << true;
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < Stalled; ++i) {
        vThreads.emplace_back(QThread::create([&, i]() {
            const quint32 nIp =
                QHostAddress(QStringLiteral("127.0.4.%1").arg(i + 1)).toIPv4Address();
            nStalledStarted.fetchAndAddRelaxed(1);
            lfStalledAnswered[i] =
                INetResources::Instance().Shares(QStringLiteral("stall"), nIp, {}, 0).has_value();
        }));
    }
    vThreads.emplace_back(QThread::create([&]() {
        // Start once every stalled listing is under way.
        while (nStalledStarted.loadRelaxed() < Stalled)
            QThread::yieldCurrentThread();
        QElapsedTimer oOwn;
        oOwn.start();
        olsReal = INetResources::Instance().Shares(QStringLiteral("loopbox"), Loopback, {}, 0);
        nRealMs = oOwn.elapsed();
    }));
    QVERIFY(RunAll(vThreads));
    qInfo("%d stalled SMB hosts done after %lld ms; a real listing beside them took %lld ms",
          Stalled,
          oTimer.elapsed(),
          nRealMs);
    QVERIFY(olsReal.has_value());
    QVERIFY(!olsReal->isEmpty());
    QVERIFY2(nRealMs < 3000, qPrintable(QString::number(nRealMs)));
    for (bool fAnswered : lfStalledAnswered)
        QVERIFY(!fAnswered);
    // All stalled ones end at about one deadline, not one after another.
    QVERIFY(oTimer.elapsed() < CNetResourcesLinux::ShareListTimeoutMs + CSmbPing::TimeoutMs + 3000);
}

void TestNetResourcesSamba::parseShareList_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("shares");
    QTest::newRow("server order kept") << QByteArray("docs\npub\nadmin$\nIPC$\n")
                                       << QStringList{QStringLiteral("docs"),
                                                      QStringLiteral("pub"),
                                                      QStringLiteral("admin$"),
                                                      QStringLiteral("IPC$")};
    QTest::newRow("a repeated part gives each name once")
        << QByteArray("docs\npub\nDOCS\npub\nnew\n")
        << QStringList{QStringLiteral("docs"), QStringLiteral("pub"), QStringLiteral("new")};
    QTest::newRow("control characters become spaces, blank lines skipped")
        << QByteArray("\n\x01\nev\x1bil\r\n") << QStringList{QStringLiteral("ev il")};
    QTest::newRow("nothing") << QByteArray() << QStringList();
}

void TestNetResourcesSamba::parseShareList()
{
    QFETCH(QByteArray, output);
    QFETCH(QStringList, shares);
    QCOMPARE(CNetResourcesLinux::ParseShareList(output), shares);
}

void TestNetResourcesSamba::shareListerTakesOnlyAnAddress_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("status");
    QTest::newRow("a URL is refused") << QStringLiteral("smb://127.0.0.1/x") << 1;
    QTest::newRow("a name is refused") << QStringLiteral("loopbox") << 1;
    QTest::newRow("five parts are refused") << QStringLiteral("1.2.3.4.5") << 1;
    QTest::newRow("closed port is a refusal") << QStringLiteral("127.0.0.9") << 3;
    QTest::newRow("the server lists") << QStringLiteral("127.0.0.1") << 0;
}

void TestNetResourcesSamba::shareListerTakesOnlyAnAddress()
{
    QFETCH(QString, argument);
    QFETCH(int, status);
    const QString sLister = CNetResourcesLinux::ShareListerPath();
    QVERIFY(!sLister.isEmpty());
    QProcess oProcess;
    oProcess.start(sLister, {argument});
    QVERIFY(oProcess.waitForFinished(30000));
    QCOMPARE(oProcess.exitCode(), status);
}

QTEST_GUILESS_MAIN(TestNetResourcesSamba)
#include "tst_NetResourcesSamba.moc"
