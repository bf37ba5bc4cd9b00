// SPDX-License-Identifier: GPL-3.0-or-later
// Runs inside a namespace that has only loopback: the 198.18.x addresses scanned here have no
// route, so every probe fails at once and no packet leaves the namespace.
#include "CCfg.h"
#include "CIpList.h"
#include "CLivenessSweep.h"
#include "CScanResult.h"
#include "MScanner.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSet>
#include <QTcpServer>
#include <QtTest>

namespace {

CIpList Scope(const char *i_pFirst, const char *i_pLast)
{
    CIpList oList;
    oList.AddRange(QHostAddress(QLatin1String(i_pFirst)).toIPv4Address(),
                   QHostAddress(QLatin1String(i_pLast)).toIPv4Address());
    return oList;
}

// Waits until the spy has at least n signals, or the time is up.
bool WaitFor(QSignalSpy &io_oSpy, int i_nCount, int i_nTimeoutMs = 60000)
{
    QElapsedTimer oTimer;
    oTimer.start();
    while (io_oSpy.count() < i_nCount && oTimer.elapsed() < i_nTimeoutMs)
        io_oSpy.wait(qMax(1, int(i_nTimeoutMs - oTimer.elapsed())));
    return io_oSpy.count() >= i_nCount;
}

} // namespace

class TestMScanner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyAddressOnce_data();
    void everyAddressOnce();
    void emptyScopeEmitsNothing();
    void newScanDropsOldResults();
    void pauseStopsHandOut();
    void shrinkDuringScan();
    void shrinkAndGrowQuickly();
    void stopWhilePaused();
    void zeroThreadCountIsClamped();
    void settingsChangeWhenHandedToThePool();
    void sweepRateFromTheSettings_data();
    void sweepRateFromTheSettings();

private:
    CCfg m_oCfg;
};

void TestMScanner::initTestCase()
{
    qRegisterMetaType<CScanResult>("CScanResult");
    qRegisterMetaType<CIpList>("CIpList");
    qRegisterMetaType<CCfg>("CCfg");
}

void TestMScanner::everyAddressOnce_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("threads");
    QTest::newRow("one address, default pool") << "198.18.200.1"
                                               << "198.18.200.1" << 96;
    QTest::newRow("a /22 across .0 and .255, 96 workers") << "198.18.200.0"
                                                          << "198.18.203.255" << 96;
    QTest::newRow("more addresses than workers, 3 workers") << "198.18.204.1"
                                                            << "198.18.204.200" << 3;
}

void TestMScanner::everyAddressOnce()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, threads);
    MScanner oScanner;
    oScanner.SetThreadCount(threads);
    QCOMPARE(oScanner.ActiveThreadCount(), threads);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    const CIpList oScope = Scope(qPrintable(first), qPrintable(last));
    const int nCount = int(oScope.Count());
    oScanner.OnScan(oScope, 7);
    QVERIFY(WaitFor(oEnd, 1));
    QCOMPARE(oResults.count(), nCount);
    QSet<quint32> oSeen;
    for (const QList<QVariant> &lvArgs : qAsConst(oResults)) {
        const CScanResult oResult = lvArgs.at(0).value<CScanResult>();
        QCOMPARE(oResult.scan_id(), 7);
        QCOMPARE(oResult.scan_size(), nCount);
        QCOMPARE(oResult.status(), EHostStatus::Unknown);
        oSeen.insert(oResult.ip());
    }
    QCOMPARE(oSeen.size(), nCount);
    // Nothing more arrives, and the end is reported once.
    QVERIFY(!oEnd.wait(200));
    QCOMPARE(oEnd.count(), 1);
    QCOMPARE(oResults.count(), nCount);
}

void TestMScanner::emptyScopeEmitsNothing()
{
    MScanner oScanner;
    oScanner.SetThreadCount(4);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    oScanner.OnScan(CIpList(), 1);
    QVERIFY(!oEnd.wait(300));
    QCOMPARE(oResults.count(), 0);
}

void TestMScanner::newScanDropsOldResults()
{
    MScanner oScanner;
    oScanner.SetThreadCount(16);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    oScanner.OnScan(Scope("198.18.210.1", "198.18.230.254"), 1);
    const CIpList oSecond = Scope("198.18.240.1", "198.18.240.50");
    oScanner.OnScan(oSecond, 2);
    QVERIFY(WaitFor(oEnd, 1));
    QVERIFY(!oEnd.wait(300));
    QCOMPARE(oEnd.count(), 1);
    QCOMPARE(oResults.count(), int(oSecond.Count()));
    for (const QList<QVariant> &lvArgs : qAsConst(oResults))
        QCOMPARE(lvArgs.at(0).value<CScanResult>().scan_id(), 2);
}

void TestMScanner::pauseStopsHandOut()
{
    MScanner oScanner;
    oScanner.SetThreadCount(8);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    const CIpList oScope = Scope("198.18.0.1", "198.18.255.254");
    oScanner.OnScan(oScope, 3);
    oScanner.OnPause(true);
    // Hosts already taken (at most one per worker) still report; then nothing new comes.
    for (int i = 0; i < 16 && oResults.wait(300); ++i) {
    }
    const int nAtPause = oResults.count();
    QVERIFY(!oResults.wait(300));
    QCOMPARE(oResults.count(), nAtPause);
    QVERIFY(nAtPause < int(oScope.Count()));
    oScanner.OnPause(false);
    QVERIFY(WaitFor(oEnd, 1));
    QCOMPARE(oResults.count(), int(oScope.Count()));
}

