// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDnsSdLibrary.h"
#include "CIpv4Resolver.h"
#include "CZeroconf.h"
#include "SnmpTestPeers.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryFile>
#include <QThreadPool>
#include <QUdpSocket>
#include <QtTest>

// Zeroconf discovery through the DNS-SD calls of a real library: the test library of
// tests/helpers/fakednssd (which lets the test announce services and break connections) and
// the system's own libdns_sd without a daemon. Announced names resolve through this process's
// own /etc/hosts, bind-mounted in the private mount namespace that `ip netns exec` gives it.

namespace {

using TAnnounce = int (*)(const char *, const char *, const char *, int);
using TCount = int (*)();
using TBreak = void (*)();
using TConfigure = void (*)(int, int);
using TLog = int (*)(char *, int);

const char kWorkstation[] = "_workstation._tcp";
const char kSleepProxy[] = "_sleep-proxy._udp";

const char kHosts[] = "127.0.0.1 localhost\n"
                      "127.0.0.42 office-pc.local.\n"
                      "127.0.0.43 nas.local.\n"
                      "127.0.0.44 multi.local.\n"
                      "127.0.0.45 late.local.\n"
                      "127.0.0.46 twice.local.\n"
                      "127.0.0.47 twice.local.\n"
                      "127.0.0.48 errored.local.\n";

struct TFake
{
    QLibrary oLibrary;
    TAnnounce pfnAnnounce = nullptr;
    TCount pfnBrowseCount = nullptr;
    TBreak pfnBreak = nullptr;
    TConfigure pfnConfigure = nullptr;
    TLog pfnLog = nullptr;

    bool Open(const QString &i_sPath)
    {
        oLibrary.setFileName(i_sPath);
        if (!oLibrary.load())
            return false;
        pfnAnnounce = reinterpret_cast<TAnnounce>(oLibrary.resolve("FakeDnsSd_Announce"));
        pfnBrowseCount = reinterpret_cast<TCount>(oLibrary.resolve("FakeDnsSd_BrowseCount"));
        pfnBreak = reinterpret_cast<TBreak>(oLibrary.resolve("FakeDnsSd_Break"));
        pfnConfigure = reinterpret_cast<TConfigure>(oLibrary.resolve("FakeDnsSd_Configure"));
        pfnLog = reinterpret_cast<TLog>(oLibrary.resolve("FakeDnsSd_DeallocationLog"));
        return pfnAnnounce && pfnBrowseCount && pfnBreak && pfnConfigure && pfnLog;
    }

    QString DeallocationLog() const
    {
        char szLog[512];
        pfnLog(szLog, sizeof(szLog));
        return QString::fromLatin1(szLog);
    }
};

} // namespace

class TestCZeroconf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void announcedNamesAreCached_data();
    void announcedNamesAreCached();
    void badServiceNamesAreHarmless_data();
    void badServiceNamesAreHarmless();
    void errorRepliesAreIgnored();
    void stopEndsBrowsingPromptly_data();
    void stopEndsBrowsingPromptly();
    void brokenConnectionEndsBrowsing();
    void unavailableDiscoveryEndsAtOnce_data();
    void unavailableDiscoveryEndsAtOnce();
    void lookupsWhileNamesArrive();
    void systemLibraryWritesNothingToStderr();
    void hangingResolverBlocksNeitherLookupsNorStop();

private:
    void StartWithFake(bool i_fShared);

    TFake m_oFake;
    TFake m_oFakeWithoutBrowse;
    QTemporaryFile m_oHosts;
};

void TestCZeroconf::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    QVERIFY(m_oHosts.open());
    m_oHosts.write(kHosts);
    m_oHosts.flush();
    const int nMount = QProcess::execute(
        QStringLiteral("mount"),
        {QStringLiteral("--bind"), m_oHosts.fileName(), QStringLiteral("/etc/hosts")});
    QCOMPARE(nMount, 0);
    QCOMPARE(CIpv4Resolver::Resolve("office-pc.local."), QList<quint32>{0x7F00002A});

    QVERIFY2(m_oFake.Open(QStringLiteral(FAKE_DNSSD_PATH)),
             qPrintable(m_oFake.oLibrary.errorString()));
    QVERIFY(m_oFakeWithoutBrowse.Open(QStringLiteral(FAKE_DNSSD_NOBROWSE_PATH)));
}

void TestCZeroconf::cleanup()
{
    CZeroconf::DestroyInstance();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
}

