// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDnsSdLibrary.h"
#include "CZeroconf.h"

#include <QtTest>

// The parts of zeroconf discovery that need no network: how service names become host names,
// and the rules of the name cache.
class TestCZeroconfNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void workstationShortName_data();
    void workstationShortName();
    void sleepProxyShortName_data();
    void sleepProxyShortName();
    void cacheRules_data();
    void cacheRules();
    void lastInsertWins();
};

void TestCZeroconfNames::initTestCase()
{
    // No library: the instance must not browse any network from a test outside a namespace.
    QVERIFY(!CDnsSdLibrary::Load(QStringLiteral("/nonexistent/libdns_sd.so.1")));
    QVERIFY(CZeroconf::Instance());
    QTRY_VERIFY_WITH_TIMEOUT(!CZeroconf::Instance()->IsBrowsing(), 2000);
}

void TestCZeroconfNames::cleanupTestCase()
{
    CZeroconf::DestroyInstance();
}

void TestCZeroconfNames::workstationShortName_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("name");

    QTest::newRow("host and bracketed MAC")
        << QStringLiteral("office-pc [00:11:22:33:44:55]") << QStringLiteral("office-pc");
    QTest::newRow("no space: taken whole")
        << QStringLiteral("office-pc") << QStringLiteral("office-pc");
    QTest::newRow("many spaces: cut at the first")
        << QStringLiteral("my office pc [00:11:22:33:44:55]") << QStringLiteral("my");
    QTest::newRow("two spaces in a row") << QStringLiteral("pc  [mac]") << QStringLiteral("pc");
    QTest::newRow("leading space gives nothing") << QStringLiteral(" pc [mac]") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only a space") << QStringLiteral(" ") << QString();
    QTest::newRow("tab is not a separator")
        << QStringLiteral("pc\t[mac]") << QStringLiteral("pc\t[mac]");
    QTest::newRow("non-ASCII host name")
        << QStringLiteral("сервер [00:11:22:33:44:55]") << QStringLiteral("сервер");
    QTest::newRow("very long name") << QString(5000, QLatin1Char('a')) + QStringLiteral(" [m]")
                                    << QString(5000, QLatin1Char('a'));
}

void TestCZeroconfNames::workstationShortName()
{
    QFETCH(QString, service);
    QFETCH(QString, name);
    QCOMPARE(CZeroconf::ShortNameOfWorkstation(service), name);
}

void TestCZeroconfNames::sleepProxyShortName_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("name");

    QTest::newRow("numbers and host")
        << QStringLiteral("70-35-60-63.1 nas") << QStringLiteral("nas");
    QTest::newRow("no space: taken whole") << QStringLiteral("nas") << QStringLiteral("nas");
    QTest::newRow("many spaces: all after the first")
        << QStringLiteral("70-35-60-63.1 big nas box") << QStringLiteral("big nas box");
    QTest::newRow("trailing space gives nothing") << QStringLiteral("70-35-60-63.1 ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestCZeroconfNames::sleepProxyShortName()
{
    QFETCH(QString, service);
    QFETCH(QString, name);
    QCOMPARE(CZeroconf::ShortNameOfSleepProxy(service), name);
}

void TestCZeroconfNames::cacheRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("found");

    QTest::newRow("ordinary entry") << QStringLiteral("office-pc") << quint32(0xC0A8010A) << true
                                    << QStringLiteral("office-pc");
    QTest::newRow("empty name refused") << QString() << quint32(0xC0A8010B) << false << QString();
    QTest::newRow("address 0 refused")
        << QStringLiteral("zero") << quint32(0) << false << QString();
    QTest::newRow("broadcast stored but never found")
        << QStringLiteral("bcast") << quint32(0xFFFFFFFF) << true << QString();
    QTest::newRow("blank name stored as given")
        << QStringLiteral("  ") << quint32(0xC0A8010C) << true << QStringLiteral("  ");
}

void TestCZeroconfNames::cacheRules()
{
    QFETCH(QString, name);
    QFETCH(quint32, ip);
    QFETCH(bool, stored);
    QFETCH(QString, found);

    CZeroconf *pZeroconf = CZeroconf::Instance();
    QCOMPARE(pZeroconf->Insert(name, ip), stored);
    QCOMPARE(pZeroconf->Lookup(ip), found);
    QCOMPARE(pZeroconf->Lookup(0), QString());
}

void TestCZeroconfNames::lastInsertWins()
{
    CZeroconf *pZeroconf = CZeroconf::Instance();
    QVERIFY(pZeroconf->Insert(QStringLiteral("first"), 0x0A000001));
    QVERIFY(pZeroconf->Insert(QStringLiteral("second"), 0x0A000001));
    QCOMPARE(pZeroconf->Lookup(0x0A000001), QStringLiteral("second"));
    QCOMPARE(pZeroconf->Lookup(0x0A000002), QString());
}

QTEST_GUILESS_MAIN(TestCZeroconfNames)
#include "tst_CZeroconfNames.moc"
