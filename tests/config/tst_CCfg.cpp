// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"
#include "MCfg.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

class TestCCfg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaults();
    void noIdentityMeansNoStore();
    void ortavoPorts_data();
    void ortavoPorts();
    void webPorts_data();
    void webPorts();
    void filterCacheSharedByHandles();
    void changesSeenByNextRead();
    void scanSnapshotKeepsWhatItTook();
    void concurrentReadsAndWrites();
    void broadcast();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
};

void TestCCfg::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_pDir->path());
    QCoreApplication::setOrganizationName(QStringLiteral("brenmark-test"));
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-test"));
}

void TestCCfg::cleanup()
{
    QCoreApplication::setOrganizationName(QString());
    m_pDir.reset();
}

void TestCCfg::defaults()
{
    const CCfg oCfg;
    QVERIFY(oCfg.HasStore());
    QCOMPARE(oCfg.thread_count(), 96);
    QVERIFY(oCfg.scan_http() && oCfg.scan_shares() && oCfg.scan_ftp());
    QVERIFY(!oCfg.scan_https() && !oCfg.scan_netbios() && !oCfg.scan_username());
    QVERIFY(!oCfg.high_accuracy());
    QCOMPARE(oCfg.ortavo_ports(), QList<int>{4899});
    QVERIFY(oCfg.show_alive() && oCfg.show_dead() && !oCfg.show_unknown());
}

void TestCCfg::noIdentityMeansNoStore()
{
    QCoreApplication::setOrganizationName(QString());
    const QStringList lsBefore =
        QDir(m_pDir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    {
        CCfg oCfg;
        QVERIFY(!oCfg.HasStore());
        QCOMPARE(oCfg.thread_count(), 96);
        oCfg.set_thread_count(12);
        oCfg.set_show_unknown(true);
        oCfg.Sync();
        QCOMPARE(oCfg.thread_count(), 12);
    }
    QCOMPARE(QDir(m_pDir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), lsBefore);
    QCOMPARE(CCfg().thread_count(), 96);
}

void TestCCfg::ortavoPorts_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QList<int>>("ports");
    QTest::newRow("two ports in order")
        << QVariant(QVariantList{4899, 4900}) << QList<int>{4899, 4900};
    QTest::newRow("reversed order kept")
        << QVariant(QVariantList{4900, 4899}) << QList<int>{4900, 4899};
    QTest::newRow("empty list probes nothing") << QVariant(QVariantList{}) << QList<int>{};
    QTest::newRow("single port") << QVariant(QVariantList{5000}) << QList<int>{5000};
    QTest::newRow("non-numbers skipped")
        << QVariant(QVariantList{QStringLiteral("x"), 4900}) << QList<int>{4900};
}

void TestCCfg::ortavoPorts()
{
    QFETCH(QVariant, stored);
    QFETCH(QList<int>, ports);
    {
        QSettings oSettings;
        oSettings.setValue(QStringLiteral("ortavo_ports"), stored);
    }
    QCOMPARE(CCfg().ortavo_ports(), ports);

    CCfg oCfg;
    oCfg.set_ortavo_ports(ports);
    oCfg.Sync();
    QCOMPARE(CCfg().ortavo_ports(), ports);
}

void TestCCfg::webPorts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("stored");
    QTest::newRow("none") << QString() << true << QString();
    QTest::newRow("blanks are none") << QStringLiteral("  ") << true << QString();
    QTest::newRow("HTTP and HTTPS, blanks and an upper-case S")
        << QStringLiteral(" 8080 , 8443S") << true << QStringLiteral("8080,8443s");
    QTest::newRow("the same port over both is two")
        << QStringLiteral("8000,8000s,8000") << true << QStringLiteral("8000,8000s");
    QTest::newRow("port 0") << QStringLiteral("0") << false << QString();
    QTest::newRow("past 65535") << QStringLiteral("65536") << false << QString();
    QTest::newRow("a sign") << QStringLiteral("+80") << false << QString();
    QTest::newRow("an empty part") << QStringLiteral("8080,,8081") << false << QString();
    QTest::newRow("s alone") << QStringLiteral("s") << false << QString();
    QTest::newRow("blank inside a port") << QStringLiteral("80 80") << false << QString();
    QTest::newRow("17 ports") << QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17")
                              << false << QString();
}

