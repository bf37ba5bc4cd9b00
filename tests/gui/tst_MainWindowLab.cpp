// SPDX-License-Identifier: GPL-3.0-or-later
// A scan of the test network's /20 from the window, run inside the lab's scanner namespace.
#include "../netlab/LabTable.h"
#include "CGuiProgram.h"
#include "CScanFragment.h"
#include "GuiTestSupport.h"
#include "MCfg.h"
#include "MScanner.h"
#include "ScanWatch.h"
#include "VResultsBackend.h"
#include "v_main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QNetworkInterface>
#include <QPushButton>
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

// The scanner namespace is the one that holds the lab's scanner address.
bool InScannerNamespace()
{
    const QList<QHostAddress> lAddresses = QNetworkInterface::allAddresses();
    return lAddresses.contains(QHostAddress(QStringLiteral("198.18.0.2")));
}

struct TLabHost
{
    QString sMac;
    QString sStatus;
};

QHash<quint32, TLabHost> ReadHosts()
{
    QHash<quint32, TLabHost> hHosts;
    for (const TLabRow &mRow : ReadLabTable()) {
        const QHostAddress oAddress(mRow.value(QStringLiteral("ip")));
        if (oAddress.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        hHosts.insert(oAddress.toIPv4Address(),
                      TLabHost{mRow.value(QStringLiteral("mac")),
                               mRow.value(QStringLiteral("expect_status"))});
    }
    return hHosts;
}

} // namespace

class TestMainWindowLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scanOfTestNetwork();
};

void TestMainWindowLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    if (!InScannerNamespace())
        QSKIP("not inside the lab's scanner namespace vnl-scan");
    QVERIFY(TestDir().isValid());
    GuiTest::IsolateIn(TestDir().path(), true);
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-lab-test"));
}

void TestMainWindowLab::scanOfTestNetwork()
{
    const QHash<quint32, TLabHost> hHosts = ReadHosts();
    QVERIFY(!hHosts.isEmpty());
    CGuiProgram oProgram;
    oProgram.Cfg().Cfg().set_show_unknown(true);
    oProgram.Start();
    v_main &oWindow = oProgram.MainWindow();
    oWindow.resize(1280, 800);
    QVERIFY(QTest::qWaitForWindowExposed(&oWindow));
    auto *pRangeBox = oWindow.findChild<QComboBox *>(QStringLiteral("cbIpRange"));
    auto *pScan = oWindow.findChild<QPushButton *>(QStringLiteral("b_scan"));
    QVERIFY(pRangeBox && pScan);
    pRangeBox->setEditText(QStringLiteral("198.18.0.0/20"));
    GuiTest::Shot(oWindow, QStringLiteral("lab-idle"));

    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    ScanWatch oWatch;
    oWatch.Start();
    QTest::mouseClick(pScan, Qt::LeftButton);
    QCOMPARE(oScan.count(), 1);
    const quint32 nTotal = oScan.at(0).at(0).value<CIpList>().Count();
    QCOMPARE(nTotal, 4064u); // inner .0 and .255 addresses are not scanned
    QTRY_VERIFY_WITH_TIMEOUT(
        oWindow.AliveCount() + oWindow.DeadCount() + oWindow.UnknownCount() > 50, 120000);
    GuiTest::Shot(oWindow, QStringLiteral("lab-scanning"));
    QTRY_VERIFY_WITH_TIMEOUT(!oWindow.IsScanning(), 500000);
    oWatch.Stop();
    oWindow.resize(720, 480);
    GuiTest::Shot(oWindow, QStringLiteral("lab-finished-small"));
    oWindow.resize(1280, 800);
    GuiTest::Shot(oWindow, QStringLiteral("lab-finished"));

    QCOMPARE(quint32(oWindow.AliveCount() + oWindow.DeadCount() + oWindow.UnknownCount()), nTotal);
    QCOMPARE(quint32(oProgram.ScanModel().rowCount()), nTotal);
    qInfo("%d alive, %d dead, %d unknown; longest main-thread stall %.1f ms (from %.0f ms of %.0f "
          "ms)",
          oWindow.AliveCount(),
          oWindow.DeadCount(),
          oWindow.UnknownCount(),
          oWatch.LongestStallMs(),
          oWatch.LongestStallStartMs(),
          oWatch.ElapsedMs());

    if (oWindow.AliveCount() == 0) {
        qWarning("no liveness probe answered: only the counting was checked");
        return;
    }
    QHash<quint32, CScanResult> hShown;
    for (const CScanItem &oItem : oProgram.ScanModel().Items())
        hShown.insert(oItem.result().ip(), oItem.result());
    for (auto it = hHosts.cbegin(); it != hHosts.cend(); ++it) {
        if ((it.key() & 0xFFFFF000u) != GuiTest::Ip("198.18.0.0"))
            continue;
        QVERIFY2(hShown.contains(it.key()), qPrintable(IpToText(it.key())));
        const CScanResult oResult = hShown.value(it.key());
        // Hosts that answer without a MAC (this machine's own address) are alive too.
        if (it.value().sStatus == QLatin1String("alive")) {
            QVERIFY2(oResult.IsAlive(), qPrintable(IpToText(it.key())));
            if (!it.value().sMac.isEmpty())
                QCOMPARE(oResult.MacText(), it.value().sMac);
        }
    }
}

QTEST_MAIN(TestMainWindowLab)
#include "tst_MainWindowLab.moc"
