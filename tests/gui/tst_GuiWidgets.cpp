// SPDX-License-Identifier: GPL-3.0-or-later
// The building blocks of the main window on their own: key filter, header, tab widgets, the
// results view's selection record, column states and the range box text rules.
#include "../helpers/TestSettings.h"
#include "CCfg.h"
#include "CColumnStates.h"
#include "CDialogGeometry.h"
#include "CDragDropTabWidget.h"
#include "CKeyReleaseEmitFilter.h"
#include "CMenuHeaderView.h"
#include "CMouseRightClickTableView.h"
#include "CRangeBoxText.h"
#include "CResultImages.h"
#include "CTabWidgetWoTabs.h"
#include "GuiTestSupport.h"
#include "VResultsBackend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QHostAddress>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::vector<CLocalSubnets::TAddressMask>)

namespace {

quint32 Ip(const char *i_pText)
{
    return QHostAddress(QLatin1String(i_pText)).toIPv4Address();
}

QStandardItemModel *MakeTree(QObject *i_pParent, int i_nRows)
{
    auto *pModel = new QStandardItemModel(0, 3, i_pParent);
    for (int nRow = 0; nRow < i_nRows; ++nRow) {
        QList<QStandardItem *> lRow;
        for (int nColumn = 0; nColumn < 3; ++nColumn)
            lRow << new QStandardItem(QStringLiteral("r%1c%2").arg(nRow).arg(nColumn));
        lRow.first()->appendRow({new QStandardItem(QStringLiteral("child of %1").arg(nRow)),
                                 new QStandardItem(),
                                 new QStandardItem()});
        pModel->appendRow(lRow);
    }
    return pModel;
}

// Selected host rows as merged ranges, "2-4,7-7".
QString RangesText(const QVector<int> &i_vRows)
{
    QStringList ls;
    for (int i = 0; i < i_vRows.size();) {
        int j = i;
        while (j + 1 < i_vRows.size() && i_vRows.at(j + 1) == i_vRows.at(j) + 1)
            ++j;
        ls << QStringLiteral("%1-%2").arg(i_vRows.at(i)).arg(i_vRows.at(j));
        i = j + 1;
    }
    return ls.join(QLatin1Char(','));
}

} // namespace

class TestGuiWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void keyFilter_actsOnlyInBoundActiveWindow();
    void keyFilter_unhandledKeyReachesWidget();
    void keyFilter_withoutWindowActsEverywhere();

    void headerReportsRightButtonOnly();
    void dragDropTabWidgetPageFlags();
    void dragDropTabWidgetLocksTabBar();
    void tabWidgetWithoutTabsHidesBar();

    void viewSelection_data();
    void viewSelection();
    void resultImages();
    void viewChildClickSelectsHost();
    void viewRightClickSignal();
    void viewDropNeedsRowFormat();

    void dialogGeometryKept_data();
    void dialogGeometryKept();
    void dialogGeometryOffScreen();

    void columnStatesRead_data();
    void columnStatesRead();
    void columnStatesRoundTrip();
    void columnStatesApplyHidesDisabledProbes();

    void fileReference_data();
    void fileReference();
    void classC_data();
    void classC();
    void subnetsText_data();
    void subnetsText();

private:
    QTemporaryDir m_oDir;
};

void TestGuiWidgets::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    QStandardPaths::setTestModeEnabled(true);
    SettingsIn(m_oDir.path(), QStringLiteral("tst_GuiWidgets"));
}

// ---- key filter ---------------------------------------------------------------------------------

