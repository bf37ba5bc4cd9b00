// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"
#include "CTestSandbox.h"
#include "MCfg.h"
#include "MScanner.h"
#include "v_options.h"

#include <QCheckBox>
#include <QFile>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTranslator>
#include <QtTest>

#include <memory>

class TestVOptions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void formMatchesDesign();
    void portValidation_data();
    void portValidation();
    void webPorts_data();
    void webPorts();
    void checkingOrtavoFillsDefaultPort_data();
    void checkingOrtavoFillsDefaultPort();
    void uncheckingOrtavoStoresNoPorts();
    void onlyFourPortsShownAndStored();
    void cancelledPortIsNotShownAgain();
    void sliderBounds_data();
    void sliderBounds();
    void applyWritesEverySettingAndBroadcasts();
    void applyResizesScannerPool();
    void closeStoresGeometry();
    void pageListSwitchesPages();
    void inventoryOptions_data();
    void inventoryOptions();
    void languageChangeRetranslates();
    void accountKeepsItsPasswordOutOfTheSettings();
    void accountTestNeedsAnAddressAndALogin_data();
    void accountTestNeedsAnAddressAndALogin();

private:
    QLineEdit *Port(int i_nIndex) const;
    template <typename T> T *Child(const char *i_pName) const
    {
        T *pChild = m_pDialog->findChild<T *>(QLatin1String(i_pName));
        if (!pChild)
            qFatal("no widget %s", i_pName);
        return pChild;
    }
    void ShowDialog();
    void Apply() { Child<QPushButton>("b_ok")->click(); }

    std::unique_ptr<CSettingsSandbox> m_pSandbox;
    std::unique_ptr<MCfg> m_pCfgOwner;
    std::unique_ptr<v_options> m_pDialog;
};

void TestVOptions::init()
{
    m_pSandbox = std::make_unique<CSettingsSandbox>();
    QVERIFY(m_pSandbox->IsValid());
    m_pCfgOwner = std::make_unique<MCfg>();
    m_pDialog = std::make_unique<v_options>();
    connect(m_pCfgOwner.get(), &MCfg::EmitCfg, m_pDialog.get(), &v_options::OnCfg);
    connect(m_pDialog.get(), &v_options::CfgChanged, m_pCfgOwner.get(), &MCfg::RequestCfgBroadcast);
    m_pCfgOwner->RequestCfgBroadcast();
}

void TestVOptions::cleanup()
{
    m_pDialog.reset();
    m_pCfgOwner.reset();
    m_pSandbox.reset();
}

QLineEdit *TestVOptions::Port(int i_nIndex) const
{
    const QByteArray baName = "e_ortavo_port_" + QByteArray::number(i_nIndex + 1);
    return Child<QLineEdit>(baName.constData());
}

void TestVOptions::ShowDialog()
{
    m_pDialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pDialog.get()));
}

void TestVOptions::formMatchesDesign()
{
    QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Options"));
    QCOMPARE(Child<QCheckBox>("c_scan_ortavo")->text(),
             QStringLiteral("Scan Ortavo availability:"));
    QCOMPARE(Child<QLabel>("lblLowPreformance")->text(),
             QStringLiteral("Slow scanning,\nlow CPU usage"));
    QCOMPARE(Child<QPushButton>("b_ok")->text(), QStringLiteral("Apply"));
    QCOMPARE(Child<QTabWidget>("tabOptionsMain")->metaObject()->className(), "CTabWidgetWoTabs");
    QVERIFY(!Child<QTabWidget>("tabOptionsMain")->tabBar()->isVisibleTo(m_pDialog.get()));
    int nGrouped = 0;
    for (QWidget *pChild : m_pDialog->findChildren<QWidget *>())
        nGrouped += pChild->property("group").toString() == QLatin1String("ortavo_ports");
    QCOMPARE(nGrouped, 8);
    for (int i = 0; i < v_options::PortFields; ++i) {
        const auto *pValidator = qobject_cast<const QIntValidator *>(Port(i)->validator());
        QVERIFY(pValidator);
        QCOMPARE(pValidator->bottom(), 1);
        QCOMPARE(pValidator->top(), 65535);
    }
}

