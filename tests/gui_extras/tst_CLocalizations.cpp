// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"
#include "CLocalizations.h"
#include "CTestSandbox.h"
#include "v_ip_about.h"
#include "v_options.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QtTest>

#include <memory>

namespace {

const QString Prefix = QStringLiteral("tst");

QString QmFile(const QString &i_sCode)
{
    return QDir(QStringLiteral(VISTREL_QM_DIR))
        .filePath(QStringLiteral("vistrel_%1.qm").arg(i_sCode));
}

QString Tr(const char *i_pContext, const char *i_pText)
{
    return QCoreApplication::translate(i_pContext, i_pText);
}

QString StoredLocale()
{
    return CCfg().Value(QStringLiteral("locale"), QStringLiteral("<none>")).toString();
}

} // namespace

class TestCLocalizations : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void discovery_data();
    void discovery();
    void languageNames();
    void menuTexts();
    void switching();
    void storedCodeUsedWhenNoneGiven();
    void deletedFileLeavesProgramUntranslated();
    void unreadableFileLoadsNothing();
    void sourceLanguageHasNoFile();
    void instanceUsesProgramFolderAndName();
    void switchRetranslatesDialogs();

private:
    void Ship(const QString &i_sFileName, const QString &i_sFrom);

    std::unique_ptr<CSettingsSandbox> m_pSandbox;
    std::unique_ptr<QTemporaryDir> m_pProgramDir;
};

void TestCLocalizations::init()
{
    m_pSandbox = std::make_unique<CSettingsSandbox>();
    QVERIFY(m_pSandbox->IsValid());
    m_pProgramDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pProgramDir->isValid());
    Ship(QStringLiteral("tst_RU_RU.qm"), QmFile(QStringLiteral("ru")));
    Ship(QStringLiteral("tst_de.qm"), QmFile(QStringLiteral("de")));
    Ship(QStringLiteral("tst_qq_zz.qm"), QmFile(QStringLiteral("de")));
    Ship(QStringLiteral("other_fr.qm"), QmFile(QStringLiteral("de")));
    Ship(QStringLiteral("tst_es.ts"), QmFile(QStringLiteral("de")));
    Ship(QStringLiteral("tst_.qm"), QmFile(QStringLiteral("de")));
    QVERIFY(QDir(m_pProgramDir->path()).mkdir(QStringLiteral("tst_it.qm")));
}

void TestCLocalizations::cleanup()
{
    m_pProgramDir.reset();
    m_pSandbox.reset();
}

void TestCLocalizations::Ship(const QString &i_sFileName, const QString &i_sFrom)
{
    QVERIFY2(QFile::copy(i_sFrom, QDir(m_pProgramDir->path()).filePath(i_sFileName)),
             qPrintable(i_sFrom));
}

void TestCLocalizations::discovery_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("listed");
    QTest::newRow("file named with RU_RU gives ru_ru") << QStringLiteral("ru_ru") << true;
    QTest::newRow("two-letter code") << QStringLiteral("de") << true;
    QTest::newRow("code the system does not know") << QStringLiteral("qq_zz") << true;
    QTest::newRow("source language always present") << QStringLiteral("en_us") << true;
    QTest::newRow("upper-case code is not kept") << QStringLiteral("RU_RU") << false;
    QTest::newRow("another program's file ignored") << QStringLiteral("fr") << false;
    QTest::newRow("not a .qm file ignored") << QStringLiteral("es") << false;
    QTest::newRow("folder ignored") << QStringLiteral("it") << false;
    QTest::newRow("nothing after the prefix ignored") << QString() << false;
}

void TestCLocalizations::discovery()
{
    QFETCH(QString, code);
    QFETCH(bool, listed);
    const CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QCOMPARE(oLocalizations.Languages().contains(code), listed);
    QCOMPARE(oLocalizations.Languages().size(), 4);
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("en_us"));
}

void TestCLocalizations::languageNames()
{
    const CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    const QMap<QString, QString> &mapLanguages = oLocalizations.Languages();
    QCOMPARE(mapLanguages.value(QStringLiteral("ru_ru")), QStringLiteral("русский"));
    QCOMPARE(mapLanguages.value(QStringLiteral("ru_ru")),
             QLocale(QLocale::Russian, QLocale::Russia).nativeLanguageName());
    QCOMPARE(mapLanguages.value(QStringLiteral("de")), QStringLiteral("Deutsch"));
    QVERIFY(mapLanguages.contains(QStringLiteral("qq_zz")));
    QCOMPARE(mapLanguages.value(QStringLiteral("qq_zz")), QString());
    QVERIFY(!mapLanguages.value(QStringLiteral("en_us")).isEmpty());
    QCOMPARE(mapLanguages.keys(),
             (QStringList{QStringLiteral("de"),
                          QStringLiteral("en_us"),
                          QStringLiteral("qq_zz"),
                          QStringLiteral("ru_ru")}));
}

void TestCLocalizations::menuTexts()
{
    const CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QCOMPARE(oLocalizations.MenuText(QStringLiteral("ru_ru")), QStringLiteral("Русский"));
    QCOMPARE(oLocalizations.MenuText(QStringLiteral("de")), QStringLiteral("Deutsch"));
    QCOMPARE(oLocalizations.MenuText(QStringLiteral("qq_zz")), QStringLiteral("qq_zz"));
}

