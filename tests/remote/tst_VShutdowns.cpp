// SPDX-License-Identifier: GPL-3.0-or-later
// Batches of the results dialog, with the operating system's shutdown calls replaced by a
// recorder that can hold calls until the test lets them go.
#include "CFakeRemoteShutdownApi.h"
#include "VShutdowns.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace {

const QColor kSucceeded(100, 149, 237);
const QColor kFailed(255, 128, 0);

QStringList Names(const QString &i_sPrefix, int i_nCount)
{
    QStringList lsNames;
    for (int i = 0; i < i_nCount; ++i)
        lsNames << i_sPrefix + QString::number(i);
    return lsNames;
}

QStringList Addresses(int i_nFirst, int i_nCount)
{
    QStringList lsAddresses;
    for (int i = 0; i < i_nCount; ++i)
        lsAddresses << QStringLiteral("10.9.0.%1").arg(i_nFirst + i);
    return lsAddresses;
}

} // namespace

class TestVShutdowns : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsShowEachOutcome();
    void emptySelectionDoesNothing();
    void olderBatchChangesNothing();
    void sixteenMachinesAtOnce();
    void cancelHidesWhileQueriesRunOn();

private:
    QTableWidget *Table() const
    {
        return m_pDialog->findChild<QTableWidget *>(QStringLiteral("lbxMachines"));
    }
    QString Cell(int i_nRow, int i_nColumn) const
    {
        const QTableWidgetItem *pItem = Table()->item(i_nRow, i_nColumn);
        return pItem ? pItem->text() : QStringLiteral("<none>");
    }
    // Waits until the pool is idle and every queued outcome has reached the dialog.
    void Settle()
    {
        QVERIFY(const_cast<QThreadPool &>(m_pDialog->Pool()).waitForDone(10000));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    std::shared_ptr<CFakeShutdownState> m_pState;
    std::unique_ptr<VShutdowns> m_pDialog;
};

void TestVShutdowns::init()
{
    m_pState = InstallFakeShutdownApi();
    m_pDialog = std::make_unique<VShutdowns>();
}

void TestVShutdowns::cleanup()
{
    m_pState->ReleaseAll();
    m_pDialog.reset();
    IRemoteShutdownApi::SetFactory({});
}