void TestVOptions::webPorts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("none by default, and none when cleared") << QString() << QString();
    QTest::newRow("HTTP and HTTPS ports")
        << QStringLiteral("8080, 8443s") << QStringLiteral("8080,8443s");
    QTest::newRow("a port past 65535 refused") << QStringLiteral("8080, 70000") << QString();
}

void TestVOptions::webPorts()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    ShowDialog();
    auto *pField = Child<QLineEdit>("e_web_ports");
    QCOMPARE(pField->text(), QString());
    pField->setText(text);
    CMessageBoxCloser oCloser;
    Apply();
    const bool fRefused = stored.isEmpty() && !text.isEmpty();
    QCOMPARE(oCloser.Seen(), fRefused ? 1 : 0);
    QCOMPARE(m_pDialog->isVisible(), fRefused);
    QCOMPARE(CCfg::WebPortsText(CCfg().web_ports()), stored);
    if (fRefused)
        return;
    // Shown again as stored.
    ShowDialog();
    QCOMPARE(pField->text(), stored);
}

void TestVOptions::portValidation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("highest port 65535 accepted") << QStringLiteral("65535") << true;
    QTest::newRow("lowest port 1 accepted") << QStringLiteral("1") << true;
    QTest::newRow("empty field allowed") << QString() << true;
    QTest::newRow("port 0 refused") << QStringLiteral("0") << false;
    QTest::newRow("port 65536 refused") << QStringLiteral("65536") << false;
    QTest::newRow("text that is no number refused") << QStringLiteral("http") << false;
    QTest::newRow("sign refused") << QStringLiteral("+80") << false;
    QTest::newRow("blank inside refused") << QStringLiteral(" 80") << false;
}

void TestVOptions::portValidation()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    CCfg().set_ortavo_ports({4899});
    ShowDialog();
    QCOMPARE(Port(0)->text(), QStringLiteral("4899"));
    // setText bypasses the validator, as pasted or half-typed text can.
    Port(1)->setText(text);
    QSignalSpy oChanged(m_pDialog.get(), &v_options::CfgChanged);
    CMessageBoxCloser oCloser;
    Apply();

    if (accepted) {
        QCOMPARE(oCloser.Seen(), 0);
        QCOMPARE(oChanged.count(), 1);
        QVERIFY(!m_pDialog->isVisible());
        QList<int> lnExpected{4899};
        if (!text.isEmpty())
            lnExpected << text.toInt();
        QCOMPARE(CCfg().ortavo_ports(), lnExpected);
    } else {
        QCOMPARE(oCloser.Seen(), 1);
        QCOMPARE(oCloser.Title(), QStringLiteral("Incorrect data"));
        QCOMPARE(oCloser.Text(), QStringLiteral("Incorrect Ortavo port. It should be 1...65535"));
        QCOMPARE(oChanged.count(), 0);
        QVERIFY(m_pDialog->isVisible());
        QCOMPARE(CCfg().ortavo_ports(), QList<int>{4899});
    }
}

void TestVOptions::checkingOrtavoFillsDefaultPort_data()
{
    QTest::addColumn<QString>("firstField");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty first field gets 4899") << QString() << QStringLiteral("4899");
    QTest::newRow("typed first field is kept") << QStringLiteral("5650") << QStringLiteral("5650");
}