void TestCZeroconf::StartWithFake(bool i_fShared)
{
    m_oFake.pfnConfigure(i_fShared ? 0 : 1, 0);
    QVERIFY(CDnsSdLibrary::Load(QStringLiteral(FAKE_DNSSD_PATH)));
    QVERIFY(CZeroconf::Instance());
    QTRY_COMPARE_WITH_TIMEOUT(m_oFake.pfnBrowseCount(), 2, 5000);
    QVERIFY(CZeroconf::Instance()->IsBrowsing());
}

void TestCZeroconf::announcedNamesAreCached_data()
{
    QTest::addColumn<bool>("shared");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("service");
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<QString>("name");

    for (bool fShared : {true, false}) {
        const char *szHow = fShared ? "shared connection" : "connection per browse";
        QTest::addRow("%s: workstation name up to the space", szHow)
            << fShared << QByteArray(kWorkstation) << QByteArray("office-pc [00:11:22:33:44:55]")
            << QByteArray("local.") << quint32(0x7F00002A) << QStringLiteral("office-pc");
        QTest::addRow("%s: sleep proxy name after the space", szHow)
            << fShared << QByteArray(kSleepProxy) << QByteArray("70-35-60-63.1 nas")
            << QByteArray("local.") << quint32(0x7F00002B) << QStringLiteral("nas");
        QTest::addRow("%s: workstation name with many spaces", szHow)
            << fShared << QByteArray(kWorkstation)
            << QByteArray("multi word name [00:11:22:33:44:55]") << QByteArray("local.")
            << quint32(0x7F00002C) << QStringLiteral("multi");
        QTest::addRow("%s: every address of the name", szHow)
            << fShared << QByteArray(kWorkstation) << QByteArray("twice [00:11:22:33:44:55]")
            << QByteArray("local.") << quint32(0x7F00002F) << QStringLiteral("twice");
    }
}

void TestCZeroconf::announcedNamesAreCached()
{
    QFETCH(bool, shared);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, service);
    QFETCH(QByteArray, domain);
    QFETCH(quint32, ip);
    QFETCH(QString, name);

    StartWithFake(shared);
    QCOMPARE(CZeroconf::Instance()->Lookup(ip), QString());
    QCOMPARE(m_oFake.pfnAnnounce(type.constData(), service.constData(), domain.constData(), 0), 1);
    QTRY_COMPARE_WITH_TIMEOUT(CZeroconf::Instance()->Lookup(ip), name, 5000);
    if (name == QLatin1String("twice"))
        QTRY_COMPARE_WITH_TIMEOUT(CZeroconf::Instance()->Lookup(0x7F00002E), name, 5000);
}

void TestCZeroconf::badServiceNamesAreHarmless_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("service");
    QTest::addColumn<QByteArray>("domain");

    QTest::newRow("empty workstation name")
        << QByteArray(kWorkstation) << QByteArray() << QByteArray("local.");
    QTest::newRow("empty sleep proxy name")
        << QByteArray(kSleepProxy) << QByteArray() << QByteArray("local.");
    QTest::newRow("no space, unknown host")
        << QByteArray(kWorkstation) << QByteArray("nobody") << QByteArray("local.");
    QTest::newRow("only spaces") << QByteArray(kWorkstation) << QByteArray("     ")
                                 << QByteArray("local.");
    QTest::newRow("very long name")
        << QByteArray(kWorkstation) << QByteArray(100000, 'x') + " [mac]" << QByteArray("local.");
    QTest::newRow("bytes invalid in the local encoding")
        << QByteArray(kWorkstation) << QByteArray("\xff\xfe\xc3 [mac]") << QByteArray("local.");
    QTest::newRow("empty domain") << QByteArray(kSleepProxy) << QByteArray("1.1 nas")
                                  << QByteArray();
    QTest::newRow("very long domain")
        << QByteArray(kWorkstation) << QByteArray("nas [m]") << QByteArray(70000, 'd');
}

void TestCZeroconf::badServiceNamesAreHarmless()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, service);
    QFETCH(QByteArray, domain);

    StartWithFake(true);
    QCOMPARE(m_oFake.pfnAnnounce(type.constData(), service.constData(), domain.constData(), 0), 1);
    // Announcements are handled in order: once the next one is cached, the bad one was handled.
    QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, "late [00:11:22:33:44:55]", "local.", 0), 1);
    QTRY_COMPARE_WITH_TIMEOUT(
        CZeroconf::Instance()->Lookup(0x7F00002D), QStringLiteral("late"), 5000);
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
    QVERIFY(CZeroconf::Instance()->IsBrowsing());
    // Nothing else in the hosts table was cached on the way.
    for (quint32 nIp = 0x7F00002A; nIp <= 0x7F000030; ++nIp)
        if (nIp != 0x7F00002D)
            QCOMPARE(CZeroconf::Instance()->Lookup(nIp), QString());
}

