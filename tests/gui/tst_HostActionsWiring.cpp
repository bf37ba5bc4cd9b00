// SPDX-License-Identifier: GPL-3.0-or-later
// The host actions, dialogs, languages, banner and history as the program wires them into the
// main window. What the actions finally start (URLs, telnet, the viewer) is recorded by a runner
// put in the window's place; Wake-on-LAN and the shutdown requests run for real, inside the test's
// loopback namespace only. The window's scan requests never reach the scanner.
#include "../remote/NamespaceGuard.h"
#include "CCfg.h"
#include "CGuiProgram.h"
#include "CHostActionRunner.h"
#include "CHostActions.h"
#include "CLocalizations.h"
#include "CMouseRightClickTableView.h"
#include "GuiTestSupport.h"
#include "MIpMacDataStorage.h"
#include "MRemoteShutdown.h"
#include "MScanner.h"
#include "MWol.h"
#include "VBanner.h"
#include "VOrtavoConnectOptions.h"
#include "VRemoteShutdown.h"
#include "VResultsBackend.h"
#include "VShutdowns.h"
#include "v_main.h"
#include "v_options.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUdpSocket>

#include <algorithm>
#include <functional>
#include <memory>

using namespace GuiTest;

namespace {

QTemporaryDir &TestDir()
{
    static QTemporaryDir s_oDir;
    return s_oDir;
}

// Writes down what the host actions ask for instead of doing it.
class CRecordingRunner final : public CHostActionRunner
{
public:
    void OpenUrl(const QString &i_sUrl) override { lsCalls << QStringLiteral("open ") + i_sUrl; }
    void StartTelnet(const QString &i_sAddress,
                     QObject *i_pContext,
                     CTelnetLauncher::TDone i_fnDone) override
    {
        lsCalls << QStringLiteral("telnet ") + i_sAddress;
        // Answers from the event loop, as the real check does.
        QTimer::singleShot(0, i_pContext, [this, i_fnDone]() { i_fnDone(eTelnet); });
    }
    QString FindOrtavoViewer() override { return sViewer; }
    COrtavoViewer::EResult StartOrtavo(const QString &i_sViewer,
                                       EOrtavoCommand i_eCommand,
                                       int i_nPort,
                                       const QString &i_sAddress) override
    {
        lsCalls << QStringLiteral("ortavo %1 %2:%3 via %4")
                       .arg(int(i_eCommand))
                       .arg(i_sAddress)
                       .arg(i_nPort)
                       .arg(i_sViewer);
        return COrtavoViewer::EResult::Started;
    }
    bool ShowProperties(const QString &i_sPath) override
    {
        lsCalls << QStringLiteral("properties ") + i_sPath;
        return false;
    }

    QStringList lsCalls;
    CTelnetLauncher::EResult eTelnet = CTelnetLauncher::EResult::Started;
    // Any existing file will do: the runner never starts it.
    QString sViewer = QCoreApplication::applicationFilePath();
};

// Texts of a menu's entries, submenus as "Title/Entry", separators left out.
QStringList Entries(const QMenu *i_pMenu, const QString &i_sPrefix = QString())
{
    QStringList lsEntries;
    for (QAction *pAction : i_pMenu->actions()) {
        if (pAction->isSeparator())
            continue;
        lsEntries << i_sPrefix + pAction->text();
        if (pAction->menu())
            lsEntries << Entries(pAction->menu(), i_sPrefix + pAction->text() + QLatin1Char('/'));
    }
    return lsEntries;
}

QAction *FindEntry(const QMenu *i_pMenu, const QString &i_sPath)
{
    const int nSlash = i_sPath.indexOf(QLatin1Char('/'));
    const QString sHead = nSlash < 0 ? i_sPath : i_sPath.left(nSlash);
    for (QAction *pAction : i_pMenu->actions()) {
        if (pAction->text() != sHead)
            continue;
        if (nSlash < 0)
            return pAction;
        if (pAction->menu())
            return FindEntry(pAction->menu(), i_sPath.mid(nSlash + 1));
    }
    return nullptr;
}

// Runs i_fOpen, which shows a popup menu and blocks in it; once the menu shows, records its
// entries, triggers the entry at i_sChoice (if any) and closes it. Returns the entries seen.
QStringList RunPopup(const std::function<void()> &i_fOpen, const QString &i_sChoice = QString())
{
    QStringList lsSeen;
    bool fDone = false;
    QTimer oPoll;
    oPoll.setInterval(10);
    int nTicks = 0;
    QObject::connect(&oPoll, &QTimer::timeout, [&]() {
        auto *pMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!pMenu) {
            if (++nTicks > 300)
                oPoll.stop();
            return;
        }
        oPoll.stop();
        lsSeen = Entries(pMenu);
        QAction *pChoice = i_sChoice.isEmpty() ? nullptr : FindEntry(pMenu, i_sChoice);
        pMenu->close();
        QWidget *pPopup = QApplication::activePopupWidget();
        while (pPopup) {
            pPopup->close();
            pPopup = QApplication::activePopupWidget();
        }
        if (pChoice)
            pChoice->trigger();
        fDone = true;
    });
    oPoll.start();
    i_fOpen();
    if (!fDone)
        lsSeen << QStringLiteral("<no menu>");
    return lsSeen;
}