void TestVOptions::checkingOrtavoFillsDefaultPort()
{
    QFETCH(QString, firstField);
    QFETCH(QString, expected);
    CCfg().set_ortavo_ports({});
    ShowDialog();
    auto *pOrtavo = Child<QCheckBox>("c_scan_ortavo");
    QVERIFY(!pOrtavo->isChecked());
    QVERIFY(!Port(0)->isEnabled());
    QVERIFY(Port(0)->text().isEmpty());
    Port(0)->setText(firstField);
    pOrtavo->click();
    QVERIFY(pOrtavo->isChecked());
    QCOMPARE(Port(0)->text(), expected);
    for (int i = 0; i < v_options::PortFields; ++i)
        QVERIFY(Port(i)->isEnabled());
    QVERIFY(Child<QLabel>("l_ortavo_port_4")->isEnabled());
}

void TestVOptions::uncheckingOrtavoStoresNoPorts()
{
    CCfg().set_ortavo_ports({4899, 5650});
    ShowDialog();
    auto *pOrtavo = Child<QCheckBox>("c_scan_ortavo");
    QVERIFY(pOrtavo->isChecked());
    QCOMPARE(Port(1)->text(), QStringLiteral("5650"));
    pOrtavo->click();
    Apply();
    QCOMPARE(CCfg().ortavo_ports(), QList<int>());
    for (int i = 0; i < v_options::PortFields; ++i)
        QVERIFY(Port(i)->text().isEmpty());

    ShowDialog();
    QVERIFY(!pOrtavo->isChecked());
    for (QWidget *pChild : m_pDialog->findChildren<QWidget *>()) {
        if (pChild->property("group").toString() == QLatin1String("ortavo_ports"))
            QVERIFY2(!pChild->isEnabled(), qPrintable(pChild->objectName()));
    }
}

void TestVOptions::onlyFourPortsShownAndStored()
{
    CCfg().set_ortavo_ports({21, 22, 23, 24, 25, 26});
    ShowDialog();
    for (int i = 0; i < v_options::PortFields; ++i)
        QCOMPARE(Port(i)->text(), QString::number(21 + i));
    Apply();
    QCOMPARE(CCfg().ortavo_ports(), (QList<int>{21, 22, 23, 24}));
}

void TestVOptions::cancelledPortIsNotShownAgain()
{
    CCfg().set_ortavo_ports({4899});
    ShowDialog();
    Port(2)->setText(QStringLiteral("1234"));
    QSignalSpy oChanged(m_pDialog.get(), &v_options::CfgChanged);
    Child<QPushButton>("b_cancel")->click();
    QVERIFY(!m_pDialog->isVisible());
    QCOMPARE(oChanged.count(), 0);
    QCOMPARE(CCfg().ortavo_ports(), QList<int>{4899});

    ShowDialog();
    QVERIFY(Port(2)->text().isEmpty());
    Apply();
    QCOMPARE(CCfg().ortavo_ports(), QList<int>{4899});
}

void TestVOptions::sliderBounds_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("below 32 shows 32") << 10 << 32;
    QTest::newRow("32 stays") << 32 << 32;
    QTest::newRow("default 96 stays") << 96 << 96;
    QTest::newRow("256 stays") << 256 << 256;
    QTest::newRow("above 256 shows 256") << 1000 << 256;
}

void TestVOptions::sliderBounds()
{
    QFETCH(int, stored);
    QFETCH(int, shown);
    CCfg().set_thread_count(stored);
    ShowDialog();
    auto *pSlider = Child<QSlider>("s_scan_speed");
    QCOMPARE(pSlider->minimum(), 32);
    QCOMPARE(pSlider->maximum(), 256);
    QCOMPARE(pSlider->value(), shown);
    pSlider->setValue(0);
    QCOMPARE(pSlider->value(), 32);
    pSlider->setValue(100000);
    QCOMPARE(pSlider->value(), 256);
    pSlider->setValue(shown);
    Apply();
    QCOMPARE(CCfg().thread_count(), shown);
}