void TestCZeroconf::errorRepliesAreIgnored()
{
    StartWithFake(true);
    QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, "errored [00:11:22:33:44:55]", "local.", -65537), 1);
    QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, nullptr, "local.", 0), 1);
    QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, "late [00:11:22:33:44:55]", "local.", 0), 1);
    QTRY_COMPARE_WITH_TIMEOUT(
        CZeroconf::Instance()->Lookup(0x7F00002D), QStringLiteral("late"), 5000);
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
    QCOMPARE(CZeroconf::Instance()->Lookup(0x7F000030), QString());
}

void TestCZeroconf::stopEndsBrowsingPromptly_data()
{
    QTest::addColumn<bool>("shared");
    QTest::addColumn<QString>("deallocations");

    QTest::newRow("shared connection: browses first, connection last")
        << true << QStringLiteral("_sleep-proxy._udp,_workstation._tcp,connection");
    QTest::newRow("connection per browse: sleep proxy first")
        << false << QStringLiteral("_sleep-proxy._udp,_workstation._tcp");
}

void TestCZeroconf::stopEndsBrowsingPromptly()
{
    QFETCH(bool, shared);
    QFETCH(QString, deallocations);

    StartWithFake(shared);
    QElapsedTimer oTimer;
    oTimer.start();
    CZeroconf::DestroyInstance();
    // One 50 ms wait at most; the bound leaves room for a loaded machine.
    QVERIFY2(oTimer.elapsed() < 1000,
             qPrintable(QStringLiteral("took %1 ms").arg(oTimer.elapsed())));
    QCOMPARE(m_oFake.DeallocationLog(), deallocations);
    QCOMPARE(m_oFake.pfnBrowseCount(), 0);
}

void TestCZeroconf::brokenConnectionEndsBrowsing()
{
    StartWithFake(true);
    QVERIFY(CZeroconf::Instance()->Insert(QStringLiteral("kept"), 0x7F000063));
    m_oFake.pfnBreak();
    QTRY_VERIFY_WITH_TIMEOUT(!CZeroconf::Instance()->IsBrowsing(), 2000);
    QCOMPARE(m_oFake.DeallocationLog(),
             QStringLiteral("_sleep-proxy._udp,_workstation._tcp,connection"));
    // What was learned stays available after discovery ended.
    QCOMPARE(CZeroconf::Instance()->Lookup(0x7F000063), QStringLiteral("kept"));
}

void TestCZeroconf::unavailableDiscoveryEndsAtOnce_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("fakeMode");
    QTest::addColumn<QString>("deallocations");

    QTest::newRow("no library") << QStringLiteral("/nonexistent/libdns_sd.so.1") << 0 << QString();
    QTest::newRow("library without DNSServiceBrowse")
        << QStringLiteral(FAKE_DNSSD_NOBROWSE_PATH) << 0 << QStringLiteral("connection");
    QTest::newRow("library whose daemon is not running")
        << QStringLiteral(FAKE_DNSSD_PATH) << 1 << QString();
    QTest::newRow("system libdns_sd without its bus")
        << QStringLiteral("libdns_sd.so.1") << 0 << QString();
}

