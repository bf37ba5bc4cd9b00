// SPDX-License-Identifier: GPL-3.0-or-later
// The Favorites as the program builds and wires them: the file at start and after every change,
// adding (by hand, from results, by drops), editing, removing, clearing, and the Copy texts.
// Scan requests are cut off from the scanner and results fed in through its own signal, so no
// probe is sent. The same program also serves as the child process that the kill test ends.
#include "CCopyMenu.h"
#include "CFavoritesContentHandler.h"
#include "CFavoritesFile.h"
#include "CGuiProgram.h"
#include "CHostActions.h"
#include "CMouseRightClickTableView.h"
#include "CResultsXml.h"
#include "GuiTestSupport.h"
#include "MIpMacDataStorage.h"
#include "MScanner.h"
#include "MessageBoxCatcher.h"
#include "VResultsBackend.h"
#include "v_host_properties.h"
#include "v_main.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalMapper>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace GuiTest;

namespace {

const char *const kChildOperationVar = "VISTREL_FAVORITES_CHILD";
const char *const kChangedLine = "changed";
// A child left alone ends by itself after this long, so none can outlive a broken test.
constexpr int kChildLifeMs = 30000;

// Settings and the Favorites file of one process live in its home folder.
void IsolateInHome()
{
    IsolateIn(QDir::homePath(), false);
}

CScanItem
Entry(const char *i_pIp, const QString &i_sComment, EHostStatus i_eStatus = EHostStatus::Alive)
{
    return CScanItem(Result(i_pIp, i_eStatus, 0, 0, Mac(quint8(Ip(i_pIp) & 0xFF))), i_sComment);
}

bool WriteFavoritesFile(const QList<CScanItem> &i_lItems)
{
    QFile oFile(v_main::FavoritesFilePath());
    return oFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && oFile.write(CResultsXml::Document(i_lItems).toUtf8()) > 0;
}

// "address=comment" of every entry of the file in file order; "<none>" when there is no file,
// "<unreadable>" when it does not parse.
QStringList FileEntries()
{
    if (!QFile::exists(v_main::FavoritesFilePath()))
        return {QStringLiteral("<none>")};
    QList<CScanItem> lItems;
    QString sError;
    if (!CFavoritesContentHandler::ReadItemsFromFile(v_main::FavoritesFilePath(), &lItems, &sError))
        return {QStringLiteral("<unreadable>")};
    QStringList lsEntries;
    for (const CScanItem &oItem : qAsConst(lItems))
        lsEntries << oItem.result().IpText() + QLatin1Char('=') + oItem.comments();
    // Compared as sets: the order is the view's sort order, which these tests do not pin.
    lsEntries.sort();
    return lsEntries;
}

void SelectRows(CMouseRightClickTableView *i_pView, const QList<int> &i_lnRows)
{
    i_pView->selectionModel()->clear();
    for (int nRow : i_lnRows)
        i_pView->selectionModel()->select(i_pView->model()->index(nRow, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// The changes the kill test asks of its child, made as the user makes them.
bool ApplyChange(v_main &io_rWindow, const QString &i_sOperation)
{
    auto *pFavorites = NamedChild<CMouseRightClickTableView>(&io_rWindow, "tvFavorites");
    auto *pDialog = io_rWindow.findChild<v_host_properties *>();
    NamedChild<QTabWidget>(&io_rWindow, "tabMachineList")->setCurrentIndex(1);
    if (i_sOperation == QLatin1String("add")) {
        io_rWindow.on_b_add_to_favorites_new_clicked();
        NamedChild<QLineEdit>(pDialog, "edIp")->setText(QStringLiteral("198.18.0.3"));
        NamedChild<QTextEdit>(pDialog, "edComments")->setPlainText(QStringLiteral("gamma"));
        NamedChild<QPushButton>(pDialog, "pbOk")->click();
        return !pDialog->isVisible();
    }
    if (i_sOperation == QLatin1String("edit")) {
        pFavorites->setCurrentIndex(pFavorites->model()->index(0, 0));
        io_rWindow.on_b_edit_clicked();
        NamedChild<QTextEdit>(pDialog, "edComments")->setPlainText(QStringLiteral("edited"));
        NamedChild<QPushButton>(pDialog, "pbOk")->click();
        return !pDialog->isVisible();
    }
    if (i_sOperation == QLatin1String("remove")) {
        SelectRows(pFavorites, {1});
        io_rWindow.on_b_remove_clicked();
        return true;
    }
    if (i_sOperation == QLatin1String("clear")) {
        NamedChild<QAction>(&io_rWindow, "act_clear_list")->trigger();
        return true;
    }
    return false;
}

// Child mode: start the program on the home folder it was given, make one change, report it
// and keep running until killed (or kChildLifeMs pass).
int RunChild(QApplication &io_rApp, const QString &i_sOperation)
{
    IsolateInHome();
    CGuiProgram oProgram;
    QObject::disconnect(
        &oProgram.MainWindow(), &v_main::EmitScan, &oProgram.Scanner(), &MScanner::OnScan);
    oProgram.Start();
    if (!ApplyChange(oProgram.MainWindow(), i_sOperation)) {
        std::fputs("change failed\n", stdout);
        std::fflush(stdout);
        return 3;
    }
    std::fprintf(stdout, "%s\n", kChangedLine);
    std::fflush(stdout);
    QTimer::singleShot(kChildLifeMs, &io_rApp, &QCoreApplication::quit);
    return io_rApp.exec();
}

// Outlives the application object, whose end writes the IP-to-MAC memory into it.
QTemporaryDir &TestDir()
{
    static QTemporaryDir s_oDir;
    return s_oDir;
}

} // namespace

class TestFavorites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileLoadedAtStart_data();
    void fileLoadedAtStart();
    void firstRunCreatesNoFile();
    void changeReachesFileAtOnce_data();
    void changeReachesFileAtOnce();
    void saveAfterChangeSurvivesKill_data();
    void saveAfterChangeSurvivesKill();
    void addDialogOpens_data();
    void addDialogOpens();
    void handAddedEntryIsDeadUntilRescanned();
    void editOpensTheCurrentEntry();
    void dropOnFavoritesView_data();
    void dropOnFavoritesView();
    void dragPayloadOfScanRowsFillsFavorites();
    void importAddsToFavorites_data();
    void importAddsToFavorites();
    void exportWritesFavoritesWithComments();
    void copyMenuEntries_data();
    void copyMenuEntries();
    void copyTexts_data();
    void copyTexts();
    void copySeveralRowsMakesATable_data();
    void copySeveralRowsMakesATable();
    void addingFromResultsIsConfirmed();
    void copyPrefersTheContextRow();

private:
    v_main &Start();
    template <typename T> T *Child(const char *i_pName) const
    {
        return NamedChild<T>(&m_pProgram->MainWindow(), i_pName);
    }
    v_host_properties *Dialog() const
    {
        return m_pProgram->MainWindow().findChild<v_host_properties *>();
    }
    QTabWidget *Tabs() const { return Child<QTabWidget>("tabMachineList"); }
    CMouseRightClickTableView *ScanView() const
    {
        return Child<CMouseRightClickTableView>("tvResults");
    }
    CMouseRightClickTableView *FavoritesView() const
    {
        return Child<CMouseRightClickTableView>("tvFavorites");
    }
    void Feed(const CScanResult &i_oResult) { emit m_pProgram->Scanner().EmitResult(i_oResult); }
    void ScanResults(const QList<CScanResult> &i_lResults);
    QStringList ModelEntries() const;

    QTemporaryDir &m_oDir = TestDir();
    std::unique_ptr<CGuiProgram> m_pProgram;
};

void TestFavorites::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    qputenv("HOME", m_oDir.path().toUtf8());
    IsolateInHome();
}

void TestFavorites::init()
{
    QCoreApplication::setApplicationName(
        QStringLiteral("vistrel-%1").arg(QLatin1String(QTest::currentTestFunction())));
    QFile::remove(v_main::FavoritesFilePath());
    QGuiApplication::clipboard()->clear();
}

void TestFavorites::cleanup()
{
    m_pProgram.reset();
}

v_main &TestFavorites::Start()
{
    m_pProgram = std::make_unique<CGuiProgram>();
    v_main &oWindow = m_pProgram->MainWindow();
    if (!QObject::disconnect(
            &oWindow, &v_main::EmitScan, &m_pProgram->Scanner(), &MScanner::OnScan))
        qFatal("the window's scan requests still reach the scanner");
    MIpMacDataStorage::Instance()->Load(m_oDir.filePath(QStringLiteral("mac.bin")));
    m_pProgram->Start();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        qWarning("main window not exposed");
    return oWindow;
}

void TestFavorites::ScanResults(const QList<CScanResult> &i_lResults)
{
    v_main &oWindow = m_pProgram->MainWindow();
    Tabs()->setCurrentIndex(0);
    Child<QComboBox>("cbIpRange")->setEditText(QStringLiteral("127.0.0.1-127.0.0.99"));
    QTest::mouseClick(Child<QPushButton>("b_scan"), Qt::LeftButton);
    for (CScanResult oResult : i_lResults) {
        oResult.set_scan_id(oWindow.ScanId());
        oResult.set_scan_size(99);
        Feed(oResult);
    }
    emit m_pProgram->Scanner().EmitScanEnd();
}

QStringList TestFavorites::ModelEntries() const
{
    QStringList lsEntries;
    for (const CScanItem &oItem : m_pProgram->FavoritesModel().Items())
        lsEntries << oItem.result().IpText() + QLatin1Char('=') + oItem.comments();
    lsEntries.sort();
    return lsEntries;
}

// ---- the file -----------------------------------------------------------------------------------

void TestFavorites::fileLoadedAtStart_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("entries");
    QList<CScanItem> lTwice = {Entry("127.0.0.7", QStringLiteral("first")),
                               Entry("127.0.0.7", QStringLiteral("second")),
                               Entry("127.0.0.5", QStringLiteral("other"))};
    QTest::newRow("same address twice loads the first")
        << CResultsXml::Document(lTwice).toUtf8()
        << QStringList{QStringLiteral("127.0.0.5=other"), QStringLiteral("127.0.0.7=first")};
    QTest::newRow("malformed file loads nothing and is kept until replaced")
        << QByteArrayLiteral("<?xml version=\"1.0\"?><vistrel><row ip=\"127.0.0.1\"")
        << QStringList();
    QTest::newRow("missing file loads nothing") << QByteArray() << QStringList();
}

