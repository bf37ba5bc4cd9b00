// SPDX-License-Identifier: GPL-3.0-or-later
// The window and the inventory: which scans reach the store, and what the desktop is told of
// their changes. The scanner is cut off from the window, so no probe leaves: the tests play its
// results and its end themselves.
#include "CDesktopNotifier.h"
#include "CDeviceHistory.h"
#include "CGuiProgram.h"
#include "CInventoryStore.h"
#include "CMouseRightClickTableView.h"
#include "CScanInventory.h"
#include "GuiTestSupport.h"
#include "MCfg.h"
#include "MScanner.h"
#include "VResultsBackend.h"
#include "v_main.h"

#include <QAction>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

#include <memory>

namespace {

QTemporaryDir &TestDir()
{
    static QTemporaryDir s_oDir;
    return s_oDir;
}

} // namespace

// The desktop's notification service, as the test's own object on a private session bus.
class FakeNotifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList lsSummaries;
    QStringList lsBodies;

public slots:
    uint Notify(const QString &,
                uint,
                const QString &,
                const QString &i_sSummary,
                const QString &i_sBody,
                const QStringList &,
                const QVariantMap &,
                int)
    {
        lsSummaries << i_sSummary;
        lsBodies << i_sBody;
        return uint(lsSummaries.size());
    }
};

class TestWindowInventory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void scansReachTheStore();
    void historyAndForget();
    void notification_data();
    void notification();
    void noNotificationService();

private:
    // The scan tree's history cell of the host at i_sIp: column 0 first seen, 1 last seen, 2
    // change.
    QVariant HistoryCell(const char *i_pIp, int i_nColumn, int i_nRole = Qt::DisplayRole);
    // Scans one address that answers with MAC i_nMac, to its end.
    void ScanOne(const char *i_pIp, quint8 i_nMac);
    // Starts a scan of i_sRange from the window's Scan button; the scan's number.
    int StartScan(const QString &i_sRange);
    qint64 ScanCount();

    std::unique_ptr<CGuiProgram> m_pProgram;
    QProcess m_oBus;
    QString m_sBusAddress;
};

void TestWindowInventory::initTestCase()
{
    QVERIFY(TestDir().isValid());
    // A bus of the test's own, named before the program first asks for the session bus.
    m_oBus.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"),
                  QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1")});
    if (m_oBus.waitForStarted(5000) && m_oBus.waitForReadyRead(5000))
        m_sBusAddress = QString::fromUtf8(m_oBus.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_sBusAddress.toUtf8());
    GuiTest::IsolateIn(TestDir().path(), true);
    m_pProgram = std::make_unique<CGuiProgram>();
    QObject::disconnect(
        &m_pProgram->MainWindow(), &v_main::EmitScan, &m_pProgram->Scanner(), &MScanner::OnScan);
    m_pProgram->Start();
}

void TestWindowInventory::cleanupTestCase()
{
    m_pProgram.reset();
    if (m_oBus.state() != QProcess::NotRunning) {
        m_oBus.terminate();
        if (!m_oBus.waitForFinished(5000))
            m_oBus.kill();
    }
}

int TestWindowInventory::StartScan(const QString &i_sRange)
{
    v_main &rWindow = m_pProgram->MainWindow();
    auto *pRange = GuiTest::NamedChild<QComboBox>(&rWindow, "cbIpRange");
    pRange->setEditText(i_sRange);
    GuiTest::NamedChild<QPushButton>(&rWindow, "b_scan")->click();
    return rWindow.IsScanning() ? rWindow.ScanId() : -1;
}

QVariant TestWindowInventory::HistoryCell(const char *i_pIp, int i_nColumn, int i_nRole)
{
    VResultsBackend &rModel = m_pProgram->ScanModel();
    for (int nRow = 0; nRow < rModel.rowCount(); ++nRow) {
        if (rModel.index(nRow, 2).data().toString() == QLatin1String(i_pIp))
            return rModel.index(nRow, rModel.FirstHistoryColumn() + i_nColumn).data(i_nRole);
    }
    return QStringLiteral("<no row>");
}