void TestGuiWidgets::keyFilter_actsOnlyInBoundActiveWindow()
{
    QWidget oMain;
    QWidget oOther;
    auto *pEdit = new QLineEdit(&oMain);
    auto *pOtherEdit = new QLineEdit(&oOther);
    CKeyReleaseEmitFilter oFilter(Qt::Key_Escape, qApp, &oMain);
    qApp->installEventFilter(&oFilter);
    int nReleased = 0;
    oFilter.SetHandler([&nReleased]() {
        ++nReleased;
        return false;
    });

    oMain.show();
    oOther.show();
    QVERIFY(GuiTest::Activate(&oMain));
    QTest::keyClick(pEdit, Qt::Key_Escape);
    QCOMPARE(nReleased, 1);

    QVERIFY(GuiTest::Activate(&oOther));
    QTest::keyClick(pOtherEdit, Qt::Key_Escape);
    QCOMPARE(nReleased, 1);

    // Pressed in the other window, released after the main window became active: nothing.
    QTest::keyPress(pOtherEdit, Qt::Key_Escape);
    QVERIFY(GuiTest::Activate(&oMain));
    QTest::keyRelease(pEdit, Qt::Key_Escape);
    QCOMPARE(nReleased, 1);

    // Another key between press and release disarms.
    QTest::keyPress(pEdit, Qt::Key_Escape);
    QTest::keyPress(pEdit, Qt::Key_A);
    QTest::keyRelease(pEdit, Qt::Key_Escape);
    QCOMPARE(nReleased, 1);
    qApp->removeEventFilter(&oFilter);
}

void TestGuiWidgets::keyFilter_unhandledKeyReachesWidget()
{
    QWidget oMain;
    auto *pEdit = new QLineEdit(&oMain);
    CKeyReleaseEmitFilter oFilter(Qt::Key_X, qApp, &oMain);
    qApp->installEventFilter(&oFilter);
    bool fHandle = false;
    int nCalls = 0;
    oFilter.SetHandler([&]() {
        ++nCalls;
        return fHandle;
    });
    oMain.show();
    QVERIFY(GuiTest::Activate(&oMain));
    pEdit->setFocus();

    // Whether handled or not, one press and release gives one call, even though an unhandled
    // release travels on through the widget's parents.
    QTest::keyClick(pEdit, Qt::Key_X);
    QCOMPARE(nCalls, 1);
    QCOMPARE(pEdit->text(), QStringLiteral("x"));

    fHandle = true;
    QTest::keyPress(pEdit, Qt::Key_X);
    QTest::keyRelease(pEdit, Qt::Key_X);
    QCOMPARE(nCalls, 2);
    qApp->removeEventFilter(&oFilter);
}

void TestGuiWidgets::keyFilter_withoutWindowActsEverywhere()
{
    QWidget oMain;
    QWidget oOther;
    CKeyReleaseEmitFilter oFilter(Qt::Key_F1, qApp, nullptr);
    qApp->installEventFilter(&oFilter);
    int nReleased = 0;
    oFilter.SetHandler([&nReleased]() {
        ++nReleased;
        return false;
    });
    oMain.show();
    oOther.show();
    QVERIFY(GuiTest::Activate(&oOther));
    QTest::keyClick(&oOther, Qt::Key_F1);
    QVERIFY(GuiTest::Activate(&oMain));
    QTest::keyClick(&oMain, Qt::Key_F1);
    QCOMPARE(nReleased, 2);
    qApp->removeEventFilter(&oFilter);
}

// ---- header and tab widgets -------------------------------------------------------------------

void TestGuiWidgets::headerReportsRightButtonOnly()
{
    QTreeView oView;
    auto *pHeader = new CMenuHeaderView(Qt::Horizontal, &oView);
    oView.setHeader(pHeader);
    oView.setModel(MakeTree(&oView, 2));
    oView.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oView));
    int nPressed = 0;
    connect(pHeader, &CMenuHeaderView::RightButtonPressed, this, [&nPressed](const QMouseEvent *) {
        ++nPressed;
    });
    const QPoint oPos(pHeader->sectionViewportPosition(1) + 5, pHeader->height() / 2);
    QTest::mousePress(pHeader->viewport(), Qt::LeftButton, {}, oPos);
    QTest::mouseRelease(pHeader->viewport(), Qt::LeftButton, {}, oPos);
    QCOMPARE(nPressed, 0);
    QTest::mousePress(pHeader->viewport(), Qt::RightButton, {}, oPos);
    QCOMPARE(nPressed, 1);
}