void TestFavorites::fileLoadedAtStart()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, entries);
    if (!contents.isEmpty()) {
        QFile oFile(v_main::FavoritesFilePath());
        QVERIFY(oFile.open(QIODevice::WriteOnly));
        QCOMPARE(oFile.write(contents), qint64(contents.size()));
    }
    Start();
    QCOMPARE(ModelEntries(), entries);
    // Loading and sorting change nothing the user made: the file stays as it was.
    FavoritesView()->header()->setSortIndicator(1, Qt::DescendingOrder);
    QTest::qWait(CFavoritesFile::kMinGapMs);
    QCOMPARE(QFile::exists(v_main::FavoritesFilePath()), !contents.isEmpty());
    const auto FileBytes = []() {
        QFile oFile(v_main::FavoritesFilePath());
        return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
    };
    QCOMPARE(FileBytes(), contents);
    // An exit writes the list as it is; only a damaged file with nothing to replace it stays.
    m_pProgram->MainWindow().OnProgramExit();
    if (entries.isEmpty())
        QCOMPARE(FileBytes(), contents);
    else
        QCOMPARE(FileEntries(), entries);
    if (entries.isEmpty() && !contents.isEmpty()) {
        QList<CScanItem> lAdded = {Entry("127.0.0.9", QStringLiteral("new"))};
        m_pProgram->MainWindow().AddFavorites(lAdded);
        QTRY_COMPARE_WITH_TIMEOUT(
            FileEntries(), QStringList{QStringLiteral("127.0.0.9=new")}, 3000);
    }
}