// Runs i_fOpen, which shows a modal box; answers with the box's title and text and closes it,
// after handing it to i_fInspect when given.
QString RunModal(const std::function<void()> &i_fOpen,
                 const std::function<void(QWidget *)> &i_fInspect = {})
{
    QString sSeen;
    QTimer oPoll;
    oPoll.setInterval(10);
    int nTicks = 0;
    QObject::connect(&oPoll, &QTimer::timeout, [&]() {
        QWidget *pModal = QApplication::activeModalWidget();
        if (!pModal) {
            if (++nTicks > 300)
                oPoll.stop();
            return;
        }
        oPoll.stop();
        auto *pBox = qobject_cast<QMessageBox *>(pModal);
        sSeen = pModal->windowTitle() + QStringLiteral(": ") + (pBox ? pBox->text() : QString());
        if (i_fInspect)
            i_fInspect(pModal);
        pModal->close();
    });
    oPoll.start();
    i_fOpen();
    // Some boxes open later, once a check that runs in the background has ended.
    if (!QTest::qWaitFor([&]() { return !oPoll.isActive(); }, 5000))
        return {};
    return sSeen;
}

} // namespace

class TestHostActionsWiring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuBarActionUsesSelectedHost_data();
    void menuBarActionUsesSelectedHost();
    void menuBarOrtavoAsksForPort_data();
    void menuBarOrtavoAsksForPort();
    void contextMenuPerRowKind_data();
    void contextMenuPerRowKind();
    void favoritesContextMenu();
    void contextEntryReachesHelper_data();
    void contextEntryReachesHelper();
    void doubleClickActsOnChildRows_data();
    void doubleClickActsOnChildRows();
    void aWebServerOpensOnItsPort();
    void failuresAreShown_data();
    void failuresAreShown();
    void openingWithoutAProgramIsShown();
    void contextKeyOpensMenuOfSelection();
    void rescanSelectedKeepsResults();
    void wakeOnLanSendsMagicPackets();
    void abortShutdownReachesCoordinator();
    void shutdownDialogStartsBatchForSelection();
    void optionsApplyToRunningScanner();
    void languageMenuSwitchesLive();
    void languageSwitchFitsStatusTitle_data();
    void languageSwitchFitsStatusTitle();
    void helpAboutAndBannerOpenSite();
    void historyFillsRangeBox();

private:
    v_main &Start();
    template <typename T> T *Child(const char *i_pName) const
    {
        return NamedChild<T>(&m_pProgram->MainWindow(), i_pName);
    }
    CMouseRightClickTableView *ScanView() const
    {
        return Child<CMouseRightClickTableView>("tvResults");
    }
    void Feed(const CScanResult &i_oResult) { emit m_pProgram->Scanner().EmitResult(i_oResult); }
    void FeedHosts();
    QModelIndex HostIndex(const char *i_pIp) const;
    QModelIndex ChildIndex(const char *i_pIp, int i_nKind) const;
    void Select(std::initializer_list<const char *> i_lpIps);
    QStringList OpenContextMenu(const QModelIndex &i_oIndex, const QString &i_sChoice = {});

    QTemporaryDir &m_oDir = TestDir();
    std::unique_ptr<CGuiProgram> m_pProgram;
    CRecordingRunner *m_pRunner = nullptr;
};

void TestHostActionsWiring::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    IsolateIn(m_oDir.path(), true);
}

void TestHostActionsWiring::init()
{
    QCoreApplication::setApplicationName(
        QStringLiteral("vistrel-%1").arg(QLatin1String(QTest::currentTestFunction())));
    QFile::remove(v_main::FavoritesFilePath());
}

void TestHostActionsWiring::cleanup()
{
    m_pRunner = nullptr;
    m_pProgram.reset();
    CLocalizations::instance()->SetLocale(QStringLiteral("en_us"));
}

v_main &TestHostActionsWiring::Start()
{
    m_pProgram = std::make_unique<CGuiProgram>();
    v_main &oWindow = m_pProgram->MainWindow();
    if (!QObject::disconnect(
            &oWindow, &v_main::EmitScan, &m_pProgram->Scanner(), &MScanner::OnScan))
        qFatal("the window's scan requests still reach the scanner");
    auto pRunner = std::make_unique<CRecordingRunner>();
    m_pRunner = pRunner.get();
    oWindow.HostActions().SetRunner(std::move(pRunner));
    MIpMacDataStorage::Instance()->Load(m_oDir.filePath(QStringLiteral("mac.bin")));
    m_pProgram->Start();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        qWarning("main window not exposed");
    return oWindow;
}

void TestHostActionsWiring::FeedHosts()
{
    v_main &oWindow = m_pProgram->MainWindow();
    Child<QComboBox>("cbIpRange")->setEditText(QStringLiteral("127.0.0.1-127.0.0.3"));
    QTest::mouseClick(Child<QPushButton>("b_scan"), Qt::LeftButton);
    CScanResult oFirst = Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(1));
    oFirst.set_name(QStringLiteral("alpha"));
    oFirst.set_has_http(true);
    oFirst.set_shares({QStringLiteral("pub")});
    oFirst.set_ortavo_ports({5650, 4899});
    Feed(oFirst);
    CScanResult oSecond = Result("127.0.0.2", EHostStatus::Alive, oWindow.ScanId(), 3, Mac(2));
    oSecond.set_name(QStringLiteral("beta"));
    oSecond.set_has_https(true);
    oSecond.set_has_ftp(true);
    Feed(oSecond);
    Feed(Result("127.0.0.3", EHostStatus::Dead, oWindow.ScanId(), 3, Mac(3)));
    emit m_pProgram->Scanner().EmitScanEnd();
    ScanView()->expandAll();
}

QModelIndex TestHostActionsWiring::HostIndex(const char *i_pIp) const
{
    const QAbstractItemModel *pModel = ScanView()->model();
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        if (pModel->index(nRow, 2).data().toString() == QLatin1String(i_pIp))
            return pModel->index(nRow, 0);
    }
    return {};
}