void TestGuiWidgets::dragDropTabWidgetPageFlags()
{
    CDragDropTabWidget oTabs;
    QVERIFY(!oTabs.PageAcceptsDrops(0));
    QVERIFY(!oTabs.PageAcceptsDrops(-1));
    oTabs.SetPageAcceptsDrops(-3, true);
    QVERIFY(!oTabs.PageAcceptsDrops(-3));
    oTabs.SetPageAcceptsDrops(2, true);
    QVERIFY(!oTabs.PageAcceptsDrops(0));
    QVERIFY(!oTabs.PageAcceptsDrops(1));
    QVERIFY(oTabs.PageAcceptsDrops(2));
    QVERIFY(!oTabs.PageAcceptsDrops(3));
    oTabs.SetPageAcceptsDrops(2, false);
    QVERIFY(!oTabs.PageAcceptsDrops(2));
}

void TestGuiWidgets::dragDropTabWidgetLocksTabBar()
{
    CDragDropTabWidget oTabs;
    oTabs.addTab(new QWidget, QStringLiteral("a"));
    oTabs.addTab(new QWidget, QStringLiteral("b"));
    oTabs.setAcceptDrops(true);
    QVERIFY(oTabs.SwitchOnHover());
    oTabs.SetDragAndDropEnabled(false);
    QVERIFY(!oTabs.tabBar()->isEnabled());
    QVERIFY(!oTabs.acceptDrops());
    QVERIFY(!oTabs.SwitchOnHover());
    oTabs.SetDragAndDropEnabled(true);
    QVERIFY(oTabs.tabBar()->isEnabled());
    QVERIFY(oTabs.acceptDrops());
    QVERIFY(oTabs.SwitchOnHover());
}

void TestGuiWidgets::tabWidgetWithoutTabsHidesBar()
{
    CTabWidgetWoTabs oTabs;
    oTabs.addTab(new QWidget, QStringLiteral("a"));
    oTabs.addTab(new QWidget, QStringLiteral("b"));
    oTabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oTabs));
    QVERIFY(!oTabs.tabBar()->isVisible());
    oTabs.setCurrentIndex(1);
    QCOMPARE(oTabs.currentIndex(), 1);
}

// ---- results view -------------------------------------------------------------------------------

void TestGuiWidgets::viewSelection_data()
{
    QTest::addColumn<QList<int>>("selectRows");
    QTest::addColumn<QList<int>>("deselectRows");
    QTest::addColumn<QString>("ranges");
    QTest::newRow("rows 5, 3, 4 merge into 3-5")
        << QList<int>{5, 3, 4} << QList<int>{} << QStringLiteral("3-5");
    QTest::newRow("gap stays a gap")
        << QList<int>{1, 3} << QList<int>{} << QStringLiteral("1-1,3-3");
    QTest::newRow("deselecting the middle splits")
        << QList<int>{2, 3, 4, 5, 6} << QList<int>{4} << QStringLiteral("2-3,5-6");
    QTest::newRow("deselecting an end shortens")
        << QList<int>{2, 3, 4} << QList<int>{2} << QStringLiteral("3-4");
    QTest::newRow("deselecting everything empties") << QList<int>{7} << QList<int>{7} << QString();
}

