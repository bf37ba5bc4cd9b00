// SPDX-License-Identifier: GPL-3.0-or-later
// The scanner's own address: ARP never answers for it, so it once came out alive with no MAC
// (00:00:00:00:00:00 in reports). The test gives its loopback namespace a virtual Ethernet pair
// with a known MAC and an address of the benchmarking range, and removes it again. The same pair
// shows the interface list every part of the scanner reads its subnets from.
#include "CArpProbeLinux.h"
#include "CCfg.h"
#include "CHostScan.h"
#include "CLocalInterfaces.h"
#include "CScanResult.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <algorithm>

namespace {

const QString kOwnIp = QStringLiteral("198.18.77.1");
const QByteArray kOwnMac = QByteArray::fromHex("025e11223344");
// A second address under a label of its own, as "ip addr add ... label" writes it.
const QString kLabelledIp = QStringLiteral("198.18.79.1");

quint32 Ipv4(const QString &i_sText)
{
    return QHostAddress(i_sText).toIPv4Address();
}

bool Ip(const QStringList &i_lsArgs)
{
    return QProcess::execute(QStringLiteral("ip"), i_lsArgs) == 0;
}

} // namespace

class TestOwnAddress final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void ownAddressAliveWithItsMac_data();
    void ownAddressAliveWithItsMac();
    void interfaceListed_data();
    void interfaceListed();
    void arpRouteOverLabelledAddress();

private:
    bool m_fPair = false;
};

void TestOwnAddress::initTestCase()
{
    for (const QNetworkInterface &oIf : QNetworkInterface::allInterfaces()) {
        if (!(oIf.flags() & QNetworkInterface::IsLoopBack))
            QFAIL("run through tests/loopns/loopns.sh exec: this test adds an interface");
    }
    m_fPair = Ip({QStringLiteral("link"),
                  QStringLiteral("add"),
                  QStringLiteral("vown0"),
                  QStringLiteral("address"),
                  QStringLiteral("02:5e:11:22:33:44"),
                  QStringLiteral("type"),
                  QStringLiteral("veth"),
                  QStringLiteral("peer"),
                  QStringLiteral("name"),
                  QStringLiteral("vown1")});
    QVERIFY2(m_fPair, "cannot add a virtual Ethernet pair (needs root)");
    QVERIFY(Ip({QStringLiteral("addr"),
                QStringLiteral("add"),
                kOwnIp + QStringLiteral("/32"),
                QStringLiteral("dev"),
                QStringLiteral("vown0")}));
    QVERIFY(Ip({QStringLiteral("addr"),
                QStringLiteral("add"),
                kLabelledIp + QStringLiteral("/24"),
                QStringLiteral("brd"),
                QStringLiteral("+"),
                QStringLiteral("dev"),
                QStringLiteral("vown0"),
                QStringLiteral("label"),
                QStringLiteral("vown0:w")}));
    QVERIFY(Ip({QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("vown0"),
                QStringLiteral("up")}));
    QVERIFY(Ip({QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("vown1"),
                QStringLiteral("up")}));
}

void TestOwnAddress::cleanupTestCase()
{
    // Other tests in this namespace expect loopback alone.
    if (m_fPair)
        Ip({QStringLiteral("link"), QStringLiteral("del"), QStringLiteral("vown0")});
}

void TestOwnAddress::ownAddressAliveWithItsMac_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QByteArray>("mac");
    QTest::newRow("address on an Ethernet interface") << kOwnIp << kOwnMac;
    // Loopback has no MAC: alive by its echo reply, with the result's "no MAC".
    QTest::newRow("loopback") << QStringLiteral("127.0.0.1") << CScanResult().mac();
}

void TestOwnAddress::ownAddressAliveWithItsMac()
{
    QFETCH(QString, ip);
    QFETCH(QByteArray, mac);
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_shares(false);
    oCfg.set_ortavo_ports({});
    CScanResult oResult;
    oResult.set_ip(QHostAddress(ip).toIPv4Address());
    QThread *pThread = QThread::create([&]() { CHostScan(oCfg).Run(oResult); });
    pThread->start();
    QVERIFY(pThread->wait(60000));
    delete pThread;
    QVERIFY(oResult.IsAlive());
    QCOMPARE(oResult.mac(), mac);
}

void TestOwnAddress::interfaceListed_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("broadcast");
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<unsigned>("flagsSet");
    QTest::addColumn<unsigned>("flagsClear");
    const unsigned nEthernet =
        TLocalInterface::Up | TLocalInterface::Broadcast | TLocalInterface::Multicast;
    const unsigned nNotEthernet =
        TLocalInterface::Loopback | TLocalInterface::PointToPoint | TLocalInterface::NoArp;
    QTest::newRow("single address")
        << kOwnIp << QStringLiteral("255.255.255.255") << QStringLiteral("0.0.0.0") << kOwnMac
        << nEthernet << nNotEthernet;
    QTest::newRow("labelled subnet: its link's MAC")
        << kLabelledIp << QStringLiteral("255.255.255.0") << QStringLiteral("198.18.79.255")
        << kOwnMac << nEthernet << nNotEthernet;
    QTest::newRow("loopback") << QStringLiteral("127.0.0.1") << QStringLiteral("255.0.0.0")
                              << QStringLiteral("0.0.0.0") << QByteArray()
                              << unsigned{TLocalInterface::Up | TLocalInterface::Loopback}
                              << unsigned{TLocalInterface::Broadcast};
}

void TestOwnAddress::interfaceListed()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, broadcast);
    QFETCH(QByteArray, mac);
    QFETCH(unsigned, flagsSet);
    QFETCH(unsigned, flagsClear);
    const std::vector<TLocalInterface> vList = CLocalInterfaces::List();
    const auto it = std::find_if(vList.begin(), vList.end(), [&](const TLocalInterface &r) {
        return r.nAddress == Ipv4(ip);
    });
    QVERIFY(it != vList.end());
    QCOMPARE(QHostAddress(it->nMask).toString(), mask);
    QCOMPARE(QHostAddress(it->nBroadcast).toString(), broadcast);
    const QByteArray baMac = it->oMac ? QByteArray(reinterpret_cast<const char *>(it->oMac->data()),
                                                   static_cast<int>(it->oMac->size()))
                                      : QByteArray();
    QCOMPARE(baMac, mac);
    QCOMPARE(it->nFlags & flagsSet, flagsSet);
    QCOMPARE(it->nFlags & flagsClear, 0u);
    QVERIFY(it->nIndex != 0);
}

void TestOwnAddress::arpRouteOverLabelledAddress()
{
    const std::optional<CArpProbeLinux::TRoute> oRoute =
        CArpProbeLinux::FindRoute(Ipv4(QStringLiteral("198.18.79.20")));
    QVERIFY(oRoute.has_value());
    QCOMPARE(oRoute->nOwnIp, Ipv4(kLabelledIp));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(oRoute->aOwnMac.data()), 6), kOwnMac);
    // Our own address and the subnet's broadcast address are never asked.
    QVERIFY(!CArpProbeLinux::FindRoute(Ipv4(kLabelledIp)));
    QVERIFY(!CArpProbeLinux::FindRoute(Ipv4(QStringLiteral("198.18.79.255"))));
}

QTEST_GUILESS_MAIN(TestOwnAddress)
#include "tst_OwnAddress.moc"