QModelIndex TestHostActionsWiring::ChildIndex(const char *i_pIp, int i_nKind) const
{
    const QModelIndex oHost = HostIndex(i_pIp);
    const QAbstractItemModel *pModel = ScanView()->model();
    for (int nRow = 0; nRow < pModel->rowCount(oHost); ++nRow) {
        const QModelIndex oChild = pModel->index(nRow, 0, oHost);
        if (oChild.data(Qt::UserRole).value<CScanFragment>().kind() == i_nKind)
            return oChild;
    }
    return {};
}

void TestHostActionsWiring::Select(std::initializer_list<const char *> i_lpIps)
{
    ScanView()->clearSelection();
    for (const char *pIp : i_lpIps) {
        ScanView()->selectionModel()->select(
            HostIndex(pIp), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QStringList TestHostActionsWiring::OpenContextMenu(const QModelIndex &i_oIndex,
                                                   const QString &i_sChoice)
{
    CMouseRightClickTableView *pView = ScanView();
    pView->scrollTo(i_oIndex);
    const QPoint oPos = pView->visualRect(i_oIndex).center();
    const QMouseEvent oEvent(QEvent::MouseButtonPress,
                             oPos,
                             pView->viewport()->mapToGlobal(oPos),
                             Qt::RightButton,
                             Qt::RightButton,
                             Qt::NoModifier);
    return RunPopup(
        [&]() { m_pProgram->MainWindow().HostActions().OnTableScanContextMenu(&oEvent); },
        i_sChoice);
}

// ---- menu bar --------------------------------------------------------------------------------

void TestHostActionsWiring::menuBarActionUsesSelectedHost_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("call");
    QTest::newRow("HTTP opens the web page") << "act_http"
                                             << "open http://127.0.0.2/";
    QTest::newRow("HTTPS opens the secure page") << "act_https"
                                                 << "open https://127.0.0.2/";
    QTest::newRow("FTP opens the FTP site") << "act_ftp"
                                            << "open ftp://127.0.0.2/";
    QTest::newRow("Explore opens the host's shares") << "act_explore"
                                                     << "open smb://127.0.0.2/";
    QTest::newRow("Telnet starts a session") << "act_telnet"
                                             << "telnet 127.0.0.2";
}

void TestHostActionsWiring::menuBarActionUsesSelectedHost()
{
    QFETCH(QString, action);
    QFETCH(QString, call);
    Start();
    FeedHosts();
    Select({"127.0.0.2"});
    auto *pAction = Child<QAction>(action.toLatin1().constData());
    QVERIFY(pAction->isEnabled());
    pAction->trigger();
    QCOMPARE(m_pRunner->lsCalls, QStringList{call});
}

void TestHostActionsWiring::menuBarOrtavoAsksForPort_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("mode");
    QTest::newRow("Full Control") << "act_ortavo_full_control" << 0;
    QTest::newRow("View Only") << "act_ortavo_view_only" << 1;
    QTest::newRow("File Transfer") << "act_ortavo_file_transfer" << 2;
    QTest::newRow("Telnet") << "act_ortavo_telnet" << 3;
    QTest::newRow("Shutdown") << "act_ortavo_shutdown" << 4;
    QTest::newRow("Voice Chat") << "act_ortavo_voice_chat" << 5;
    QTest::newRow("Chat") << "act_ortavo_chat" << 6;
    QTest::newRow("Send Message") << "act_ortavo_message" << 7;
}

void TestHostActionsWiring::menuBarOrtavoAsksForPort()
{
    QFETCH(QString, action);
    QFETCH(int, mode);
    v_main &oWindow = Start();
    FeedHosts();
    Select({"127.0.0.2"});
    QSignalSpy oAsked(&oWindow.HostActions(), &CHostActions::OrtavoConnectOptionsRequested);
    Child<QAction>(action.toLatin1().constData())->trigger();
    QCOMPARE(oAsked.count(), 1);
    QCOMPARE(oAsked.at(0).at(0).value<EOrtavoCommand>(), EOrtavoCommand(mode));
    QCOMPARE(oAsked.at(0).at(1).toInt(), 0);
    QCOMPARE(oAsked.at(0).at(2).toBool(), true);
    QVERIFY(m_pRunner->lsCalls.isEmpty());

    VOrtavoConnectOptions &oDialog = m_pProgram->ConnectOptionsDialog();
    QVERIFY(oDialog.isVisible());
    auto *pPort = oDialog.findChild<QLineEdit *>(QStringLiteral("lePort"));
    QVERIFY(pPort);
    pPort->clear();
    QTest::keyClicks(pPort, QStringLiteral("56x50"));
    QCOMPARE(pPort->text(), QStringLiteral("5650"));
    QTest::mouseClick(oDialog.findChild<QPushButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
    QCOMPARE(
        m_pRunner->lsCalls,
        QStringList{
            QStringLiteral("ortavo %1 127.0.0.2:5650 via %2").arg(mode).arg(m_pRunner->sViewer)});
}

// ---- context menus ---------------------------------------------------------------------------

void TestHostActionsWiring::contextMenuPerRowKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("entries");
    const QStringList lsOrtavo = {QStringLiteral("Full Control"),
                                  QStringLiteral("View Only"),
                                  QStringLiteral("Telnet"),
                                  QStringLiteral("File Transfer"),
                                  QStringLiteral("Shutdown"),
                                  QStringLiteral("Text Chat"),
                                  QStringLiteral("Voice Chat"),
                                  QStringLiteral("Send Message")};
    QStringList lsHost = {QStringLiteral("Explore"), QStringLiteral("Copy")};
    for (const char *pColumn :
         {"Status", "Name", "IP", "NetBIOS name", "NetBIOS group", "MAC address", "User", "All"})
        lsHost << QStringLiteral("Copy/") + QLatin1String(pColumn);
    lsHost << QStringLiteral("Add to \"Favorites\"") << QStringLiteral("Rescan selected")
           << QStringLiteral("Save selected...") << QStringLiteral("Wake-On-LAN")
           << QStringLiteral("Shut down...") << QStringLiteral("Abort shut down")
           << QStringLiteral("Ortavo");
    for (const QString &sEntry : lsOrtavo)
        lsHost << QStringLiteral("Ortavo/") + sEntry;
    lsHost << QStringLiteral("History...") << QStringLiteral("Forget this device");
    lsHost << QStringLiteral("Expand all") << QStringLiteral("Collapse all")
           << QStringLiteral("Clear list");
    QTest::newRow("host row: host entries, Ortavo submenu, no Comments copy") << 1 << lsHost;
    QTest::newRow("HTTP row: only Connect") << 2 << QStringList{QStringLiteral("Connect")};
    QTest::newRow("share row: explore, copy path, properties")
        << 6
        << QStringList{QStringLiteral("Explore"),
                       QStringLiteral("Copy path"),
                       QStringLiteral("Properties")};
    QTest::newRow("Ortavo port row: the eight commands") << 5 << lsOrtavo;
}

void TestHostActionsWiring::contextMenuPerRowKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, entries);
    Start();
    FeedHosts();
    Select({"127.0.0.1"});
    const QModelIndex oIndex = kind == 1 ? HostIndex("127.0.0.1") : ChildIndex("127.0.0.1", kind);
    QVERIFY(oIndex.isValid());
    QCOMPARE(OpenContextMenu(oIndex), entries);
    QVERIFY(m_pRunner->lsCalls.isEmpty());
}

