// SPDX-License-Identifier: GPL-3.0-or-later
// The MAC vendor registry against small registry files written here in both of the forms the
// IEEE publishes (and Debian's ieee-data package installs).
#include "CMacVendors.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray g_baOuiCsv =
    "Registry,Assignment,Organization Name,Organization Address\r\n"
    "MA-L,002272,American Micro-Fuel Device Corp.,2181 Buchanan Loop Ferndale WA US 98248 \r\n"
    "MA-L,F4BD9E,\"Cisco Systems, Inc\",80 West Tasman Drive San Jose CA US 94568 \r\n"
    "MA-L,70B3D5,IEEE Registration Authority,445 Hoes Lane Piscataway NJ US 08554 \r\n"
    "MA-L,5885E9,\"Quote \"\"Inside\"\" Ltd\",\"No.24, Some Road\"\r\n";

const QByteArray g_baMamCsv = "Registry,Assignment,Organization Name,Organization Address\n"
                              "MA-M,70B3D59,Medium Block Maker,Somewhere\n";

const QByteArray g_baOui36Csv =
    "Registry,Assignment,Organization Name,Organization Address\n"
    "MA-S,70B3D5F2F,TELEPLATFORMS,\"Polbina st., 3/1 Moscow  RU 109388 \"\n";

const QByteArray g_baOuiText =
    "OUI/MA-L                                                    Organization\r\n"
    "company_id                                                  Organization\r\n"
    "                                                            Address\r\n"
    "\r\n"
    "02-5E-00   (hex)\t\tNetlab Test Org\r\n"
    "025E00     (base 16)\t\tNetlab Test Org\r\n"
    "\t\t\t\tSome Street\r\n"
    "\r\n"
    "00-D0-EF   (hex)\t\tIGT\r\n"
    "00D0EF     (base 16)\t\tIGT\r\n";

const QByteArray g_baMamText =
    "MA-M                                                        Organization\r\n"
    "\r\n"
    "74-1A-E0   (hex)\t\tPrivate Block Owner\r\n"
    "900000-9FFFFF     (base 16)\t\tPrivate Block Owner\r\n"
    "\r\n"
    "74-1A-E0   (hex)\t\tSecond Owner\r\n"
    "B00000-BFFFFF     (base 16)\t\tSecond Owner\r\n";

QByteArray Mac(const char *i_pHex)
{
    return QByteArray::fromHex(i_pHex);
}

} // namespace

class TestCMacVendors : public QObject
{
    Q_OBJECT

private slots:
    void csvLookup_data();
    void csvLookup();
    void textLookup_data();
    void textLookup();
    void folderPrefersCsvOverText();
    void unusableFilesAreRefused_data();
    void unusableFilesAreRefused();
    void emptyFolderLoadsNothing();
    void csvQuoting_data();
    void csvQuoting();

private:
    QString Write(const QString &i_sName, const QByteArray &i_baData);
    QTemporaryDir m_oDir;
};

QString TestCMacVendors::Write(const QString &i_sName, const QByteArray &i_baData)
{
    const QString sPath = m_oDir.filePath(i_sName);
    QFile oFile(sPath);
    if (!oFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || oFile.write(i_baData) != i_baData.size())
        return QString();
    return sPath;
}

void TestCMacVendors::csvLookup_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("vendor");
    QTest::newRow("large block") << Mac("002272123456") << "American Micro-Fuel Device Corp.";
    QTest::newRow("quoted name with a comma") << Mac("f4bd9e000001") << "Cisco Systems, Inc";
    QTest::newRow("medium block beats its large block")
        << Mac("70b3d59abcde") << "Medium Block Maker";
    QTest::newRow("small block beats both") << Mac("70b3d5f2f123") << "TELEPLATFORMS";
    QTest::newRow("rest of the large block")
        << Mac("70b3d5100000") << "IEEE Registration Authority";
    QTest::newRow("unregistered block") << Mac("123456789abc") << QString();
    QTest::newRow("unknown MAC of zeros") << QByteArray(6, '\0') << QString();
    QTest::newRow("all 0xFF") << QByteArray(6, '\xFF') << QString();
    QTest::newRow("too short") << Mac("002272") << QString();
}

void TestCMacVendors::csvLookup()
{
    QFETCH(QByteArray, mac);
    QFETCH(QString, vendor);
    CMacVendors oVendors;
    QVERIFY(oVendors.LoadFile(Write(QStringLiteral("oui.csv"), g_baOuiCsv)));
    QVERIFY(oVendors.LoadFile(Write(QStringLiteral("mam.csv"), g_baMamCsv)));
    QVERIFY(oVendors.LoadFile(Write(QStringLiteral("oui36.csv"), g_baOui36Csv)));
    QCOMPARE(oVendors.Count(), 6);
    QCOMPARE(oVendors.Lookup(mac), vendor);
}

