// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"
#include "CDnsSdLibrary.h"
#include "CHostNaming.h"
#include "CHostScan.h"
#include "CScanResult.h"
#include "CZeroconf.h"
#include "SnmpTestPeers.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

// The naming step after reverse DNS: which source a host's name comes from, in which order.
// snmpd answers on 127.0.0.1, a hand-made agent on 127.0.0.2, nothing on 127.0.0.3; zeroconf
// names are put into the cache directly (no DNS-SD library is loaded).

namespace {

constexpr quint32 kRealAgent = 0x7F000001;
constexpr quint32 kFakeAgent = 0x7F000002;
constexpr quint32 kNoAgent = 0x7F000003;
const QByteArray kSysName("naming-lab-agent");

} // namespace

class TestCHostNaming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void nameSources_data();
    void nameSources();
    void hostWithDnsNameOrNotAliveAsksNoAgent();
    void withoutDnsSdLibraryNamesStillComeFromSnmp();
    void slowAgentAnswersOnlyTheLongWait_data();
    void slowAgentAnswersOnlyTheLongWait();
    void scanAsksTheAgentDuringReverseDns_data();
    void scanAsksTheAgentDuringReverseDns();

private:
    CSnmpdPeer m_oSnmpd;
    std::unique_ptr<CFakeSnmpAgent> m_pFake;
};

void TestCHostNaming::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    QVERIFY(!CDnsSdLibrary::Load(QStringLiteral("/nonexistent/libdns_sd.so.1")));
    QString sError;
    QVERIFY2(m_oSnmpd.Start(kSysName, sError), qPrintable(sError));
    m_pFake = std::make_unique<CFakeSnmpAgent>();
    QVERIFY2(m_pFake->Listen(sError), qPrintable(sError));
}

void TestCHostNaming::cleanupTestCase()
{
    CZeroconf::DestroyInstance();
    m_pFake.reset();
    m_oSnmpd.Stop();
}

void TestCHostNaming::init()
{
    // A fresh, empty cache for every case.
    CZeroconf::DestroyInstance();
    if (m_pFake)
        m_pFake->SetDelayMs(0);
}

void TestCHostNaming::nameSources_data()
{
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<QString>("dnsName");
    QTest::addColumn<QString>("zeroconfName");
    QTest::addColumn<QByteArray>("fakeSysName");
    QTest::addColumn<QString>("expected");

    const QString sSnmp = QString::fromLatin1(kSysName);
    QTest::newRow("DNS name is kept")
        << kRealAgent << QStringLiteral("host.example") << QStringLiteral("zc") << QByteArray()
        << QStringLiteral("host.example");
    QTest::newRow("no name: SNMP wins over zeroconf")
        << kRealAgent << QString() << QStringLiteral("zc-name") << QByteArray() << sSnmp;
    QTest::newRow("address text counts as no name")
        << kRealAgent << QStringLiteral("127.0.0.1") << QString() << QByteArray() << sSnmp;
    QTest::newRow("address text with blanks counts as no name")
        << kRealAgent << QStringLiteral(" 127.0.0.1 ") << QString() << QByteArray() << sSnmp;
    QTest::newRow("blank name counts as no name")
        << kRealAgent << QStringLiteral("   ") << QString() << QByteArray() << sSnmp;
    QTest::newRow("zeroconf name when no agent answers")
        << kNoAgent << QString() << QStringLiteral("zc-only") << QByteArray()
        << QStringLiteral("zc-only");
    QTest::newRow("zeroconf name replaces address text")
        << kNoAgent << QStringLiteral("127.0.0.3") << QStringLiteral("zc-only") << QByteArray()
        << QStringLiteral("zc-only");
    QTest::newRow("no source leaves the address text")
        << kNoAgent << QStringLiteral("127.0.0.3") << QString() << QByteArray()
        << QStringLiteral("127.0.0.3");
    QTest::newRow("sysName of blanks keeps the zeroconf name")
        << kFakeAgent << QString() << QStringLiteral("zc-kept") << QByteArray("    ")
        << QStringLiteral("zc-kept");
    QTest::newRow("sysName is trimmed") << kFakeAgent << QString() << QString()
                                        << QByteArray("  padded \t") << QStringLiteral("padded");
    QTest::newRow("sysName over 256 characters is cut to 256")
        << kFakeAgent << QString() << QString() << QByteArray(3000, 'n')
        << QString(256, QLatin1Char('n'));
    QTest::newRow("control characters in sysName become spaces")
        << kFakeAgent << QString() << QString()
        << QByteArray("evil\r\nalive | injected\x1b[31m\x01\x7f")
        << QStringLiteral("evil  alive | injected [31m");
    QTest::newRow("zeroconf name is cleaned too")
        << kNoAgent << QString() << QStringLiteral("zc\r\nname") << QByteArray()
        << QStringLiteral("zc  name");
    QTest::newRow("sysName ends at a zero byte")
        << kFakeAgent << QString() << QString() << QByteArray("front\0back", 10)
        << QStringLiteral("front");
    QTest::newRow("sysName starting with a zero byte keeps the zeroconf name")
        << kFakeAgent << QString() << QStringLiteral("zc-kept") << QByteArray("\0back", 5)
        << QStringLiteral("zc-kept");
    QTest::newRow("sysName read in the local encoding")
        << kFakeAgent << QString() << QString()
        << QByteArray("\xd1\x81\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80")
        << QString::fromLocal8Bit("\xd1\x81\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80");
}