void TestHostActionsWiring::favoritesContextMenu()
{
    Start();
    FeedHosts();
    Select({"127.0.0.1", "127.0.0.2"});
    QTest::mouseClick(Child<QPushButton>("b_add_to_favorites"), Qt::LeftButton);
    Child<QTabWidget>("tabMachineList")->setCurrentIndex(1);
    auto *pView = Child<CMouseRightClickTableView>("tvFavorites");
    QCOMPARE(pView->model()->rowCount(), 2);
    pView->selectionModel()->select(pView->model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString sIp = pView->model()->index(0, 2).data().toString();
    const QPoint oPos = pView->visualRect(pView->model()->index(0, 1)).center();
    const QMouseEvent oEvent(QEvent::MouseButtonPress,
                             oPos,
                             pView->viewport()->mapToGlobal(oPos),
                             Qt::RightButton,
                             Qt::RightButton,
                             Qt::NoModifier);
    QSignalSpy oWake(&m_pProgram->MainWindow().HostActions(), &CHostActions::EmitWakeOnLan);
    const QStringList lsEntries = RunPopup(
        [&]() { m_pProgram->MainWindow().HostActions().OnTableFavoritesContextMenu(&oEvent); },
        QStringLiteral("Wake-On-LAN"));
    QVERIFY2(lsEntries.contains(QStringLiteral("Copy/Comments")), qPrintable(lsEntries.join(',')));
    QVERIFY(lsEntries.contains(QStringLiteral("Remove from \"Favorites\"")));
    QVERIFY(lsEntries.contains(QStringLiteral("Edit...")));
    QVERIFY(!lsEntries.contains(QStringLiteral("Add to \"Favorites\"")));
    QVERIFY(lsEntries.contains(QStringLiteral("Shut down...")));
    // The entry acted on the Favorites selection, not on the Results tab's two rows.
    QCOMPARE(oWake.count(), 1);
    QCOMPARE(oWake.at(0).at(0).toByteArray(), Mac(sIp == QLatin1String("127.0.0.1") ? 1 : 2));
    // What was sent is confirmed in the status line.
    QCOMPARE(m_pProgram->MainWindow().statusBar()->currentMessage(),
             QStringLiteral("Wake-on-LAN sent to ") + sIp);
    QVERIFY(m_pRunner->lsCalls.isEmpty());
}

void TestHostActionsWiring::contextEntryReachesHelper_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("clipboard");
    const QString sViewer = QCoreApplication::applicationFilePath();
    QTest::newRow("host Explore") << 1 << "Explore" << QStringList{"open smb://127.0.0.1/"}
                                  << QString();
    QTest::newRow("host Ortavo submenu uses the first port")
        << 1 << "Ortavo/Send Message"
        << QStringList{QStringLiteral("ortavo 7 127.0.0.1:5650 via ") + sViewer} << QString();
    QTest::newRow("HTTP Connect") << 2 << "Connect" << QStringList{"open http://127.0.0.1/"}
                                  << QString();
    QTest::newRow("Ortavo row uses its own port, no dialog")
        << 5 << "View Only" << QStringList{QStringLiteral("ortavo 1 127.0.0.1:5650 via ") + sViewer}
        << QString();
    QTest::newRow("share Explore")
        << 6 << "Explore" << QStringList{"open smb://127.0.0.1/pub"} << QString();
    QTest::newRow("share Properties opens the share where no dialog exists")
        << 6 << "Properties"
        << QStringList{"properties smb://127.0.0.1/pub", "open smb://127.0.0.1/pub"} << QString();
    QTest::newRow("share Copy path") << 6 << "Copy path" << QStringList{} << "smb://127.0.0.1/pub";
    QTest::newRow("Copy IP alone") << 1 << "Copy/IP" << QStringList{} << "127.0.0.1";
    QTest::newRow("Copy All: eight fields, empty comment last")
        << 1 << "Copy/All" << QStringList{} << "Alive\talpha\t127.0.0.1\t\t\t02:5E:00:00:00:01\t\t";
}

