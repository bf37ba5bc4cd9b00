// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the program builds and wires it. The window's scan requests are cut off
// from the scanner, and results are fed in through the scanner's own signals, so no probe is
// ever sent; the test still runs in the loopback namespace.
#include "CCfg.h"
#include "CColumnStates.h"
#include "CFavoritesController.h"
#include "CGuiProgram.h"
#include "CMouseRightClickTableView.h"
#include "CResultsXml.h"
#include "CScanTiming.h"
#include "CViewStateKeeper.h"
#include "GuiTestSupport.h"
#include "MCfg.h"
#include "MIpMacDataStorage.h"
#include "MScanner.h"
#include "MessageBoxCatcher.h"
#include "VResultsBackend.h"
#include "v_main.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QXmlStreamReader>

#include <memory>

using namespace GuiTest;

namespace {

// Outlives the application object, whose end writes the IP-to-MAC memory into it.
QTemporaryDir &TestDir()
{
    static QTemporaryDir s_oDir;
    return s_oDir;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyMenuAndToolBarEntryIsWired();
    void rangeBoxValidity_data();
    void rangeBoxValidity();
    void scanButtonStartsAndStops();
    void cidrTextIsScanned();
    void rangeFileIsScanned();
    void resultsAreCountedAndCompleted();
    void progressLineTellsHowTheScanEnded_data();
    void progressLineTellsHowTheScanEnded();
    void lateResultsAreIgnored();
    void pauseBuffersAndReplaysInOrder();
    void scanEndDuringPauseKeepsBufferedResults();
    void burstIsShownInSlices();
    void stopDuringBurstKeepsResults();
    void largeScanAsksFirst_data();
    void largeScanAsksFirst();
    void progressLineShowsTimeWhileScanning();
    void largeScanRule_data();
    void largeScanRule();
    void keysActOnlyInActiveMainWindow();
    void myIpOnlyFillsText();
    void classCConvertsText();
    void favoritesTabScansFavorites();
    void selectionDrivesHostControls();
    void addToFavoritesCopiesSelectedRows();
    void selectionFollowsHostsWhileRowsMove();
    void dragOverTabsSwitchesOnlyToFavorites();
    void dropOnFavoritesTabAddsRows_data();
    void dropOnFavoritesTabAddsRows();
    void deleteKeyRemovesFavoritesOnlyOnFavoritesTab();
    void showFiltersOfViewMenu();
    void saveWritesTheFormOfTheEnding_data();
    void saveWritesTheFormOfTheEnding();
    void saveWithoutRowsKeepsOldFile();
    void savedFileNamesTheScanAndLoads();
    void saveDialogTakesTheChosenType_data();
    void saveDialogTakesTheChosenType();
    void storedColumnsWithWrongCountFallBack_data();
    void storedColumnsWithWrongCountFallBack();
    void columnMenuTogglesVisibility();
    void vendorColumnNamesTheMacsOwner();
    void nameColumnFillsTheRowOnBothPages_data();
    void nameColumnFillsTheRowOnBothPages();
    void keyboardShortcutsAreInTheMenus();
    void searchBoxFiltersWithTheStatusFilters_data();
    void searchBoxFiltersWithTheStatusFilters();
    void namesKeepTheirRoomAndColumnsFillTheView();
    void columnsFitTheirContentWhenFirstShown();
    void probeColumnsFollowTheSettings_data();
    void probeColumnsFollowTheSettings();
    void windowStateRestoredAtNextStart();
    void favoritesFileSavedAndLoaded();

private:
    v_main &Start();
    template <typename T> T *Child(const char *i_pName) const
    {
        return NamedChild<T>(&m_pProgram->MainWindow(), i_pName);
    }
    QComboBox *RangeBox() const { return Child<QComboBox>("cbIpRange"); }
    QPushButton *ScanButton() const { return Child<QPushButton>("b_scan"); }
    QTabWidget *Tabs() const { return Child<QTabWidget>("tabMachineList"); }
    void Feed(const CScanResult &i_oResult) { emit m_pProgram->Scanner().EmitResult(i_oResult); }

    QTemporaryDir &m_oDir = TestDir();
    std::unique_ptr<CGuiProgram> m_pProgram;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    // The IP-to-MAC memory and the Favorites file live in the home folder.
    IsolateIn(m_oDir.path(), true);
    qRegisterMetaType<CIpList>();
    // A registry of the test's own: the MACs of Mac() and the printer's block.
    const QString sRegistry = m_oDir.filePath(QStringLiteral("ieee-data"));
    QVERIFY(QDir().mkpath(sRegistry));
    QFile oOui(QDir(sRegistry).filePath(QStringLiteral("oui.csv")));
    QVERIFY(oOui.open(QIODevice::WriteOnly));
    oOui.write("Registry,Assignment,Organization Name,Organization Address\n"
               "MA-L,025E00,Netlab Test Org,Nowhere\n"
               "MA-L,3C22FB,\"Printers, Ltd.\",Somewhere\n");
    oOui.close();
    qputenv("VISTREL_IEEE_DATA_DIR", sRegistry.toUtf8());
}

void TestMainWindow::init()
{
    // Each test its own settings file.
    QCoreApplication::setApplicationName(
        QStringLiteral("vistrel-%1").arg(QLatin1String(QTest::currentTestFunction())));
    QFile::remove(v_main::FavoritesFilePath());
}

void TestMainWindow::cleanup()
{
    m_pProgram.reset();
}

v_main &TestMainWindow::Start()
{
    m_pProgram = std::make_unique<CGuiProgram>();
    v_main &oWindow = m_pProgram->MainWindow();
    const bool fCut =
        QObject::disconnect(&oWindow, &v_main::EmitScan, &m_pProgram->Scanner(), &MScanner::OnScan);
    if (!fCut)
        qFatal("the window's scan requests still reach the scanner");
    MIpMacDataStorage::Instance()->Load(m_oDir.filePath(QStringLiteral("mac.bin")));
    m_pProgram->Start();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        qWarning("main window not exposed");
    return oWindow;
}

// ---- menus -----------------------------------------------------------------------------------

void TestMainWindow::everyMenuAndToolBarEntryIsWired()
{
    Start();
    // Cutting the connections is the public way to learn whether there were any; the window
    // is not used afterwards.
    const auto Wired = [](QObject *i_pSender, const char *i_pSignal) {
        return QObject::disconnect(i_pSender, i_pSignal, nullptr, nullptr);
    };
    QList<QAction *> lActions;
    const QList<QMenu *> lMenus = m_pProgram->MainWindow().findChildren<QMenu *>();
    for (const QMenu *pMenu : lMenus)
        lActions << pMenu->actions();
    lActions << Child<QToolBar>("toolBar")->actions();
    int nChecked = 0;
    QSet<QActionGroup *> lGroups;
    for (QAction *pAction : qAsConst(lActions)) {
        if (pAction->isSeparator() || pAction->menu()
            || Child<QToolBar>("toolBar")->widgetForAction(pAction) == Child<QWidget>("banner"))
            continue;
        // Language entries are wired through their action group.
        if (pAction->actionGroup()) {
            lGroups.insert(pAction->actionGroup());
            continue;
        }
        const bool fTriggered = Wired(pAction, SIGNAL(triggered(bool)));
        const bool fToggled = Wired(pAction, SIGNAL(toggled(bool)));
        QVERIFY2(fTriggered || fToggled,
                 qPrintable(pAction->objectName() + QLatin1Char(' ') + pAction->text()));
        ++nChecked;
    }
    // File 5, Operations 8 + 8, Settings 1, View 7, Help 4, tool bar 4.
    QCOMPARE(nChecked, 37);
    for (QActionGroup *pGroup : qAsConst(lGroups))
        QVERIFY(Wired(pGroup, SIGNAL(triggered(QAction *))));
}

// ---- range box and Scan button ----------------------------------------------------------------

void TestMainWindow::rangeBoxValidity_data()
{
    const QString sFile = m_oDir.filePath(QStringLiteral("ranges.txt"));
    QFile oFile(sFile);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write("127.0.0.1-127.0.0.3\n");
    oFile.close();
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("usable");
    QTest::newRow("single address") << QStringLiteral("127.0.0.1") << true;
    QTest::newRow("range list") << QStringLiteral("127.0.0.1-127.0.0.5, 127.0.0.9") << true;
    QTest::newRow("cidr") << QStringLiteral("127.0.0.0/24") << true;
    QTest::newRow("existing file") << QStringLiteral("file://") + sFile << true;
    QTest::newRow("missing file is red")
        << QStringLiteral("file://") + sFile + QStringLiteral("x") << false;
    QTest::newRow("words are red") << QStringLiteral("scan my network") << false;
    QTest::newRow("octet above 255 is red") << QStringLiteral("127.0.0.300") << false;
    QTest::newRow("empty is red") << QString() << false;
}

void TestMainWindow::rangeBoxValidity()
{
    QFETCH(QString, text);
    QFETCH(bool, usable);
    Start();
    RangeBox()->setEditText(text);
    QCOMPARE(ScanButton()->isEnabled(), usable);
    const QColor oText = RangeBox()->lineEdit()->palette().color(QPalette::Text);
    QCOMPARE(oText == QColor(Qt::red), !usable);
}

void TestMainWindow::scanButtonStartsAndStops()
{
    v_main &oWindow = Start();
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    QSignalSpy oClear(&oWindow, &v_main::ClearScanData);
    QSignalSpy oUsed(&oWindow, &v_main::ScanSrcDataWasUsed);
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.4"));
    const int nIdBefore = oWindow.ScanId();
    QTest::mouseClick(ScanButton(), Qt::LeftButton);

    QCOMPARE(oScan.count(), 1);
    QCOMPARE(oScan.at(0).at(0).value<CIpList>().Count(), 4u);
    QCOMPARE(oScan.at(0).at(1).toInt(), nIdBefore + 1);
    QCOMPARE(oClear.count(), 1);
    QCOMPARE(oUsed.count(), 1);
    QCOMPARE(oUsed.at(0).at(0).toString(), QStringLiteral("127.0.0.1-127.0.0.4"));
    QVERIFY(oWindow.IsScanning());
    QCOMPARE(ScanButton()->text(), QStringLiteral("Stop"));
    QVERIFY(ScanButton()->isEnabled());
    QVERIFY(Child<QPushButton>("pbPause")->isEnabled());
    QVERIFY(!RangeBox()->isEnabled());
    QVERIFY(!Tabs()->tabBar()->isEnabled());
    QVERIFY(!Child<QAction>("act_my_ip")->isEnabled());
    QVERIFY(!Child<QAction>("act_scan_from_file")->isEnabled());
    QCOMPARE(Child<QProgressBar>("prgbarScanProgress")->maximum(), 4);

    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QCOMPARE(oScan.count(), 2);
    QCOMPARE(oScan.at(1).at(0).value<CIpList>().Count(), 0u);
    QCOMPARE(oScan.at(1).at(1).toInt(), nIdBefore + 1);
    QCOMPARE(oWindow.ScanId(), nIdBefore + 2);
    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(ScanButton()->text(), QStringLiteral("Scan"));
    QVERIFY(!Child<QPushButton>("pbPause")->isEnabled());
    QVERIFY(RangeBox()->isEnabled());
    QVERIFY(Tabs()->tabBar()->isEnabled());
    QVERIFY(Child<QAction>("act_my_ip")->isEnabled());
}

void TestMainWindow::cidrTextIsScanned()
{
    v_main &oWindow = Start();
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    RangeBox()->setEditText(QStringLiteral("127.0.0.0/30"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QCOMPARE(oScan.count(), 1);
    QCOMPARE(oScan.at(0).at(0).value<CIpList>().Count(), 2u);
}

void TestMainWindow::rangeFileIsScanned()
{
    const QString sFile = m_oDir.filePath(QStringLiteral("scan-these.txt"));
    QFile oFile(sFile);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write("# two ranges\n127.0.0.1-127.0.0.3\n127.0.0.7\n");
    oFile.close();
    v_main &oWindow = Start();
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    QSignalSpy oUsed(&oWindow, &v_main::ScanSrcDataWasUsed);
    RangeBox()->setEditText(QStringLiteral("file://") + sFile);
    QVERIFY(ScanButton()->isEnabled());
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QCOMPARE(oScan.count(), 1);
    QCOMPARE(oScan.at(0).at(0).value<CIpList>().Count(), 4u);
    // One scan of a file is one use in the range history.
    QCOMPARE(oUsed.count(), 1);
    QCOMPARE(oUsed.at(0).at(0).toString(), QStringLiteral("file://") + sFile);
}

// ---- the state machine ------------------------------------------------------------------------

void TestMainWindow::resultsAreCountedAndCompleted()
{
    v_main &oWindow = Start();
    MIpMacDataStorage::Instance()->SetMac(Ip("127.0.0.3"), Mac(3));
    MIpMacDataStorage::Instance()->SetName(Ip("127.0.0.3"), QStringLiteral("known-before"));
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    QSignalSpy oData(&oWindow, &v_main::DataReady);

    Feed(Result("127.0.0.1", EHostStatus::Alive, nId, 3, Mac(1)));
    Feed(Result("127.0.0.2", EHostStatus::Dead, nId, 3));    // silent, never seen: unknown
    Feed(Result("127.0.0.3", EHostStatus::Unknown, nId, 3)); // silent, seen before: dead

    QCOMPARE(oWindow.AliveCount(), 1);
    QCOMPARE(oWindow.DeadCount(), 1);
    QCOMPARE(oWindow.UnknownCount(), 1);
    QCOMPARE(oData.count(), 3);
    const CScanResult oKnown = oData.at(2).at(0).value<CScanResult>();
    QCOMPARE(oKnown.status(), EHostStatus::Dead);
    QCOMPARE(oKnown.mac(), Mac(3));
    QCOMPARE(oKnown.name(), QStringLiteral("known-before"));
    QCOMPARE(MIpMacDataStorage::Instance()->GetMac(Ip("127.0.0.1")), Mac(1));

    auto *pProgress = Child<QProgressBar>("prgbarScanProgress");
    QCOMPARE(pProgress->value(), 3);
    QVERIFY(pProgress->format().contains(QStringLiteral("1 alive, 1 dead, 1 unknown")));
    // Unknown hosts are hidden by default.
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 2);

    emit m_pProgram->Scanner().EmitScanEnd();
    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(pProgress->value(), 0);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 2);
}

void TestMainWindow::progressLineTellsHowTheScanEnded_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("finished") << false
                              << QStringLiteral(
                                     "^Finished in \\d+[.,]\\d s: 1 alive, 1 dead, 0 unknown$");
    QTest::newRow("stopped halfway")
        << true << QStringLiteral("^Stopped at 50%: 1 alive, 1 dead, 0 unknown$");
}

