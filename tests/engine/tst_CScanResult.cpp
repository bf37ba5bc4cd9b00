// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanFragment.h"
#include "CScanItem.h"
#include "CScanResult.h"

#include <QtTest>

class TestCScanResult : public QObject
{
    Q_OBJECT

private slots:
    void freshResult();
    void copyOnWrite_data();
    void copyOnWrite();
    void macIsAlwaysSixBytes_data();
    void macIsAlwaysSixBytes();
    void statusTexts();
    void macTextForms_data();
    void macTextForms();
    void crossesThreadsAsMetaType();
};

void TestCScanResult::freshResult()
{
    const CScanResult oResult;
    QCOMPARE(oResult.status(), EHostStatus::Unknown);
    QCOMPARE(oResult.ip(), 0u);
    QCOMPARE(oResult.scan_id(), -1);
    QCOMPARE(oResult.scan_size(), 0);
    QVERIFY(!oResult.has_http() && !oResult.has_https() && !oResult.has_ftp());
    QVERIFY(oResult.http_title().isEmpty() && oResult.name().isEmpty() && oResult.user().isEmpty());
    QVERIFY(oResult.netbiosname().isEmpty() && oResult.netbiosgroup().isEmpty());
    QVERIFY(oResult.shares().isEmpty() && oResult.ortavo_ports().isEmpty());
    QCOMPARE(oResult.mac(), QByteArray(6, '\0'));
    QVERIFY(!oResult.HasMac());

    const CScanFragment oFragment;
    QCOMPARE(oFragment.kind(), 0);
    QCOMPARE(oFragment.port(), 0);
    QVERIFY(oFragment.item().comments().isEmpty());
}

void TestCScanResult::copyOnWrite_data()
{
    QTest::addColumn<int>("field");
    for (int i = 0; i < 8; ++i)
        QTest::newRow(qPrintable(QStringLiteral("setter %1").arg(i))) << i;
}

void TestCScanResult::copyOnWrite()
{
    QFETCH(int, field);
    CScanResult oOriginal;
    oOriginal.set_name(QStringLiteral("host"));
    oOriginal.set_ip(0x0A000001);
    CScanResult oCopy = oOriginal;
    switch (field) {
    case 0:
        oCopy.set_name(QStringLiteral("other"));
        break;
    case 1:
        oCopy.set_ip(7);
        break;
    case 2:
        oCopy.set_status(EHostStatus::Alive);
        break;
    case 3:
        oCopy.set_shares({QStringLiteral("C$")});
        break;
    case 4:
        oCopy.set_mac(QByteArray("\x01\x02\x03\x04\x05\x06", 6));
        break;
    case 5:
        oCopy.set_ortavo_ports({4899});
        break;
    case 6:
        oCopy.set_has_http(true);
        break;
    default:
        oCopy.set_user(QStringLiteral("u"));
        break;
    }
    QCOMPARE(oOriginal.name(), QStringLiteral("host"));
    QCOMPARE(oOriginal.ip(), 0x0A000001u);
    QCOMPARE(oOriginal.status(), EHostStatus::Unknown);
    QVERIFY(oOriginal.shares().isEmpty() && oOriginal.ortavo_ports().isEmpty());
    QVERIFY(!oOriginal.HasMac() && !oOriginal.has_http() && oOriginal.user().isEmpty());

    CScanItem oItem(oOriginal, QStringLiteral("note"));
    CScanItem oItemCopy = oItem;
    oItemCopy.result().set_name(QStringLiteral("changed"));
    oItemCopy.set_comments(QStringLiteral("other"));
    QCOMPARE(oItem.result().name(), QStringLiteral("host"));
    QCOMPARE(oItem.comments(), QStringLiteral("note"));
}

void TestCScanResult::macIsAlwaysSixBytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("six bytes") << QByteArray("\x00\x1a\x2b\xff\x05\x60", 6) << "00:1A:2B:FF:05:60";
    QTest::newRow("short is padded") << QByteArray("\xab", 1) << "AB:00:00:00:00:00";
    QTest::newRow("long is cut") << QByteArray("\x01\x02\x03\x04\x05\x06\x07", 7)
                                 << "01:02:03:04:05:06";
}