void TestHostActionsWiring::contextEntryReachesHelper()
{
    QFETCH(int, kind);
    QFETCH(QString, entry);
    QFETCH(QStringList, calls);
    QFETCH(QString, clipboard);
    Start();
    FeedHosts();
    Select({"127.0.0.2"});
    QGuiApplication::clipboard()->clear();
    QSignalSpy oAsked(&m_pProgram->MainWindow().HostActions(),
                      &CHostActions::OrtavoConnectOptionsRequested);
    const QModelIndex oIndex = kind == 1 ? HostIndex("127.0.0.1") : ChildIndex("127.0.0.1", kind);
    QVERIFY(oIndex.isValid());
    OpenContextMenu(oIndex, entry);
    QCOMPARE(m_pRunner->lsCalls, calls);
    QCOMPARE(oAsked.count(), 0);
    if (!clipboard.isNull())
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

void TestHostActionsWiring::doubleClickActsOnChildRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("host row does nothing") << 1 << "127.0.0.1" << QStringList{};
    QTest::newRow("HTTP row opens the page")
        << 2 << "127.0.0.1" << QStringList{"open http://127.0.0.1/"};
    QTest::newRow("HTTPS row opens the page")
        << 3 << "127.0.0.2" << QStringList{"open https://127.0.0.2/"};
    QTest::newRow("FTP row opens the site")
        << 4 << "127.0.0.2" << QStringList{"open ftp://127.0.0.2/"};
    QTest::newRow("Ortavo row: full control on its port")
        << 5 << "127.0.0.1"
        << QStringList{QStringLiteral("ortavo 0 127.0.0.1:5650 via ")
                       + QCoreApplication::applicationFilePath()};
    QTest::newRow("share row explores the share")
        << 6 << "127.0.0.1" << QStringList{"open smb://127.0.0.1/pub"};
}

void TestHostActionsWiring::doubleClickActsOnChildRows()
{
    QFETCH(int, kind);
    QFETCH(QString, ip);
    QFETCH(QStringList, calls);
    Start();
    FeedHosts();
    const QByteArray baIp = ip.toLatin1();
    const QModelIndex oIndex =
        kind == 1 ? HostIndex(baIp.constData()) : ChildIndex(baIp.constData(), kind);
    QVERIFY(oIndex.isValid());
    emit ScanView()->IndexDblClicked(oIndex.sibling(oIndex.row(), 1));
    QCOMPARE(m_pRunner->lsCalls, calls);
}

void TestHostActionsWiring::aWebServerOpensOnItsPort()
{
    v_main &oWindow = Start();
    Child<QComboBox>("cbIpRange")->setEditText(QStringLiteral("127.0.0.1"));
    QTest::mouseClick(Child<QPushButton>("b_scan"), Qt::LeftButton);
    CScanResult oResult = Result("127.0.0.1", EHostStatus::Alive, oWindow.ScanId(), 1, Mac(1));
    oResult.set_web_servers({{8080, false, QStringLiteral("Admin")}, {8443, true, QString()}});
    Feed(oResult);
    emit m_pProgram->Scanner().EmitScanEnd();
    ScanView()->expandAll();
    const QModelIndex oHost = HostIndex("127.0.0.1");
    const QAbstractItemModel *pModel = ScanView()->model();
    QCOMPARE(pModel->rowCount(oHost), 2);
    for (int nRow = 0; nRow < 2; ++nRow)
        emit ScanView()->IndexDblClicked(pModel->index(nRow, 1, oHost));
    const QStringList lsOpened{"open http://127.0.0.1:8080/", "open https://127.0.0.1:8443/"};
    QCOMPARE(m_pRunner->lsCalls, lsOpened);
    m_pRunner->lsCalls.clear();
    for (int nRow = 0; nRow < 2; ++nRow)
        OpenContextMenu(pModel->index(nRow, 1, oHost), QStringLiteral("Connect"));
    QCOMPARE(m_pRunner->lsCalls, lsOpened);
}

void TestHostActionsWiring::failuresAreShown_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("telnet");
    QTest::addColumn<bool>("viewer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("telnet port closed")
        << "act_telnet" << int(CTelnetLauncher::EResult::Unreachable) << true
        << "Telnet run: Could not establish connection to the remote host";
    QTest::newRow("no telnet client")
        << "act_telnet" << int(CTelnetLauncher::EResult::NoClient) << true
        << "Telnet run: Failed to find telnet.exe. Check if Telnet is installed";
    QTest::newRow("no viewer") << "Ortavo/Full Control" << 0 << false
                               << "Program run error: " + COrtavoViewer::NotInstalledText();
}

void TestHostActionsWiring::failuresAreShown()
{
    QFETCH(QString, action);
    QFETCH(int, telnet);
    QFETCH(bool, viewer);
    QFETCH(QString, shown);
    Start();
    FeedHosts();
    Select({"127.0.0.1"});
    m_pRunner->eTelnet = CTelnetLauncher::EResult(telnet);
    if (!viewer)
        m_pRunner->sViewer.clear();
    QString sShown;
    if (action.startsWith(QLatin1String("act_"))) {
        sShown = RunModal([&]() { Child<QAction>(action.toLatin1().constData())->trigger(); });
    } else {
        // The entry is triggered once its menu has closed; the box then opens from there.
        sShown = RunModal([&]() { OpenContextMenu(HostIndex("127.0.0.1"), action); });
    }
    QCOMPARE(sShown, shown);
    QVERIFY(!m_pRunner->lsCalls.filter(QStringLiteral("ortavo")).size());
}