void TestMainWindow::progressLineTellsHowTheScanEnded()
{
    QFETCH(bool, stopped);
    QFETCH(QString, pattern);
    v_main &oWindow = Start();
    auto *pProgress = Child<QProgressBar>("prgbarScanProgress");
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.4"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 4, Mac(1)));
    MIpMacDataStorage::Instance()->SetMac(Ip("127.0.0.2"), Mac(2));
    Feed(Result("127.0.0.2", EHostStatus::Unknown, oWindow.ScanId(), 4)); // seen before: dead
    if (stopped)
        QTest::mouseClick(ScanButton(), Qt::LeftButton);
    else
        emit m_pProgram->Scanner().EmitScanEnd();
    QVERIFY(!oWindow.IsScanning());
    QVERIFY2(QRegularExpression(pattern).match(pProgress->text()).hasMatch(),
             qPrintable(pProgress->text()));
    GuiTest::Shot(oWindow,
                  stopped ? QStringLiteral("scan-stopped-line")
                          : QStringLiteral("scan-finished-line"));
    // The counts go with the list they describe.
    Child<QAction>("act_clear_list")->trigger();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 0);
    QVERIFY2(!pProgress->text().contains(QStringLiteral("alive")), qPrintable(pProgress->text()));
}

void TestMainWindow::lateResultsAreIgnored()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.9"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nFirstId = oWindow.ScanId();
    Feed(Result("127.0.0.1", EHostStatus::Alive, nFirstId, 9, Mac(1)));
    QTest::mouseClick(ScanButton(), Qt::LeftButton); // stop
    QCOMPARE(oWindow.AliveCount(), 1);

    Feed(Result("127.0.0.2", EHostStatus::Alive, nFirstId, 9, Mac(2)));
    QCOMPARE(oWindow.AliveCount(), 1);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 1);

    QTest::mouseClick(ScanButton(), Qt::LeftButton); // a new scan clears the list
    QVERIFY(oWindow.ScanId() != nFirstId);
    Feed(Result("127.0.0.4", EHostStatus::Alive, nFirstId, 9, Mac(4)));
    QCOMPARE(oWindow.AliveCount(), 0);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 0);
    Feed(Result("127.0.0.5", EHostStatus::Alive, oWindow.ScanId(), 9, Mac(5)));
    QCOMPARE(oWindow.AliveCount(), 1);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 1);
}