void TestFavorites::firstRunCreatesNoFile()
{
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(1);
    FavoritesView()->header()->setSortIndicator(2, Qt::DescendingOrder);
    QTest::qWait(CFavoritesFile::kMinGapMs);
    QVERIFY(!QFile::exists(v_main::FavoritesFilePath()));
    oWindow.close();
    oWindow.OnProgramExit();
    QVERIFY(!QFile::exists(v_main::FavoritesFilePath()));
}

void TestFavorites::changeReachesFileAtOnce_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("expected");
    const QString sAlpha = QStringLiteral("198.18.0.1=alpha");
    const QString sBeta = QStringLiteral("198.18.0.2=beta");
    QTest::newRow("entry added by hand")
        << QStringLiteral("add") << QStringList{sAlpha, sBeta, QStringLiteral("198.18.0.3=gamma")};
    QTest::newRow("comment edited")
        << QStringLiteral("edit") << QStringList{QStringLiteral("198.18.0.1=edited"), sBeta};
    QTest::newRow("one entry removed") << QStringLiteral("remove") << QStringList{sAlpha};
    QTest::newRow("removing every entry deletes the file")
        << QStringLiteral("remove all") << QStringList{QStringLiteral("<none>")};
    QTest::newRow("clearing the list deletes the file")
        << QStringLiteral("clear") << QStringList{QStringLiteral("<none>")};
    QTest::newRow("scan result replaces the listed entry and its comment")
        << QStringLiteral("add from results")
        << QStringList{QStringLiteral("198.18.0.1="), sBeta, QStringLiteral("198.18.0.9=")};
    QTest::newRow("dropped rows are added")
        << QStringLiteral("drop") << QStringList{sAlpha, sBeta, QStringLiteral("198.18.0.4=")};
    QTest::newRow("rescan updates in place, keeps comments and adds nothing")
        << QStringLiteral("rescan") << QStringList{sAlpha, sBeta};
}

void TestFavorites::changeReachesFileAtOnce()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, expected);
    QVERIFY(WriteFavoritesFile({Entry("198.18.0.1", QStringLiteral("alpha")),
                                Entry("198.18.0.2", QStringLiteral("beta"))}));
    v_main &oWindow = Start();
    QCOMPARE(ModelEntries().size(), 2);

    if (operation == QLatin1String("remove all")) {
        Tabs()->setCurrentIndex(1);
        SelectRows(FavoritesView(), {0, 1});
        oWindow.on_b_remove_clicked();
    } else if (operation == QLatin1String("add from results")) {
        CScanResult oResult = Result("198.18.0.1", EHostStatus::Alive, 0, 0, Mac(0x21));
        ScanResults({oResult, Result("198.18.0.9", EHostStatus::Alive, 0, 0, Mac(0x29))});
        SelectRows(ScanView(), {0, 1});
        QTest::mouseClick(Child<QPushButton>("b_add_to_favorites"), Qt::LeftButton);
    } else if (operation == QLatin1String("drop")) {
        QMimeData oData;
        oData.setData(VResultsBackend::MimeFormat(),
                      CResultsXml::Document({Entry("198.18.0.4", QString())}).toUtf8());
        Tabs()->setCurrentIndex(1);
        QWidget *pViewport = FavoritesView()->viewport();
        const QPoint oPos = pViewport->rect().center();
        QDragEnterEvent oEnter(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
        QApplication::sendEvent(pViewport, &oEnter);
        QDropEvent oDrop(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
        QApplication::sendEvent(pViewport, &oDrop);
        QVERIFY(oDrop.isAccepted());
    } else if (operation == QLatin1String("rescan")) {
        Tabs()->setCurrentIndex(1);
        QTest::mouseClick(Child<QPushButton>("b_scan"), Qt::LeftButton);
        QVERIFY(oWindow.IsScanning());
        Feed(Result("198.18.0.1", EHostStatus::Alive, oWindow.ScanId(), 2, Mac(0x31)));
        Feed(Result("198.18.0.77", EHostStatus::Alive, oWindow.ScanId(), 2, Mac(0x77)));
        emit m_pProgram->Scanner().EmitScanEnd();
    } else {
        QVERIFY2(ApplyChange(oWindow, operation), qPrintable(operation));
    }
    // No exit, no close: the change must be on disk by itself.
    QTRY_COMPARE_WITH_TIMEOUT(FileEntries(), expected, 3000);
    if (operation == QLatin1String("rescan")) {
        const auto FileText = []() {
            QFile oFile(v_main::FavoritesFilePath());
            return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
        };
        // What the scan found replaced what the entry held.
        QTRY_VERIFY_WITH_TIMEOUT(FileText().contains("02:5E:00:00:00:31"), 3000);
        QVERIFY(!FileText().contains("02:5E:00:00:00:01"));
    }
    QCOMPARE(ModelEntries().size(),
             expected.first() == QLatin1String("<none>") ? 0 : expected.size());
}

void TestFavorites::saveAfterChangeSurvivesKill_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("expected");
    const QString sAlpha = QStringLiteral("198.18.0.1=alpha");
    const QString sBeta = QStringLiteral("198.18.0.2=beta");
    QTest::newRow("entry added by hand survives")
        << QStringLiteral("add") << QStringList{sAlpha, sBeta, QStringLiteral("198.18.0.3=gamma")};
    QTest::newRow("edited comment survives")
        << QStringLiteral("edit") << QStringList{QStringLiteral("198.18.0.1=edited"), sBeta};
    QTest::newRow("removal survives") << QStringLiteral("remove") << QStringList{sAlpha};
    QTest::newRow("clearing survives as no file")
        << QStringLiteral("clear") << QStringList{QStringLiteral("<none>")};
}