void TestMScanner::shrinkDuringScan()
{
    MScanner oScanner;
    oScanner.SetThreadCount(96);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    const CIpList oScope = Scope("198.18.0.1", "198.18.127.254");
    oScanner.OnScan(oScope, 4);
    oScanner.SetThreadCount(32);
    QCOMPARE(oScanner.ActiveThreadCount(), 32);
    QVERIFY(WaitFor(oEnd, 1));
    QCOMPARE(oResults.count(), int(oScope.Count()));
    QTRY_COMPARE(oScanner.ActiveThreadCount(), 32);
}

void TestMScanner::shrinkAndGrowQuickly()
{
    MScanner oScanner;
    oScanner.SetThreadCount(40);
    oScanner.SetThreadCount(10);
    oScanner.SetThreadCount(25);
    QCOMPARE(oScanner.ActiveThreadCount(), 25);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    oScanner.OnScan(Scope("198.18.250.1", "198.18.250.254"), 5);
    QVERIFY(WaitFor(oEnd, 1));
    // The surplus has ended, not more and not fewer.
    QTRY_COMPARE(
        oScanner.findChildren<QThread *>().size() -
            [&] {
                int n = 0;
                for (QThread *p : oScanner.findChildren<QThread *>())
                    n += p->isFinished() ? 1 : 0;
                return n;
            }(),
        25);
}

void TestMScanner::stopWhilePaused()
{
    MScanner oScanner;
    oScanner.SetThreadCount(96);
    oScanner.OnScan(Scope("198.18.0.1", "198.19.255.254"), 6);
    oScanner.OnPause(true);
    QElapsedTimer oTimer;
    oTimer.start();
    oScanner.StopAll();
    QCOMPARE(oScanner.ActiveThreadCount(), 0);
    QVERIFY(oScanner.findChildren<QThread *>().isEmpty());
    // Bounded only to catch a hang that the test time-out would report much later.
    QVERIFY2(oTimer.elapsed() < 30000, "StopAll waited for the pause to end");
}

void TestMScanner::zeroThreadCountIsClamped()
{
    QCoreApplication::setOrganizationName(QStringLiteral("brenmark-test"));
    QTemporaryDir oDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, oDir.path());
    CCfg oCfg;
    oCfg.set_thread_count(0);
    MScanner oScanner;
    oScanner.OnCfg(oCfg);
    QCOMPARE(oScanner.ActiveThreadCount(), 1);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    oScanner.OnScan(Scope("198.18.251.1", "198.18.251.20"), 9);
    QVERIFY(WaitFor(oEnd, 1));
    oCfg.set_thread_count(5);
    oScanner.OnCfg(oCfg);
    QCOMPARE(oScanner.ActiveThreadCount(), 5);
    QCoreApplication::setOrganizationName(QString());
}

void TestMScanner::settingsChangeWhenHandedToThePool()
{
    // A port that answers on loopback tells which settings the host was probed with.
    QTcpServer oListener;
    QVERIFY(oListener.listen(QHostAddress::LocalHost));
    const int nPort = oListener.serverPort();
    const auto Scan = [](MScanner &io_oScanner, qint32 i_nId) {
        QSignalSpy oResults(&io_oScanner, &MScanner::EmitResult);
        io_oScanner.OnScan(Scope("127.0.0.1", "127.0.0.1"), i_nId);
        return WaitFor(oResults, 1) ? oResults.at(0).at(0).value<CScanResult>().ortavo_ports()
                                    : QList<qint32>{-1};
    };
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_shares(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_ortavo_ports({nPort});
    MScanner oScanner;
    oScanner.OnCfg(oCfg);
    // Saved but not yet handed over: the workers keep what they were given.
    oCfg.set_ortavo_ports({});
    QCOMPARE(Scan(oScanner, 21), QList<qint32>{nPort});
    oScanner.OnCfg(oCfg);
    QCOMPARE(Scan(oScanner, 22), QList<qint32>());
}

void TestMScanner::sweepRateFromTheSettings_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("perSecond");
    QTest::addColumn<int>("burst");
    QTest::newRow("unset: the default pace with its burst") << QVariant() << 4000 << 8192;
    QTest::newRow("the default given: the same") << QVariant(4000) << 4000 << 8192;
    QTest::newRow("another rate is flat") << QVariant(250) << 250 << 0;
    QTest::newRow("out of range: the default") << QVariant(0) << 4000 << 8192;
}

void TestMScanner::sweepRateFromTheSettings()
{
    QFETCH(QVariant, stored);
    QFETCH(int, perSecond);
    QFETCH(int, burst);
    CCfg oCfg;
    if (stored.isValid())
        oCfg.set_sweep_rate(stored.toInt());
    MScanner oScanner;
    oScanner.OnCfg(oCfg);
    // Changed after it was handed over: the scanner's snapshot keeps the rate it took.
    oCfg.set_sweep_rate(777);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    oScanner.OnScan(Scope("198.18.250.1", "198.18.250.4"), 41);
    const std::shared_ptr<CLivenessSweep> pSweep = oScanner.LivenessSweep(41);
    QVERIFY(pSweep);
    QCOMPARE(pSweep->Pace().nPerSecond, perSecond);
    QCOMPARE(pSweep->Pace().nBurst, burst);
    QVERIFY(WaitFor(oEnd, 1));
}

QTEST_GUILESS_MAIN(TestMScanner)
#include "tst_MScanner.moc"
