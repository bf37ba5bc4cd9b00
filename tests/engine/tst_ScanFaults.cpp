// SPDX-License-Identifier: GPL-3.0-or-later
// The scanner pushed around while its workers are busy: pool size changes mid-scan, a new scan
// before the old one's hosts are done, a stop while paused. Runs inside the loopback namespace,
// where every 127.x address answers echo requests. A socket on the SNMP port that never answers
// keeps each such host's worker busy for the SNMP query's whole wait, which is what these cases
// need (with nothing on the port the query would end at once on the port-unreachable reply).
#include "CCfg.h"
#include "CDnsSdLibrary.h"
#include "CIpList.h"
#include "CScanResult.h"
#include "CZeroconf.h"
#include "MScanner.h"
#include "SnmpTestPeers.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

namespace {

// A busy host costs the SNMP wait (3000 ms, one retry) plus the quick probes after it.
constexpr int kBusyHostMs = 6000;
constexpr int kSlackMs = 4000;

CIpList Scope(const char *i_pFirst, const char *i_pLast)
{
    CIpList oList;
    oList.AddRange(QHostAddress(QLatin1String(i_pFirst)).toIPv4Address(),
                   QHostAddress(QLatin1String(i_pLast)).toIPv4Address());
    return oList;
}

bool WaitFor(QSignalSpy &io_oSpy, int i_nCount, int i_nTimeoutMs)
{
    QElapsedTimer oTimer;
    oTimer.start();
    while (io_oSpy.count() < i_nCount && oTimer.elapsed() < i_nTimeoutMs)
        io_oSpy.wait(qMax(1, int(i_nTimeoutMs - oTimer.elapsed())));
    return io_oSpy.count() >= i_nCount;
}

int LiveThreads(const MScanner &i_oScanner)
{
    int n = 0;
    for (const QThread *p : i_oScanner.findChildren<QThread *>())
        n += p->isFinished() ? 0 : 1;
    return n;
}

// Only the fast probes besides the slow naming step: a busy host is busy for a known time.
CCfg QuickCfg()
{
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_https(false);
    oCfg.set_scan_shares(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_netbios(false);
    oCfg.set_scan_username(false);
    oCfg.set_ortavo_ports({});
    return oCfg;
}

} // namespace

class TestScanFaults final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void threadCountChangesMidScan_data();
    void threadCountChangesMidScan();
    void newScanWhileWorkersAreBusy();
    void stopWhilePausedWithBusyWorkers();

private:
    QUdpSocket m_oSilentAgent;
};

void TestScanFaults::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    QVERIFY(!CDnsSdLibrary::Load(QStringLiteral("/nonexistent/libdns_sd.so.1")));
    qRegisterMetaType<CScanResult>("CScanResult");
    qRegisterMetaType<CIpList>("CIpList");
    qRegisterMetaType<CCfg>("CCfg");
    QVERIFY2(m_oSilentAgent.bind(QHostAddress::AnyIPv4, 161),
             qPrintable(m_oSilentAgent.errorString()));
}

void TestScanFaults::cleanupTestCase()
{
    CZeroconf::DestroyInstance();
}

void TestScanFaults::threadCountChangesMidScan_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("final");
    QTest::newRow("256 to 32 and back to 256 while every worker is busy")
        << QList<int>{256, 32, 256} << 256;
}