void TestCMacVendors::textLookup_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("vendor");
    QTest::newRow("large block") << Mac("025e0000000a") << "Netlab Test Org";
    QTest::newRow("second entry") << Mac("00d0ef000000") << "IGT";
    QTest::newRow("medium block from its range") << Mac("741ae0912345") << "Private Block Owner";
    QTest::newRow("another medium block of the same large block")
        << Mac("741ae0b00000") << "Second Owner";
    QTest::newRow("a medium block names no owner for the rest") << Mac("741ae0100000") << QString();
}

void TestCMacVendors::textLookup()
{
    QFETCH(QByteArray, mac);
    QFETCH(QString, vendor);
    CMacVendors oVendors;
    QVERIFY(oVendors.LoadFile(Write(QStringLiteral("oui.txt"), g_baOuiText)));
    QVERIFY(oVendors.LoadFile(Write(QStringLiteral("mam.txt"), g_baMamText)));
    QCOMPARE(oVendors.Count(), 4);
    QCOMPARE(oVendors.Lookup(mac), vendor);
}

void TestCMacVendors::folderPrefersCsvOverText()
{
    QTemporaryDir oFolder;
    QVERIFY(oFolder.isValid());
    const auto Put = [&oFolder](const char *i_pName, const QByteArray &i_baData) {
        QFile oFile(oFolder.filePath(QLatin1String(i_pName)));
        return oFile.open(QIODevice::WriteOnly) && oFile.write(i_baData) == i_baData.size();
    };
    QVERIFY(Put("oui.csv", g_baOuiCsv));
    QVERIFY(Put("oui.txt", g_baOuiText));
    QVERIFY(Put("mam.txt", g_baMamText));
    CMacVendors oVendors;
    QVERIFY(oVendors.LoadFolder(oFolder.path()));
    QCOMPARE(oVendors.LoadedFiles(),
             (QStringList{oFolder.filePath(QStringLiteral("oui.csv")),
                          oFolder.filePath(QStringLiteral("mam.txt"))}));
    QCOMPARE(oVendors.Lookup(Mac("002272000000")),
             QStringLiteral("American Micro-Fuel Device Corp."));
    QCOMPARE(oVendors.Lookup(Mac("025e00000000")), QString()); // only in the text form left aside
    QCOMPARE(oVendors.Lookup(Mac("741ae0b00001")), QStringLiteral("Second Owner"));
}

void TestCMacVendors::unusableFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("csv header only")
        << QByteArray("Registry,Assignment,Organization Name,Organization Address\n");
    QTest::newRow("not hexadecimal")
        << QByteArray("Registry,Assignment,Organization Name\nMA-L,XYZXYZ,Someone\n");
    QTest::newRow("assignment too short")
        << QByteArray("Registry,Assignment,Organization Name\nMA-L,0022,Someone\n");
    QTest::newRow("no owner") << QByteArray(
        "Registry,Assignment,Organization Name\nMA-L,002272,  \n");
    QTest::newRow("binary noise") << QByteArray("\x00\xff\xfe(hex)\x01(base 16)\n-\n", 21);
    QTest::newRow("base 16 range before any block")
        << QByteArray("900000-9FFFFF     (base 16)\t\tNobody\n");
}

void TestCMacVendors::unusableFilesAreRefused()
{
    QFETCH(QByteArray, content);
    CMacVendors oVendors;
    QString sError;
    QVERIFY(!oVendors.LoadFile(Write(QStringLiteral("bad.csv"), content), &sError));
    QVERIFY(!sError.isEmpty());
    QCOMPARE(oVendors.Count(), 0);
    QCOMPARE(oVendors.Lookup(Mac("002272000000")), QString());
}

void TestCMacVendors::emptyFolderLoadsNothing()
{
    QTemporaryDir oFolder;
    CMacVendors oVendors;
    QVERIFY(!oVendors.LoadFolder(oFolder.path()));
    QVERIFY(!oVendors.LoadFile(oFolder.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!oVendors.LoadFile(oFolder.path())); // a folder is not a file
    QCOMPARE(oVendors.Count(), 0);
}

void TestCMacVendors::csvQuoting_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("plain") << "a,b,c" << QStringList{"a", "b", "c"};
    QTest::newRow("quoted comma") << "a,\"b,c\",d" << QStringList{"a", "b,c", "d"};
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\",x" << QStringList{"say \"hi\"", "x"};
    QTest::newRow("empty fields") << ",," << QStringList{"", "", ""};
    QTest::newRow("unterminated quote keeps the rest") << "a,\"b,c" << QStringList{"a", "b,c"};
}

void TestCMacVendors::csvQuoting()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(CMacVendors::SplitCsvLine(line), fields);
}

QTEST_GUILESS_MAIN(TestCMacVendors)
#include "tst_CMacVendors.moc"