void TestGuiWidgets::viewSelection()
{
    QFETCH(QList<int>, selectRows);
    QFETCH(QList<int>, deselectRows);
    QFETCH(QString, ranges);
    CMouseRightClickTableView oView;
    oView.setModel(MakeTree(&oView, 10));
    QItemSelectionModel *pSelection = oView.selectionModel();
    for (int nRow : selectRows)
        pSelection->select(oView.model()->index(nRow, 0),
                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (int nRow : deselectRows)
        pSelection->select(oView.model()->index(nRow, 0),
                           QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(RangesText(oView.SelectedHostRows()), ranges);
}

void TestGuiWidgets::resultImages()
{
    CResultImages::Install();
    for (int i = 0; i < 8; ++i) {
        const QVariant oImage = VResultsBackend::Image(i);
        QVERIFY2(oImage.canConvert<QImage>() && !oImage.value<QImage>().isNull(),
                 qPrintable(QString::number(i)));
    }
    QVERIFY(!VResultsBackend::Image(8).isValid());
}

void TestGuiWidgets::viewChildClickSelectsHost()
{
    CMouseRightClickTableView oView;
    oView.setSelectionMode(QAbstractItemView::ExtendedSelection);
    oView.setModel(MakeTree(&oView, 4));
    oView.resize(400, 300);
    oView.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oView));
    oView.expandAll();
    const QModelIndex oChild = oView.model()->index(0, 0, oView.model()->index(2, 0));
    const QRect oRect = oView.visualRect(oChild);
    QVERIFY(oRect.isValid());
    QTest::mouseClick(oView.viewport(), Qt::LeftButton, {}, oRect.center());
    QVERIFY(oView.selectionModel()->isRowSelected(2, QModelIndex()));
    QCOMPARE(RangesText(oView.SelectedHostRows()), QStringLiteral("2-2"));
}

void TestGuiWidgets::viewRightClickSignal()
{
    CMouseRightClickTableView oView;
    oView.setModel(MakeTree(&oView, 4));
    oView.resize(400, 300);
    oView.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oView));
    int nRight = 0;
    connect(&oView,
            &CMouseRightClickTableView::RightButtonPressed,
            this,
            [&nRight](const QMouseEvent *) { ++nRight; });
    QSignalSpy oDouble(&oView, &CMouseRightClickTableView::IndexDblClicked);
    const QRect oRect = oView.visualRect(oView.model()->index(1, 1));
    QTest::mouseClick(oView.viewport(), Qt::LeftButton, {}, oRect.center());
    QCOMPARE(nRight, 0);
    QTest::mousePress(oView.viewport(), Qt::RightButton, {}, oRect.center());
    QCOMPARE(nRight, 1);
    QTest::mouseDClick(oView.viewport(), Qt::LeftButton, {}, oRect.center());
    QCOMPARE(oDouble.count(), 1);
    QCOMPARE(oDouble.at(0).at(0).value<QModelIndex>().row(), 1);
}

void TestGuiWidgets::viewDropNeedsRowFormat()
{
    CMouseRightClickTableView oView;
    oView.SetDragDropMode(QAbstractItemView::DropOnly);
    QCOMPARE(oView.StoredDragDropMode(), QAbstractItemView::DropOnly);
    QSignalSpy oPaste(&oView, &CMouseRightClickTableView::PasteData);

    QMimeData oText;
    oText.setText(QStringLiteral("<hosts/>"));
    QDropEvent oTextDrop(QPointF(5, 5), Qt::CopyAction, &oText, Qt::LeftButton, {});
    bool fProcessed = false;
    oView.OnDropEvent(&oTextDrop, fProcessed);
    QVERIFY(!fProcessed);
    QCOMPARE(oPaste.count(), 0);
    QVERIFY(!oTextDrop.isAccepted());

    QMimeData oRows;
    oRows.setData(VResultsBackend::MimeFormat(), QByteArrayLiteral("<x/>"));
    QDropEvent oRowDrop(QPointF(5, 5), Qt::CopyAction, &oRows, Qt::LeftButton, {});
    fProcessed = true;
    oView.OnDropEvent(&oRowDrop, fProcessed);
    QCOMPARE(oPaste.count(), 0); // somebody else already took it
    fProcessed = false;
    oView.OnDropEvent(&oRowDrop, fProcessed);
    QVERIFY(fProcessed);
    QCOMPARE(oPaste.count(), 1);
    QCOMPARE(oPaste.at(0).at(0).toByteArray(), QByteArrayLiteral("<x/>"));
}

// ---- dialog geometry
// -----------------------------------------------------------------------------

