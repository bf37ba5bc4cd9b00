// SPDX-License-Identifier: GPL-3.0-or-later
// A real scan started from the window, inside the loopback namespace: the scanner's results
// stream into the window and its models while the main thread is watched for stalls.
#include "CGuiProgram.h"
#include "CScanInventory.h"
#include "GuiTestSupport.h"
#include "MCfg.h"
#include "MIpMacDataStorage.h"
#include "MScanner.h"
#include "ScanWatch.h"
#include "VResultsBackend.h"
#include "v_main.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QTemporaryDir &TestDir()
{
    static QTemporaryDir s_oDir;
    return s_oDir;
}

// Only loopback may be up: then no probe can leave this namespace.
bool OnlyLoopback()
{
    const QList<QNetworkInterface> lInterfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &oInterface : lInterfaces) {
        if (oInterface.flags().testFlag(QNetworkInterface::IsUp)
            && !oInterface.flags().testFlag(QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

} // namespace

class TestMainWindowScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scanOfLoopbackRange_data();
    void scanOfLoopbackRange();

private:
    std::unique_ptr<CGuiProgram> m_pProgram;
};

void TestMainWindowScan::initTestCase()
{
    if (!OnlyLoopback())
        QSKIP("needs the loopback namespace (run through ctest or loopns.sh exec)");
    QVERIFY(TestDir().isValid());
    GuiTest::IsolateIn(TestDir().path(), true);
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-scan-test"));
}

void TestMainWindowScan::scanOfLoopbackRange_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QSize>("windowSize");
    QTest::newRow("a /24 at 1280x800")
        << QStringLiteral("127.0.0.1-127.0.0.254") << QSize(1280, 800);
    // Loopback hosts have no DNS name here, so each costs its worker the full SNMP wait: a /23
    // keeps many rows streaming into a small window without making the test long.
    QTest::newRow("a /23 in a small window") << QStringLiteral("127.0.1.0/23") << QSize(640, 420);
}

void TestMainWindowScan::scanOfLoopbackRange()
{
    QFETCH(QString, range);
    QFETCH(QSize, windowSize);
    m_pProgram = std::make_unique<CGuiProgram>();
    m_pProgram->Cfg().Cfg().set_show_unknown(true); // every result becomes a row
    m_pProgram->Start();
    v_main &oWindow = m_pProgram->MainWindow();
    oWindow.resize(windowSize);
    QVERIFY(QTest::qWaitForWindowExposed(&oWindow));
    auto *pRangeBox = oWindow.findChild<QComboBox *>(QStringLiteral("cbIpRange"));
    auto *pScan = oWindow.findChild<QPushButton *>(QStringLiteral("b_scan"));
    QVERIFY(pRangeBox && pScan);
    pRangeBox->setEditText(range);
    QString sTag = QString::fromLatin1(QTest::currentDataTag());
    sTag.replace(QLatin1Char(' '), QLatin1Char('_')).remove(QLatin1Char('/'));
    GuiTest::Shot(oWindow, sTag + QStringLiteral("-idle"));

    QSignalSpy oEnd(&m_pProgram->Scanner(), &MScanner::EmitScanEnd);
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    QSignalSpy oRecorded(&m_pProgram->Inventory(), &CScanInventory::Recorded);
    QSignalSpy oShown(&oWindow, &v_main::DataReady);
    ScanWatch oWatch;
    oWatch.Start();
    QElapsedTimer oClick;
    oClick.start();
    QTest::mouseClick(pScan, Qt::LeftButton);
    qInfo("starting the scan took %lld ms", oClick.elapsed());
    QCOMPARE(oScan.count(), 1);
    const quint32 nTotal = oScan.at(0).at(0).value<CIpList>().Count();
    QVERIFY(nTotal > 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        oWindow.AliveCount() + oWindow.DeadCount() + oWindow.UnknownCount() > 0, 60000);
    GuiTest::Shot(oWindow, sTag + QStringLiteral("-scanning"));
    QTRY_VERIFY_WITH_TIMEOUT(!oWindow.IsScanning(), 240000);
    QCOMPARE(oEnd.count(), 1);
    oWatch.Stop();
    GuiTest::Shot(oWindow, sTag + QStringLiteral("-finished"));

    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(quint32(oWindow.AliveCount() + oWindow.DeadCount() + oWindow.UnknownCount()), nTotal);
    QCOMPARE(quint32(m_pProgram->ScanModel().rowCount()), nTotal);
    QCOMPARE(pScan->text(), QStringLiteral("Scan"));
    // Recorded once into the embedded store, with a "new" event for each address that answered
    // and no earlier scan of this test saw (the /23 holds the /24 of the row before).
    static QSet<quint32> s_setSeen;
    int nNew = 0;
    for (const QList<QVariant> &lArgs : qAsConst(oShown)) {
        const CScanResult oResult = lArgs.at(0).value<CScanResult>();
        if (oResult.IsAlive() && !s_setSeen.contains(oResult.ip())) {
            s_setSeen.insert(oResult.ip());
            ++nNew;
        }
    }
    QVERIFY(nNew > 0);
    QCOMPARE(oRecorded.count(), 1);
    const CInventoryEvents lEvents = oRecorded.at(0).at(0).value<CInventoryEvents>();
    QCOMPARE(lEvents.size(), nNew);
    for (const CInventoryEvent &oEvent : lEvents)
        QCOMPARE(oEvent.sKind, QStringLiteral("new"));
    qInfo("%u results; longest main-thread stall %.1f ms (from %.0f ms of %.0f ms) over %lld timer "
          "ticks",
          nTotal,
          oWatch.LongestStallMs(),
          oWatch.LongestStallStartMs(),
          oWatch.ElapsedMs(),
          oWatch.Ticks());
    m_pProgram.reset();
}

QTEST_MAIN(TestMainWindowScan)
#include "tst_MainWindowScan.moc"
