// SPDX-License-Identifier: GPL-3.0-or-later
#include "../helpers/TestSettings.h"
#include "CMemoryPasswordStore.h"
#include "CNetAccountSecret.h"
#include "CNetResourceProbe.h"
#include "CScanResult.h"
#include "INetResources.h"
#include "VRemoteShutdown.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// Records the account each resource probe would log on with.
class CRecordingNet final : public INetResources
{
public:
    std::optional<QStringList>
    Shares(const QString &, quint32, const TCredentials &i_oCredentials, int) override
    {
        lsAccounts << i_oCredentials.QualifiedLogin() + QLatin1Char('/') + i_oCredentials.sPassword;
        return std::nullopt;
    }
    std::optional<QString>
    LoggedOnUser(const QString &, quint32, const TCredentials &i_oCredentials, int) override
    {
        lsAccounts << i_oCredentials.QualifiedLogin() + QLatin1Char('/') + i_oCredentials.sPassword;
        return std::nullopt;
    }
    QStringList lsAccounts;
};

// Closes the next message box and keeps its title and text.
class CMessageBoxCatcher : public QObject
{
public:
    CMessageBoxCatcher()
    {
        m_oTimer.setInterval(20);
        connect(&m_oTimer, &QTimer::timeout, this, [this] {
            auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!pBox)
                return;
            sTitle = pBox->windowTitle();
            sText = pBox->text();
            pBox->accept();
        });
        m_oTimer.start();
    }
    QString sTitle;
    QString sText;

private:
    QTimer m_oTimer;
};

} // namespace

class TestVRemoteShutdown : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void timeout_data();
    void timeout();
    void typedTimeout_data();
    void typedTimeout();
    void message_data();
    void message();
    void emptyMessageKeepsTheStoredOne();
    void withoutLogonNothingIsKept();
    void passwordNeverReachesTheSettings();
    void withoutStoreThePasswordIsNotKept();
    void scansUseTheDialogsAccount_data();
    void scansUseTheDialogsAccount();
    void programStartMovesOrReadsThePassword();
    void showRestoresFromSettingsAndStore();
    void clearTextPasswordOfOlderVersionIsErased();
    void cancelEmitsNothing();

private:
    CShutdownQuery::TParamsPtr Confirm();
    QByteArray SettingsFile();

    QTemporaryDir m_oConfigDir;
    std::unique_ptr<CMemoryPasswordStore> m_pStore;
    std::unique_ptr<VRemoteShutdown> m_pDialog;
    CCfg m_oCfg;
};

void TestVRemoteShutdown::initTestCase()
{
    QVERIFY(m_oConfigDir.isValid());
    SettingsIn(m_oConfigDir.path(), QStringLiteral("tst_VRemoteShutdown"));
    qRegisterMetaType<CShutdownQuery::TParamsPtr>();
}

void TestVRemoteShutdown::init()
{
    QSettings().clear();
    m_oCfg = CCfg();
    QVERIFY(m_oCfg.HasStore());
    m_pStore = std::make_unique<CMemoryPasswordStore>();
    m_pDialog = std::make_unique<VRemoteShutdown>(m_pStore.get());
    m_pDialog->AssignCfg(m_oCfg);
}

void TestVRemoteShutdown::cleanup()
{
    m_pDialog.reset();
    m_pStore.reset();
}

QByteArray TestVRemoteShutdown::SettingsFile()
{
    m_oCfg.Sync();
    QFile oFile(QSettings().fileName());
    return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
}

// Shows the dialog, presses "Shutdown" and returns what was emitted (null when nothing was).
CShutdownQuery::TParamsPtr TestVRemoteShutdown::Confirm()
{
    QSignalSpy oSpy(m_pDialog.get(), &VRemoteShutdown::ShutdownSpecified);
    QTest::mouseClick(m_pDialog->findChild<QPushButton *>(QStringLiteral("pbShutdown")),
                      Qt::LeftButton);
    if (oSpy.isEmpty())
        return {};
    return oSpy.at(0).at(0).value<CShutdownQuery::TParamsPtr>();
}

void TestVRemoteShutdown::form()
{
    QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Shutdown options"));
    QVERIFY(!(m_pDialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(m_pDialog->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->text(),
             QStringLiteral("Use Windows authentification"));
    QCOMPARE(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkForce"))->text(),
             QStringLiteral("Forced shutdown"));
    QCOMPARE(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkReboot"))->text(),
             QStringLiteral("Reboot"));
    QCOMPARE(m_pDialog->findChild<QPushButton *>(QStringLiteral("pbShutdown"))->text(),
             QStringLiteral("Shutdown"));
    QCOMPARE(m_pDialog->findChild<QPushButton *>(QStringLiteral("pbCancel"))->text(),
             QStringLiteral("Cancel"));
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->maxLength(), 511);
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->maxLength(), 511);
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->echoMode(),
             QLineEdit::Password);
    QVERIFY(m_pDialog->findChild<QPlainTextEdit *>(QStringLiteral("edMessage")));
}