enum class EDialogEnd
{
    Escape,
    CloseButton,
    Accept,
    Hide
};
Q_DECLARE_METATYPE(EDialogEnd)

void TestGuiWidgets::dialogGeometryKept_data()
{
    QTest::addColumn<EDialogEnd>("end");
    QTest::newRow("Escape") << EDialogEnd::Escape;
    QTest::newRow("title bar's close button") << EDialogEnd::CloseButton;
    QTest::newRow("OK") << EDialogEnd::Accept;
    QTest::newRow("hidden by the program") << EDialogEnd::Hide;
}

void TestGuiWidgets::dialogGeometryKept()
{
    QFETCH(EDialogEnd, end);
    QCoreApplication::setApplicationName(
        QStringLiteral("dialogGeometryKept-%1").arg(QTest::currentDataTag()));
    CCfg oCfg;
    QDialog oDialog;
    CDialogGeometry oGeometry(&oDialog, oCfg, QStringLiteral("State/Test/Rect"));
    oDialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oDialog));
    const QRect oRect(40, 50, 300, 200);
    oDialog.setGeometry(oRect);
    switch (end) {
    case EDialogEnd::Escape:
        QTest::keyClick(&oDialog, Qt::Key_Escape);
        break;
    case EDialogEnd::CloseButton:
        oDialog.close();
        break;
    case EDialogEnd::Accept:
        oDialog.accept();
        break;
    case EDialogEnd::Hide:
        oDialog.hide();
        break;
    }
    QVERIFY(!oDialog.isVisible());
    QCOMPARE(CCfg().Value(QStringLiteral("State/Test/Rect")).toRect(), oRect);

    oDialog.setGeometry(QRect(0, 0, 150, 100));
    oDialog.show();
    QCOMPARE(oDialog.geometry(), oRect);
}

// A place stored while another monitor was attached: the size comes back, the place does not.
void TestGuiWidgets::dialogGeometryOffScreen()
{
    QCoreApplication::setApplicationName(QStringLiteral("dialogGeometryOffScreen"));
    CCfg oCfg;
    oCfg.SetValue(QStringLiteral("State/Test/Rect"), QRect(5000, 4000, 310, 210));
    QDialog oDialog;
    CDialogGeometry oGeometry(&oDialog, oCfg, QStringLiteral("State/Test/Rect"));
    oDialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oDialog));
    QCOMPARE(oDialog.size(), QSize(310, 210));
    QVERIFY(QGuiApplication::screenAt(oDialog.geometry().center()));
}

// ---- column states ------------------------------------------------------------------------------

void TestGuiWidgets::columnStatesRead_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("storedColumns");
    QTest::addColumn<bool>("expectDefaults");
    QTest::newRow("scan tab with 7 columns is read") << CColumnStates::ScanGroup() << 7 << false;
    QTest::newRow("scan tab with 8 columns falls back") << CColumnStates::ScanGroup() << 8 << true;
    QTest::newRow("scan tab with 5 columns falls back") << CColumnStates::ScanGroup() << 5 << true;
    QTest::newRow("favorites with 8 columns is read")
        << CColumnStates::FavoritesGroup() << 8 << false;
    QTest::newRow("favorites with 7 columns falls back")
        << CColumnStates::FavoritesGroup() << 7 << true;
    QTest::newRow("nothing stored gives defaults") << CColumnStates::ScanGroup() << 0 << true;
}