void TestMainWindow::pauseBuffersAndReplaysInOrder()
{
    v_main &oWindow = Start();
    QSignalSpy oPause(&oWindow, &v_main::EmitPauseRequest);
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.9"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    auto *pPauseButton = Child<QPushButton>("pbPause");
    auto *pProgress = Child<QProgressBar>("prgbarScanProgress");
    QCOMPARE(pPauseButton->text(), QStringLiteral("Pause"));

    QTest::mouseClick(pPauseButton, Qt::LeftButton);
    QCOMPARE(oPause.count(), 1);
    QCOMPARE(oPause.at(0).at(0).toBool(), true);
    QVERIFY(oWindow.IsPaused());
    QCOMPARE(pPauseButton->text(), QStringLiteral("Resume"));
    QCOMPARE(pProgress->format(), QStringLiteral("Scan paused..."));
    QVERIFY(!pProgress->isEnabled());

    QSignalSpy oData(&oWindow, &v_main::DataReady);
    for (const char *pIp : {"127.0.0.7", "127.0.0.2", "127.0.0.5"})
        Feed(Result(pIp, EHostStatus::Alive, nId, 9, Mac(7)));
    QCOMPARE(oWindow.AliveCount(), 0);
    QCOMPARE(oWindow.BufferedResultCount(), 3);
    QCOMPARE(oData.count(), 0);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 0);

    QTest::mouseClick(pPauseButton, Qt::LeftButton);
    QCOMPARE(oPause.count(), 2);
    QCOMPARE(oPause.at(1).at(0).toBool(), false);
    QVERIFY(!oWindow.IsPaused());
    QCOMPARE(oWindow.AliveCount(), 3);
    QCOMPARE(oWindow.BufferedResultCount(), 0);
    QCOMPARE(oData.count(), 3);
    QCOMPARE(oData.at(0).at(0).value<CScanResult>().ip(), Ip("127.0.0.7"));
    QCOMPARE(oData.at(1).at(0).value<CScanResult>().ip(), Ip("127.0.0.2"));
    QCOMPARE(oData.at(2).at(0).value<CScanResult>().ip(), Ip("127.0.0.5"));
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 3);
    QVERIFY(pProgress->format().contains(QStringLiteral("3 alive")));
    QVERIFY(pProgress->isEnabled());
}

void TestMainWindow::scanEndDuringPauseKeepsBufferedResults()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.2"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    QTest::mouseClick(Child<QPushButton>("pbPause"), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, nId, 2, Mac(1)));
    Feed(Result("127.0.0.2", EHostStatus::Alive, nId, 2, Mac(2)));
    // The scanner saw both results arrive and reports the end while the window is paused.
    emit m_pProgram->Scanner().EmitScanEnd();
    QVERIFY(!oWindow.IsScanning());
    QVERIFY(!oWindow.IsPaused());
    QCOMPARE(oWindow.AliveCount(), 2);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 2);
}

void TestMainWindow::burstIsShownInSlices()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.0/20"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    QSignalSpy oData(&oWindow, &v_main::DataReady);
    // All at once, as when every worker finishes together: the window must not take them all
    // in one go.
    const quint32 nFirst = Ip("127.0.0.1");
    for (quint32 n = 0; n < 3000; ++n) {
        CScanResult oResult = Result("127.0.0.1", EHostStatus::Alive, nId, 3000, Mac(quint8(n)));
        oResult.set_ip(nFirst + n);
        Feed(oResult);
    }
    emit m_pProgram->Scanner().EmitScanEnd();
    QVERIFY2(oWindow.BacklogCount() > 0, "3000 results were all handled in one turn");
    QVERIFY(oWindow.IsScanning()); // ends only once the backlog is shown
    QTRY_VERIFY_WITH_TIMEOUT(!oWindow.IsScanning(), 60000);
    QCOMPARE(oWindow.AliveCount(), 3000);
    QCOMPARE(oData.count(), 3000);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 3000);
    // Arrival order is kept through the backlog.
    for (int i = 0; i < oData.count(); i += 499)
        QCOMPARE(oData.at(i).at(0).value<CScanResult>().ip(), nFirst + quint32(i));
}

void TestMainWindow::stopDuringBurstKeepsResults()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.0/20"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    for (quint32 n = 0; n < 2000; ++n) {
        CScanResult oResult = Result("127.0.0.1", EHostStatus::Alive, nId, 2000, Mac(1));
        oResult.set_ip(Ip("127.0.0.1") + n);
        Feed(oResult);
    }
    QTest::mouseClick(Child<QPushButton>("pbPause"), Qt::LeftButton);
    QCOMPARE(oWindow.BacklogCount(), 0);
    QVERIFY(oWindow.AliveCount() + oWindow.BufferedResultCount() == 2000);
    QTest::keyClick(&oWindow, Qt::Key_Escape); // Escape while paused stops
    if (oWindow.IsScanning())
        QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(oWindow.AliveCount(), 2000);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 2000);
}

void TestMainWindow::largeScanAsksFirst_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("scanned");
    QTest::newRow("a /16 is scanned without a question")
        << QStringLiteral("198.18.0.0/16") << int(QMessageBox::No) << false << true;
    QTest::newRow("twice as many are asked about; Yes scans")
        << QStringLiteral("198.18.0.0-198.19.255.255") << int(QMessageBox::Yes) << true << true;
    QTest::newRow("No does not scan and keeps the list")
        << QStringLiteral("198.18.0.0-198.19.255.255") << int(QMessageBox::No) << true << false;
}

void TestMainWindow::largeScanAsksFirst()
{
    QFETCH(QString, range);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, scanned);
    v_main &oWindow = Start();
    // A list from an earlier scan, which a refused scan must leave in place.
    RangeBox()->setEditText(QStringLiteral("127.0.0.1"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 1, Mac(1)));
    emit m_pProgram->Scanner().EmitScanEnd();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 1);

    QSignalSpy oScans(&oWindow, &v_main::EmitScan);
    RangeBox()->setEditText(range);
    const TMessageBox oBox =
        CatchMessageBox([this]() { QTest::mouseClick(ScanButton(), Qt::LeftButton); },
                        QMessageBox::StandardButton(answer));
    QCOMPARE(oBox.fShown, asked);
    QCOMPARE(oWindow.IsScanning(), scanned);
    QCOMPARE(oScans.count(), scanned ? 1 : 0);
    QCOMPARE(m_pProgram->ScanModel().rowCount(), scanned ? 0 : 1);
    if (asked) {
        // The count, the pace it goes at and the time that gives: two requests an address.
        QCOMPARE(oBox.sTitle, QStringLiteral("Large scan"));
        CIpList oList;
        QVERIFY(oList.SetFromText(QStringLiteral("198.18.0.0-198.19.255.255")));
        QVERIFY(oList.Count() > 65536);
        const QString sExpected =
            QStringLiteral("Scan %1 addresses? At %2 requests per second this takes about %3,")
                .arg(QLocale().toString(oList.Count()),
                     QLocale().toString(4000),
                     CScanTiming::Duration(qint64(oList.Count()) * 2 * 1000 / 4000));
        QVERIFY2(oBox.sText.startsWith(sExpected), qPrintable(oBox.sText));
    }
    if (oWindow.IsScanning())
        QTest::mouseClick(ScanButton(), Qt::LeftButton);
}

void TestMainWindow::progressLineShowsTimeWhileScanning()
{
    v_main &oWindow = Start();
    auto *pProgress = Child<QProgressBar>("prgbarScanProgress");
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.4"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 4, Mac(1)));
    Feed(Result("127.0.0.2", EHostStatus::Dead, oWindow.ScanId(), 4, Mac(2)));
    QVERIFY2(pProgress->format().startsWith(QStringLiteral("%p%, 1 alive, 1 dead, 0 unknown, 0:0")),
             qPrintable(pProgress->format()));
    // The line goes on counting while no result comes: rate and time left from the second
    // second on (two of four done: about as long again).
    QTRY_VERIFY_WITH_TIMEOUT(pProgress->format().contains(QStringLiteral("hosts/s")), 10000);
    const QRegularExpression oLine(
        QStringLiteral("^%p%, 1 alive, 1 dead, 0 unknown, 0:(\\d\\d) elapsed, [0-9.]+ hosts/s, "
                       "about 0:(\\d\\d) left$"));
    const QRegularExpressionMatch oMatch = oLine.match(pProgress->format());
    QVERIFY2(oMatch.hasMatch(), qPrintable(pProgress->format()));
    QVERIFY(oMatch.captured(1).toInt() >= 1);
    QVERIFY(qAbs(oMatch.captured(2).toInt() - oMatch.captured(1).toInt()) <= 1);
    QCOMPARE(pProgress->value(), 2);
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QVERIFY(pProgress->format().startsWith(QStringLiteral("Stopped at 50%: 1 alive, 1 dead")));
}

