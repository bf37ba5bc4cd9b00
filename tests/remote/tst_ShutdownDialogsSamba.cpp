// SPDX-License-Identifier: GPL-3.0-or-later
// The whole shutdown path as the windowed program wires it: options dialog, results dialog with
// its pool, and the abort worker on its own thread, against a Samba server in the test's own
// loopback namespace.
#include "../helpers/OwnedThread.h"
#include "../helpers/TestSettings.h"
#include "CMemoryPasswordStore.h"
#include "CNetAccountSecret.h"
#include "CSambaPeer.h"
#include "MRemoteShutdown.h"
#include "NamespaceGuard.h"
#include "VNetAccountPage.h"
#include "VRemoteShutdown.h"
#include "VShutdowns.h"
#include "v_options.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

// Stands in for the main window's end of the abort connection.
class CAbortSource : public QObject
{
    Q_OBJECT

signals:
    void EmitShutdownAbort(int i_nIp);
};

class TestShutdownDialogsSamba : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void shutdownThenAbort();
    void optionsAccountTestedAndShownInShutdownDialog_data();
    void optionsAccountTestedAndShownInShutdownDialog();

private:
    QString m_sSkip;
    QTemporaryDir m_oConfigDir;
    CSambaPeer m_oPeer;
};

void TestShutdownDialogsSamba::initTestCase()
{
    QVERIFY(m_oConfigDir.isValid());
    SettingsIn(m_oConfigDir.path(), QStringLiteral("tst_ShutdownDialogsSamba"));
    qRegisterMetaType<CShutdownQuery::TParamsPtr>("CShutdownQuery::TParamsPtr");
    if (!InOwnLoopbackNamespace(&m_sSkip) || !CSambaPeer::Available(&m_sSkip))
        return;
    QString sWhy;
    QVERIFY2(m_oPeer.Start(&sWhy), qPrintable(sWhy));
}

void TestShutdownDialogsSamba::cleanupTestCase()
{
    m_oPeer.Stop();
}