void TestWindowInventory::ScanOne(const char *i_pIp, quint8 i_nMac)
{
    const int nId = StartScan(QLatin1String(i_pIp));
    QVERIFY(nId >= 0);
    emit m_pProgram->Scanner().EmitResult(
        GuiTest::Result(i_pIp, EHostStatus::Alive, nId, 1, GuiTest::Mac(i_nMac)));
    emit m_pProgram->Scanner().EmitScanEnd();
    QTRY_VERIFY(!m_pProgram->MainWindow().IsScanning());
}

qint64 TestWindowInventory::ScanCount()
{
    CInventoryStore *pStore = m_pProgram->Inventory().Store();
    if (!pStore)
        return -1;
    QSqlQuery oQuery(pStore->Database());
    if (!oQuery.exec(QStringLiteral("SELECT count(*) FROM scans")) || !oQuery.next())
        return -1;
    return oQuery.value(0).toLongLong();
}

void TestWindowInventory::scansReachTheStore()
{
    MScanner &rScanner = m_pProgram->Scanner();
    v_main &rWindow = m_pProgram->MainWindow();
    CScanInventory &rInventory = m_pProgram->Inventory();
    QSignalSpy oRecorded(&rInventory, &CScanInventory::Recorded);
    QSignalSpy oFailed(&rInventory, &CScanInventory::RecordFailed);

    // A finished scan, recording on by default: recorded once, the host that answered is new.
    int nId = StartScan(QStringLiteral("127.0.0.1-127.0.0.3"));
    QVERIFY(nId >= 0);
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.1", EHostStatus::Dead, nId, 3));
    emit rScanner.EmitResult(
        GuiTest::Result("127.0.0.2", EHostStatus::Alive, nId, 3, GuiTest::Mac(2)));
    // A late result of another scan counts for nothing.
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.9", EHostStatus::Alive, nId - 1, 3));
    QCOMPARE(oRecorded.count(), 0);
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.3", EHostStatus::Dead, nId, 3));
    emit rScanner.EmitScanEnd();
    QTRY_VERIFY(!rWindow.IsScanning());
    QCOMPARE(oFailed.count(), 0);
    QCOMPARE(oRecorded.count(), 1);
    const CInventoryEvents lEvents = oRecorded.at(0).at(0).value<CInventoryEvents>();
    QCOMPARE(lEvents.size(), 1);
    QCOMPARE(lEvents.at(0).sKind, QStringLiteral("new"));
    QCOMPARE(lEvents.at(0).sIp, QStringLiteral("127.0.0.2"));
    QVERIFY(rInventory.Store());
    QCOMPARE(rInventory.Store()->Location(), QStringLiteral("default"));
    QCOMPARE(ScanCount(), 1);
    // The history columns follow the tree's own, hidden until the user shows them; the vendor
    // column comes last.
    VResultsBackend &rModel = m_pProgram->ScanModel();
    QCOMPARE(rModel.FirstHistoryColumn(), VResultsBackend::kScanColumnCount);
    QCOMPARE(rModel.VendorColumn(), VResultsBackend::kScanColumnCount + 3);
    QCOMPARE(rModel.columnCount(), VResultsBackend::kScanColumnCount + 4);
    QCOMPARE(rModel.headerData(rModel.FirstHistoryColumn() + 2, Qt::Horizontal).toString(),
             QStringLiteral("Change"));
    auto *pTree = GuiTest::NamedChild<QTreeView>(&rWindow, "tvResults");
    for (int i = 0; i < VResultsBackend::kHistoryColumnCount; ++i)
        QVERIFY(pTree->header()->isSectionHidden(rModel.FirstHistoryColumn() + i));
    QCOMPARE(HistoryCell("127.0.0.2", 2).toString(), QStringLiteral("new"));
    QVERIFY(!HistoryCell("127.0.0.2", 0).toString().isEmpty());
    QCOMPARE(HistoryCell("127.0.0.2", 0), HistoryCell("127.0.0.2", 1));
    CInventoryStore::TDeviceHistory oHistory;
    QString sError;
    QVERIFY(rInventory.Store()->DeviceHistory(
        QSysInfo::machineHostName(), QStringLiteral("127.0.0.2"), QString(), &oHistory, &sError));

    // Stopped by the user before its end, though most of its hosts answered: nothing recorded,
    // and its later results do not complete it.
    nId = StartScan(QStringLiteral("127.0.0.1-127.0.0.3"));
    QVERIFY(nId >= 0);
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.1", EHostStatus::Dead, nId, 3));
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.2", EHostStatus::Alive, nId, 3));
    GuiTest::NamedChild<QPushButton>(&rWindow, "b_scan")->click();
    QVERIFY(!rWindow.IsScanning());
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.3", EHostStatus::Dead, nId, 3));
    QTest::qWait(50);
    QCOMPARE(oRecorded.count(), 1);
    QCOMPARE(ScanCount(), 1);

    // Recording turned off: a finished scan opens no store and records nothing.
    m_pProgram->Cfg().Cfg().set_record_scans(false);
    nId = StartScan(QStringLiteral("127.0.0.1"));
    QVERIFY(nId >= 0);
    QVERIFY(!rInventory.Store());
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.1", EHostStatus::Alive, nId, 1));
    emit rScanner.EmitScanEnd();
    QTRY_VERIFY(!rWindow.IsScanning());
    QCOMPARE(oRecorded.count(), 1);

    // On again, with a PostgreSQL URL nobody serves: the failure is told, nothing recorded.
    m_pProgram->Cfg().Cfg().set_record_scans(true);
    m_pProgram->Cfg().Cfg().set_inventory_store(
        QStringLiteral("postgresql://nobody@/vistrel?host=%1").arg(TestDir().path()));
    nId = StartScan(QStringLiteral("127.0.0.1"));
    QVERIFY(nId >= 0);
    QCOMPARE(oFailed.count(), 1);
    emit rScanner.EmitResult(GuiTest::Result("127.0.0.1", EHostStatus::Alive, nId, 1));
    emit rScanner.EmitScanEnd();
    QTRY_VERIFY(!rWindow.IsScanning());
    QCOMPARE(oRecorded.count(), 1);
    m_pProgram->Cfg().Cfg().set_inventory_store(QString());
}

