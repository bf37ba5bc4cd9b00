// SPDX-License-Identifier: GPL-3.0-or-later
#include "../netlab/LabTable.h"
#include "CDnsSdLibrary.h"
#include "CHostNaming.h"
#include "CIpv4Resolver.h"
#include "CScanResult.h"
#include "CZeroconf.h"
#include "SnmpTestPeers.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

// Names from SNMP agents and DNS-SD announcements on the test network, run in the scanner's
// namespace with the system's libdns_sd talking to the avahi-daemon there. The table of
// expected values is the lab's own hosts.tsv.

namespace {

struct THost
{
    quint32 nIp = 0;
    QString sStatus;
    QString sDnsName;
    QString sSnmpName;
    QString sZeroconfName;
    QString sMdnsName;
};

QList<THost> ReadHosts()
{
    QList<THost> lHosts;
    for (const TLabRow &mRow : ReadLabTable()) {
        THost oHost;
        oHost.nIp = QHostAddress(mRow.value(QStringLiteral("ip"))).toIPv4Address();
        oHost.sStatus = mRow.value(QStringLiteral("expect_status"));
        oHost.sDnsName = mRow.value(QStringLiteral("name"));
        oHost.sSnmpName = mRow.value(QStringLiteral("snmp_sysname"));
        oHost.sZeroconfName = mRow.value(QStringLiteral("zeroconf_name"));
        oHost.sMdnsName = mRow.value(QStringLiteral("mdns_name"));
        if (oHost.nIp != 0)
            lHosts << oHost;
    }
    return lHosts;
}

QString AvahiResolve(const QString &i_sName)
{
    QProcess oResolve;
    oResolve.start(QStringLiteral("avahi-resolve"),
                   {QStringLiteral("-4"), QStringLiteral("-n"), i_sName});
    if (!oResolve.waitForFinished(10000)) {
        oResolve.kill();
        oResolve.waitForFinished(1000);
        return QString();
    }
    const QList<QByteArray> lbaFields = oResolve.readAllStandardOutput().simplified().split(' ');
    return lbaFields.size() == 2 ? QString::fromLatin1(lbaFields.at(1)) : QString();
}

} // namespace

class TestNamingNetlab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void snmpNames_data();
    void snmpNames();
    void announcedNamesResolve_data();
    void announcedNamesResolve();
    void announcedNamesAreCached_data();
    void announcedNamesAreCached();
    void namingStepOfHostsWithoutPtr();

private:
    QList<THost> m_lHosts;
};

void TestNamingNetlab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    if (!InPrivateNetworkNamespace())
        QSKIP("must run in the lab's scanner namespace vnl-scan");
    m_lHosts = ReadHosts();
    QVERIFY(!m_lHosts.isEmpty());
    for (const char *pColumn :
         {"expect_status", "name", "snmp_sysname", "zeroconf_name", "mdns_name"})
        QVERIFY2(ReadLabTable().first().contains(QLatin1String(pColumn)), pColumn);
    QVERIFY2(CDnsSdLibrary::IsLoaded(),
             "libdns_sd.so.1 (libavahi-compat-libdnssd1) is not installed");
    QVERIFY2(!qgetenv("DBUS_SYSTEM_BUS_ADDRESS").isEmpty(), "the lab's bus address is not set");
    // Discovery starts with the first use, as in a scan.
    QVERIFY(CZeroconf::Instance());
}

void TestNamingNetlab::cleanupTestCase()
{
    CZeroconf::DestroyInstance();
}

void TestNamingNetlab::snmpNames_data()
{
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<QString>("sysName");
    for (const THost &oHost : qAsConst(m_lHosts))
        if (!oHost.sSnmpName.isEmpty())
            QTest::addRow("agent on %s", qPrintable(IpToText(oHost.nIp)))
                << oHost.nIp << oHost.sSnmpName;
}

void TestNamingNetlab::snmpNames()
{
    QFETCH(quint32, ip);
    QFETCH(QString, sysName);
    QCOMPARE(SnmpGetSysName(IpToText(ip)), sysName);
    QCOMPARE(CHostNaming::SnmpName(ip), sysName);
}

void TestNamingNetlab::announcedNamesResolve_data()
{
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<QString>("name");
    for (const THost &oHost : qAsConst(m_lHosts))
        if (!oHost.sZeroconfName.isEmpty())
            QTest::addRow("%s.local.", qPrintable(oHost.sZeroconfName))
                << oHost.nIp << oHost.sZeroconfName;
}

void TestNamingNetlab::announcedNamesResolve()
{
    QFETCH(quint32, ip);
    QFETCH(QString, name);
    const QString sFullName = name + QStringLiteral(".local.");
    QCOMPARE(AvahiResolve(name + QStringLiteral(".local")), IpToText(ip));
    QCOMPARE(CIpv4Resolver::Resolve(sFullName.toLocal8Bit()), QList<quint32>{ip});
}

void TestNamingNetlab::announcedNamesAreCached_data()
{
    announcedNamesResolve_data();
}

void TestNamingNetlab::announcedNamesAreCached()
{
    QFETCH(quint32, ip);
    QFETCH(QString, name);
    // mDNS answers within a second or so; the bound leaves room for a cold daemon.
    QTRY_COMPARE_WITH_TIMEOUT(CZeroconf::Instance()->Lookup(ip), name, 20000);
    QVERIFY(CZeroconf::Instance()->IsBrowsing());
}

void TestNamingNetlab::namingStepOfHostsWithoutPtr()
{
    // Alive hosts without a PTR record: SNMP name first, else the announced name, else the
    // host's own answer for its address, else none.
    QList<THost> lHosts;
    for (const THost &oHost : qAsConst(m_lHosts))
        if (oHost.sStatus == QLatin1String("alive") && oHost.sDnsName.isEmpty())
            lHosts << oHost;
    QVERIFY(!lHosts.isEmpty());
    QVERIFY(std::any_of(lHosts.cbegin(), lHosts.cend(), [](const THost &i_oHost) {
        return !i_oHost.sMdnsName.isEmpty();
    }));
    for (const THost &oHost : qAsConst(lHosts))
        if (!oHost.sZeroconfName.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(
                CZeroconf::Instance()->Lookup(oHost.nIp), oHost.sZeroconfName, 20000);

    std::vector<CScanResult> vResults(static_cast<size_t>(lHosts.size()));
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < lHosts.size(); ++i) {
        vResults[static_cast<size_t>(i)].set_ip(lHosts.at(i).nIp);
        vResults[static_cast<size_t>(i)].set_status(EHostStatus::Alive);
        vResults[static_cast<size_t>(i)].set_name(IpToText(lHosts.at(i).nIp));
        vThreads.emplace_back(QThread::create(
            [&vResults, i] { CHostNaming::NameFromDiscovery(vResults[static_cast<size_t>(i)]); }));
        vThreads.back()->start();
    }
    for (auto &pThread : vThreads)
        QVERIFY(pThread->wait(20000));
    for (int i = 0; i < lHosts.size(); ++i) {
        const THost &oHost = lHosts.at(i);
        const QString sExpected = !oHost.sSnmpName.isEmpty()       ? oHost.sSnmpName
                                  : !oHost.sZeroconfName.isEmpty() ? oHost.sZeroconfName
                                  : !oHost.sMdnsName.isEmpty()     ? oHost.sMdnsName
                                                                   : IpToText(oHost.nIp);
        QCOMPARE(vResults[static_cast<size_t>(i)].name(), sExpected);
    }
}

QTEST_GUILESS_MAIN(TestNamingNetlab)
#include "tst_NamingNetlab.moc"