void TestHostActionsWiring::openingWithoutAProgramIsShown()
{
    v_main &oWindow = Start();
    FeedHosts();
    Select({"127.0.0.1"});
    // The real runner, with no program on the search path to open anything.
    oWindow.HostActions().SetRunner(std::make_unique<CHostActionRunner>());
    m_pRunner = nullptr;
    const QByteArray baPath = qgetenv("PATH");
    qputenv("PATH", m_oDir.filePath(QStringLiteral("no-programs")).toLocal8Bit());
    // A browser named in the environment would be started without the search path.
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    Child<QAction>("act_http")->trigger();
    QMessageBox *pBox = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        (pBox = oWindow.findChild<QMessageBox *>(QStringLiteral("open_failed"))), 10000);
    qputenv("PATH", baPath);
    QVERIFY2(pBox->text().contains(QLatin1String("http://127.0.0.1/")), qPrintable(pBox->text()));
    QVERIFY(pBox->text().contains(QLatin1String("xdg-open")));
    pBox->close();
}

void TestHostActionsWiring::contextKeyOpensMenuOfSelection()
{
    v_main &oWindow = Start();
    FeedHosts();
    bool fHandled = false;
    oWindow.OnContextPressed(fHandled);
    QVERIFY2(!fHandled, "no selection: the key is left to the focused widget");
    Select({"127.0.0.2"});
    ScanView()->setCurrentIndex(HostIndex("127.0.0.2"));
    Select({"127.0.0.2"});
    QStringList lsSeen =
        RunPopup([&]() { oWindow.OnContextPressed(fHandled); }, QStringLiteral("Explore"));
    QVERIFY(fHandled);
    QVERIFY(lsSeen.contains(QStringLiteral("Wake-On-LAN")));
    QCOMPARE(m_pRunner->lsCalls, QStringList{QStringLiteral("open smb://127.0.0.2/")});
}

void TestHostActionsWiring::rescanSelectedKeepsResults()
{
    v_main &oWindow = Start();
    FeedHosts();
    Select({"127.0.0.1", "127.0.0.3"});
    QSignalSpy oScan(&oWindow, &v_main::EmitScan);
    OpenContextMenu(HostIndex("127.0.0.2"), QStringLiteral("Rescan selected"));
    QCOMPARE(oScan.count(), 1);
    QStringList lsScope;
    for (const TIpRange &oRange : oScan.at(0).at(0).value<CIpList>().Ranges())
        lsScope << QStringLiteral("%1-%2").arg(IpToText(oRange.first), IpToText(oRange.last));
    // One range per selected host, in row order; the rows' order depends on the sorting.
    lsScope.sort();
    QCOMPARE(lsScope,
             (QStringList{QStringLiteral("127.0.0.1-127.0.0.1"),
                          QStringLiteral("127.0.0.3-127.0.0.3")}));
    QVERIFY(oWindow.IsScanning());
    QCOMPARE(m_pProgram->ScanModel().ItemCount(), 3);
    // A second request while that scan runs changes nothing.
    OpenContextMenu(HostIndex("127.0.0.2"), QStringLiteral("Rescan selected"));
    QCOMPARE(oScan.count(), 1);
}

// ---- Wake-on-LAN and shutdown ----------------------------------------------------------------

void TestHostActionsWiring::wakeOnLanSendsMagicPackets()
{
    QString sWhy;
    if (!InOwnLoopbackNamespace(&sWhy))
        QSKIP(qPrintable(sWhy));
    // Limited broadcast stays on lo in this namespace, so the sender's real destination reaches
    // the receiver below and nothing else.
    if (!RouteBroadcastOnLoopback())
        QSKIP("cannot add the broadcast route on lo");
    QUdpSocket oReceiver;
    QVERIFY(oReceiver.bind(QHostAddress::AnyIPv4, MWol::kPort, QUdpSocket::ShareAddress));

    v_main &oWindow = Start();
    FeedHosts();
    Select({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
    QSignalSpy oEmitted(&oWindow.HostActions(), &CHostActions::EmitWakeOnLan);
    Child<QAction>("act_wol")->trigger();
    QCOMPARE(oEmitted.count(), 3);

    QList<QByteArray> lPackets;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            while (oReceiver.hasPendingDatagrams()) {
                QByteArray baData(int(oReceiver.pendingDatagramSize()), '\0');
                oReceiver.readDatagram(baData.data(), baData.size());
                lPackets << baData;
            }
            return lPackets.size() >= 3;
        }(),
        5000);
    QCOMPARE(lPackets.size(), 3);
    QStringList lsExpected;
    QStringList lsReceived;
    for (int i = 0; i < 3; ++i) {
        QByteArray baExpected(6, char(0xFF));
        for (int n = 0; n < 16; ++n)
            baExpected += Mac(quint8(i + 1));
        lsExpected << QString::fromLatin1(baExpected.toHex());
        QCOMPARE(lPackets.at(i).size(), 102);
        lsReceived << QString::fromLatin1(lPackets.at(i).toHex());
    }
    // One per selected row, in row order, whatever order the rows are sorted in.
    lsExpected.sort();
    lsReceived.sort();
    QCOMPARE(lsReceived, lsExpected);
}

void TestHostActionsWiring::abortShutdownReachesCoordinator()
{
    QString sWhy;
    if (!InOwnLoopbackNamespace(&sWhy))
        QSKIP(qPrintable(sWhy));
    v_main &oWindow = Start();
    FeedHosts();
    Select({"127.0.0.1", "127.0.0.3"});
    QSignalSpy oEmitted(&oWindow.HostActions(), &CHostActions::EmitShutdownAbort);
    QSignalSpy oDone(m_pProgram->ShutdownCoordinator(), &MRemoteShutdown::EmitAbortDone);
    Child<QAction>("act_abort_shutdown")->trigger();
    QCOMPARE(oEmitted.count(), 2);
    QList<quint32> lnEmitted = {quint32(oEmitted.at(0).at(0).toInt()),
                                quint32(oEmitted.at(1).at(0).toInt())};
    std::sort(lnEmitted.begin(), lnEmitted.end());
    QCOMPARE(lnEmitted, (QList<quint32>{Ip("127.0.0.1"), Ip("127.0.0.3")}));
    // Nothing listens for the request in this namespace: both aborts come back as failures.
    QTRY_COMPARE_WITH_TIMEOUT(oDone.count(), 2, 20000);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(oDone.at(i).at(0).toUInt(), quint32(oEmitted.at(i).at(0).toInt()));
        QVERIFY(oDone.at(i).at(1).toInt() != 0);
    }
}