void TestVOptions::applyWritesEverySettingAndBroadcasts()
{
    // CCfg reads the store at every call, so the defaults are taken before Apply changes them.
    const CCfg oCfg;
    const struct
    {
        bool fShares, fHttp, fHttps, fFtp, fNetbios, fUser, fAccuracy;
    } oDefaults{oCfg.scan_shares(),
                oCfg.scan_http(),
                oCfg.scan_https(),
                oCfg.scan_ftp(),
                oCfg.scan_netbios(),
                oCfg.scan_username(),
                oCfg.high_accuracy()};
    ShowDialog();
    QCOMPARE(Child<QCheckBox>("c_scan_http")->isChecked(), oDefaults.fHttp);
    QCOMPARE(Child<QCheckBox>("c_scan_netbios")->isChecked(), oDefaults.fNetbios);
    for (const char *pName : {"c_scan_shares",
                              "c_scan_http",
                              "c_scan_https",
                              "c_scan_ftp",
                              "c_scan_netbios",
                              "c_scan_user",
                              "c_high_accuracy"})
        Child<QCheckBox>(pName)->click();
    Child<QSlider>("s_scan_speed")->setValue(200);
    QCOMPARE(Child<QSpinBox>("s_sweep_rate")->value(), 4000);
    Child<QSpinBox>("s_sweep_rate")->setValue(600);
    Port(3)->setText(QStringLiteral("8080"));

    QSignalSpy oChanged(m_pDialog.get(), &v_options::CfgChanged);
    QSignalSpy oBroadcast(m_pCfgOwner.get(), &MCfg::EmitCfg);
    Apply();
    QCOMPARE(oChanged.count(), 1);
    QCOMPARE(oBroadcast.count(), 1);
    QVERIFY(!m_pDialog->isVisible());

    const CCfg oStored;
    QCOMPARE(oStored.scan_shares(), !oDefaults.fShares);
    QCOMPARE(oStored.scan_http(), !oDefaults.fHttp);
    QCOMPARE(oStored.scan_https(), !oDefaults.fHttps);
    QCOMPARE(oStored.scan_ftp(), !oDefaults.fFtp);
    QCOMPARE(oStored.scan_netbios(), !oDefaults.fNetbios);
    QCOMPARE(oStored.scan_username(), !oDefaults.fUser);
    QCOMPARE(oStored.high_accuracy(), !oDefaults.fAccuracy);
    QCOMPARE(oStored.thread_count(), 200);
    QCOMPARE(oStored.sweep_rate(), 600);
    QCOMPARE(oStored.ortavo_ports(), (QList<int>{4899, 8080}));
}

void TestVOptions::applyResizesScannerPool()
{
    MScanner oScanner;
    connect(m_pCfgOwner.get(), &MCfg::EmitCfg, &oScanner, &MScanner::OnCfg);
    m_pCfgOwner->RequestCfgBroadcast();
    QCOMPARE(oScanner.ActiveThreadCount(), 96);
    ShowDialog();
    Child<QSlider>("s_scan_speed")->setValue(40);
    Apply();
    QCOMPARE(oScanner.ActiveThreadCount(), 40);
    ShowDialog();
    Child<QSlider>("s_scan_speed")->setValue(130);
    Apply();
    QCOMPARE(oScanner.ActiveThreadCount(), 130);
    oScanner.StopAll();
}

void TestVOptions::closeStoresGeometry()
{
    ShowDialog();
    m_pDialog->close();
    QVERIFY(!m_pDialog->isVisible());
    const QRect oStored = CCfg().Value(QStringLiteral("State/Options/Rect")).toRect();
    QVERIFY(oStored.isValid());
    QCOMPARE(oStored, m_pDialog->geometry());

    const QRect oWanted(oStored.topLeft() + QPoint(7, 9), oStored.size() + QSize(30, 20));
    CCfg().SetValue(QStringLiteral("State/Options/Rect"), oWanted);
    ShowDialog();
    QCOMPARE(m_pDialog->geometry().size(), oWanted.size());
}