void TestMainWindow::largeScanRule_data()
{
    QTest::addColumn<int>("scanSize");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("withMac");
    QTest::addColumn<bool>("counted");
    QTest::newRow("unknown host in a 65535-address scan is counted") << 65535 << 4 << false << true;
    QTest::newRow("unknown host in a 65536-address scan is dropped")
        << 65536 << 4 << false << false;
    QTest::newRow("silent never-seen host in a large scan is dropped")
        << 70000 << 3 << false << false;
    QTest::newRow("alive host in a large scan is counted") << 70000 << 2 << true << true;
    QTest::newRow("alive host without MAC (routed) in a large scan is counted")
        << 70000 << 2 << false << true;
}

void TestMainWindow::largeScanRule()
{
    QFETCH(int, scanSize);
    QFETCH(int, status);
    QFETCH(bool, withMac);
    QFETCH(bool, counted);
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QSignalSpy oData(&oWindow, &v_main::DataReady);
    Feed(Result("127.0.0.1",
                EHostStatus(status),
                oWindow.ScanId(),
                scanSize,
                withMac ? Mac(1) : QByteArray(6, '\0')));
    QCOMPARE(oData.count(), counted ? 1 : 0);
    QCOMPARE(oWindow.AliveCount() + oWindow.DeadCount() + oWindow.UnknownCount(), counted ? 1 : 0);
    QCOMPARE(oWindow.AliveCount(), counted && status == 2 ? 1 : 0);
}

// ---- keys ---------------------------------------------------------------------------------------

void TestMainWindow::keysActOnlyInActiveMainWindow()
{
    v_main &oWindow = Start();
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QWidget oOther;
    oOther.show();
    QVERIFY(Activate(&oOther));
    QTest::keyClick(&oOther, Qt::Key_Return);
    QCOMPARE(oScan.count(), 0);

    QVERIFY(Activate(&oWindow));
    QTest::keyClick(RangeBox(), Qt::Key_Return);
    QCOMPARE(oScan.count(), 1);
    QVERIFY(oWindow.IsScanning());
    // Return while a scan runs is not the window's business.
    QTest::keyClick(&oWindow, Qt::Key_Return);
    QCOMPARE(oScan.count(), 1);
    QTest::keyClick(&oWindow, Qt::Key_Escape);
    QVERIFY(oWindow.IsPaused());
    QTest::keyClick(&oWindow, Qt::Key_Enter);
    QVERIFY(!oWindow.IsPaused());
    QVERIFY(oWindow.IsScanning());
    QTest::keyClick(&oWindow, Qt::Key_Escape);
    QVERIFY(oWindow.IsPaused());

    QVERIFY(Activate(&oOther));
    QTest::keyClick(&oOther, Qt::Key_Escape);
    QVERIFY(oWindow.IsScanning());
    QVERIFY(Activate(&oWindow));
    QTest::keyClick(&oWindow, Qt::Key_Escape);
    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(oScan.count(), 2);
}

// ---- range box aids -----------------------------------------------------------------------------

void TestMainWindow::myIpOnlyFillsText()
{
    v_main &oWindow = Start();
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    Tabs()->setCurrentIndex(1);
    RangeBox()->setEditText(QStringLiteral("127.0.0.99"));
    Child<QAction>("act_my_ip")->trigger();
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(RangeBox()->currentText(), v_main::MySubnetsText());
    QVERIFY(!RangeBox()->currentText().isEmpty());
    QCOMPARE(oScan.count(), 0);
    QVERIFY(!oWindow.IsScanning());
}

void TestMainWindow::classCConvertsText()
{
    Start();
    Tabs()->setCurrentIndex(1);
    RangeBox()->setEditText(QStringLiteral("10.1.2.3-10.1.9.9, 10.1.2.200"));
    Child<QAction>("act_class_c")->trigger();
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(RangeBox()->currentText(), QStringLiteral("10.1.2.1 - 10.1.2.254"));
    RangeBox()->setEditText(QStringLiteral("not a range"));
    Child<QAction>("act_class_c")->trigger();
    QCOMPARE(RangeBox()->currentText(), QStringLiteral("not a range"));
}

// ---- favorites tab ------------------------------------------------------------------------------

void TestMainWindow::favoritesTabScansFavorites()
{
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(1);
    QVERIFY(!ScanButton()->isEnabled()); // no favorites yet

    QList<CScanItem> lItems;
    for (const char *pIp : {"127.0.0.6", "127.0.0.5", "127.0.0.9"})
        lItems << CScanItem(Result(pIp, EHostStatus::Alive, 0, 0, Mac(1)));
    oWindow.AddFavorites(lItems);
    QCOMPARE(m_pProgram->FavoritesModel().rowCount(), 3);
    QVERIFY(ScanButton()->isEnabled());

    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    QSignalSpy oClear(&oWindow, &v_main::ClearScanData);
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    QCOMPARE(oScan.count(), 1);
    QCOMPARE(oClear.count(), 0);
    const QVector<TIpRange> vRanges = oScan.at(0).at(0).value<CIpList>().Ranges();
    QCOMPARE(vRanges.size(), 2);
    QCOMPARE(vRanges.at(0).first, Ip("127.0.0.5"));
    QCOMPARE(vRanges.at(0).last, Ip("127.0.0.6"));
    QCOMPARE(vRanges.at(1).first, Ip("127.0.0.9"));

    // Results of a Favorites scan update the favorites only.
    Feed(Result("127.0.0.5", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(5)));
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 0);
    bool fUpdated = false;
    for (const CScanItem &oItem : m_pProgram->FavoritesModel().Items())
        fUpdated |= oItem.result().ip() == Ip("127.0.0.5") && oItem.result().mac() == Mac(5);
    QVERIFY(fUpdated);
}

void TestMainWindow::selectionDrivesHostControls()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(1)));
    Feed(Result("127.0.0.2", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(2)));
    emit m_pProgram->Scanner().EmitScanEnd();

    auto *pView = Child<CMouseRightClickTableView>("tvResults");
    QVERIFY(!Child<QAction>("act_wol")->isEnabled());
    QVERIFY(!Child<QPushButton>("b_add_to_favorites")->isEnabled());
    QVERIFY(Child<QAction>("act_clear_list")->isEnabled());
    QVERIFY(Child<QAction>("act_save")->isEnabled());
    pView->selectionModel()->select(pView->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(Child<QAction>("act_wol")->isEnabled());
    QVERIFY(Child<QAction>("act_tb_shutdown")->isEnabled());
    QVERIFY(Child<QPushButton>("b_add_to_favorites")->isEnabled());
    pView->clearSelection();
    QVERIFY(!Child<QAction>("act_wol")->isEnabled());

    Child<QAction>("act_clear_list")->trigger();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 0);
    QVERIFY(!Child<QAction>("act_clear_list")->isEnabled());
    QVERIFY(!Child<QAction>("act_save")->isEnabled());
}

void TestMainWindow::addToFavoritesCopiesSelectedRows()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    for (const char *pIp : {"127.0.0.1", "127.0.0.2", "127.0.0.3"})
        Feed(Result(pIp, EHostStatus::Alive, oWindow.ScanId(), 3, Mac(9)));
    emit m_pProgram->Scanner().EmitScanEnd();
    auto *pView = Child<CMouseRightClickTableView>("tvResults");
    for (int nRow : {0, 2})
        pView->selectionModel()->select(pView->model()->index(nRow, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(Child<QPushButton>("b_add_to_favorites"), Qt::LeftButton);
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 2);
    QVERIFY(!pView->selectionModel()->hasSelection());
}

void TestMainWindow::selectionFollowsHostsWhileRowsMove()
{
    v_main &oWindow = Start();
    auto *pView = Child<CMouseRightClickTableView>("tvResults");
    pView->header()->setSortIndicator(2, Qt::AscendingOrder); // by address
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.9"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    const int nId = oWindow.ScanId();
    Feed(Result("127.0.0.5", EHostStatus::Alive, nId, 9, Mac(5)));
    Feed(Result("127.0.0.9", EHostStatus::Alive, nId, 9, Mac(9)));
    const QModelIndex oNine = pView->model()->index(1, 0);
    pView->selectionModel()->setCurrentIndex(
        oNine, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    Feed(Result("127.0.0.7", EHostStatus::Alive, nId, 9, Mac(7))); // lands above .9
    Feed(Result("127.0.0.1", EHostStatus::Alive, nId, 9, Mac(1)));
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 4);
    quint32 nIp = 0;
    QVERIFY(CViewStateKeeper::HostIpAt(pView->model(), pView->currentIndex().row(), &nIp));
    QCOMPARE(nIp, Ip("127.0.0.9"));
    const QModelIndexList lSelected = pView->selectionModel()->selectedRows(0);
    QCOMPARE(lSelected.size(), 1);
    QVERIFY(CViewStateKeeper::HostIpAt(pView->model(), lSelected.first().row(), &nIp));
    QCOMPARE(nIp, Ip("127.0.0.9"));
    QCOMPARE(lSelected.first().row(), 3);
}