void TestGuiWidgets::columnStatesRead()
{
    QFETCH(QString, group);
    QFETCH(int, storedColumns);
    QFETCH(bool, expectDefaults);
    QCoreApplication::setApplicationName(
        QStringLiteral("columnStatesRead-%1").arg(QTest::currentDataTag()));
    CCfg oCfg;
    for (int nColumn = 0; nColumn < storedColumns; ++nColumn) {
        const QString sPrefix = QStringLiteral("%1/%2/").arg(group).arg(nColumn);
        oCfg.SetValue(sPrefix + QStringLiteral("Sort"), nColumn == 2 ? 1 : 2);
        oCfg.SetValue(sPrefix + QStringLiteral("Visible"), nColumn % 2 == 1);
        oCfg.SetValue(sPrefix + QStringLiteral("Width"), 50 + nColumn);
    }
    const bool fScan = group == CColumnStates::ScanGroup();
    const CColumnStateList lStates = CColumnStates::Read(oCfg, group);
    QCOMPARE(lStates.size(), fScan ? 7 : 8);
    for (const CColumnState &oState : lStates) {
        if (expectDefaults) {
            QCOMPARE(oState.sort, oState.column == 0 ? 0 : 2);
            QVERIFY(oState.visible);
            QVERIFY(!oState.width.isValid());
        } else {
            QCOMPARE(oState.sort, oState.column == 2 ? 1 : 2);
            // Column 0 is visible even though the store says otherwise.
            QCOMPARE(oState.visible, oState.column == 0 || oState.column % 2 == 1);
            QCOMPARE(oState.width.toInt(), 50 + oState.column);
        }
    }
}