void TestVOptions::pageListSwitchesPages()
{
    auto *pList = Child<QListWidget>("listOptionList");
    auto *pPages = Child<QTabWidget>("tabOptionsMain");
    QCOMPARE(pList->count(), 4);
    QCOMPARE(pList->item(0)->text(), QStringLiteral("  Performance"));
    QCOMPARE(pList->item(1)->text(), QStringLiteral("  Resources"));
    QCOMPARE(pList->item(2)->text(), QStringLiteral("  Inventory"));
    QCOMPARE(pList->item(3)->text(), QStringLiteral("  Network account"));
    QCOMPARE(pList->currentRow(), 1);
    QCOMPARE(pPages->currentWidget()->objectName(), QStringLiteral("tab_resources"));
    int nWidest = 0;
    for (int i = 0; i < pList->count(); ++i)
        nWidest = std::max(nWidest, pList->fontMetrics().horizontalAdvance(pList->item(i)->text()));
    QCOMPARE(pList->maximumWidth(), (nWidest + 2 * pList->frameWidth()) * 4 / 3);
    QCOMPARE(pList->width(), pList->maximumWidth());
    pList->setCurrentRow(0);
    QCOMPARE(pPages->currentWidget()->objectName(), QStringLiteral("tab_performance"));
    pList->setCurrentRow(2);
    QCOMPARE(pPages->currentWidget()->objectName(), QStringLiteral("tab_inventory"));
    pList->setCurrentRow(3);
    QCOMPARE(pPages->currentWidget()->objectName(), QStringLiteral("tab_account"));
}

void TestVOptions::inventoryOptions_data()
{
    QTest::addColumn<bool>("record");
    QTest::addColumn<QString>("store");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("off, embedded store") << false << QString() << true;
    QTest::newRow("on, PostgreSQL URL")
        << true << QStringLiteral(" postgresql://vistrel@db:5432/inv ") << true;
    QTest::newRow("password in the URL refused")
        << true << QStringLiteral("postgresql://vistrel:secret@db/inv") << false;
    QTest::newRow("no database refused")
        << true << QStringLiteral("postgresql://vistrel@db") << false;
    QTest::newRow("SQLite file refused") << true << QStringLiteral("sqlite:/tmp/x.db") << false;
}

void TestVOptions::inventoryOptions()
{
    QFETCH(bool, record);
    QFETCH(QString, store);
    QFETCH(bool, accepted);
    // Recording is on by default, with the embedded store.
    QVERIFY(CCfg().record_scans());
    QCOMPARE(CCfg().inventory_store(), QString());
    CCfg().set_inventory_store(QStringLiteral("postgresql://before@db/inv"));
    ShowDialog();
    QVERIFY(Child<QCheckBox>("c_record_scans")->isChecked());
    QCOMPARE(Child<QLineEdit>("e_inventory_store")->text(),
             QStringLiteral("postgresql://before@db/inv"));
    Child<QCheckBox>("c_record_scans")->setChecked(record);
    Child<QLineEdit>("e_inventory_store")->setText(store);
    CMessageBoxCloser oCloser;
    Apply();
    QCOMPARE(oCloser.Seen(), accepted ? 0 : 1);
    QCOMPARE(CCfg().record_scans(), accepted ? record : true);
    QCOMPARE(CCfg().inventory_store(),
             accepted ? store.trimmed() : QStringLiteral("postgresql://before@db/inv"));
}