void TestCHostNaming::nameSources()
{
    QFETCH(quint32, ip);
    QFETCH(QString, dnsName);
    QFETCH(QString, zeroconfName);
    QFETCH(QByteArray, fakeSysName);
    QFETCH(QString, expected);

    m_pFake->SetReply(CFakeSnmpAgent::EReply::String, fakeSysName);
    if (!zeroconfName.isEmpty())
        QVERIFY(CZeroconf::Instance()->Insert(zeroconfName, ip));
    CScanResult oResult;
    oResult.set_ip(ip);
    oResult.set_status(EHostStatus::Alive);
    oResult.set_name(dnsName);
    CHostNaming::NameFromDiscovery(oResult);
    QCOMPARE(oResult.name(), expected);
}

void TestCHostNaming::hostWithDnsNameOrNotAliveAsksNoAgent()
{
    m_pFake->SetReply(CFakeSnmpAgent::EReply::String, QByteArray("should-not-be-asked"));
    const int nBefore = m_pFake->RequestCount();
    CScanResult oResult;
    oResult.set_ip(kFakeAgent);
    oResult.set_status(EHostStatus::Alive);
    oResult.set_name(QStringLiteral("fake.example"));
    CHostNaming::NameFromDiscovery(oResult);
    QCOMPARE(oResult.name(), QStringLiteral("fake.example"));
    QCOMPARE(m_pFake->RequestCount(), nBefore);

    oResult.set_name(QString());
    oResult.set_status(EHostStatus::Dead);
    CHostNaming::NameFromDiscovery(oResult);
    QCOMPARE(oResult.name(), QString());
    QCOMPARE(m_pFake->RequestCount(), nBefore);

    oResult.set_status(EHostStatus::Alive);
    CHostNaming::NameFromDiscovery(oResult);
    QCOMPARE(oResult.name(), QStringLiteral("should-not-be-asked"));
    QCOMPARE(m_pFake->RequestCount(), nBefore + 1);
}

void TestCHostNaming::withoutDnsSdLibraryNamesStillComeFromSnmp()
{
    QVERIFY(!CDnsSdLibrary::IsLoaded());
    CScanResult oResult;
    oResult.set_ip(kRealAgent);
    oResult.set_status(EHostStatus::Alive);
    QElapsedTimer oTimer;
    oTimer.start();
    CHostNaming::NameFromDiscovery(oResult);
    QCOMPARE(oResult.name(), SnmpGetSysName(QStringLiteral("127.0.0.1")));
    QVERIFY(oTimer.elapsed() < 2000);
    QTRY_VERIFY_WITH_TIMEOUT(!CZeroconf::Instance()->IsBrowsing(), 2000);
}