void TestHostActionsWiring::shutdownDialogStartsBatchForSelection()
{
    QString sWhy;
    if (!InOwnLoopbackNamespace(&sWhy))
        QSKIP(qPrintable(sWhy));
    v_main &oWindow = Start();
    FeedHosts();
    Select({});
    QSignalSpy oRequested(&oWindow.HostActions(), &CHostActions::ShutdownRequested);
    Child<QAction>("act_shutdown")->trigger();
    QCOMPARE(oRequested.count(), 0);

    Select({"127.0.0.1", "127.0.0.2"});
    Child<QAction>("act_tb_shutdown")->trigger();
    QCOMPARE(oRequested.count(), 1);
    VRemoteShutdown &oOptions = m_pProgram->ShutdownOptionsDialog();
    QVERIFY(oOptions.isVisible());
    oOptions.OnOk();
    QVERIFY(!oOptions.isVisible());

    VShutdowns &oResults = oWindow.HostActions().ShutdownResults();
    QVERIFY(oResults.isVisible());
    QCOMPARE(oResults.Batch(), 1);
    auto *pTable = oResults.findChild<QTableWidget *>(QStringLiteral("lbxMachines"));
    QVERIFY(pTable);
    QCOMPARE(pTable->rowCount(), 2);
    QCOMPARE(pTable->item(0, 0)->text(), QStringLiteral("alpha"));
    QCOMPARE(pTable->item(0, 2)->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(pTable->item(1, 0)->text(), QStringLiteral("beta"));
    QCOMPARE(pTable->item(1, 2)->text(), QStringLiteral("127.0.0.2"));
    // Nobody answers in this namespace.
    QTRY_COMPARE_WITH_TIMEOUT(pTable->item(1, 1)->text(), QStringLiteral("Failed"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(pTable->item(0, 1)->text(), QStringLiteral("Failed"), 20000);
}

// ---- options, languages, help, history -------------------------------------------------------

void TestHostActionsWiring::optionsApplyToRunningScanner()
{
    Start();
    v_options &oOptions = m_pProgram->OptionsDialog();
    QVERIFY(!oOptions.isVisible());
    Child<QAction>("act_options")->trigger();
    QVERIFY(oOptions.isVisible());
    auto *pSlider = oOptions.findChild<QSlider *>(QStringLiteral("s_scan_speed"));
    QVERIFY(pSlider);
    QCOMPARE(pSlider->value(), CCfg().thread_count());
    pSlider->setValue(40);
    QTest::mouseClick(oOptions.findChild<QPushButton *>(QStringLiteral("b_ok")), Qt::LeftButton);
    QVERIFY(!oOptions.isVisible());
    QCOMPARE(CCfg().thread_count(), 40);
    QTRY_COMPARE_WITH_TIMEOUT(m_pProgram->Scanner().ActiveThreadCount(), 40, 10000);
}

void TestHostActionsWiring::languageMenuSwitchesLive()
{
    v_main &oWindow = Start();
    auto *pLanguage = Child<QMenu>("menuLanguage");
    QStringList lsLanguages;
    QAction *pRussian = nullptr;
    QAction *pEnglish = nullptr;
    for (QAction *pAction : pLanguage->actions()) {
        const QString sCode = pAction->property("lang").toString();
        lsLanguages << sCode;
        if (sCode == QLatin1String("ru"))
            pRussian = pAction;
        if (sCode == QLatin1String("en_us"))
            pEnglish = pAction;
    }
    QCOMPARE(lsLanguages, (QStringList{QStringLiteral("en_us"), QStringLiteral("ru")}));
    QVERIFY(pEnglish->isChecked());
    QCOMPARE(pRussian->text(), CLocalizations::instance()->MenuText(QStringLiteral("ru")));
    const int nEnglishBanner = oWindow.Banner().ImageWidth();
    QVERIFY(nEnglishBanner > 0);
    const QString sOptionsTitle = m_pProgram->OptionsDialog().windowTitle();
    FeedHosts();
    const QPersistentModelIndex oPort(ChildIndex("127.0.0.1", FragmentOrtavo).siblingAtColumn(1));
    QCOMPARE(oPort.data().toString(), QStringLiteral("Ortavo: 5650"));

    QSignalSpy oChanged(&oWindow, &v_main::LanguageChanged);
    pRussian->trigger();
    QCOMPARE(oChanged.count(), 1);
    QVERIFY(pRussian->isChecked());
    QCOMPARE(Child<QMenu>("menuFile")->title(), QStringLiteral("&Файл"));
    QCOMPARE(Child<QAction>("act_wol")->text(), QStringLiteral("&Wake-On-LAN"));
    QCOMPARE(Child<QAction>("act_abort_shutdown")->text(), QStringLiteral("&Отменить выключение"));
    QVERIFY(m_pProgram->OptionsDialog().windowTitle() != sOptionsTitle);
    QCOMPARE(CCfg().Value(QStringLiteral("locale")).toString(), QStringLiteral("ru"));
    QVERIFY(oWindow.Banner().ImageWidth() > 0);
    // The results list's own texts follow too.
    QCOMPARE(oPort.data().toString(), QStringLiteral("Ortavo, порт 5650"));

    pEnglish->trigger();
    QCOMPARE(Child<QMenu>("menuFile")->title(), QStringLiteral("&File"));
    QCOMPARE(oPort.data().toString(), QStringLiteral("Ortavo: 5650"));
    QCOMPARE(m_pProgram->OptionsDialog().windowTitle(), sOptionsTitle);
    QCOMPARE(CCfg().Value(QStringLiteral("locale")).toString(), QString());
    QCOMPARE(oWindow.Banner().ImageWidth(), nEnglishBanner);
}

void TestHostActionsWiring::languageSwitchFitsStatusTitle_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("userWidth");
    QTest::newRow("scan view's own width grows to the Russian title") << "tvResults" << 0;
    QTest::newRow("favorites view's own width grows to the Russian title") << "tvFavorites" << 0;
    QTest::newRow("a wider width the user chose is kept") << "tvResults" << 400;
}

void TestHostActionsWiring::languageSwitchFitsStatusTitle()
{
    QFETCH(QString, view);
    QFETCH(int, userWidth);
    Start();
    QHeaderView *pHeader = Child<QTreeView>(view.toLatin1().constData())->header();
    if (userWidth > 0)
        pHeader->resizeSection(0, userWidth);
    const int nBefore = pHeader->sectionSize(0);
    QAction *pRussian = nullptr;
    for (QAction *pAction : Child<QMenu>("menuLanguage")->actions()) {
        if (pAction->property("lang").toString() == QLatin1String("ru"))
            pRussian = pAction;
    }
    QVERIFY(pRussian);
    pRussian->trigger();
    QCOMPARE(pHeader->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Состояние"));
    const int nHint = pHeader->sectionSizeHint(0);
    if (userWidth > 0) {
        QCOMPARE(pHeader->sectionSize(0), userWidth);
    } else {
        // Without a refit the English width stays and the title is cut off.
        QVERIFY2(nHint > nBefore,
                 qPrintable(QStringLiteral("hint %1, before %2").arg(nHint).arg(nBefore)));
        QCOMPARE(pHeader->sectionSize(0), nHint);
    }
}

void TestHostActionsWiring::helpAboutAndBannerOpenSite()
{
    v_main &oWindow = Start();
    Child<QAction>("act_contents")->trigger();
    Child<QAction>("act_report_bug")->trigger();
    Child<QAction>("act_request_feature")->trigger();
    VBanner &oBanner = oWindow.Banner();
    QVERIFY(oBanner.isVisible());
    QVERIFY(oBanner.ImageWidth() > 0);
    QTest::mouseClick(&oBanner, Qt::LeftButton, {}, QPoint(oBanner.width() - 2, 2));
    // Left of the image, when the tool bar leaves room for that, is no link.
    if (oBanner.width() > oBanner.ImageWidth() + 2)
        QTest::mouseClick(
            &oBanner, Qt::LeftButton, {}, QPoint(oBanner.width() - oBanner.ImageWidth() - 2, 2));
    QString sVersion;
    RunModal([&]() { Child<QAction>("act_about")->trigger(); },
             [&](QWidget *i_pAbout) {
                 for (QLabel *pLabel : i_pAbout->findChildren<QLabel *>()) {
                     if (pLabel->objectName() == QLatin1String("lbl_version"))
                         sVersion = pLabel->text();
                     if (pLabel->objectName() == QLatin1String("lbl_website"))
                         emit pLabel->linkActivated(QStringLiteral("ignored"));
                 }
             });
    QVERIFY2(sVersion.contains(QLatin1String("2.1.200")), qPrintable(sVersion));
    const QString sSite = QStringLiteral("open https://www.brenmark.example/");
    const QStringList lsExpected = {
        QStringLiteral("open https://www.brenmark.example/vistrel/help"),
        QStringLiteral("open https://www.brenmark.example/vistrel/bugs"),
        QStringLiteral("open https://www.brenmark.example/vistrel/ideas"),
        sSite,
        sSite,
    };
    QCOMPARE(m_pRunner->lsCalls, lsExpected);
}

void TestHostActionsWiring::historyFillsRangeBox()
{
    v_main &oWindow = Start();
    auto *pBox = Child<QComboBox>("cbIpRange");
    auto *pScan = Child<QPushButton>("b_scan");
    const QString sA = QStringLiteral("127.0.0.1-127.0.0.4");
    const QString sB = QStringLiteral("127.0.0.9");
    for (const QString &sText : {sA, sB, sA}) {
        pBox->setEditText(sText);
        QTest::mouseClick(pScan, Qt::LeftButton);
        QVERIFY(oWindow.IsScanning());
        QTest::mouseClick(pScan, Qt::LeftButton);
        QVERIFY(!oWindow.IsScanning());
    }
    QStringList lsItems;
    for (int i = 0; i < pBox->count(); ++i)
        lsItems << pBox->itemText(i);
    QCOMPARE(lsItems, (QStringList{sA, sB}));
    QCOMPARE(pBox->currentText(), sA);

    // Written back when the program ends, read again at the next start.
    m_pRunner = nullptr;
    m_pProgram.reset();
    QCOMPARE(CCfg().Value(QStringLiteral("State/IpRangesMruList")).toString(),
             QStringLiteral("2\n%1\n1\n%2").arg(sA, sB));
    Start();
    pBox = Child<QComboBox>("cbIpRange");
    lsItems.clear();
    for (int i = 0; i < pBox->count(); ++i)
        lsItems << pBox->itemText(i);
    QCOMPARE(lsItems, (QStringList{sA, sB}));
}

QTEST_MAIN(TestHostActionsWiring)
#include "tst_HostActionsWiring.moc"