void TestCScanResult::macIsAlwaysSixBytes()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    CScanResult oResult;
    oResult.set_mac(input);
    QCOMPARE(oResult.mac().size(), 6);
    QCOMPARE(oResult.MacText(), text);
}

void TestCScanResult::statusTexts()
{
    QCOMPARE(HostStatusText(EHostStatus::Alive), QStringLiteral("alive"));
    QCOMPARE(HostStatusText(EHostStatus::Dead), QStringLiteral("dead"));
    QCOMPARE(HostStatusText(EHostStatus::Unknown), QStringLiteral("unknown"));
    QCOMPARE(HostStatusText(static_cast<EHostStatus>(0)), QStringLiteral("unknown"));
    EHostStatus eStatus = EHostStatus::Unknown;
    QVERIFY(HostStatusFromText(QStringLiteral("dead"), &eStatus));
    QCOMPARE(eStatus, EHostStatus::Dead);
    QVERIFY(!HostStatusFromText(QStringLiteral("Alive"), &eStatus));
    CScanResult oResult;
    oResult.set_status(2);
    QVERIFY(oResult.IsAlive());
    QCOMPARE(IpToText(0xC0A80001u), QStringLiteral("192.168.0.1"));
}

void TestCScanResult::crossesThreadsAsMetaType()
{
    qRegisterMetaType<CScanResult>("CScanResult");
    CScanResult oResult;
    oResult.set_name(QStringLiteral("x"));
    const QVariant vValue = QVariant::fromValue(oResult);
    QCOMPARE(vValue.value<CScanResult>().name(), QStringLiteral("x"));
    QCOMPARE(QMetaType::type("CScanResult"), qMetaTypeId<CScanResult>());
}

void TestCScanResult::macTextForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("mac"); // empty: does not read
    const QByteArray baMac = QByteArray::fromHex("3c22fb000005");
    QTest::newRow("colons") << QStringLiteral("3c:22:fb:00:00:05") << baMac;
    QTest::newRow("dashes, upper case") << QStringLiteral("3C-22-FB-00-00-05") << baMac;
    QTest::newRow("dotted groups") << QStringLiteral("3C22.FB00.0005") << baMac;
    QTest::newRow("bare hexadecimal") << QStringLiteral("3c22fb000005") << baMac;
    QTest::newRow("single digits") << QStringLiteral("3c:22:fb:0:0:5") << baMac;
    QTest::newRow("blanks around") << QStringLiteral("  3c:22:fb:00:00:05 ") << baMac;
    QTest::newRow("five bytes") << QStringLiteral("3c:22:fb:00:00") << QByteArray();
    QTest::newRow("seven bytes") << QStringLiteral("3c:22:fb:00:00:05:06") << QByteArray();
    QTest::newRow("empty part") << QStringLiteral("3c::22:fb:00:00:05") << QByteArray();
    QTest::newRow("mixed separators") << QStringLiteral("3c-22:fb-00:00-05") << QByteArray();
    QTest::newRow("three-digit part") << QStringLiteral("3c:22:fb:00:00:005") << QByteArray();
    QTest::newRow("dotted groups of three") << QStringLiteral("3c2.2fb.000.005") << QByteArray();
    QTest::newRow("eleven digits") << QStringLiteral("3c22fb00000") << QByteArray();
    QTest::newRow("not hexadecimal") << QStringLiteral("3g:22:fb:00:00:05") << QByteArray();
    QTest::newRow("sign in a part") << QStringLiteral("+c:22:fb:00:00:05") << QByteArray();
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCScanResult::macTextForms()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, mac);
    QByteArray baRead = QByteArrayLiteral("kept");
    QCOMPARE(TextToMac(text, &baRead), !mac.isEmpty());
    QCOMPARE(baRead, mac.isEmpty() ? QByteArrayLiteral("kept") : mac);
}

QTEST_GUILESS_MAIN(TestCScanResult)
#include "tst_CScanResult.moc"