void TestMainWindow::dragOverTabsSwitchesOnlyToFavorites()
{
    Start();
    QTabWidget *pTabs = Tabs();
    QMimeData oData;
    oData.setData(VResultsBackend::MimeFormat(), QByteArrayLiteral("<x/>"));
    const auto Over = [&](int i_nTab) {
        const QPoint oPos =
            pTabs->tabBar()->mapTo(pTabs, pTabs->tabBar()->tabRect(i_nTab).center());
        // Drag events reach a widget only as the target of a drag that entered it.
        QDragEnterEvent oEvent(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
        oEvent.setAccepted(false);
        QApplication::sendEvent(pTabs, &oEvent);
        return oEvent.isAccepted();
    };
    QVERIFY(!Over(0));
    QCOMPARE(pTabs->currentIndex(), 0);
    QVERIFY(Over(1));
    QCOMPARE(pTabs->currentIndex(), 1);
}

void TestMainWindow::dropOnFavoritesTabAddsRows_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("expectedFavorites");
    QTest::newRow("rows format is taken") << VResultsBackend::MimeFormat() << 2;
    QTest::newRow("plain text is ignored") << QStringLiteral("text/plain") << 0;
}

void TestMainWindow::dropOnFavoritesTabAddsRows()
{
    QFETCH(QString, format);
    QFETCH(int, expectedFavorites);
    Start();
    QList<CScanItem> lItems;
    lItems << CScanItem(Result("127.0.0.21", EHostStatus::Alive, 0, 0, Mac(21)))
           << CScanItem(Result("127.0.0.22", EHostStatus::Dead, 0, 0, Mac(22)));
    QMimeData oData;
    oData.setData(format, CResultsXml::Document(lItems).toUtf8());
    QTabWidget *pTabs = Tabs();
    const QPoint oPos = pTabs->tabBar()->mapTo(pTabs, pTabs->tabBar()->tabRect(1).center());
    QDragEnterEvent oEnter(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
    QApplication::sendEvent(pTabs, &oEnter);
    QVERIFY(oEnter.isAccepted());
    QDropEvent oDrop(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
    QApplication::sendEvent(pTabs, &oDrop);
    QCOMPARE(oDrop.isAccepted(), expectedFavorites > 0);
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), expectedFavorites);
}

void TestMainWindow::deleteKeyRemovesFavoritesOnlyOnFavoritesTab()
{
    v_main &oWindow = Start();
    QList<CScanItem> lItems;
    for (const char *pIp : {"127.0.0.31", "127.0.0.32", "127.0.0.33"})
        lItems << CScanItem(Result(pIp, EHostStatus::Alive, 0, 0, Mac(3)));
    oWindow.AddFavorites(lItems);
    QVERIFY(Activate(&oWindow));
    auto *pFavorites = Child<CMouseRightClickTableView>("tvFavorites");
    pFavorites->selectionModel()->select(pFavorites->model()->index(1, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);

    // On the Results tab Delete belongs to the focused range box.
    RangeBox()->setEditText(QStringLiteral("127.0.0.1x"));
    RangeBox()->lineEdit()->setFocus();
    RangeBox()->lineEdit()->setCursorPosition(9);
    QTest::keyClick(RangeBox()->lineEdit(), Qt::Key_Delete);
    QCOMPARE(RangeBox()->currentText(), QStringLiteral("127.0.0.1"));
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 3);

    Tabs()->setCurrentIndex(1);
    QVERIFY(Activate(&oWindow));
    pFavorites->setFocus();
    QTest::keyClick(pFavorites, Qt::Key_Delete);
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 2);
}

void TestMainWindow::showFiltersOfViewMenu()
{
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    Feed(Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(1)));
    Feed(Result("127.0.0.2", EHostStatus::Unknown, oWindow.ScanId(), 3));
    emit m_pProgram->Scanner().EmitScanEnd();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 1);
    auto *pShowUnknown = Child<QAction>("act_show_unknown");
    QVERIFY(!pShowUnknown->isChecked());
    pShowUnknown->trigger();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 2);
    QCOMPARE(CCfg().Value(QStringLiteral("show_unknown")).toBool(), true);
    Child<QAction>("act_show_alive")->trigger();
    QCOMPARE(m_pProgram->ScanModel().rowCount(), 1);
    QCOMPARE(CCfg().Value(QStringLiteral("show_alive")).toBool(), false);
}

// ---- saving -------------------------------------------------------------------------------------

void TestMainWindow::saveWritesTheFormOfTheEnding_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("selectionOnly");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<int>("expectedHosts");
    QTest::newRow("xml, all rows")
        << QStringLiteral("all.xml") << false << QStringLiteral("<?xml") << 3;
    QTest::newRow("xml, selected rows")
        << QStringLiteral("some.xml") << true << QStringLiteral("<?xml") << 1;
    QTest::newRow("upper-case .HTML is html")
        << QStringLiteral("page.HTML") << false << QStringLiteral("<!DOCTYPE") << 3;
    QTest::newRow("upper-case .CSV is csv")
        << QStringLiteral("table.CSV") << false << QString() << 3;
    QTest::newRow("another ending is xml")
        << QStringLiteral("notes.txt") << false << QStringLiteral("<?xml") << 3;
    QTest::newRow("html") << QStringLiteral("page.html") << false << QStringLiteral("<") << 3;
    QTest::newRow("csv") << QStringLiteral("table.csv") << false << QString() << 3;
}

void TestMainWindow::saveWritesTheFormOfTheEnding()
{
    QFETCH(QString, fileName);
    QFETCH(bool, selectionOnly);
    QFETCH(QString, expectedStart);
    QFETCH(int, expectedHosts);
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    for (const char *pIp : {"127.0.0.1", "127.0.0.2", "127.0.0.3"})
        Feed(Result(pIp, EHostStatus::Alive, oWindow.ScanId(), 3, Mac(4)));
    emit m_pProgram->Scanner().EmitScanEnd();
    auto *pView = Child<CMouseRightClickTableView>("tvResults");
    pView->selectionModel()->select(pView->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);

    const QString sPath = m_oDir.filePath(fileName);
    QCOMPARE(oWindow.SaveRowsToFile(sPath, selectionOnly), QString());
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    QString sText = QString::fromUtf8(oFile.readAll());
    QVERIFY2(sText.startsWith(expectedStart), qPrintable(sText.left(80)));
    // The scan's ranges, named once in the XML and the HTML page, are no host.
    QCOMPARE(sText.count(QStringLiteral("127.0.0.1-127.0.0.3")), expectedStart.isEmpty() ? 0 : 1);
    sText.remove(QStringLiteral("127.0.0.1-127.0.0.3"));
    QCOMPARE(sText.count(QStringLiteral("127.0.0.")), expectedHosts);
    if (selectionOnly)
        QVERIFY(sText.contains(QStringLiteral("127.0.0.2")));
}

void TestMainWindow::savedFileNamesTheScanAndLoads()
{
    v_main &oWindow = Start();
    const QDateTime oBefore = QDateTime::currentDateTime().addSecs(-1);
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    for (const char *pIp : {"127.0.0.1", "127.0.0.2", "127.0.0.3"})
        Feed(Result(pIp, EHostStatus::Alive, oWindow.ScanId(), 3, Mac(4)));
    emit m_pProgram->Scanner().EmitScanEnd();

    const QString sXml = m_oDir.filePath(QStringLiteral("mailed.xml"));
    QCOMPARE(oWindow.SaveRowsToFile(sXml, false), QString());
    QFile oFile(sXml);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    QXmlStreamReader oReader(&oFile);
    QVERIFY(oReader.readNextStartElement());
    const QXmlStreamAttributes oRoot = oReader.attributes();
    const QDateTime oStarted =
        QDateTime::fromString(oRoot.value(QLatin1String("started")).toString(), Qt::ISODate);
    QVERIFY2(oStarted >= oBefore && oStarted <= QDateTime::currentDateTime(),
             qPrintable(oRoot.value(QLatin1String("started")).toString()));
    QCOMPARE(oRoot.value(QLatin1String("ranges")).toString(),
             QStringLiteral("127.0.0.1-127.0.0.3"));
    bool fNumber = false;
    QVERIFY(oRoot.value(QLatin1String("duration")).toString().toDouble(&fNumber) >= 0);
    QVERIFY(fNumber);
    QCOMPARE(oRoot.value(QLatin1String("version")).toString(), CResultsXml::ProgramVersion());
    oFile.close();

    const QString sHtml = m_oDir.filePath(QStringLiteral("mailed.html"));
    QCOMPARE(oWindow.SaveRowsToFile(sHtml, false), QString());
    QFile oPage(sHtml);
    QVERIFY(oPage.open(QIODevice::ReadOnly));
    const QString sPage = QString::fromUtf8(oPage.readAll());
    QVERIFY(sPage.contains(QStringLiteral("Ranges: 127.0.0.1-127.0.0.3")));
    QVERIFY(sPage.contains(QStringLiteral("Vistrel ") + CResultsXml::ProgramVersion()));

    // A cleared list names no scan any more.
    Child<QAction>("act_clear_list")->trigger();
    QCOMPARE(m_pProgram->ScanModel().ItemCount(), 0);
    QVERIFY(!m_pProgram->ScanModel().ScanInfo().oStarted.isValid());
    // The saved file loads as any results file: its hosts join the Favorites.
    QVERIFY(oWindow.ImportFavorites(sXml));
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 3);
}