void TestFavorites::saveAfterChangeSurvivesKill()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, expected);
    QTemporaryDir oHome;
    QVERIFY(oHome.isValid());
    const QByteArray baOwnHome = qgetenv("HOME");
    qputenv("HOME", oHome.path().toUtf8());
    const bool fWritten = WriteFavoritesFile({Entry("198.18.0.1", QStringLiteral("alpha")),
                                              Entry("198.18.0.2", QStringLiteral("beta"))});
    qputenv("HOME", baOwnHome);
    QVERIFY(fWritten);
    const QString sFile = oHome.filePath(QStringLiteral("vistrel_Favorites.bin"));

    QProcess oChild;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), oHome.path());
    oEnvironment.insert(QLatin1String(kChildOperationVar), operation);
    oEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    oChild.setProcessEnvironment(oEnvironment);
    oChild.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    oChild.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(oChild.waitForStarted(10000));
    QByteArray baOutput;
    QElapsedTimer oClock;
    oClock.start();
    while (!baOutput.contains(kChangedLine) && oClock.elapsed() < 20000
           && oChild.state() == QProcess::Running) {
        oChild.waitForReadyRead(500);
        baOutput += oChild.readAllStandardOutput();
    }
    QVERIFY2(baOutput.contains(kChangedLine), baOutput.constData());

    const auto Entries = [&sFile]() {
        const QByteArray baHome = qgetenv("HOME");
        qputenv("HOME", QFileInfo(sFile).path().toUtf8());
        const QStringList lsEntries = FileEntries();
        qputenv("HOME", baHome);
        return lsEntries;
    };
    // The child neither quits nor closes a window: only saving after the change puts it there.
    const bool fOnDisk = QTest::qWaitFor([&]() { return Entries() == expected; }, 5000);
    QCOMPARE(oChild.state(), QProcess::Running);
    oChild.kill();
    QVERIFY(oChild.waitForFinished(10000));
    QCOMPARE(oChild.exitStatus(), QProcess::CrashExit);
    QVERIFY2(fOnDisk, qPrintable(Entries().join(QLatin1Char(' '))));
    QCOMPARE(Entries(), expected);
    // Written through a temporary file that replaced the old one: nothing is left beside it.
    const QStringList lsLeft =
        QDir(oHome.path())
            .entryList({QStringLiteral("vistrel_Favorites*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(lsLeft.size(), expected.first() == QLatin1String("<none>") ? 0 : 1);
}

// ---- adding and editing -------------------------------------------------------------------------

void TestFavorites::addDialogOpens_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("opens");
    QTest::newRow("Add button") << QStringLiteral("button") << 1 << true;
    QTest::newRow("Insert key on the Favorites tab") << QStringLiteral("insert") << 1 << true;
    QTest::newRow("Insert key on the Results tab is left to the widget")
        << QStringLiteral("insert") << 0 << false;
}

void TestFavorites::addDialogOpens()
{
    QFETCH(QString, how);
    QFETCH(int, tab);
    QFETCH(bool, opens);
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(tab);
    if (how == QLatin1String("button")) {
        QTest::mouseClick(Child<QPushButton>("b_add_to_favorites_new"), Qt::LeftButton);
    } else {
        QVERIFY(Activate(&oWindow));
        QWidget *pFocus = tab == 1 ? static_cast<QWidget *>(FavoritesView())
                                   : Child<QComboBox>("cbIpRange")->lineEdit();
        pFocus->setFocus();
        QTest::keyClick(pFocus, Qt::Key_Insert);
    }
    QCOMPARE(Dialog()->isVisible(), opens);
    if (!opens)
        return;
    QCOMPARE(Dialog()->windowTitle(), QStringLiteral("Add to \"Favorites\""));
    QVERIFY(Dialog()->IsAddMode());
    QCOMPARE(NamedChild<QPushButton>(Dialog(), "pbOk")->text(), QStringLiteral("Add"));
    QCOMPARE(NamedChild<QLineEdit>(Dialog(), "edIp")->text(), QString());
    QCOMPARE(NamedChild<QLineEdit>(Dialog(), "edMac")->text(), QString());
}

void TestFavorites::handAddedEntryIsDeadUntilRescanned()
{
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(1);
    QTest::mouseClick(Child<QPushButton>("b_add_to_favorites_new"), Qt::LeftButton);
    auto *pIp = NamedChild<QLineEdit>(Dialog(), "edIp");
    pIp->selectAll();
    QTest::keyClicks(pIp, QStringLiteral("127.0.0.40"));
    NamedChild<QTextEdit>(Dialog(), "edComments")->setPlainText(QStringLiteral("by hand"));
    QTest::mouseClick(NamedChild<QPushButton>(Dialog(), "pbOk"), Qt::LeftButton);
    QVERIFY(!Dialog()->isVisible());
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 1);
    QCOMPARE(m_pProgram->FavoritesModel().Items().first().result().status(), EHostStatus::Dead);

    // The same address a second time is refused and the dialog stays.
    QTest::mouseClick(Child<QPushButton>("b_add_to_favorites_new"), Qt::LeftButton);
    pIp->selectAll();
    QTest::keyClicks(pIp, QStringLiteral("127.0.0.40"));
    const TMessageBox oBox =
        CatchMessageBox([this]() { NamedChild<QPushButton>(Dialog(), "pbOk")->click(); });
    QVERIFY(oBox.fShown);
    QCOMPARE(oBox.sText, QStringLiteral("Item with this IP already exists"));
    QVERIFY(Dialog()->isVisible());
    NamedChild<QPushButton>(Dialog(), "pbCancel")->click();
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 1);

    QTest::mouseClick(Child<QPushButton>("b_scan"), Qt::LeftButton);
    QVERIFY(oWindow.IsScanning());
    Feed(Result("127.0.0.40", EHostStatus::Alive, oWindow.ScanId(), 1, Mac(0x40)));
    emit m_pProgram->Scanner().EmitScanEnd();
    QCOMPARE(m_pProgram->FavoritesModel().ItemCount(), 1);
    const CScanItem oItem = m_pProgram->FavoritesModel().Items().first();
    QCOMPARE(oItem.result().status(), EHostStatus::Alive);
    QCOMPARE(oItem.result().mac(), Mac(0x40));
}