void TestGuiWidgets::columnStatesRoundTrip()
{
    QCoreApplication::setApplicationName(QStringLiteral("columnStatesRoundTrip"));
    CCfg oCfg;
    oCfg.set_scan_netbios(true);
    oCfg.set_scan_username(true);
    QTreeView oView;
    QStandardItemModel oModel(3, 7);
    oView.setModel(&oModel);
    oView.header()->setSortIndicatorShown(true);
    oView.header()->setSortIndicator(5, Qt::DescendingOrder);
    oView.header()->resizeSection(2, 123);
    oView.header()->hideSection(4);
    CColumnStates::Save(oCfg, CColumnStates::Collect(&oView), CColumnStates::ScanGroup());

    QTreeView oOther;
    QStandardItemModel oOtherModel(3, 7);
    oOther.setModel(&oOtherModel);
    oOther.header()->setSortIndicatorShown(true);
    const CColumnStateList lRead = CColumnStates::Read(oCfg, CColumnStates::ScanGroup());
    QCOMPARE(lRead.size(), 7);
    CColumnStates::Apply(&oOther, lRead, oCfg);
    QCOMPARE(oOther.header()->sectionSize(2), 123);
    QVERIFY(oOther.header()->isSectionHidden(4));
    QVERIFY(!oOther.header()->isSectionHidden(3));
    QCOMPARE(oOther.header()->sortIndicatorSection(), 5);
    QCOMPARE(oOther.header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

void TestGuiWidgets::columnStatesApplyHidesDisabledProbes()
{
    QCoreApplication::setApplicationName(QStringLiteral("columnStatesApplyHidesDisabledProbes"));
    CCfg oCfg;
    oCfg.set_scan_netbios(false);
    oCfg.set_scan_username(false);
    QTreeView oView;
    QStandardItemModel oModel(1, 7);
    oView.setModel(&oModel);
    CColumnStateList lStates = CColumnStates::Defaults(true);
    lStates[0].visible = false;
    CColumnStates::Apply(&oView, lStates, oCfg);
    QVERIFY(!oView.header()->isSectionHidden(0));
    QVERIFY(!oView.header()->isSectionHidden(1));
    QVERIFY(!oView.header()->isSectionHidden(2));
    QVERIFY(oView.header()->isSectionHidden(3));
    QVERIFY(oView.header()->isSectionHidden(4));
    QVERIFY(!oView.header()->isSectionHidden(5));
    QVERIFY(oView.header()->isSectionHidden(6));
}

// ---- range box text -----------------------------------------------------------------------------

void TestGuiWidgets::fileReference_data()
{
    const QString sExisting = m_oDir.filePath(QStringLiteral("ranges.txt"));
    QFile oFile(sExisting);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write("127.0.0.1\n");
    oFile.close();

    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isReference");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("usable");
    QTest::newRow("existing file") << QStringLiteral("file://") + sExisting << true << true << true;
    QTest::newRow("upper case and backslashes")
        << QStringLiteral("FILE:\\\\") + sExisting << true << true << true;
    QTest::newRow("missing file") << QStringLiteral("file://") + sExisting + QStringLiteral(".gone")
                                  << true << false << false;
    QTest::newRow("a folder is no file")
        << QStringLiteral("file://") + m_oDir.path() << true << false << false;
    QTest::newRow("prefix alone") << QStringLiteral("file://") << false << false << false;
    QTest::newRow("range text") << QStringLiteral("127.0.0.1-127.0.0.9") << false << false << true;
    QTest::newRow("cidr text") << QStringLiteral("127.0.0.0/24") << false << false << true;
    QTest::newRow("garbage") << QStringLiteral("127.0.0.x") << false << false << false;
    QTest::newRow("empty") << QString() << false << false << false;
}

void TestGuiWidgets::fileReference()
{
    QFETCH(QString, text);
    QFETCH(bool, isReference);
    QFETCH(bool, exists);
    QFETCH(bool, usable);
    QCOMPARE(CRangeBoxText::IsFileReference(text), isReference);
    QCOMPARE(CRangeBoxText::NamesExistingFile(text), exists);
    QCOMPARE(CRangeBoxText::IsUsable(text), usable);
}

void TestGuiWidgets::classC_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two parts of one network give one range")
        << QStringLiteral("10.1.2.3-10.1.9.9, 10.1.2.200")
        << QStringLiteral("10.1.2.1 - 10.1.2.254");
    QTest::newRow("two networks") << QStringLiteral("10.1.2.3,192.168.7.7")
                                  << QStringLiteral(
                                         "10.1.2.1 - 10.1.2.254,192.168.7.1 - 192.168.7.254");
    QTest::newRow("cidr entry") << QStringLiteral("172.16.5.0/24")
                                << QStringLiteral("172.16.5.1 - 172.16.5.254");
    QTest::newRow("not a range list") << QStringLiteral("hello") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestGuiWidgets::classC()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(CRangeBoxText::ClassC(text), expected);
}

void TestGuiWidgets::subnetsText_data()
{
    using TList = std::vector<CLocalSubnets::TAddressMask>;
    QTest::addColumn<TList>("subnets");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no adapter") << TList{} << QStringLiteral("127.0.0.1");
    QTest::newRow("one /24") << TList{{Ip("192.168.0.17"), Ip("255.255.255.0")}}
                             << QStringLiteral("192.168.0.1 - 192.168.0.254");
    QTest::newRow("two adapters joined by comma")
        << TList{{Ip("10.0.0.5"), Ip("255.255.255.252")}, {Ip("198.18.3.4"), Ip("255.255.240.0")}}
        << QStringLiteral("10.0.0.5 - 10.0.0.6,198.18.0.1 - 198.18.15.254");
    QTest::newRow("/31 gives its network twice")
        << TList{{Ip("10.0.0.1"), Ip("255.255.255.254")}} << QStringLiteral("10.0.0.0 - 10.0.0.0");
    QTest::newRow("/32 gives its address twice")
        << TList{{Ip("10.9.8.7"), Ip("255.255.255.255")}} << QStringLiteral("10.9.8.7 - 10.9.8.7");
    QTest::newRow("tiny mask is skipped")
        << TList{{Ip("10.0.0.1"), 0x1FF}} << QStringLiteral("127.0.0.1");
    QTest::newRow("adapter without address is skipped")
        << TList{{0, Ip("255.255.255.0")}} << QStringLiteral("127.0.0.1");
}

void TestGuiWidgets::subnetsText()
{
    QFETCH(std::vector<CLocalSubnets::TAddressMask>, subnets);
    QFETCH(QString, expected);
    QCOMPARE(CRangeBoxText::SubnetsText(subnets), expected);
}

QTEST_MAIN(TestGuiWidgets)
#include "tst_GuiWidgets.moc"