void TestShutdownDialogsSamba::shutdownThenAbort()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QVERIFY(m_oPeer.ClearLog());
    CCfg oCfg;
    CMemoryPasswordStore oStore;
    VRemoteShutdown oOptions(&oStore);
    VShutdowns oResults;
    oOptions.AssignCfg(oCfg);
    oResults.OnCfg(oCfg);

    TOwnedThread pThread(new QThread);
    pThread->setObjectName(QStringLiteral("ShutdownThread"));
    auto *pAbort = new MRemoteShutdown;
    pAbort->moveToThread(pThread.get());
    QObject::connect(pThread.get(), &QThread::finished, pAbort, &QObject::deleteLater);
    pThread->start();
    CAbortSource oSource;
    QObject::connect(
        &oSource, &CAbortSource::EmitShutdownAbort, pAbort, &MRemoteShutdown::OnShutdownAbort);
    QSignalSpy oAborted(pAbort, &MRemoteShutdown::EmitAbortDone);

    // The selection: one machine known only by its address, one by a name that resolves, and
    // one whose name leads nowhere and whose address is missing.
    QObject::connect(&oOptions,
                     &VRemoteShutdown::ShutdownSpecified,
                     &oResults,
                     [&oResults](CShutdownQuery::TParamsPtr i_pParams) {
                         oResults.StartShutdown(
                             i_pParams,
                             {QStringLiteral("no-such-machine"),
                              QStringLiteral("localhost"),
                              QStringLiteral("nowhere")},
                             {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), QString()});
                     });

    oOptions.DisplayUi();
    oOptions.findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->setChecked(true);
    oOptions.findChild<QLineEdit *>(QStringLiteral("edLogin"))->setText(QStringLiteral("root"));
    oOptions.findChild<QLineEdit *>(QStringLiteral("edPassword"))
        ->setText(QString::fromLatin1(CSambaPeer::kPassword));
    oOptions.findChild<QPlainTextEdit *>(QStringLiteral("edMessage"))
        ->setPlainText(QStringLiteral("bye all"));
    oOptions.findChild<QCheckBox *>(QStringLiteral("chkReboot"))->setChecked(true);
    QTest::mouseClick(oOptions.findChild<QPushButton *>(QStringLiteral("pbShutdown")),
                      Qt::LeftButton);

    auto *pTable = oResults.findChild<QTableWidget *>(QStringLiteral("lbxMachines"));
    QVERIFY(oResults.isVisible());
    QCOMPARE(pTable->rowCount(), 3);
    const auto Outcome = [pTable](int i_nRow) {
        const QTableWidgetItem *pItem = pTable->item(i_nRow, 1);
        return pItem ? pItem->text() : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(Outcome(0), QStringLiteral("Succeeded"), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(Outcome(1), QStringLiteral("Succeeded"), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(Outcome(2), QStringLiteral("Failed"), 60000);
    QCOMPARE(pTable->item(0, 0)->background().color(), QColor(100, 149, 237));
    QCOMPARE(pTable->item(2, 0)->background().color(), QColor(255, 128, 0));
    QCOMPARE(m_oPeer.LogLines(),
             (QStringList{QStringLiteral("0 shutdown bye_all -r"),
                          QStringLiteral("0 shutdown bye_all -r")}));

    emit oSource.EmitShutdownAbort(0x7F000001);
    QVERIFY(oAborted.wait(60000));
    QCOMPARE(oAborted.at(0).at(1).toInt(), 0);
    QCOMPARE(m_oPeer.LogLines().value(2), QStringLiteral("0 abort"));
}

void TestShutdownDialogsSamba::optionsAccountTestedAndShownInShutdownDialog_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("result");
    QTest::newRow("accepted") << QString::fromLatin1(CSambaPeer::kPassword)
                              << QStringLiteral("127.0.0.1 accepted the account.");
    QTest::newRow("refused") << QStringLiteral("wrong")
                             << QStringLiteral("127.0.0.1 refused the account: wrong user name "
                                               "or password.");
}

void TestShutdownDialogsSamba::optionsAccountTestedAndShownInShutdownDialog()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QFETCH(QString, password);
    QFETCH(QString, result);
    CCfg oCfg;
    CMemoryPasswordStore oStore;
    CNetAccountSecret oSecret(&oStore);
    v_options oOptions;
    oOptions.OnCfg(oCfg);
    oOptions.UseAccountSecret(&oSecret);
    oOptions.show();
    oOptions.findChild<QLineEdit *>(QStringLiteral("e_account_login"))
        ->setText(QStringLiteral("root"));
    oOptions.findChild<QLineEdit *>(QStringLiteral("e_account_password"))->setText(password);
    oOptions.findChild<QLineEdit *>(QStringLiteral("e_account_test_host"))
        ->setText(QStringLiteral("127.0.0.1"));
    auto *pTest = oOptions.findChild<QPushButton *>(QStringLiteral("b_account_test"));
    QSignalSpy oDone(&oOptions.AccountPage(), &VNetAccountPage::TestDone);
    pTest->click();
    QVERIFY(!pTest->isEnabled());
    QVERIFY(oDone.wait(60000));
    QCOMPARE(oOptions.AccountPage().TestResult(), result);
    QVERIFY(pTest->isEnabled());

    // Applied, the account is the one the shutdown dialog shows and sends.
    oOptions.findChild<QPushButton *>(QStringLiteral("b_ok"))->click();
    QCOMPARE(oStore.mEntries.value(CCfg::NetAccountSecretKey()), password);
    VRemoteShutdown oShutdown(&oStore);
    oShutdown.AssignCfg(oCfg);
    oShutdown.DisplayUi();
    QVERIFY(oShutdown.findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->isChecked());
    QCOMPARE(oShutdown.findChild<QLineEdit *>(QStringLiteral("edLogin"))->text(),
             QStringLiteral("root"));
    QCOMPARE(oShutdown.findChild<QLineEdit *>(QStringLiteral("edPassword"))->text(), password);
    QSignalSpy oSpecified(&oShutdown, &VRemoteShutdown::ShutdownSpecified);
    oShutdown.findChild<QPushButton *>(QStringLiteral("pbShutdown"))->click();
    QCOMPARE(oSpecified.count(), 1);
    const auto pParams = oSpecified.at(0).at(0).value<CShutdownQuery::TParamsPtr>();
    QCOMPARE(pParams->value(CShutdownQuery::ParamLogin).toString(), QStringLiteral("root"));
    QCOMPARE(pParams->value(CShutdownQuery::ParamPassword).toString(), password);
}

QTEST_MAIN(TestShutdownDialogsSamba)
#include "tst_ShutdownDialogsSamba.moc"