void TestFavorites::editOpensTheCurrentEntry()
{
    QVERIFY(WriteFavoritesFile(
        {Entry("127.0.0.11", QStringLiteral("one")), Entry("127.0.0.12", QStringLiteral("two"))}));
    Start();
    Tabs()->setCurrentIndex(1);
    // Without a current row there is nothing to edit.
    QTest::mouseClick(Child<QPushButton>("b_edit"), Qt::LeftButton);
    QVERIFY(!Dialog()->isVisible());

    FavoritesView()->setCurrentIndex(FavoritesView()->model()->index(1, 0));
    QTest::mouseClick(Child<QPushButton>("b_edit"), Qt::LeftButton);
    QVERIFY(Dialog()->isVisible());
    QCOMPARE(Dialog()->windowTitle(), QStringLiteral("Edit \"Favorites\" item"));
    auto *pIp = NamedChild<QLineEdit>(Dialog(), "edIp");
    QVERIFY(!pIp->isEnabled());
    QCOMPARE(pIp->text(), QStringLiteral("127.0.0.12"));
    QCOMPARE(NamedChild<QTextEdit>(Dialog(), "edComments")->toPlainText(), QStringLiteral("two"));
    QCOMPARE(NamedChild<QPushButton>(Dialog(), "pbOk")->text(), QStringLiteral("Apply"));
    auto *pMac = NamedChild<QLineEdit>(Dialog(), "edMac");
    pMac->selectAll();
    QTest::keyClicks(pMac, QStringLiteral("02:5E:00:00:00:AB"));
    NamedChild<QTextEdit>(Dialog(), "edComments")->setPlainText(QStringLiteral("two, moved"));
    QTest::mouseClick(NamedChild<QPushButton>(Dialog(), "pbOk"), Qt::LeftButton);
    QVERIFY(!Dialog()->isVisible());
    QCOMPARE(
        ModelEntries(),
        (QStringList{QStringLiteral("127.0.0.11=one"), QStringLiteral("127.0.0.12=two, moved")}));
    QCOMPARE(m_pProgram->FavoritesModel().Items().at(1).result().mac(),
             QByteArray::fromHex("025e000000ab"));
}

// ---- drops --------------------------------------------------------------------------------------

void TestFavorites::dropOnFavoritesView_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("entries");
    const QByteArray baTwice = CResultsXml::Document({Entry("127.0.0.61", QStringLiteral("a")),
                                                      Entry("127.0.0.62", QStringLiteral("b")),
                                                      Entry("127.0.0.61", QStringLiteral("c"))})
                                   .toUtf8();
    const QString sFormat = VResultsBackend::MimeFormat();
    QTest::newRow("rows format is taken, listed address replaced")
        << sFormat << CResultsXml::Document({Entry("127.0.0.60", QStringLiteral("new"))}).toUtf8()
        << true << QStringList{QStringLiteral("127.0.0.60=new")};
    QTest::newRow("same address twice in a payload is added once")
        << sFormat << baTwice << true
        << QStringList{QStringLiteral("127.0.0.60=listed"),
                       QStringLiteral("127.0.0.61=a"),
                       QStringLiteral("127.0.0.62=b")};
    QTest::newRow("the same rows as plain text are refused")
        << QStringLiteral("text/plain") << baTwice << false
        << QStringList{QStringLiteral("127.0.0.60=listed")};
    QTest::newRow("malformed rows add nothing")
        << sFormat << QByteArrayLiteral("<vistrel><row ip=\"127.0.0.63\"") << true
        << QStringList{QStringLiteral("127.0.0.60=listed")};
}