void TestVOptions::languageChangeRetranslates()
{
    QTranslator oRussian;
    QVERIFY(oRussian.load(QStringLiteral("vistrel_ru"), QStringLiteral(VISTREL_QM_DIR)));
    auto *pList = Child<QListWidget>("listOptionList");
    pList->setCurrentRow(0);
    QCoreApplication::installTranslator(&oRussian);
    m_pDialog->OnLanguageChanged();
    QCoreApplication::removeTranslator(&oRussian);
    QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Параметры"));
    QCOMPARE(pList->count(), 4);
    QCOMPARE(pList->item(3)->text(), QStringLiteral("  Сетевая учётная запись"));
    QCOMPARE(Child<QPushButton>("b_account_test")->text(),
             QStringLiteral("Проверить учётную запись"));
    QCOMPARE(pList->item(0)->text(), QStringLiteral("  Производительность"));
    QCOMPARE(pList->item(2)->text(), QStringLiteral("  Инвентарь"));
    QCOMPARE(Child<QCheckBox>("c_record_scans")->text(),
             QStringLiteral("Записывать каждое завершённое сканирование в инвентарь"));
    QCOMPARE(Child<QPushButton>("b_ok")->text(), QStringLiteral("Применить"));
    // The page shown before the switch stays shown and selected.
    QCOMPARE(pList->currentRow(), 0);
    QCOMPARE(Child<QTabWidget>("tabOptionsMain")->currentIndex(), 0);
    pList->setCurrentRow(1);
    QCOMPARE(Child<QTabWidget>("tabOptionsMain")->currentIndex(), 1);
}

void TestVOptions::accountKeepsItsPasswordOutOfTheSettings()
{
    ShowDialog();
    Child<QLineEdit>("e_account_login")->setText(QStringLiteral(" ann "));
    Child<QLineEdit>("e_account_domain")->setText(QStringLiteral("OFFICE"));
    Child<QLineEdit>("e_account_password")->setText(QStringLiteral("Pw-9 x"));
    QCOMPARE(Child<QLineEdit>("e_account_password")->echoMode(), QLineEdit::Password);
    Apply();
    const TNetAccount oAccount = m_pCfgOwner->Cfg().net_account();
    QCOMPARE(oAccount.sLogin, QStringLiteral("ann"));
    QCOMPARE(oAccount.sDomain, QStringLiteral("OFFICE"));
    QCOMPARE(oAccount.sPassword, QStringLiteral("Pw-9 x"));
    m_pCfgOwner->Cfg().Sync();
    QFile oFile(QSettings().fileName());
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    const QByteArray baSettings = oFile.readAll();
    QVERIFY(baSettings.contains("ann"));
    QVERIFY2(!baSettings.contains("Pw-9"), baSettings.constData());
    // Shown again, the page holds the session's account.
    m_pDialog->hide();
    ShowDialog();
    QCOMPARE(Child<QLineEdit>("e_account_password")->text(), QStringLiteral("Pw-9 x"));
    // Without a login nothing is kept, not even a password typed alone.
    Child<QLineEdit>("e_account_login")->clear();
    Apply();
    QCOMPARE(m_pCfgOwner->Cfg().net_account().sPassword, QString());
}

void TestVOptions::accountTestNeedsAnAddressAndALogin_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("message");
    QTest::newRow("a name is not an address")
        << QStringLiteral("server") << QStringLiteral("ann")
        << QStringLiteral("Enter the host's address, four decimal numbers.");
    QTest::newRow("no login") << QStringLiteral("127.0.0.1") << QString()
                              << QStringLiteral(
                                     "Enter a user name; '%' and control characters cannot "
                                     "be used.");
    QTest::newRow("percent in the login")
        << QStringLiteral("127.0.0.1") << QStringLiteral("ann%pw")
        << QStringLiteral("Enter a user name; '%' and control characters cannot be used.");
}

void TestVOptions::accountTestNeedsAnAddressAndALogin()
{
    QFETCH(QString, host);
    QFETCH(QString, login);
    QFETCH(QString, message);
    ShowDialog();
    Child<QLineEdit>("e_account_login")->setText(login);
    Child<QLineEdit>("e_account_test_host")->setText(host);
    Child<QPushButton>("b_account_test")->click();
    QCOMPARE(Child<QLabel>("l_account_test_result")->text(), message);
    QVERIFY(Child<QPushButton>("b_account_test")->isEnabled());
}

QTEST_MAIN(TestVOptions)
#include "tst_v_options.moc"