void TestMainWindow::saveWithoutRowsKeepsOldFile()
{
    v_main &oWindow = Start();
    const QString sPath = m_oDir.filePath(QStringLiteral("kept.xml"));
    QFile oOld(sPath);
    QVERIFY(oOld.open(QIODevice::WriteOnly));
    oOld.write("old contents");
    oOld.close();
    QCOMPARE(oWindow.SaveRowsToFile(sPath, false), QStringLiteral("No data to be saved"));
    QVERIFY(oOld.open(QIODevice::ReadOnly));
    QCOMPARE(oOld.readAll(), QByteArrayLiteral("old contents"));
    QCOMPARE(oWindow.SaveRowsToFile(m_oDir.filePath(QStringLiteral("no/such/folder.xml")), false),
             QStringLiteral("Cannot open the file for writing"));
}

void TestMainWindow::saveDialogTakesTheChosenType_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("expectedStart");
    QTest::newRow("HTML chosen, no extension typed")
        << QStringLiteral("HTML (*.html)") << QStringLiteral("report")
        << QStringLiteral("report.html") << QStringLiteral("<!DOCTYPE");
    QTest::newRow("CSV chosen, no extension typed")
        << QStringLiteral("CSV (*.csv)") << QStringLiteral("report") << QStringLiteral("report.csv")
        << QString();
    QTest::newRow("a typed extension wins over the filter")
        << QStringLiteral("CSV (*.csv)") << QStringLiteral("report.XML")
        << QStringLiteral("report.XML") << QStringLiteral("<?xml");
}

void TestMainWindow::saveDialogTakesTheChosenType()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QString, expectedStart);
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.2"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    for (const char *pIp : {"127.0.0.1", "127.0.0.2"})
        Feed(Result(pIp, EHostStatus::Alive, oWindow.ScanId(), 2, Mac(4)));
    emit m_pProgram->Scanner().EmitScanEnd();
    const QString sFolder =
        m_oDir.filePath(QStringLiteral("saves-") + QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(sFolder));

    // Answers the save dialog as a user would; the suggestion it opened with is kept.
    QString sSuggested;
    const auto AnswerDialog = [&](const QString &i_sFilter, const QString &i_sName) {
        int nPolls = 0;
        QTimer oTimer;
        oTimer.setInterval(10);
        QObject::connect(&oTimer, &QTimer::timeout, &oTimer, [&]() {
            auto *pDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (pDialog) {
                oTimer.stop();
                sSuggested = pDialog->selectedFiles().value(0);
                pDialog->selectNameFilter(i_sFilter);
                // Typed as the user types it: the dialog's own selectFile() is taken back by
                // its folder listing, which arrives later.
                pDialog->setDirectory(sFolder);
                auto *pName = pDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(pName);
                pName->setText(QDir(sFolder).filePath(i_sName));
                static_cast<QDialog *>(pDialog)->accept(); // QFileDialog::accept() is protected
            } else if (++nPolls >= 300) {
                oTimer.stop();
            }
        });
        oTimer.start();
        Child<QAction>("act_save")->trigger();
    };
    AnswerDialog(filter, typed);
    const QString sDate = QDate::currentDate().toString(Qt::ISODate);
    QVERIFY2(QFileInfo(sSuggested).fileName().contains(sDate), qPrintable(sSuggested));
    QFile oFile(QDir(sFolder).filePath(written));
    QVERIFY2(oFile.open(QIODevice::ReadOnly),
             qPrintable(QDir(sFolder).entryList(QDir::Files).join(QLatin1Char(','))));
    const QString sText = QString::fromUtf8(oFile.readAll());
    QVERIFY2(sText.startsWith(expectedStart), qPrintable(sText.left(80)));
    QCOMPARE(QDir(sFolder).entryList(QDir::Files), QStringList{written});

    // The next save opens in the folder of this one.
    AnswerDialog(filter, QStringLiteral("second"));
    QCOMPARE(QFileInfo(sSuggested).absolutePath(), QFileInfo(sFolder).absoluteFilePath());
    QCOMPARE(CFavoritesController::SuggestedSavePath(QDate(2026, 1, 2)),
             QDir(sFolder).filePath(QStringLiteral("vistrel-2026-01-02")));
}

// ---- stored state -------------------------------------------------------------------------------

void TestMainWindow::storedColumnsWithWrongCountFallBack_data()
{
    QTest::addColumn<int>("storedColumns");
    QTest::addColumn<bool>("ipColumnHidden");
    QTest::newRow("seven stored columns are applied") << 7 << true;
    QTest::newRow("six stored columns fall back to defaults") << 6 << false;
    QTest::newRow("eight stored columns fall back to defaults") << 8 << false;
    QTest::newRow("ten stored columns (with the history ones) are applied") << 10 << true;
    QTest::newRow("eleven stored columns (with the vendor one) are applied") << 11 << true;
    QTest::newRow("twelve stored columns fall back to defaults") << 12 << false;
}

void TestMainWindow::storedColumnsWithWrongCountFallBack()
{
    QFETCH(int, storedColumns);
    QFETCH(bool, ipColumnHidden);
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-columns-%1").arg(storedColumns));
    {
        CCfg oCfg;
        for (int nColumn = 0; nColumn < storedColumns; ++nColumn) {
            const QString sPrefix =
                QStringLiteral("%1/%2/").arg(CColumnStates::ScanGroup()).arg(nColumn);
            oCfg.SetValue(sPrefix + QStringLiteral("Sort"), 2);
            oCfg.SetValue(sPrefix + QStringLiteral("Visible"), nColumn != 2);
            oCfg.SetValue(sPrefix + QStringLiteral("Width"), 90);
        }
        oCfg.Sync();
    }
    Start();
    QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
    QCOMPARE(pHeader->count(), 11);
    QCOMPARE(pHeader->isSectionHidden(2), ipColumnHidden);
    // The history and vendor columns: shown when a store that has them says so, else hidden.
    QCOMPARE(pHeader->isSectionHidden(8), storedColumns != 10 && storedColumns != 11);
    QCOMPARE(pHeader->isSectionHidden(10), storedColumns != 11);
    QVERIFY(!pHeader->isSectionHidden(0));
    // NetBIOS and user columns stay hidden while their probes are off (the default).
    QVERIFY(pHeader->isSectionHidden(3));
    QVERIFY(pHeader->isSectionHidden(4));
    QVERIFY(pHeader->isSectionHidden(6));
    QCOMPARE(pHeader->sectionSize(5) == 90,
             storedColumns == 7 || storedColumns == 10 || storedColumns == 11);
}