void TestFavorites::dropOnFavoritesView()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, payload);
    QFETCH(bool, accepted);
    QFETCH(QStringList, entries);
    QVERIFY(WriteFavoritesFile({Entry("127.0.0.60", QStringLiteral("listed"))}));
    Start();
    Tabs()->setCurrentIndex(1);
    QMimeData oData;
    oData.setData(format, payload);
    QWidget *pViewport = FavoritesView()->viewport();
    const QPoint oPos = pViewport->rect().center();
    QDragEnterEvent oEnter(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
    oEnter.setAccepted(false);
    QApplication::sendEvent(pViewport, &oEnter);
    QCOMPARE(oEnter.isAccepted(), accepted);
    QDropEvent oDrop(oPos, Qt::CopyAction, &oData, Qt::LeftButton, {});
    oDrop.setAccepted(false);
    QApplication::sendEvent(pViewport, &oDrop);
    QCOMPARE(oDrop.isAccepted(), accepted);
    QCOMPARE(ModelEntries(), entries);
    QCOMPARE(Tabs()->currentIndex(), 1);
}

void TestFavorites::dragPayloadOfScanRowsFillsFavorites()
{
    QVERIFY(WriteFavoritesFile({Entry("127.0.0.82", QStringLiteral("listed"))}));
    Start();
    ScanResults({Result("127.0.0.81", EHostStatus::Alive, 0, 0, Mac(0x81)),
                 Result("127.0.0.82", EHostStatus::Alive, 0, 0, Mac(0x82)),
                 Result("127.0.0.83", EHostStatus::Dead, 0, 0, Mac(0x83)),
                 Result("127.0.0.84", EHostStatus::Alive, 0, 0, Mac(0x84))});
    QCOMPARE(ScanView()->model()->rowCount(), 4);
    SelectRows(ScanView(), {0, 1, 2});
    // What a drag of the rows carries: the model's data of the selected host rows.
    QModelIndexList lSelected;
    for (const int nRow : ScanView()->SelectedHostRows())
        lSelected << ScanView()->model()->index(nRow, 0);
    std::unique_ptr<QMimeData> pData(ScanView()->model()->mimeData(lSelected));
    QVERIFY(pData);
    QVERIFY(pData->hasFormat(VResultsBackend::MimeFormat()));
    QList<CScanItem> lCarried;
    QVERIFY(
        CFavoritesContentHandler::ReadItems(pData->data(VResultsBackend::MimeFormat()), &lCarried));
    QCOMPARE(lCarried.size(), 3);
    // The text entry is the CSV report of the same rows, for other programs.
    const QString sCsv = pData->text();
    QVERIFY2(!sCsv.isEmpty(), "no CSV in the drag payload (xml_to_csv.xsl beside the test?)");
    for (const CScanItem &oItem : qAsConst(lCarried))
        QVERIFY(sCsv.contains(oItem.result().IpText()));
    QVERIFY(!sCsv.contains(QStringLiteral("127.0.0.84")));

    QTabWidget *pTabs = Tabs();
    const QPoint oPos = pTabs->tabBar()->mapTo(pTabs, pTabs->tabBar()->tabRect(1).center());
    QDragEnterEvent oEnter(oPos, Qt::CopyAction, pData.get(), Qt::LeftButton, {});
    QApplication::sendEvent(pTabs, &oEnter);
    QVERIFY(oEnter.isAccepted());
    QCOMPARE(pTabs->currentIndex(), 1);
    QDropEvent oDrop(oPos, Qt::CopyAction, pData.get(), Qt::LeftButton, {});
    QApplication::sendEvent(pTabs, &oDrop);
    QVERIFY(oDrop.isAccepted());
    // The listed host is replaced by the scan's row, comment and all.
    QCOMPARE(ModelEntries(),
             (QStringList{QStringLiteral("127.0.0.81="),
                          QStringLiteral("127.0.0.82="),
                          QStringLiteral("127.0.0.83=")}));
}

void TestFavorites::importAddsToFavorites_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("results file adds its hosts, a listed one keeps its comment")
        << CResultsXml::Document({Entry("127.0.0.91", QStringLiteral("imported")),
                                  Entry("127.0.0.90", QStringLiteral("from the file"))})
               .toUtf8()
        << QString()
        << QStringList{QStringLiteral("127.0.0.90=listed"), QStringLiteral("127.0.0.91=imported")};
    QTest::newRow("a listed host without a MAC in the file keeps its comment and MAC")
        << CResultsXml::Document({CScanItem(Result("127.0.0.90", EHostStatus::Dead, 0, 0))})
               .toUtf8()
        << QString() << QStringList{QStringLiteral("127.0.0.90=listed")};
    QTest::newRow("malformed file is an invalid format")
        << QByteArrayLiteral("<vistrel><row") << QStringLiteral("Invalid file format")
        << QStringList{QStringLiteral("127.0.0.90=listed")};
    QTest::newRow("missing file cannot be opened")
        << QByteArray() << QStringLiteral("Cannot open the file")
        << QStringList{QStringLiteral("127.0.0.90=listed")};
}