void TestCLocalizations::switching()
{
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QVERIFY(oLocalizations.SetLocale(QStringLiteral("ru_ru")));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("ru_ru"));
    QCOMPARE(StoredLocale(), QStringLiteral("ru_ru"));
    QCOMPARE(Tr("v_options", "Options"), QStringLiteral("Параметры"));
    QCOMPARE(Tr("Load from file", "Empty file"), QStringLiteral("Пустой файл"));

    QVERIFY(oLocalizations.SetLocale(QStringLiteral("de")));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("de"));
    QCOMPARE(StoredLocale(), QStringLiteral("de"));
    QCOMPARE(Tr("v_options", "Options"), QStringLiteral("Optionen"));
    QCOMPARE(Tr("Load from file", "No IP addresses found"),
             QStringLiteral("Keine IP-Adressen gefunden"));
}

void TestCLocalizations::storedCodeUsedWhenNoneGiven()
{
    CCfg().SetValue(QStringLiteral("locale"), QStringLiteral("ru_ru"));
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QVERIFY(oLocalizations.SetLocale(QString()));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("ru_ru"));
    QCOMPARE(Tr("v_options", "Apply"), QStringLiteral("Применить"));

    CCfg().SetValue(QStringLiteral("locale"), QString());
    QVERIFY(!oLocalizations.SetLocale(QString()));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("en_us"));
    QCOMPARE(Tr("v_options", "Apply"), QStringLiteral("Apply"));
}

void TestCLocalizations::deletedFileLeavesProgramUntranslated()
{
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QVERIFY(oLocalizations.SetLocale(QStringLiteral("de")));
    QVERIFY(QFile::remove(QDir(m_pProgramDir->path()).filePath(QStringLiteral("tst_RU_RU.qm"))));
    QVERIFY(oLocalizations.Languages().contains(QStringLiteral("ru_ru")));

    QVERIFY(!oLocalizations.SetLocale(QStringLiteral("ru_ru")));
    QCOMPARE(Tr("v_options", "Options"), QStringLiteral("Options"));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("en_us"));
    QCOMPARE(StoredLocale(), QString());
}

void TestCLocalizations::unreadableFileLoadsNothing()
{
    QFile oBroken(QDir(m_pProgramDir->path()).filePath(QStringLiteral("tst_pl.qm")));
    QVERIFY(oBroken.open(QIODevice::WriteOnly));
    oBroken.write("this is no translation file");
    oBroken.close();
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QVERIFY(oLocalizations.Languages().contains(QStringLiteral("pl")));
    QVERIFY(!oLocalizations.SetLocale(QStringLiteral("pl")));
    QCOMPARE(StoredLocale(), QString());
    QCOMPARE(Tr("v_options", "Options"), QStringLiteral("Options"));
}

void TestCLocalizations::sourceLanguageHasNoFile()
{
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    QVERIFY(oLocalizations.SetLocale(QStringLiteral("ru_ru")));
    QVERIFY(!oLocalizations.SetLocale(QStringLiteral("en_us")));
    QCOMPARE(oLocalizations.CurrentLocale(QStringLiteral("en_us")), QStringLiteral("en_us"));
    QCOMPARE(StoredLocale(), QString());
    QCOMPARE(Tr("v_options", "Options"), QStringLiteral("Options"));
}

void TestCLocalizations::instanceUsesProgramFolderAndName()
{
    CLocalizations *pInstance = CLocalizations::instance();
    QVERIFY(pInstance);
    QCOMPARE(CLocalizations::instance(), pInstance);
    QCOMPARE(pInstance->parent(), QCoreApplication::instance());
    // The build puts a copy of the Russian translation beside this test as
    // tst_CLocalizations_ru.qm.
    QCOMPARE(pInstance->Languages().keys(),
             (QStringList{QStringLiteral("en_us"), QStringLiteral("ru")}));
    QVERIFY(pInstance->SetLocale(QStringLiteral("ru")));
    QCOMPARE(Tr("v_options", "Cancel"), QStringLiteral("Отмена"));
    QVERIFY(!pInstance->SetLocale(QStringLiteral("en_us")));
    QCOMPARE(Tr("v_options", "Cancel"), QStringLiteral("Cancel"));
}

void TestCLocalizations::switchRetranslatesDialogs()
{
    CLocalizations oLocalizations(m_pProgramDir->path(), Prefix, nullptr);
    v_options oOptions;
    v_ip_about oAbout;
    auto *pVersion = oAbout.findChild<QLabel *>(QStringLiteral("lbl_version"));
    QVERIFY(pVersion);

    QVERIFY(oLocalizations.SetLocale(QStringLiteral("de")));
    oOptions.OnLanguageChanged();
    oAbout.OnLanguageChanged();
    QCOMPARE(oOptions.windowTitle(), QStringLiteral("Optionen"));
    QCOMPARE(pVersion->text(), QStringLiteral("Vistrel v2.1.200 für Linux und Windows"));

    QVERIFY(!oLocalizations.SetLocale(QStringLiteral("en_us")));
    oOptions.OnLanguageChanged();
    oAbout.OnLanguageChanged();
    QCOMPARE(oOptions.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(pVersion->text(), QStringLiteral("Vistrel v2.1.200 for Linux and Windows"));
}

QTEST_MAIN(TestCLocalizations)
#include "tst_CLocalizations.moc"