void TestMainWindow::columnMenuTogglesVisibility()
{
    v_main &oWindow = Start();
    QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
    pHeader->setSortIndicator(2, Qt::DescendingOrder);
    QVERIFY(!pHeader->isSectionHidden(5));
    oWindow.OnColumnVisibility(5);
    QVERIFY(pHeader->isSectionHidden(5));
    QCOMPARE(pHeader->sortIndicatorSection(), 2);
    QCOMPARE(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    oWindow.OnColumnVisibility(0); // never hidden
    QVERIFY(!pHeader->isSectionHidden(0));
    const CColumnStateList lStored = CColumnStates::Read(CCfg(), CColumnStates::ScanGroup());
    QCOMPARE(lStored.size(), 11);
    for (const CColumnState &oState : lStored) {
        if (oState.column == 5)
            QVERIFY(!oState.visible);
    }
    oWindow.OnColumnVisibility(5);
    QVERIFY(!pHeader->isSectionHidden(5));
    // The history columns start hidden and are turned on like the others.
    QVERIFY(pHeader->isSectionHidden(9));
    oWindow.OnColumnVisibility(9);
    QVERIFY(!pHeader->isSectionHidden(9));
    const CColumnStateList lShown = CColumnStates::Read(CCfg(), CColumnStates::ScanGroup());
    QCOMPARE(lShown.size(), 11);
    QVERIFY(lShown.at(9).visible);
    QVERIFY(!lShown.at(10).visible);
}

void TestMainWindow::vendorColumnNamesTheMacsOwner()
{
    v_main &oWindow = Start();
    QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
    const int nVendor = m_pProgram->ScanModel().VendorColumn();
    QCOMPARE(nVendor, 10);
    QCOMPARE(m_pProgram->ScanModel().headerData(nVendor, Qt::Horizontal).toString(),
             QStringLiteral("Vendor"));
    QVERIFY(pHeader->isSectionHidden(nVendor));
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    CScanResult oPrinter = Result(
        "127.0.0.2", EHostStatus::Alive, oWindow.ScanId(), 3, QByteArray::fromHex("3c22fb000005"));
    oPrinter.set_name(QStringLiteral("printer.lan"));
    for (const CScanResult &oResult :
         {Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(1)),
          oPrinter,
          Result("127.0.0.3", EHostStatus::Alive, oWindow.ScanId(), 3)})
        Feed(oResult);
    emit m_pProgram->Scanner().EmitScanEnd();

    oWindow.OnColumnVisibility(nVendor);
    QVERIFY(!pHeader->isSectionHidden(nVendor));
    // Turned on, it shows the names whole.
    const auto *pView =
        static_cast<const QAbstractItemView *>(Child<CMouseRightClickTableView>("tvResults"));
    QVERIFY(pHeader->sectionSize(nVendor) >= pView->sizeHintForColumn(nVendor));
    QHash<QString, QString> hVendors;
    const QAbstractItemModel &oModel = m_pProgram->ScanModel();
    for (int nRow = 0; nRow < oModel.rowCount(); ++nRow)
        hVendors.insert(oModel.index(nRow, 2).data().toString(),
                        oModel.index(nRow, nVendor).data().toString());
    const QHash<QString, QString> hExpected = {
        {QStringLiteral("127.0.0.1"), QStringLiteral("Netlab Test Org")},
        {QStringLiteral("127.0.0.2"), QStringLiteral("Printers, Ltd.")},
        {QStringLiteral("127.0.0.3"), QString()}, // no MAC: no vendor
    };
    QCOMPARE(hVendors, hExpected);
    // Stored like the other columns' states, and applied at the next start.
    const CColumnStateList lStored = CColumnStates::Read(CCfg(), CColumnStates::ScanGroup());
    QCOMPARE(lStored.size(), 11);
    QVERIFY(lStored.at(nVendor).visible);
    GuiTest::Shot(oWindow, QStringLiteral("vendor-column"));
    m_pProgram.reset();
    Start();
    QVERIFY(!Child<CMouseRightClickTableView>("tvResults")->header()->isSectionHidden(nVendor));
}

void TestMainWindow::nameColumnFillsTheRowOnBothPages_data()
{
    QTest::addColumn<int>("startTab");
    QTest::newRow("started on Results, Favorites shown later") << 0;
    QTest::newRow("started on Favorites, Results shown later") << 1;
}

void TestMainWindow::nameColumnFillsTheRowOnBothPages()
{
    QFETCH(int, startTab);
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-namecolumn-%1").arg(startTab));
    {
        CCfg oCfg;
        oCfg.SetValue(QStringLiteral("State/LastActiveTab"), startTab);
        oCfg.Sync();
    }
    Start();
    QCOMPARE(Tabs()->currentIndex(), startTab);
    const auto Filled = [this](const char *i_pView) {
        const QHeaderView *pHeader = Child<CMouseRightClickTableView>(i_pView)->header();
        return pHeader->width() > 200 && pHeader->length() == pHeader->width();
    };
    const char *const apViews[] = {"tvResults", "tvFavorites"};
    QTRY_VERIFY(Filled(apViews[startTab]));
    Tabs()->setCurrentIndex(1 - startTab);
    QTRY_VERIFY(Filled(apViews[1 - startTab]));
}

void TestMainWindow::keyboardShortcutsAreInTheMenus()
{
    v_main &oWindow = Start();
    const auto Keys = [this](const char *i_pAction) {
        QStringList lsKeys;
        for (const QKeySequence &oKeys : Child<QAction>(i_pAction)->shortcuts())
            lsKeys << oKeys.toString(QKeySequence::PortableText);
        return lsKeys;
    };
    QCOMPARE(Keys("act_scan"), (QStringList{QStringLiteral("F5"), QStringLiteral("Ctrl+R")}));
    QCOMPARE(Keys("act_save"), QStringList{QStringLiteral("Ctrl+S")});
    QCOMPARE(Keys("act_load"), QStringList{QStringLiteral("Ctrl+O")});
    QCOMPARE(Keys("act_exit"), QStringList{QStringLiteral("Ctrl+Q")});
    QVERIFY(Child<QMenu>("menuFile")->actions().contains(Child<QAction>("act_scan")));

    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.4"));
    QVERIFY(Activate(&oWindow));
    QTest::keyClick(&oWindow, Qt::Key_F5);
    QVERIFY(oWindow.IsScanning());
    QCOMPARE(Child<QAction>("act_scan")->text(), QStringLiteral("S&top scan"));
    QTest::keyClick(&oWindow, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!oWindow.IsScanning());
    QCOMPARE(Child<QAction>("act_scan")->text(), QStringLiteral("&Scan"));
    // A range the button refuses is not scanned from the keyboard either.
    RangeBox()->setEditText(QStringLiteral("no range"));
    QTest::keyClick(&oWindow, Qt::Key_F5);
    QVERIFY(!oWindow.IsScanning());
}

void TestMainWindow::searchBoxFiltersWithTheStatusFilters_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("showDead");
    QTest::addColumn<QStringList>("shown");
    const QStringList lsAll = {
        QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3")};
    QTest::newRow("empty shows all") << QString() << true << lsAll;
    QTest::newRow("by name, any case")
        << QStringLiteral("PRINTER") << true << QStringList{QStringLiteral("127.0.0.2")};
    QTest::newRow("by address") << QStringLiteral("0.0.3") << true
                                << QStringList{QStringLiteral("127.0.0.3")};
    QTest::newRow("by MAC") << QStringLiteral("00:00:01") << true
                            << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("by page title")
        << QStringLiteral("login") << true << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("by NetBIOS name")
        << QStringLiteral("office-pc") << true << QStringList{QStringLiteral("127.0.0.3")};
    QTest::newRow("by user") << QStringLiteral("alice") << true
                             << QStringList{QStringLiteral("127.0.0.3")};
    QTest::newRow("by vendor") << QStringLiteral("printers, l") << true
                               << QStringList{QStringLiteral("127.0.0.2")};
    QTest::newRow("a dead match hidden by the status filter")
        << QStringLiteral("127.0.0.3") << false << QStringList{};
    QTest::newRow("nothing matches") << QStringLiteral("zzz") << true << QStringList{};
}

void TestMainWindow::searchBoxFiltersWithTheStatusFilters()
{
    QFETCH(QString, search);
    QFETCH(bool, showDead);
    QFETCH(QStringList, shown);
    v_main &oWindow = Start();
    RangeBox()->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(ScanButton(), Qt::LeftButton);
    CScanResult oWeb = Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(1));
    oWeb.set_has_http(true);
    oWeb.set_http_title(QStringLiteral("Router Login"));
    CScanResult oPrinter = Result(
        "127.0.0.2", EHostStatus::Alive, oWindow.ScanId(), 3, QByteArray::fromHex("3c22fb000005"));
    oPrinter.set_name(QStringLiteral("printer.lan"));
    MIpMacDataStorage::Instance()->SetMac(Ip("127.0.0.3"), Mac(3));
    CScanResult oPc = Result("127.0.0.3", EHostStatus::Unknown, oWindow.ScanId(), 3); // dead
    oPc.set_netbiosname(QStringLiteral("OFFICE-PC"));
    oPc.set_user(QStringLiteral("alice"));
    for (const CScanResult &oResult : {oWeb, oPrinter, oPc})
        Feed(oResult);
    emit m_pProgram->Scanner().EmitScanEnd();
    // The filter is a stored setting: set as the row wants it, whatever an earlier row left.
    if (Child<QAction>("act_show_dead")->isChecked() != showDead)
        Child<QAction>("act_show_dead")->trigger();

    QVERIFY(Activate(&oWindow));
    QTest::keyClick(&oWindow, Qt::Key_F, Qt::ControlModifier);
    auto *pSearch = Child<QLineEdit>("leSearch");
    QVERIFY(pSearch->hasFocus());
    QTest::keyClicks(pSearch, search);
    QStringList lsShown;
    const QAbstractItemModel &oModel = m_pProgram->ScanModel();
    for (int nRow = 0; nRow < oModel.rowCount(); ++nRow)
        lsShown << oModel.index(nRow, 2).data().toString();
    lsShown.sort();
    QCOMPARE(lsShown, shown);
    if (QLatin1String(QTest::currentDataTag()) == QLatin1String("by name, any case"))
        GuiTest::Shot(oWindow, QStringLiteral("search-box"));
    // Clearing the box shows what the status filters let through.
    pSearch->clear();
    QCOMPARE(oModel.rowCount(), showDead ? 3 : 2);
    if (!showDead)
        Child<QAction>("act_show_dead")->trigger();
}