void TestCCfg::webPorts()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, stored);
    QList<CCfg::TWebPort> lPorts{{1, true}};
    QCOMPARE(CCfg::ParseWebPorts(text, &lPorts), valid);
    if (!valid) {
        QCOMPARE(lPorts.size(), 1);
        // A value that does not read, left in the store by hand, probes nothing.
        {
            QSettings oSettings;
            oSettings.setValue(QStringLiteral("web_ports"), text);
        }
        QVERIFY(CCfg().web_ports().isEmpty());
        return;
    }
    QCOMPARE(CCfg::WebPortsText(lPorts), stored);
    CCfg oCfg;
    oCfg.set_web_ports(lPorts);
    oCfg.Sync();
    QCOMPARE(CCfg().web_ports(), lPorts);
    QCOMPARE(CCfg().ScanSnapshot().web_ports(), lPorts);
}

void TestCCfg::filterCacheSharedByHandles()
{
    CCfg oFirst;
    const CCfg oSecond = oFirst;
    QVERIFY(!oSecond.show_unknown());
    oFirst.set_show_unknown(true);
    QVERIFY(oSecond.show_unknown());
    oFirst.Sync();
    QVERIFY(CCfg().show_unknown());
}

void TestCCfg::changesSeenByNextRead()
{
    const CCfg oWorker;
    CCfg oDialog = oWorker;
    QVERIFY(!oWorker.high_accuracy());
    oDialog.set_high_accuracy(true);
    oDialog.set_thread_count(32);
    QVERIFY(oWorker.high_accuracy());
    QCOMPARE(oWorker.thread_count(), 32);
}

void TestCCfg::scanSnapshotKeepsWhatItTook()
{
    CCfg oDialog;
    oDialog.set_scan_netbios(true);
    oDialog.set_ortavo_ports({22, 4899});
    oDialog.set_net_account({QStringLiteral("carol"), QStringLiteral("LAB"), QStringLiteral("pw")});
    const CCfg oSnapshot = oDialog.ScanSnapshot();
    QVERIFY(!oSnapshot.HasStore());
    oDialog.set_scan_netbios(false);
    oDialog.set_high_accuracy(true);
    oDialog.set_ortavo_ports({});
    oDialog.set_net_account(TNetAccount());
    QVERIFY(oSnapshot.scan_netbios());
    QVERIFY(!oSnapshot.high_accuracy());
    QCOMPARE(oSnapshot.ortavo_ports(), (QList<int>{22, 4899}));
    QCOMPARE(oSnapshot.net_account().sLogin, QStringLiteral("carol"));
    QCOMPARE(oSnapshot.net_account().sPassword, QStringLiteral("pw"));
    // Nothing written to a snapshot reaches the store.
    CCfg oCopy = oSnapshot;
    oCopy.set_thread_count(3);
    QCOMPARE(oDialog.thread_count(), 96);
}

void TestCCfg::concurrentReadsAndWrites()
{
    CCfg oCfg;
    std::atomic<bool> fStop{false};
    std::atomic<int> nBad{0};
    std::vector<std::thread> vReaders;
    for (int i = 0; i < 16; ++i) {
        vReaders.emplace_back([oCfg, &fStop, &nBad] {
            while (!fStop) {
                const int n = oCfg.thread_count();
                if (n != 96 && n != 32)
                    ++nBad;
                if (oCfg.ortavo_ports().isEmpty())
                    ++nBad;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        oCfg.set_thread_count(i % 2 ? 32 : 96);
        oCfg.set_ortavo_ports(i % 2 ? QList<int>{4899, 4900} : QList<int>{4899});
    }
    fStop = true;
    for (std::thread &oThread : vReaders)
        oThread.join();
    QCOMPARE(nBad.load(), 0);
}

void TestCCfg::broadcast()
{
    qRegisterMetaType<CCfg>("CCfg");
    MCfg oOwner;
    QSignalSpy oSpy(&oOwner, &MCfg::EmitCfg);
    oOwner.RequestCfgBroadcast();
    QCOMPARE(oSpy.count(), 1);
    CCfg oReceived = oSpy.at(0).at(0).value<CCfg>();
    oReceived.set_show_dead(false);
    QVERIFY(!oOwner.Cfg().show_dead());
}

QTEST_GUILESS_MAIN(TestCCfg)
#include "tst_CCfg.moc"