void TestWindowInventory::historyAndForget()
{
    MScanner &rScanner = m_pProgram->Scanner();
    v_main &rWindow = m_pProgram->MainWindow();
    const int nId = StartScan(QStringLiteral("127.0.0.2"));
    QVERIFY(nId >= 0);
    const CScanResult oHost =
        GuiTest::Result("127.0.0.2", EHostStatus::Alive, nId, 1, GuiTest::Mac(2));
    emit rScanner.EmitResult(oHost);
    emit rScanner.EmitScanEnd();
    QTRY_VERIFY(!rWindow.IsScanning());
    // Seen before and unchanged: the "new" of the first scan is not shown again.
    QCOMPARE(HistoryCell("127.0.0.2", 2).toString(), QString());
    QVERIFY(!HistoryCell("127.0.0.2", 0).toString().isEmpty());

    // The host row's context menu carries both entries; History... opens the dialog.
    auto *pView = GuiTest::NamedChild<CMouseRightClickTableView>(&rWindow, "tvResults");
    QTRY_COMPARE(pView->model()->rowCount(), 1);
    const QPoint oPos = pView->visualRect(pView->model()->index(0, 0)).center();
    QStringList lsEntries;
    QTimer oPoll;
    oPoll.setInterval(10);
    connect(&oPoll, &QTimer::timeout, this, [&]() {
        auto *pMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!pMenu)
            return;
        oPoll.stop();
        QAction *pHistory = nullptr;
        for (QAction *pAction : pMenu->actions()) {
            lsEntries << pAction->objectName();
            if (pAction->objectName() == QLatin1String("act_device_history"))
                pHistory = pAction;
        }
        pMenu->close();
        if (pHistory)
            pHistory->trigger();
    });
    oPoll.start();
    QTest::mousePress(pView->viewport(), Qt::RightButton, {}, oPos);
    QTRY_VERIFY(!oPoll.isActive());
    QVERIFY2(lsEntries.contains(QStringLiteral("act_forget_device")),
             qPrintable(lsEntries.join(',')));
    QDialog *pDialog = m_pProgram->DeviceHistory().Dialog();
    QVERIFY(pDialog);
    QTRY_VERIFY(pDialog->isVisible());
    const QString sText =
        GuiTest::NamedChild<QTextBrowser>(pDialog, "device_history_text")->toPlainText();
    QVERIFY2(sText.contains(QStringLiteral("02:5E:00:00:00:02")), qPrintable(sText));
    // Known from the first test's scan: its "new" event, and the address it was seen at.
    QVERIFY2(sText.contains(QStringLiteral("\nnew")) || sText.contains(QStringLiteral("\tnew")),
             qPrintable(sText));
    QVERIFY(sText.contains(QStringLiteral("127.0.0.2")));
    pDialog->close();

    // Forgetting asks first (answered with its OK button), then the store no longer knows the
    // device.
    QString sAsked;
    QTimer oAnswer;
    oAnswer.setInterval(10);
    connect(&oAnswer, &QTimer::timeout, this, [&]() {
        auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!pBox || !pBox->button(QMessageBox::Ok))
            return;
        oAnswer.stop();
        sAsked = pBox->text();
        pBox->button(QMessageBox::Ok)->click();
    });
    oAnswer.start();
    QVERIFY(m_pProgram->DeviceHistory().Forget(oHost));
    QVERIFY2(sAsked.contains(QStringLiteral("127.0.0.2")), qPrintable(sAsked));
    CInventoryStore::TDeviceHistory oHistory;
    QString sError;
    QVERIFY(!m_pProgram->Inventory().Store()->DeviceHistory(QSysInfo::machineHostName(),
                                                            QStringLiteral("127.0.0.2"),
                                                            CDeviceHistory::MacText(oHost),
                                                            &oHistory,
                                                            &sError));
    QVERIFY(sError.isEmpty());
    m_pProgram->DeviceHistory().ShowHistory(oHost);
    QVERIFY(GuiTest::NamedChild<QTextBrowser>(pDialog, "device_history_text")
                ->toPlainText()
                .contains(QStringLiteral("not in the inventory")));
    pDialog->close();

    // Forgotten, the device is new to the next scan; another MAC at its address then shows
    // what changed in the Change column's tooltip.
    ScanOne("127.0.0.2", 2);
    QCOMPARE(HistoryCell("127.0.0.2", 2).toString(), QStringLiteral("new"));
    ScanOne("127.0.0.2", 3);
    const QString sTip = HistoryCell("127.0.0.2", 2, Qt::ToolTipRole).toString();
    QVERIFY2(sTip.contains(QStringLiteral("MAC changed: 02:5e:00:00:00:02")), qPrintable(sTip));
    QVERIFY(!HistoryCell("127.0.0.2", 2).toString().isEmpty());
}

