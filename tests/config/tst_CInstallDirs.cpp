// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInstallDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A fake installation under a temporary prefix laid out by the same folder names the install
// rules use, so that a lookup that drifts from the install rules fails here.
class TestCInstallDirs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dataFile_data();
    void dataFile();
    void dataDirWith_data();
    void dataDirWith();
    void helperProgram_data();
    void helperProgram();
    void installedFoldersFollowInstallRules();
    void withoutProgramFolderOnlyInstalledFolder();
    void runningProgramLooksBesideItselfFirst();

private:
    QString Bin() const { return m_pPrefix->filePath(QStringLiteral(VISTREL_TEST_BINDIR)); }
    QString Data() const { return m_pPrefix->filePath(QStringLiteral(VISTREL_TEST_DATADIR)); }
    QString Helpers() const { return m_pPrefix->filePath(QStringLiteral(VISTREL_TEST_HELPERDIR)); }
    QString Folder(const QString &i_sWhich) const;
    static void Put(const QString &i_sPath, bool i_fExecutable = false);

    std::unique_ptr<QTemporaryDir> m_pPrefix;
};

void TestCInstallDirs::init()
{
    m_pPrefix = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pPrefix->isValid());
    QVERIFY(QDir().mkpath(Bin()));
    QVERIFY(QDir().mkpath(Data()));
    QVERIFY(QDir().mkpath(Helpers()));
}

QString TestCInstallDirs::Folder(const QString &i_sWhich) const
{
    if (i_sWhich == QLatin1String("bin"))
        return Bin();
    if (i_sWhich == QLatin1String("data"))
        return Data();
    if (i_sWhich == QLatin1String("helpers"))
        return Helpers();
    return QString();
}

void TestCInstallDirs::Put(const QString &i_sPath, bool i_fExecutable)
{
    QFile oFile(i_sPath);
    QVERIFY2(oFile.open(QIODevice::WriteOnly), qPrintable(i_sPath));
    oFile.write("x");
    oFile.close();
    QFile::Permissions oPermissions = QFile::ReadOwner | QFile::WriteOwner;
    if (i_fExecutable)
        oPermissions |= QFile::ExeOwner;
    QVERIFY(oFile.setPermissions(oPermissions));
}

void TestCInstallDirs::dataFile_data()
{
    QTest::addColumn<QStringList>("lsPlacedIn");
    QTest::addColumn<QString>("sExpectedIn");

    QTest::newRow("beside the program wins over the installed folder")
        << QStringList{QStringLiteral("bin"), QStringLiteral("data")} << QStringLiteral("bin");
    QTest::newRow("installed data folder when none beside the program")
        << QStringList{QStringLiteral("data")} << QStringLiteral("data");
    QTest::newRow("missing everywhere names the path beside the program")
        << QStringList{} << QStringLiteral("bin");
    QTest::newRow("helper folder is no data folder")
        << QStringList{QStringLiteral("helpers")} << QStringLiteral("bin");
}

void TestCInstallDirs::dataFile()
{
    QFETCH(QStringList, lsPlacedIn);
    QFETCH(QString, sExpectedIn);
    const QString sName = QStringLiteral("xml_to_html.xsl");
    for (const QString &sWhich : lsPlacedIn)
        Put(QDir(Folder(sWhich)).filePath(sName));

    const QString sFound = CInstallDirs::DataFile(sName, Bin());
    QCOMPARE(QDir::cleanPath(sFound), QDir::cleanPath(QDir(Folder(sExpectedIn)).filePath(sName)));
}

void TestCInstallDirs::dataDirWith_data()
{
    QTest::addColumn<QStringList>("lsFiles");
    QTest::addColumn<QString>("sExpectedIn");

    QTest::newRow("translations beside the program")
        << QStringList{QStringLiteral("bin/vistrel_de.qm"), QStringLiteral("data/vistrel_ru.qm")}
        << QStringLiteral("bin");
    QTest::newRow("translations in the installed data folder")
        << QStringList{QStringLiteral("data/vistrel_ru.qm")} << QStringLiteral("data");
    QTest::newRow("other files beside the program do not count")
        << QStringList{QStringLiteral("bin/other_de.qm"),
                       QStringLiteral("bin/vistrel_de.ts"),
                       QStringLiteral("data/vistrel_de.qm")}
        << QStringLiteral("data");
    QTest::newRow("no translations anywhere gives the program folder")
        << QStringList{} << QStringLiteral("bin");
}