void TestFavorites::importAddsToFavorites()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    QFETCH(QStringList, entries);
    QVERIFY(WriteFavoritesFile({Entry("127.0.0.90", QStringLiteral("listed"))}));
    const QString sPath = m_oDir.filePath(QStringLiteral("import.xml"));
    QFile::remove(sPath);
    if (!contents.isEmpty()) {
        QFile oFile(sPath);
        QVERIFY(oFile.open(QIODevice::WriteOnly));
        oFile.write(contents);
    }
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(0);
    bool fImported = false;
    const TMessageBox oBox = CatchMessageBox([&]() { fImported = oWindow.ImportFavorites(sPath); });
    QCOMPARE(fImported, message.isEmpty());
    QCOMPARE(oBox.fShown, !message.isEmpty());
    QCOMPARE(oBox.sText, message);
    if (oBox.fShown)
        QCOMPARE(oBox.sTitle, QStringLiteral("Load"));
    QCOMPARE(Tabs()->currentIndex(), fImported ? 1 : 0);
    QCOMPARE(ModelEntries(), entries);
    QTRY_COMPARE_WITH_TIMEOUT(FileEntries(), entries, 3000);
    // The listed entry's MAC stays too.
    const auto *pFavorites = qobject_cast<VResultsBackend *>(FavoritesView()->model());
    for (const CScanItem &oItem : pFavorites->Items()) {
        if (oItem.result().IpText() == QLatin1String("127.0.0.90"))
            QCOMPARE(oItem.result().mac(), Mac(90));
    }
}

void TestFavorites::exportWritesFavoritesWithComments()
{
    QVERIFY(WriteFavoritesFile({Entry("127.0.0.95", QStringLiteral("with, comma")),
                                Entry("127.0.0.96", QStringLiteral("plain"))}));
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(1);
    const QString sPath = m_oDir.filePath(QStringLiteral("export.xml"));
    QCOMPARE(oWindow.SaveRowsToFile(sPath, false), QString());
    QList<CScanItem> lItems;
    QString sError;
    QVERIFY(CFavoritesContentHandler::ReadItemsFromFile(sPath, &lItems, &sError));
    QStringList lsEntries;
    for (const CScanItem &oItem : qAsConst(lItems))
        lsEntries << oItem.result().IpText() + QLatin1Char('=') + oItem.comments();
    lsEntries.sort();
    QCOMPARE(lsEntries,
             (QStringList{QStringLiteral("127.0.0.95=with, comma"),
                          QStringLiteral("127.0.0.96=plain")}));
}

// ---- copy ---------------------------------------------------------------------------------------

void TestFavorites::copyMenuEntries_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("titles");
    const QStringList lsColumns = {QStringLiteral("Status"),
                                   QStringLiteral("Name"),
                                   QStringLiteral("IP"),
                                   QStringLiteral("NetBIOS name"),
                                   QStringLiteral("NetBIOS group"),
                                   QStringLiteral("MAC address"),
                                   QStringLiteral("User")};
    QTest::newRow("scan view has no Comments entry")
        << 0 << lsColumns + QStringList{QString(), QStringLiteral("All")};
    QTest::newRow("Favorites view has a Comments entry")
        << 1
        << lsColumns + QStringList{QStringLiteral("Comments"), QString(), QStringLiteral("All")};
}

void TestFavorites::copyMenuEntries()
{
    QFETCH(int, tab);
    QFETCH(QStringList, titles);
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(tab);
    QMenu oMenu;
    oWindow.HostActions().AddCopyMenu(&oMenu);
    oWindow.HostActions().AddCopyMenu(&oMenu);
    // One mapper however often the menu is built.
    QCOMPARE(oWindow.findChildren<QSignalMapper *>(CCopyMenu::MapperName()).size(), 1);
    QCOMPARE(oMenu.actions().size(), 2);
    QMenu *pCopy = oMenu.actions().first()->menu();
    QVERIFY(pCopy);
    QCOMPARE(pCopy->title(), QStringLiteral("Copy"));
    QStringList lsTitles;
    for (const QAction *pAction : pCopy->actions())
        lsTitles << (pAction->isSeparator() ? QString() : pAction->text());
    QCOMPARE(lsTitles, titles);
}

void TestFavorites::copyTexts_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    const QString sIp = QStringLiteral("127.0.0.50");
    QTest::newRow("All on a scan row ends with a TAB")
        << 0 << sIp << QStringLiteral("All")
        << QStringLiteral("Alive\tnas\t127.0.0.50\tNAS\tWORKGROUP\t02:5E:00:00:00:50\tadmin\t");
    QTest::newRow("IP alone has no TAB") << 0 << sIp << QStringLiteral("IP") << sIp;
    QTest::newRow("MAC of a host without one is empty, as the tree shows it")
        << 0 << QStringLiteral("127.0.0.51") << QStringLiteral("MAC address") << QString();
    QTest::newRow("status of a dead host")
        << 0 << QStringLiteral("127.0.0.51") << QStringLiteral("Status") << QStringLiteral("Dead");
    QTest::newRow("All on a Favorites row ends with the comment")
        << 1 << sIp << QStringLiteral("All")
        << QStringLiteral(
               "Alive\tnas\t127.0.0.50\tNAS\tWORKGROUP\t02:5E:00:00:00:50\tadmin\track 2");
    QTest::newRow("Comments of a Favorites row")
        << 1 << sIp << QStringLiteral("Comments") << QStringLiteral("rack 2");
    QTest::newRow("empty field copies an empty text")
        << 1 << QStringLiteral("127.0.0.51") << QStringLiteral("User") << QString();
}

