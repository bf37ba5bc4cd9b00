// SPDX-License-Identifier: GPL-3.0-or-later
// The scanner's own address: ARP never answers for it, so it once came out alive with no MAC
// (00:00:00:00:00:00 in reports). The test gives its loopback namespace a virtual Ethernet pair
// with a known MAC and an address of the benchmarking range, and removes it again.
#include "CCfg.h"
#include "CHostScan.h"
#include "CScanResult.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QThread>
#include <QtTest>

namespace {

const QString kOwnIp = QStringLiteral("198.18.77.1");
const QByteArray kOwnMac = QByteArray::fromHex("025e11223344");

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

QTEST_GUILESS_MAIN(TestOwnAddress)
#include "tst_OwnAddress.moc"