void TestWindowInventory::notification_data()
{
    QTest::addColumn<CInventoryEvents>("events");
    QTest::addColumn<QStringList>("inBody");

    const auto Event =
        [](const char *i_pKind, const char *i_pIp, const char *i_pOld, const char *i_pNew) {
            CInventoryEvent oEvent;
            oEvent.sKind = QLatin1String(i_pKind);
            oEvent.sIp = QLatin1String(i_pIp);
            oEvent.sMac = QStringLiteral("02:5e:00:00:00:05");
            oEvent.sOld = QLatin1String(i_pOld);
            oEvent.sNew = QLatin1String(i_pNew);
            return oEvent;
        };
    QTest::newRow("a new device and a MAC change")
        << CInventoryEvents{Event("new", "198.18.0.5", "", ""),
                            Event("gone", "198.18.0.6", "", ""),
                            Event("mac-changed",
                                  "198.18.0.7",
                                  "02:5e:00:00:00:07",
                                  "02:5e:00:00:00:77")}
        << QStringList{QStringLiteral("198.18.0.5 (02:5E:00:00:00:05)"),
                       QStringLiteral("198.18.0.7"),
                       QStringLiteral("02:5E:00:00:00:77 (was 02:5E:00:00:00:07)")};
    QTest::newRow("nothing worth telling")
        << CInventoryEvents{Event("gone", "198.18.0.6", "", ""),
                            Event("back", "198.18.0.6", "", ""),
                            Event("name-changed", "198.18.0.6", "a", "b"),
                            Event("ip-changed", "198.18.0.6", "198.18.0.1", "198.18.0.6")}
        << QStringList();
    CInventoryEvents lMany;
    for (int i = 0; i < 20; ++i)
        lMany << Event("new", "198.18.0.5", "", "");
    QTest::newRow("twenty new devices")
        << lMany
        << QStringList{QStringLiteral("and %1 more").arg(20 - CDesktopNotifier::kMaxLines)};
}

