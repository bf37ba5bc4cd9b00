// SPDX-License-Identifier: GPL-3.0-or-later
// The whole shutdown path as the windowed program wires it: options dialog, results dialog with
// its pool, and the abort worker on its own thread, against a Samba server in the test's own
// loopback namespace.
#include "CMemoryPasswordStore.h"
#include "CSambaPeer.h"
#include "MRemoteShutdown.h"
#include "NamespaceGuard.h"
#include "VRemoteShutdown.h"
#include "VShutdowns.h"

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

namespace {

struct TThreadStop
{
    void operator()(QThread *i_pThread) const
    {
        i_pThread->quit();
        i_pThread->wait();
        delete i_pThread;
    }
};

} // namespace

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

private:
    QString m_sSkip;
    QTemporaryDir m_oConfigDir;
    CSambaPeer m_oPeer;
};

void TestShutdownDialogsSamba::initTestCase()
{
    QVERIFY(m_oConfigDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_oConfigDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("vistrel-test"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_ShutdownDialogsSamba"));
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

    std::unique_ptr<QThread, TThreadStop> pThread(new QThread);
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

QTEST_MAIN(TestShutdownDialogsSamba)
#include "tst_ShutdownDialogsSamba.moc"