void TestScanFaults::threadCountChangesMidScan()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, final);
    MScanner oScanner;
    oScanner.OnCfg(QuickCfg());
    oScanner.SetThreadCount(counts.first());
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    const CIpList oScope = Scope("127.0.1.1", "127.0.1.80");
    const int nCount = int(oScope.Count());
    oScanner.OnScan(oScope, 11);
    // Let the workers take their hosts, then change the pool under them.
    QTest::qWait(300);
    for (const int nThreads : counts.mid(1)) {
        oScanner.SetThreadCount(nThreads);
        QCOMPARE(oScanner.ActiveThreadCount(), nThreads);
    }
    QVERIFY(WaitFor(oEnd, 1, 2 * kBusyHostMs + kSlackMs));
    QVERIFY(!oEnd.wait(200));
    QCOMPARE(oEnd.count(), 1);
    QCOMPARE(oResults.count(), nCount);
    QSet<quint32> oSeen;
    for (const QList<QVariant> &lvArgs : qAsConst(oResults)) {
        const CScanResult oResult = lvArgs.at(0).value<CScanResult>();
        QCOMPARE(oResult.scan_id(), 11);
        QVERIFY(oResult.IsAlive());
        oSeen.insert(oResult.ip());
    }
    QCOMPARE(oSeen.size(), nCount);
    // The surplus has ended and the pool is the size last asked for.
    QTRY_COMPARE_WITH_TIMEOUT(LiveThreads(oScanner), final, kBusyHostMs + kSlackMs);
    QCOMPARE(oScanner.ActiveThreadCount(), final);
    // And it still scans.
    oResults.clear();
    oEnd.clear();
    const CIpList oAgain = Scope("198.18.7.1", "198.18.7.100");
    oScanner.OnScan(oAgain, 12);
    QVERIFY(WaitFor(oEnd, 1, 30000));
    QCOMPARE(oResults.count(), int(oAgain.Count()));
}

void TestScanFaults::newScanWhileWorkersAreBusy()
{
    MScanner oScanner;
    oScanner.OnCfg(QuickCfg());
    oScanner.SetThreadCount(64);
    QSignalSpy oResults(&oScanner, &MScanner::EmitResult);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    // 32 slow hosts keep half the pool busy; then a new scan of unreachable addresses, which
    // the idle half answers at once.
    oScanner.OnScan(Scope("127.0.2.1", "127.0.2.32"), 21);
    QTest::qWait(300);
    const CIpList oSecond = Scope("198.18.9.1", "198.18.9.200");
    QElapsedTimer oTimer;
    oTimer.start();
    oScanner.OnScan(oSecond, 22);
    QVERIFY(WaitFor(oEnd, 1, 30000));
    // The second scan did not wait for the first one's slow hosts.
    QVERIFY2(oTimer.elapsed() < kBusyHostMs, qPrintable(QString::number(oTimer.elapsed())));
    QCOMPARE(oResults.count(), int(oSecond.Count()));
    // The old hosts finish later; none of their results is forwarded, and the end is not
    // reported again.
    QTRY_COMPARE_WITH_TIMEOUT(oScanner.ActiveThreadCount(), 64, kBusyHostMs + kSlackMs);
    QVERIFY(!oEnd.wait(kBusyHostMs + 1000));
    QCOMPARE(oEnd.count(), 1);
    QCOMPARE(oResults.count(), int(oSecond.Count()));
    for (const QList<QVariant> &lvArgs : qAsConst(oResults))
        QCOMPARE(lvArgs.at(0).value<CScanResult>().scan_id(), 22);
}

void TestScanFaults::stopWhilePausedWithBusyWorkers()
{
    auto pScanner = std::make_unique<MScanner>();
    pScanner->OnCfg(QuickCfg());
    pScanner->SetThreadCount(16);
    QSignalSpy oResults(pScanner.get(), &MScanner::EmitResult);
    pScanner->OnScan(Scope("127.0.3.1", "127.0.3.200"), 31);
    QTest::qWait(300);
    pScanner->OnPause(true);
    QElapsedTimer oTimer;
    oTimer.start();
    pScanner->StopAll();
    // Workers stop between probes: at worst one slow probe each, never the rest of the scope.
    QVERIFY2(oTimer.elapsed() < kBusyHostMs + kSlackMs,
             qPrintable(QString::number(oTimer.elapsed())));
    QCOMPARE(pScanner->ActiveThreadCount(), 0);
    QCOMPARE(LiveThreads(*pScanner), 0);
    // Results still queued from the stopped workers arrive harmlessly, and then the scanner,
    // destroyed with nothing running, takes nothing down with it.
    QCoreApplication::processEvents();
    QVERIFY(oResults.count() <= 16);
    pScanner.reset();
}

QTEST_GUILESS_MAIN(TestScanFaults)
#include "tst_ScanFaults.moc"