void TestCInstallDirs::dataDirWith()
{
    QFETCH(QStringList, lsFiles);
    QFETCH(QString, sExpectedIn);
    for (const QString &sFile : lsFiles) {
        const QString sWhich = sFile.section(QLatin1Char('/'), 0, 0);
        Put(QDir(Folder(sWhich)).filePath(sFile.section(QLatin1Char('/'), 1)));
    }
    const QString sDir = CInstallDirs::DataDirWith({QStringLiteral("vistrel_*.qm")}, Bin());
    QCOMPARE(QDir::cleanPath(sDir), QDir::cleanPath(Folder(sExpectedIn)));
}

void TestCInstallDirs::helperProgram_data()
{
    QTest::addColumn<QStringList>("lsPlacedIn");
    QTest::addColumn<bool>("fExecutable");
    QTest::addColumn<QString>("sExpectedIn");

    QTest::newRow("beside the program wins")
        << QStringList{QStringLiteral("bin"), QStringLiteral("helpers")} << true
        << QStringLiteral("bin");
    QTest::newRow("installed helper folder")
        << QStringList{QStringLiteral("helpers")} << true << QStringLiteral("helpers");
    QTest::newRow("a file that cannot be run is no helper")
        << QStringList{QStringLiteral("bin"), QStringLiteral("helpers")} << false << QString();
    QTest::newRow("data folder is no helper folder")
        << QStringList{QStringLiteral("data")} << true << QString();
    QTest::newRow("missing everywhere") << QStringList{} << true << QString();
}

void TestCInstallDirs::helperProgram()
{
    QFETCH(QStringList, lsPlacedIn);
    QFETCH(bool, fExecutable);
    QFETCH(QString, sExpectedIn);
    const QString sName = QStringLiteral("vistrel_smbshares");
    for (const QString &sWhich : lsPlacedIn)
        Put(QDir(Folder(sWhich)).filePath(sName), fExecutable);

    const QString sFound = CInstallDirs::HelperProgram(sName, Bin());
    if (sExpectedIn.isEmpty())
        QVERIFY2(sFound.isEmpty(), qPrintable(sFound));
    else
        QCOMPARE(QDir::cleanPath(sFound),
                 QDir::cleanPath(QDir(Folder(sExpectedIn)).filePath(sName)));
}

void TestCInstallDirs::installedFoldersFollowInstallRules()
{
    QCOMPARE(CInstallDirs::InstalledDataDir(),
             QDir::cleanPath(QStringLiteral(VISTREL_TEST_PREFIX "/" VISTREL_TEST_DATADIR)));
    QCOMPARE(CInstallDirs::InstalledHelperDir(),
             QDir::cleanPath(QStringLiteral(VISTREL_TEST_PREFIX "/" VISTREL_TEST_HELPERDIR)));
    const QStringList lsDirs = CInstallDirs::DataDirs(Bin());
    QCOMPARE(lsDirs.size(), 3);
    QCOMPARE(lsDirs.at(0), QDir::cleanPath(Bin()));
    QCOMPARE(lsDirs.at(1), QDir::cleanPath(Data()));
    QCOMPARE(lsDirs.at(2), CInstallDirs::InstalledDataDir());
}

void TestCInstallDirs::withoutProgramFolderOnlyInstalledFolder()
{
    QCOMPARE(CInstallDirs::DataDirs(QString()), QStringList{CInstallDirs::InstalledDataDir()});
    QCOMPARE(CInstallDirs::DataFile(QStringLiteral("xml_to_csv.xsl"), QString()),
             QDir(CInstallDirs::InstalledDataDir()).filePath(QStringLiteral("xml_to_csv.xsl")));
}

void TestCInstallDirs::runningProgramLooksBesideItselfFirst()
{
    QCOMPARE(CInstallDirs::DataDirs().first(), QCoreApplication::applicationDirPath());
    const QString sOwnName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QCOMPARE(CInstallDirs::HelperProgram(sOwnName), QCoreApplication::applicationFilePath());
}

QTEST_GUILESS_MAIN(TestCInstallDirs)
#include "tst_CInstallDirs.moc"