void TestVShutdowns::rowsShowEachOutcome()
{
    m_pState->mResults.insert(QStringLiteral("Shutdown 10.9.0.2"), 5);
    m_pState->Hold({QStringLiteral("good"), QStringLiteral("bad")});
    auto pParams = CShutdownQuery::TParamsPtr::create();
    m_pDialog->StartShutdown(
        pParams, {QStringLiteral("good"), QStringLiteral("bad")}, Addresses(1, 2));
    QVERIFY(m_pDialog->isVisible());
    QVERIFY(m_pDialog->isModal());
    QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Shutdown results"));
    QVERIFY(!(m_pDialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(m_pDialog->Batch(), 1);
    QCOMPARE(pParams->value(CShutdownQuery::ParamBatch).toInt(), 1);
    QCOMPARE(Table()->columnCount(), 3);
    QCOMPARE(Table()->rowCount(), 2);
    QCOMPARE(Cell(0, 0), QStringLiteral("good"));
    QCOMPARE(Cell(0, 1), QStringLiteral("Processing..."));
    QCOMPARE(Cell(1, 1), QStringLiteral("Processing..."));
    QCOMPARE(Cell(1, 2), QStringLiteral("10.9.0.2"));

    m_pState->ReleaseAll();
    QTRY_COMPARE(Cell(0, 1), QStringLiteral("Succeeded"));
    QTRY_COMPARE(Cell(1, 1), QStringLiteral("Failed"));
    QCOMPARE(Table()->item(0, 0)->background().color(), kSucceeded);
    QCOMPARE(Table()->item(0, 1)->background().color(), kSucceeded);
    QCOMPARE(Table()->item(1, 0)->background().color(), kFailed);
    QCOMPARE(Table()->item(1, 1)->background().color(), kFailed);
    QCOMPARE(Table()->item(1, 2)->background().style(), Qt::NoBrush);
}

void TestVShutdowns::emptySelectionDoesNothing()
{
    m_pDialog->StartShutdown(CShutdownQuery::TParamsPtr::create(), {}, {});
    QCOMPARE(m_pDialog->Batch(), 0);
    QVERIFY(!m_pDialog->isVisible());
    QVERIFY(m_pState->Calls().isEmpty());
}

void TestVShutdowns::olderBatchChangesNothing()
{
    // The first batch fails everywhere but is held until the second has finished.
    for (int i = 0; i < 3; ++i)
        m_pState->mResults.insert(QStringLiteral("Shutdown 10.9.0.%1").arg(i + 1), 53);
    m_pState->Hold(Names(QStringLiteral("old"), 3));
    auto pFirst = CShutdownQuery::TParamsPtr::create();
    m_pDialog->StartShutdown(pFirst, Names(QStringLiteral("old"), 3), Addresses(1, 3));
    auto pSecond = CShutdownQuery::TParamsPtr::create();
    m_pDialog->StartShutdown(pSecond, Names(QStringLiteral("new"), 1), Addresses(50, 1));
    QCOMPARE(m_pDialog->Batch(), 2);
    QCOMPARE(pFirst->value(CShutdownQuery::ParamBatch).toInt(), 1);
    QCOMPARE(pSecond->value(CShutdownQuery::ParamBatch).toInt(), 2);
    QCOMPARE(Table()->rowCount(), 1);
    QTRY_COMPARE(Cell(0, 1), QStringLiteral("Succeeded"));

    m_pState->ReleaseAll();
    Settle();
    QCOMPARE(Table()->rowCount(), 1);
    QCOMPARE(Cell(0, 0), QStringLiteral("new0"));
    QCOMPARE(Cell(0, 1), QStringLiteral("Succeeded"));
    // The old batch did run to its failing end; its outcomes were dropped.
    for (int i = 1; i <= 3; ++i)
        QVERIFY(m_pState->Calls().contains(QStringLiteral("Shutdown 10.9.0.%1").arg(i)));
}

void TestVShutdowns::sixteenMachinesAtOnce()
{
    QCOMPARE(m_pDialog->Pool().maxThreadCount(), 16);
    const QStringList lsNames = Names(QStringLiteral("m"), 20);
    m_pState->Hold(lsNames);
    m_pDialog->StartShutdown(CShutdownQuery::TParamsPtr::create(), lsNames, Addresses(1, 20));
    QTRY_COMPARE(m_pState->Running(), 16);
    // Give the pool a chance to start a seventeenth query, which it must not.
    QTest::qWait(100);
    QCOMPARE(m_pState->Running(), 16);
    QCOMPARE(m_pState->Calls().size(), 16);
    m_pState->ReleaseAll();
    Settle();
    QCOMPARE(m_pState->nMaxRunning, 16);
    for (int nRow = 0; nRow < 20; ++nRow)
        QCOMPARE(Cell(nRow, 1), QStringLiteral("Succeeded"));
}

void TestVShutdowns::cancelHidesWhileQueriesRunOn()
{
    m_pState->Hold({QStringLiteral("pc")});
    m_pDialog->StartShutdown(
        CShutdownQuery::TParamsPtr::create(), {QStringLiteral("pc")}, Addresses(7, 1));
    QTest::mouseClick(m_pDialog->findChild<QPushButton *>(QStringLiteral("b_cancel")),
                      Qt::LeftButton);
    QVERIFY(!m_pDialog->isVisible());
    m_pState->ReleaseAll();
    QTRY_COMPARE(Cell(0, 1), QStringLiteral("Succeeded"));
}

QTEST_MAIN(TestVShutdowns)
#include "tst_VShutdowns.moc"