void TestVRemoteShutdown::timeout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("zero is accepted") << QStringLiteral("0") << true;
    QTest::newRow("ten years is accepted") << QStringLiteral("315360000") << true;
    QTest::newRow("one more second is refused") << QStringLiteral("315360001") << false;
    QTest::newRow("empty field is refused") << QString() << false;
    QTest::newRow("text is refused") << QStringLiteral("soon") << false;
}

void TestVRemoteShutdown::timeout()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    m_pDialog->DisplayUi();
    QVERIFY(m_pDialog->isModal());
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edTimeout"))->text(),
             QStringLiteral("60"));
    m_pDialog->findChild<QLineEdit *>(QStringLiteral("edTimeout"))->setText(text);
    CMessageBoxCatcher oCatcher;
    const CShutdownQuery::TParamsPtr pParams = Confirm();
    if (accepted) {
        QVERIFY(pParams);
        QCOMPARE(pParams->value(CShutdownQuery::ParamTimeout).toInt(), text.toInt());
        QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Timeout")).toInt(),
                 text.toInt());
        QVERIFY(!m_pDialog->isVisible());
        QVERIFY(oCatcher.sTitle.isEmpty());
    } else {
        QVERIFY(!pParams);
        QCOMPARE(oCatcher.sTitle, QStringLiteral("Incorrect data"));
        QCOMPARE(oCatcher.sText, QStringLiteral("Invalid timeout. Should be 0...315360000"));
        QVERIFY(m_pDialog->isVisible());
        QVERIFY(!m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Timeout")).isValid());
    }
}

void TestVRemoteShutdown::typedTimeout_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::newRow("sign is refused") << QStringLiteral("-5") << QStringLiteral("5");
    QTest::newRow("tenth digit is refused")
        << QStringLiteral("3153600001") << QStringLiteral("315360000");
    QTest::newRow("letters are refused") << QStringLiteral("1x2") << QStringLiteral("12");
}

void TestVRemoteShutdown::typedTimeout()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    m_pDialog->DisplayUi();
    auto *pEdit = m_pDialog->findChild<QLineEdit *>(QStringLiteral("edTimeout"));
    pEdit->clear();
    QTest::keyClicks(pEdit, keys);
    QCOMPARE(pEdit->text(), shown);
}

void TestVRemoteShutdown::message_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("sentLength");
    QTest::addColumn<bool>("ellipsis");
    QTest::newRow("1,024 characters become 1,020 and dots") << 1024 << 1023 << true;
    QTest::newRow("1,023 characters stay as they are") << 1023 << 1023 << false;
    QTest::newRow("short message stays") << 5 << 5 << false;
}

void TestVRemoteShutdown::message()
{
    QFETCH(int, length);
    QFETCH(int, sentLength);
    QFETCH(bool, ellipsis);
    QString sMessage;
    for (int i = 0; i < length; ++i)
        sMessage.append(QChar(QLatin1Char('a' + i % 26)));
    m_pDialog->DisplayUi();
    m_pDialog->findChild<QPlainTextEdit *>(QStringLiteral("edMessage"))->setPlainText(sMessage);
    const CShutdownQuery::TParamsPtr pParams = Confirm();
    QVERIFY(pParams);
    const QString sSent = pParams->value(CShutdownQuery::ParamMessage).toString();
    QCOMPARE(sSent.size(), sentLength);
    if (ellipsis)
        QCOMPARE(sSent, sMessage.left(1020) + QStringLiteral("..."));
    else
        QCOMPARE(sSent, sMessage);
    QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Message")).toString(), sSent);
}

void TestVRemoteShutdown::emptyMessageKeepsTheStoredOne()
{
    m_oCfg.SetValue(QStringLiteral("Settings/RemoteShutdown/Message"), QStringLiteral("old one"));
    m_pDialog->DisplayUi();
    auto *pMessage = m_pDialog->findChild<QPlainTextEdit *>(QStringLiteral("edMessage"));
    QCOMPARE(pMessage->toPlainText(), QStringLiteral("old one"));
    pMessage->clear();
    const CShutdownQuery::TParamsPtr pParams = Confirm();
    QVERIFY(pParams);
    QVERIFY(pParams->contains(CShutdownQuery::ParamMessage));
    QCOMPARE(pParams->value(CShutdownQuery::ParamMessage).toString(), QString());
    QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Message")).toString(),
             QStringLiteral("old one"));
}