void TestCHostNaming::slowAgentAnswersOnlyTheLongWait_data()
{
    // An agent that answers 1.5 s after the request: the default mode on the link waits 1 s
    // once and names the host by its address; high accuracy (3 s, one retry) gets the name.
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("default, on the link") << false << QString() << 900 << 3000;
    QTest::newRow("high accuracy") << true << QStringLiteral("slow-agent") << 1400 << 10000;
}

void TestCHostNaming::slowAgentAnswersOnlyTheLongWait()
{
    QFETCH(bool, highAccuracy);
    QFETCH(QString, expected);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    m_pFake->SetReply(CFakeSnmpAgent::EReply::String, QByteArray("slow-agent"));
    m_pFake->SetDelayMs(1500);
    CScanResult oResult;
    oResult.set_ip(kFakeAgent);
    oResult.set_status(EHostStatus::Alive);
    QElapsedTimer oTimer;
    oTimer.start();
    CHostNaming::NameFromDiscovery(
        oResult, TProbeTimeouts::For(highAccuracy, TProbeTimeouts::EPath::OnLink, -1));
    const qint64 nMs = oTimer.elapsed();
    QCOMPARE(oResult.name(), expected);
    QVERIFY2(nMs >= minMs && nMs < maxMs, qPrintable(QStringLiteral("%1 ms").arg(nMs)));
    // The late answer of the default row must not reach the next case.
    QThread::msleep(700);
}

void TestCHostNaming::scanAsksTheAgentDuringReverseDns_data()
{
    // A whole host scan (high accuracy, no service probes). The namespace's resolver, 127.0.0.1,
    // takes every query and never answers: a lookup without a hosts-file entry costs its 1 s.
    // 127.0.0.1 is "localhost" in the hosts file, and that name stays although snmpd answers;
    // 127.0.0.2 has no name, and its agent answers 1.2 s after the request. Asked one after the
    // other the two waits would add up to 2.2 s.
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("named by the hosts file: the agent's answer is not taken")
        << kRealAgent << QStringLiteral("localhost") << 0 << 1900;
    QTest::newRow("no name: the agent's answer, waited for alongside the lookup")
        << kFakeAgent << QStringLiteral("slow-agent") << 1100 << 1900;
}

void TestCHostNaming::scanAsksTheAgentDuringReverseDns()
{
    QFETCH(quint32, ip);
    QFETCH(QString, expected);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    QUdpSocket oSilentResolver;
    QVERIFY(oSilentResolver.bind(QHostAddress::LocalHost, 53));
    m_pFake->SetReply(CFakeSnmpAgent::EReply::String, QByteArray("slow-agent"));
    m_pFake->SetDelayMs(1200);
    CCfg oCfg;
    oCfg.set_high_accuracy(true);
    oCfg.set_scan_http(false);
    oCfg.set_scan_https(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_shares(false);
    oCfg.set_scan_netbios(false);
    oCfg.set_scan_username(false);
    oCfg.set_ortavo_ports({});
    CScanResult oResult;
    oResult.set_ip(ip);
    QElapsedTimer oTimer;
    oTimer.start();
    CHostScan(oCfg).Run(oResult);
    const qint64 nMs = oTimer.elapsed();
    QVERIFY(oResult.IsAlive());
    QCOMPARE(oResult.name(), expected);
    QVERIFY2(nMs >= minMs && nMs < maxMs, qPrintable(QStringLiteral("%1 ms").arg(nMs)));
    QThread::msleep(700);
}

QTEST_GUILESS_MAIN(TestCHostNaming)
#include "tst_CHostNaming.moc"
