// SPDX-License-Identifier: GPL-3.0-or-later
#include "../helpers/TestSettings.h"
#include "VOrtavoConnectOptions.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestVOrtavoConnectOptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void typing_data();
    void typing();
    void rejectedKeyKeepsCursor();
    void portFromCallerOrLastTyped();
    void okEmitsAndStores();
    void okWithoutPortStartsNothing();
    void cancelEmitsNothing();
    void geometryIsRestored();

private:
    QLineEdit *Port() const { return m_pDialog->findChild<QLineEdit *>(QStringLiteral("lePort")); }
    QPushButton *Button(const char *i_pName) const
    {
        return m_pDialog->findChild<QPushButton *>(QLatin1String(i_pName));
    }

    QTemporaryDir m_oConfigDir;
    std::unique_ptr<VOrtavoConnectOptions> m_pDialog;
    CCfg m_oCfg;
};

void TestVOrtavoConnectOptions::initTestCase()
{
    QVERIFY(m_oConfigDir.isValid());
    SettingsIn(m_oConfigDir.path(), QStringLiteral("tst_VOrtavoConnectOptions"));
    qRegisterMetaType<EOrtavoCommand>();
}

void TestVOrtavoConnectOptions::init()
{
    QSettings().clear();
    m_oCfg = CCfg();
    m_pDialog = std::make_unique<VOrtavoConnectOptions>();
    m_pDialog->AssignCfg(m_oCfg);
}

void TestVOrtavoConnectOptions::cleanup()
{
    m_pDialog.reset();
}

void TestVOrtavoConnectOptions::form()
{
    QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Ortavo connection options"));
    QCOMPARE(m_pDialog->findChild<QLabel *>(QStringLiteral("lblPort"))->text(),
             QStringLiteral("Port:"));
    QCOMPARE(Button("btnOK")->text(), QStringLiteral("OK"));
    QCOMPARE(Button("btnCancel")->text(), QStringLiteral("Cancel"));
    QVERIFY(!(m_pDialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(m_pDialog->windowFlags() & Qt::WindowCloseButtonHint);
}

void TestVOrtavoConnectOptions::typing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits of a port stay") << QStringLiteral("4899") << QStringLiteral("4899");
    QTest::newRow("highest port stays") << QStringLiteral("65535") << QStringLiteral("65535");
    QTest::newRow("a letter is undone") << QStringLiteral("48a99") << QStringLiteral("4899");
    QTest::newRow("digit beyond 65535 is undone")
        << QStringLiteral("70000") << QStringLiteral("7000");
    QTest::newRow("port 0 is undone") << QStringLiteral("0") << QString();
    QTest::newRow("leading zero is undone") << QStringLiteral("080") << QStringLiteral("80");
    QTest::newRow("sign is undone") << QStringLiteral("-1") << QStringLiteral("1");
    QTest::newRow("blank is undone") << QStringLiteral("8 0") << QStringLiteral("80");
}

void TestVOrtavoConnectOptions::typing()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 0, true, 0);
    QTest::keyClicks(Port(), keys);
    QCOMPARE(Port()->text(), shown);
}

void TestVOrtavoConnectOptions::rejectedKeyKeepsCursor()
{
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 4899, true, 0);
    QCOMPARE(Port()->text(), QStringLiteral("4899"));
    Port()->setCursorPosition(2);
    QTest::keyClick(Port(), Qt::Key_X);
    QCOMPARE(Port()->text(), QStringLiteral("4899"));
    QCOMPARE(Port()->cursorPosition(), 2);
    QTest::keyClick(Port(), Qt::Key_Backspace);
    QCOMPARE(Port()->text(), QStringLiteral("499"));
}

void TestVOrtavoConnectOptions::portFromCallerOrLastTyped()
{
    m_pDialog->DisplayUi(EOrtavoCommand::ViewOnly, 5900, false, 0x7F000001);
    QCOMPARE(Port()->text(), QStringLiteral("5900"));
    Port()->clear();
    QTest::keyClicks(Port(), QStringLiteral("4321"));
    QTest::mouseClick(Button("btnCancel"), Qt::LeftButton);
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 0, true, 0);
    QCOMPARE(Port()->text(), QStringLiteral("4321"));
}

void TestVOrtavoConnectOptions::okEmitsAndStores()
{
    QSignalSpy oSpy(m_pDialog.get(), &VOrtavoConnectOptions::OptionsSpecified);
    m_pDialog->DisplayUi(EOrtavoCommand::FileTransfer, 0, true, 0x0A000105);
    QVERIFY(m_pDialog->isModal());
    QVERIFY(m_pDialog->isVisible());
    Port()->clear();
    QTest::keyClicks(Port(), QStringLiteral("4899"));
    QTest::mouseClick(Button("btnOK"), Qt::LeftButton);
    QCOMPARE(oSpy.count(), 1);
    QCOMPARE(oSpy.at(0).at(0).value<EOrtavoCommand>(), EOrtavoCommand::FileTransfer);
    QCOMPARE(oSpy.at(0).at(1).toInt(), 4899);
    QCOMPARE(oSpy.at(0).at(2).toBool(), true);
    QCOMPARE(oSpy.at(0).at(3).toUInt(), 0x0A000105u);
    QVERIFY(!m_pDialog->isVisible());
    QCOMPARE(m_oCfg.Value(QStringLiteral("Settings/OrtavoConnectOpts/Port")).toInt(), 4899);
    QVERIFY(m_oCfg.Value(QStringLiteral("State/OrtavoConnectOpts/Rect")).isValid());
}

void TestVOrtavoConnectOptions::okWithoutPortStartsNothing()
{
    QSignalSpy oSpy(m_pDialog.get(), &VOrtavoConnectOptions::OptionsSpecified);
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 0, true, 0);
    Port()->clear();
    QTest::mouseClick(Button("btnOK"), Qt::LeftButton);
    QVERIFY(oSpy.isEmpty());
    QVERIFY(!m_pDialog->isVisible());
    QVERIFY(!m_oCfg.Value(QStringLiteral("Settings/OrtavoConnectOpts/Port")).isValid());
}

void TestVOrtavoConnectOptions::cancelEmitsNothing()
{
    QSignalSpy oSpy(m_pDialog.get(), &VOrtavoConnectOptions::OptionsSpecified);
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 4899, true, 0);
    QTest::mouseClick(Button("btnCancel"), Qt::LeftButton);
    QVERIFY(oSpy.isEmpty());
    QVERIFY(!m_pDialog->isVisible());
    QVERIFY(m_oCfg.Value(QStringLiteral("State/OrtavoConnectOpts/Rect")).isValid());
    QVERIFY(!m_oCfg.Value(QStringLiteral("Settings/OrtavoConnectOpts/Port")).isValid());
}

void TestVOrtavoConnectOptions::geometryIsRestored()
{
    const QRect oRect(70, 80, 260, 140);
    m_oCfg.SetValue(QStringLiteral("State/OrtavoConnectOpts/Rect"), oRect);
    m_pDialog->DisplayUi(EOrtavoCommand::FullControl, 1, true, 0);
    QCOMPARE(m_pDialog->geometry(), oRect);
}

QTEST_MAIN(TestVOrtavoConnectOptions)
#include "tst_VOrtavoConnectOptions.moc"