void TestVRemoteShutdown::withoutLogonNothingIsKept()
{
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_login"), QStringLiteral("admin"));
    m_pStore->mEntries.insert(QStringLiteral("remote_shutdown_pass"), QStringLiteral("secret"));
    m_pDialog->DisplayUi();
    auto *pUse = m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"));
    QVERIFY(pUse->isChecked());
    QTest::mouseClick(pUse, Qt::LeftButton, {}, QPoint(5, pUse->height() / 2));
    QVERIFY(!pUse->isChecked());
    QVERIFY(!m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->isEnabled());
    QVERIFY(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->text().isEmpty());
    m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkForce"))->setChecked(true);
    const CShutdownQuery::TParamsPtr pParams = Confirm();
    QVERIFY(pParams);
    QVERIFY(!pParams->contains(CShutdownQuery::ParamLogin));
    QVERIFY(!pParams->contains(CShutdownQuery::ParamPassword));
    QCOMPARE(pParams->value(CShutdownQuery::ParamForce).toBool(), true);
    QCOMPARE(pParams->value(CShutdownQuery::ParamReboot).toBool(), false);
    QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/remote_shutdown_login")).toString(), QString());
    QVERIFY(!m_pStore->mEntries.contains(QStringLiteral("remote_shutdown_pass")));
    QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Force")).toBool(), true);
}

void TestVRemoteShutdown::passwordNeverReachesTheSettings()
{
    m_pDialog->DisplayUi();
    m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->setChecked(true);
    m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->setText(QStringLiteral("admin"));
    m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))
        ->setText(QStringLiteral("Sekr3t-Pa55"));
    const CShutdownQuery::TParamsPtr pParams = Confirm();
    QVERIFY(pParams);
    QCOMPARE(pParams->value(CShutdownQuery::ParamLogin).toString(), QStringLiteral("admin"));
    QCOMPARE(pParams->value(CShutdownQuery::ParamPassword).toString(),
             QStringLiteral("Sekr3t-Pa55"));
    QCOMPARE(m_pStore->mEntries.value(QStringLiteral("remote_shutdown_pass")),
             QStringLiteral("Sekr3t-Pa55"));
    const QByteArray oFile = SettingsFile();
    QVERIFY(oFile.contains("remote_shutdown_login=admin"));
    QVERIFY2(!oFile.contains("Sekr3t-Pa55"), oFile.constData());
}

void TestVRemoteShutdown::withoutStoreThePasswordIsNotKept()
{
    m_pStore->fAvailable = false;
    m_pDialog->DisplayUi();
    m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->setChecked(true);
    m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->setText(QStringLiteral("admin"));
    m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))
        ->setText(QStringLiteral("Sekr3t-Pa55"));
    QVERIFY(Confirm());
    QVERIFY(!SettingsFile().contains("Sekr3t-Pa55"));
    // Shown again in this session, the password is back from memory.
    m_pDialog->DisplayUi();
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->text(),
             QStringLiteral("Sekr3t-Pa55"));
    m_pDialog->reject();
    // The next session (a new configuration) has the login but no password.
    m_pDialog = std::make_unique<VRemoteShutdown>(m_pStore.get());
    m_pDialog->AssignCfg(CCfg());
    m_pDialog->DisplayUi();
    QSignalSpy oRead(m_pStore.get(), &IPasswordStore::EmitPasswordRead);
    QVERIFY(oRead.wait(2000));
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->text(),
             QStringLiteral("admin"));
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->text(), QString());
}

void TestVRemoteShutdown::scansUseTheDialogsAccount_data()
{
    QTest::addColumn<bool>("legacy");
    QTest::newRow("clear text of an older version") << true;
    QTest::newRow("typed into the dialog") << false;
}

void TestVRemoteShutdown::scansUseTheDialogsAccount()
{
    // The logged-on user probe once read the clear-text key that the dialog empties: after the
    // dialog had been used, scans asked with the login and no password.
    QFETCH(bool, legacy);
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_login"),
                    QStringLiteral("OFFICE\\ann"));
    if (legacy)
        m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_pass"), QStringLiteral("pw-1"));
    m_pDialog->DisplayUi();
    if (!legacy)
        m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))
            ->setText(QStringLiteral("pw-1"));
    QVERIFY(Confirm());
    QVERIFY(!SettingsFile().contains("pw-1"));

    CRecordingNet oNet;
    CScanResult oResult;
    oResult.set_ip(0x7F000001);
    oResult.set_name(QStringLiteral("box"));
    CNetResourceProbe::ProbeShares(oResult, m_oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, m_oCfg, oNet);
    QCOMPARE(oNet.lsAccounts,
             QStringList({QStringLiteral("OFFICE\\ann/pw-1"), QStringLiteral("OFFICE\\ann/pw-1")}));
}