void TestMainWindow::namesKeepTheirRoomAndColumnsFillTheView()
{
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-namecolumn"));
    {
        v_main &oWindow = Start();
        oWindow.resize(1000, 700);
        QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
        QTRY_VERIFY(pHeader->width() < 1000);
        // Widths as a wider window left them, for columns nothing fills.
        pHeader->resizeSection(2, 450);
        pHeader->resizeSection(5, 450);
        QVERIFY(oWindow.close());
        m_pProgram.reset();
    }
    v_main &oWindow = Start();
    auto *pView = Child<CMouseRightClickTableView>("tvResults");
    QHeaderView *pHeader = pView->header();
    QTRY_VERIFY(pHeader->width() < 1000);
    const int nNameMin = pHeader->fontMetrics().horizontalAdvance(QString(20, QLatin1Char('x')));
    QVERIFY2(pHeader->sectionSize(1) >= nNameMin,
             qPrintable(QString::number(pHeader->sectionSize(1))));
    QVERIFY(pHeader->length() <= pView->viewport()->width());
    // A larger window is filled by the columns.
    oWindow.resize(1600, 900);
    QTRY_COMPARE(pHeader->length(), pView->viewport()->width());
    QVERIFY(oWindow.close());
    m_pProgram.reset();
}

void TestMainWindow::columnsFitTheirContentWhenFirstShown()
{
    v_main &oWindow = Start();
    oWindow.AddFavorites({CScanItem(Result("127.0.0.8", EHostStatus::Alive, 0, 0, Mac(8)),
                                    QStringLiteral("printer on the second floor, by the door"))});
    oWindow.resize(1600, 700);
    QTRY_VERIFY(Child<CMouseRightClickTableView>("tvResults")->header()->width() > 1400);
    Tabs()->setCurrentIndex(1);
    auto *pView = Child<CMouseRightClickTableView>("tvFavorites");
    QHeaderView *pHeader = pView->header();
    QTRY_VERIFY(pView->isVisible() && pHeader->length() == pView->viewport()->width());
    const int nNameMin = pHeader->fontMetrics().horizontalAdvance(QString(20, QLatin1Char('x')));
    QVERIFY(pHeader->sectionSize(1) >= nNameMin);
    for (int nSection = 0; nSection < pHeader->count(); ++nSection) {
        if (nSection == 1 || pHeader->isSectionHidden(nSection))
            continue;
        const int nContent =
            std::max(pHeader->sectionSizeHint(nSection),
                     static_cast<const QAbstractItemView *>(pView)->sizeHintForColumn(nSection));
        // Beyond its content: the spare width is shared, not all the names'.
        QVERIFY2(pHeader->sectionSize(nSection) > nContent,
                 qPrintable(QStringLiteral("column %1: %2 for content of %3")
                                .arg(nSection)
                                .arg(pHeader->sectionSize(nSection))
                                .arg(nContent)));
    }
}

void TestMainWindow::probeColumnsFollowTheSettings_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("setting");
    QTest::newRow("NetBIOS name column follows scan_netbios")
        << 3 << QStringLiteral("scan_netbios");
    QTest::newRow("NetBIOS group column follows scan_netbios")
        << 4 << QStringLiteral("scan_netbios");
    QTest::newRow("user column follows scan_username") << 6 << QStringLiteral("scan_username");
}

void TestMainWindow::probeColumnsFollowTheSettings()
{
    QFETCH(int, column);
    QFETCH(QString, setting);
    QCoreApplication::setApplicationName(QStringLiteral("vistrel-probecolumns-%1").arg(column));
    const auto SetProbe = [&](bool i_fOn) {
        m_pProgram->Cfg().Cfg().SetValue(setting, i_fOn);
        m_pProgram->Cfg().RequestCfgBroadcast();
    };
    {
        v_main &oWindow = Start();
        QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
        QVERIFY(pHeader->isSectionHidden(column)); // probe off by default
        // Closing while the probe is off must not store the column as the user's hidden one.
        QVERIFY(oWindow.close());
        m_pProgram.reset();
    }
    {
        Start().resize(1600, 800);
        QHeaderView *pShown = Child<CMouseRightClickTableView>("tvResults")->header();
        QTRY_VERIFY(pShown->width() > 1400);
        // As after a start in a wide window: the name column fills the row.
        pShown->resizeSection(1, pShown->width() - (pShown->length() - pShown->sectionSize(1)));
        QCOMPARE(pShown->length(), pShown->width());
        SetProbe(true);
        for (const char *pView : {"tvResults", "tvFavorites"}) {
            QHeaderView *pHeader = Child<CMouseRightClickTableView>(pView)->header();
            QVERIFY2(!pHeader->isSectionHidden(column), pView);
            QVERIFY2(pHeader->sectionSize(column) > 0, pView);
        }
        // The name column made room: the shown columns still fit the view.
        QVERIFY(pShown->length() <= pShown->width());
        SetProbe(false);
        QVERIFY(Child<CMouseRightClickTableView>("tvResults")->header()->isSectionHidden(column));
        SetProbe(true);
        v_main &oWindow = m_pProgram->MainWindow();
        QHeaderView *pHeader = Child<CMouseRightClickTableView>("tvResults")->header();
        QVERIFY(!pHeader->isSectionHidden(column));
        // The user's own choice from the column menu stays, whatever the probe does.
        oWindow.OnColumnVisibility(column);
        QVERIFY(pHeader->isSectionHidden(column));
        SetProbe(false);
        SetProbe(true);
        QVERIFY(pHeader->isSectionHidden(column));
        oWindow.OnColumnVisibility(column);
        QVERIFY(!pHeader->isSectionHidden(column));
        QVERIFY(oWindow.close());
        m_pProgram.reset();
    }
    {
        // The next start with the probe on shows the column.
        Start();
        QVERIFY(!Child<CMouseRightClickTableView>("tvResults")->header()->isSectionHidden(column));
    }
}

void TestMainWindow::windowStateRestoredAtNextStart()
{
    {
        v_main &oWindow = Start();
        Tabs()->setCurrentIndex(1);
        RangeBox()->setEditText(QStringLiteral("127.0.0.42"));
        oWindow.setGeometry(QRect(40, 50, 700, 500));
        Child<CMouseRightClickTableView>("tvResults")->header()->resizeSection(2, 155);
        Child<QAction>("act_show_unknown")->setChecked(true);
        QVERIFY(oWindow.close());
        m_pProgram.reset();
    }
    v_main &oWindow = Start();
    QCOMPARE(Tabs()->currentIndex(), 1);
    QCOMPARE(RangeBox()->currentText(), QStringLiteral("127.0.0.42"));
    QCOMPARE(oWindow.geometry().size(), QSize(700, 500));
    QCOMPARE(Child<CMouseRightClickTableView>("tvResults")->header()->sectionSize(2), 155);
    QVERIFY(Child<QAction>("act_show_unknown")->isChecked());
    QVERIFY(oWindow.isVisible());
}

void TestMainWindow::favoritesFileSavedAndLoaded()
{
    {
        v_main &oWindow = Start();
        QList<CScanItem> lItems;
        lItems << CScanItem(Result("127.0.0.8", EHostStatus::Alive, 0, 0, Mac(8)),
                            QStringLiteral("printer"));
        // Hidden by the status filter, and a favorite all the same.
        lItems << CScanItem(Result("127.0.0.9", EHostStatus::Unknown, 0, 0));
        oWindow.AddFavorites(lItems);
        oWindow.OnProgramExit();
        QVERIFY(QFile::exists(v_main::FavoritesFilePath()));
        m_pProgram.reset();
    }
    {
        Start();
        QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 2);
        QStringList lsComments;
        for (const CScanItem &oItem : m_pProgram->FavoritesModel().Items())
            lsComments << oItem.comments();
        QVERIFY(lsComments.contains(QStringLiteral("printer")));
        emit m_pProgram->MainWindow().ClearFavoritesData();
        m_pProgram->MainWindow().OnProgramExit();
        QVERIFY(!QFile::exists(v_main::FavoritesFilePath()));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