void TestFavorites::copyTexts()
{
    QFETCH(int, tab);
    QFETCH(QString, ip);
    QFETCH(QString, entry);
    QFETCH(QString, text);
    CScanResult oNas = Result("127.0.0.50", EHostStatus::Alive, 0, 0, Mac(0x50));
    oNas.set_name(QStringLiteral("nas"));
    oNas.set_netbiosname(QStringLiteral("NAS"));
    oNas.set_netbiosgroup(QStringLiteral("WORKGROUP"));
    oNas.set_user(QStringLiteral("admin"));
    const CScanResult oSilent =
        Result("127.0.0.51", EHostStatus::Dead, 0, 0, QByteArray(6, '\xFF'));
    QVERIFY(WriteFavoritesFile(
        {CScanItem(oNas, QStringLiteral("rack 2")), CScanItem(oSilent, QStringLiteral("old"))}));
    v_main &oWindow = Start();
    ScanResults({oNas, oSilent});
    Tabs()->setCurrentIndex(tab);
    CMouseRightClickTableView *pView = tab == 0 ? ScanView() : FavoritesView();
    int nRow = -1;
    for (int i = 0; i < pView->model()->rowCount(); ++i) {
        if (pView->model()->index(i, 2).data().toString() == ip)
            nRow = i;
    }
    QVERIFY(nRow >= 0);
    SelectRows(pView, {nRow});

    QMenu oMenu;
    oWindow.HostActions().AddCopyMenu(&oMenu);
    QAction *pEntry = nullptr;
    for (QAction *pAction : oMenu.actions().first()->menu()->actions()) {
        if (pAction->text() == entry)
            pEntry = pAction;
    }
    QVERIFY(pEntry);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    pEntry->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    QCOMPARE(QGuiApplication::clipboard()->text().endsWith(QLatin1Char('\t')),
             tab == 0 && entry == QLatin1String("All"));
}

void TestFavorites::copySeveralRowsMakesATable_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("All: a header, each host and its child rows in the tree's order")
        << 0
        << QStringLiteral(
               "Status\tName\tIP\tNetBIOS name\tNetBIOS group\tMAC address\tUser\tComments\n"
               "Dead\t\t127.0.0.51\t\t\t\t\t\n"
               "Alive\tnas\t127.0.0.50\t\t\t02:5E:00:00:00:50\t\t\n"
               "\tFiles\t\t\t\t\t\t\n");
    QTest::newRow("one field: its title and one line per host")
        << 3 << QStringLiteral("IP\n127.0.0.51\n127.0.0.50\n");
    QTest::newRow("a child row shows in the field it fills")
        << 2 << QStringLiteral("Name\n\nnas\nFiles\n");
}

void TestFavorites::copySeveralRowsMakesATable()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    CScanResult oNas = Result("127.0.0.50", EHostStatus::Alive, 0, 0, Mac(0x50));
    oNas.set_name(QStringLiteral("nas"));
    oNas.set_has_http(true);
    oNas.set_http_title(QStringLiteral("Files"));
    v_main &oWindow = Start();
    ScanResults({oNas, Result("127.0.0.51", EHostStatus::Dead, 0, 0, QByteArray(6, '\xFF'))});
    Tabs()->setCurrentIndex(0);
    SelectRows(ScanView(), {0, 1});
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    oWindow.HostActions().OnCopyCellData(field);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
}

void TestFavorites::addingFromResultsIsConfirmed()
{
    v_main &oWindow = Start();
    ScanResults({Result("127.0.0.61", EHostStatus::Alive, 0, 0, Mac(0x61)),
                 Result("127.0.0.62", EHostStatus::Alive, 0, 0, Mac(0x62))});
    Tabs()->setCurrentIndex(0);
    SelectRows(ScanView(), {0, 1});
    oWindow.on_b_add_to_favorites_clicked();
    QCOMPARE(ModelEntries(),
             (QStringList{QStringLiteral("127.0.0.61="), QStringLiteral("127.0.0.62=")}));
    QCOMPARE(oWindow.statusBar()->currentMessage(),
             QStringLiteral("Added to \"Favorites\": 127.0.0.61, 127.0.0.62"));
}

void TestFavorites::copyPrefersTheContextRow()
{
    QVERIFY(WriteFavoritesFile(
        {Entry("127.0.0.71", QStringLiteral("one")), Entry("127.0.0.72", QStringLiteral("two"))}));
    v_main &oWindow = Start();
    Tabs()->setCurrentIndex(1);
    SelectRows(FavoritesView(), {0});
    const QVariant vFragment = FavoritesView()->model()->index(1, 0).data(Qt::UserRole);
    QVERIFY(vFragment.canConvert<CScanFragment>());
    oWindow.HostActions().SetContextRow(vFragment.value<CScanFragment>());
    oWindow.HostActions().OnCopyCellData(8);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("two"));
    // The context row is used once; then the selection decides again.
    oWindow.HostActions().OnCopyCellData(8);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("one"));
    // Nothing selected and no context row: the clipboard is left alone.
    FavoritesView()->selectionModel()->clear();
    oWindow.HostActions().OnCopyCellData(3);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("one"));
}

int main(int argc, char **argv)
{
    QApplication oApp(argc, argv);
    const QString sOperation = qEnvironmentVariable(kChildOperationVar);
    if (!sOperation.isEmpty())
        return RunChild(oApp, sOperation);
    TestFavorites oTest;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&oTest, argc, argv);
}

#include "tst_Favorites.moc"