void TestVRemoteShutdown::programStartMovesOrReadsThePassword()
{
    // A clear-text password is moved to the store and erased before any scan can read it.
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_login"), QStringLiteral("ann"));
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_pass"), QStringLiteral("pw-2"));
    {
        CNetAccountSecret oSecret(m_pStore.get());
        oSecret.Load(m_oCfg);
        QCOMPARE(m_oCfg.net_account().sPassword, QStringLiteral("pw-2"));
        QSignalSpy oWritten(m_pStore.get(), &IPasswordStore::EmitWriteDone);
        QVERIFY(oWritten.wait(2000));
        QCOMPARE(m_pStore->mEntries.value(CCfg::NetAccountSecretKey()), QStringLiteral("pw-2"));
        QVERIFY(!SettingsFile().contains("pw-2"));
    }
    // The next start reads it from the store into the session.
    CCfg oNextSession;
    QCOMPARE(oNextSession.net_account().sPassword, QString());
    CNetAccountSecret oSecret(m_pStore.get());
    QSignalSpy oLoaded(&oSecret, &CNetAccountSecret::EmitLoaded);
    oSecret.Load(oNextSession);
    QVERIFY(oLoaded.wait(2000));
    QCOMPARE(oNextSession.net_account().sPassword, QStringLiteral("pw-2"));
    QCOMPARE(oNextSession.net_account().sLogin, QStringLiteral("ann"));
}

void TestVRemoteShutdown::showRestoresFromSettingsAndStore()
{
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_login"), QStringLiteral("admin"));
    m_oCfg.SetValue(QStringLiteral("Settings/RemoteShutdown/Timeout"), 120);
    m_oCfg.SetValue(QStringLiteral("Settings/RemoteShutdown/Reboot"), true);
    m_oCfg.SetValue(QStringLiteral("State/RemoteShutdown/Rect"), QRect(40, 50, 500, 420));
    m_pStore->mEntries.insert(QStringLiteral("remote_shutdown_pass"), QStringLiteral("secret"));
    QSignalSpy oRead(m_pStore.get(), &IPasswordStore::EmitPasswordRead);
    m_pDialog->DisplayUi();
    QVERIFY(oRead.wait(2000));
    QCOMPARE(m_pDialog->geometry(), QRect(40, 50, 500, 420));
    QVERIFY(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->isChecked());
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edLogin"))->text(),
             QStringLiteral("admin"));
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->text(),
             QStringLiteral("secret"));
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edTimeout"))->text(),
             QStringLiteral("120"));
    QVERIFY(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkReboot"))->isChecked());
    QVERIFY(!m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkForce"))->isChecked());
}

void TestVRemoteShutdown::clearTextPasswordOfOlderVersionIsErased()
{
    m_oCfg.SetValue(QStringLiteral("Settings/remote_shutdown_pass"), QStringLiteral("plain-old"));
    m_pDialog->DisplayUi();
    QVERIFY(m_pDialog->findChild<QCheckBox *>(QStringLiteral("chkUseLogin"))->isChecked());
    QCOMPARE(m_pDialog->findChild<QLineEdit *>(QStringLiteral("edPassword"))->text(),
             QStringLiteral("plain-old"));
    QVERIFY(!SettingsFile().contains("plain-old"));
    QVERIFY(Confirm());
    QCOMPARE(m_pStore->mEntries.value(QStringLiteral("remote_shutdown_pass")),
             QStringLiteral("plain-old"));
}

void TestVRemoteShutdown::cancelEmitsNothing()
{
    m_pDialog->DisplayUi();
    QSignalSpy oSpy(m_pDialog.get(), &VRemoteShutdown::ShutdownSpecified);
    QTest::mouseClick(m_pDialog->findChild<QPushButton *>(QStringLiteral("pbCancel")),
                      Qt::LeftButton);
    QVERIFY(!m_pDialog->isVisible());
    QVERIFY(oSpy.isEmpty());
    QVERIFY(m_oCfg.Value(QStringLiteral("State/RemoteShutdown/Rect")).isValid());
    QVERIFY(!m_oCfg.Value(QStringLiteral("Settings/RemoteShutdown/Timeout")).isValid());
}

QTEST_MAIN(TestVRemoteShutdown)
#include "tst_VRemoteShutdown.moc"