void TestWindowInventory::notification()
{
    QFETCH(CInventoryEvents, events);
    QFETCH(QStringList, inBody);
    if (m_sBusAddress.isEmpty())
        QSKIP("no dbus-daemon to start a bus of the test's own");
    QDBusConnection oService =
        QDBusConnection::connectToBus(m_sBusAddress, QStringLiteral("notifications"));
    QVERIFY(oService.isConnected());
    FakeNotifications oFake;
    QVERIFY(oService.registerObject(
        QStringLiteral("/org/freedesktop/Notifications"), &oFake, QDBusConnection::ExportAllSlots));
    QVERIFY(oService.registerService(QStringLiteral("org.freedesktop.Notifications")));

    CDesktopNotifier oNotifier;
    oNotifier.OnEvents(events);
    // A later notification that is sure to come: the first has arrived by then if it was sent.
    CInventoryEvent oMarker;
    oMarker.sKind = QStringLiteral("new");
    oMarker.sIp = QStringLiteral("198.18.1.1");
    oNotifier.OnEvents({oMarker});
    const int nExpected = inBody.isEmpty() ? 1 : 2;
    QTRY_COMPARE(oFake.lsBodies.size(), nExpected);
    QTest::qWait(50);
    QCOMPARE(oFake.lsBodies.size(), nExpected);
    QCOMPARE(oFake.lsBodies.last(), QStringLiteral("New device: 198.18.1.1"));
    QVERIFY(!oFake.lsSummaries.first().isEmpty());
    if (nExpected == 2) {
        for (const QString &sPart : qAsConst(inBody))
            QVERIFY2(oFake.lsBodies.first().contains(sPart), qPrintable(oFake.lsBodies.first()));
        QVERIFY(oFake.lsBodies.first().count(QLatin1Char('\n')) <= CDesktopNotifier::kMaxLines);
    }

    oService.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    oService.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
}

void TestWindowInventory::noNotificationService()
{
    // No service on the bus: nothing is shown and the window never waits for an answer.
    CInventoryEvent oEvent;
    oEvent.sKind = QStringLiteral("new");
    oEvent.sIp = QStringLiteral("198.18.0.5");
    CDesktopNotifier oNotifier;
    QElapsedTimer oClock;
    oClock.start();
    for (int i = 0; i < 20; ++i)
        oNotifier.OnEvents({oEvent});
    QVERIFY2(oClock.elapsed() < 5000, qPrintable(QString::number(oClock.elapsed())));
}

QTEST_MAIN(TestWindowInventory)
#include "tst_WindowInventory.moc"