void TestCZeroconf::unavailableDiscoveryEndsAtOnce()
{
    QFETCH(QString, library);
    QFETCH(int, fakeMode);
    QFETCH(QString, deallocations);

    m_oFake.pfnConfigure(0, fakeMode);
    m_oFakeWithoutBrowse.pfnConfigure(0, 0);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    const bool fLoaded = CDnsSdLibrary::Load(library);
    QCOMPARE(fLoaded, !library.startsWith(QLatin1String("/nonexistent")));
    QElapsedTimer oTimer;
    oTimer.start();
    CZeroconf *pZeroconf = CZeroconf::Instance();
    QVERIFY(pZeroconf);
    QTRY_VERIFY_WITH_TIMEOUT(!pZeroconf->IsBrowsing(), 5000);
    QVERIFY2(oTimer.elapsed() < 5000,
             qPrintable(QStringLiteral("took %1 ms").arg(oTimer.elapsed())));
    QCOMPARE(pZeroconf->Lookup(0x7F00002A), QString());
    // The cache still works for whoever fills it.
    QVERIFY(pZeroconf->Insert(QStringLiteral("manual"), 0x7F00002A));
    QCOMPARE(pZeroconf->Lookup(0x7F00002A), QStringLiteral("manual"));
    if (library == QLatin1String(FAKE_DNSSD_NOBROWSE_PATH))
        QCOMPARE(m_oFakeWithoutBrowse.DeallocationLog(), deallocations);
    else if (library == QLatin1String(FAKE_DNSSD_PATH))
        QCOMPARE(m_oFake.DeallocationLog(), deallocations);
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

void TestCZeroconf::lookupsWhileNamesArrive()
{
    StartWithFake(false);
    std::atomic<bool> fStop{false};
    std::atomic<int> nFound{0};
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < 16; ++i) {
        vThreads.emplace_back(QThread::create([&fStop, &nFound] {
            while (!fStop.load())
                if (!CZeroconf::Instance()->Lookup(0x7F00002A).isEmpty())
                    ++nFound;
        }));
        vThreads.back()->start();
    }
    for (int i = 0; i < 50; ++i) {
        m_oFake.pfnAnnounce(kWorkstation, "office-pc [00:11:22:33:44:55]", "local.", 0);
        m_oFake.pfnAnnounce(kSleepProxy, "1.1 nas", "local.", 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(
        CZeroconf::Instance()->Lookup(0x7F00002B), QStringLiteral("nas"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(nFound.load() > 0, 5000);
    fStop.store(true);
    for (auto &pThread : vThreads)
        QVERIFY(pThread->wait(5000));
    QCOMPARE(CZeroconf::Instance()->Lookup(0x7F00002A), QStringLiteral("office-pc"));
}

void TestCZeroconf::systemLibraryWritesNothingToStderr()
{
    // Avahi's library warns on stderr about its compatibility layer and about every call it
    // does not support; a scan must not show any of that. Run in a fresh process, as the
    // warnings come once per process.
    QProcess oChild;
    oChild.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("unavailableDiscoveryEndsAtOnce:system libdns_sd without its bus")});
    QVERIFY(oChild.waitForFinished(30000));
    QCOMPARE(oChild.exitStatus(), QProcess::NormalExit);
    QCOMPARE(oChild.exitCode(), 0);
    QVERIFY(oChild.readAllStandardOutput().contains(
        "PASS   : TestCZeroconf::unavailableDiscoveryEndsAtOnce"));
    QCOMPARE(oChild.readAllStandardError(), QByteArray());
}

void TestCZeroconf::hangingResolverBlocksNeitherLookupsNorStop()
{
    // The namespace's resolver is 127.0.0.1:53; a socket there that never answers makes every
    // lookup of an announced name wait for the resolver's time-out.
    QUdpSocket oSilentDns;
    QVERIFY2(oSilentDns.bind(QHostAddress(QStringLiteral("127.0.0.1")), 53),
             qPrintable(oSilentDns.errorString()));
    StartWithFake(true);
    for (int i = 0; i < 6; ++i) {
        const QByteArray baName = "slow" + QByteArray::number(i) + " [00:11:22:33:44:55]";
        QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, baName.constData(), "example.", 0), 1);
    }
    QCOMPARE(m_oFake.pfnAnnounce(kWorkstation, "office-pc [00:11:22:33:44:55]", "local.", 0), 1);
    QTRY_VERIFY_WITH_TIMEOUT(oSilentDns.hasPendingDatagrams(), 5000);
    QElapsedTimer oTimer;
    oTimer.start();
    for (int i = 0; i < 1000; ++i)
        CZeroconf::Instance()->Lookup(0x7F00002A);
    QVERIFY2(oTimer.elapsed() < 500,
             qPrintable(QStringLiteral("1000 lookups took %1 ms").arg(oTimer.elapsed())));
    QVERIFY(CZeroconf::Instance()->IsBrowsing());
    oTimer.restart();
    CZeroconf::DestroyInstance();
    QVERIFY2(oTimer.elapsed() < 1000,
             qPrintable(QStringLiteral("stop took %1 ms").arg(oTimer.elapsed())));
}

QTEST_GUILESS_MAIN(TestCZeroconf)
#include "tst_CZeroconf.moc"
