// SPDX-License-Identifier: GPL-3.0-or-later
#include "CResultsXml.h"
#include "TestItems.h"
#include "VResultsBackend.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace TestItems;

namespace {

// RFC 4180 reader: quoted fields may hold commas, doubled quotes and line breaks. Returns false
// on a quote in the middle of an unquoted field or an unterminated quoted one.
bool ParseCsv(const QString &i_sText, QList<QStringList> *o_plRows)
{
    QList<QStringList> lRows;
    QStringList lsRow;
    QString sField;
    bool fQuoted = false;
    bool fFieldStarted = false;
    for (int i = 0; i < i_sText.size(); ++i) {
        const QChar c = i_sText.at(i);
        if (fQuoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < i_sText.size() && i_sText.at(i + 1) == QLatin1Char('"')) {
                    sField += c;
                    ++i;
                } else {
                    fQuoted = false;
                }
            } else {
                sField += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (fFieldStarted)
                return false;
            fQuoted = true;
            fFieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            lsRow << sField;
            sField.clear();
            fFieldStarted = false;
        } else if (c == QLatin1Char('\r') && i + 1 < i_sText.size()
                   && i_sText.at(i + 1) == QLatin1Char('\n')) {
            lsRow << sField;
            lRows << lsRow;
            lsRow.clear();
            sField.clear();
            fFieldStarted = false;
            ++i;
        } else {
            sField += c;
            fFieldStarted = true;
        }
    }
    if (fQuoted || fFieldStarted || !lsRow.isEmpty())
        return false; // every record ends with CR LF
    *o_plRows = lRows;
    return true;
}

QList<CScanItem> ReportHosts()
{
    QList<CScanItem> lItems = ThreeHosts();
    lItems[0].result().set_user(QStringLiteral("doe, \"jd\"\r\nsecond line"));
    lItems[0].result().set_netbiosgroup(QStringLiteral("R&D <lab>"));
    return lItems;
}

} // namespace

class TestXslReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void csvParsesBackToTheHosts();
    void csvOfNoRowsIsHeaderOnly();
    void csvSaysWhyAHostIsAlive();
    void csvCellsASpreadsheetWouldRunAreText_data();
    void csvCellsASpreadsheetWouldRunAreText();
    void reportsLeaveAMissingMacEmpty_data();
    void reportsLeaveAMissingMacEmpty();
    void htmlIsWellFormedWithEveryHost();
    void htmlHasNoSelfClosingContainers();
    void missingStylesheetGivesEmptyResult();
    void stylesheetProblemsGiveEmptyResult_data();
    void stylesheetProblemsGiveEmptyResult();

private:
    VResultsBackend *NewModel(const QList<CScanItem> &i_lItems);
};

void TestXslReports::initTestCase()
{
    QVERIFY2(QFile::exists(CResultsXml::XslPath(QStringLiteral("xml_to_csv.xsl"))),
             "stylesheets are deployed beside the test");
    QVERIFY(QFile::exists(CResultsXml::XslPath(QStringLiteral("xml_to_html.xsl"))));
}

VResultsBackend *TestXslReports::NewModel(const QList<CScanItem> &i_lItems)
{
    auto *pModel = new VResultsBackend(this, VResultsBackend::kFavoritesColumnCount, false);
    CCfg oCfg;
    oCfg.set_show_unknown(true);
    pModel->SetCfg(oCfg);
    QList<CScanItem> lItems = i_lItems;
    pModel->FromList(lItems);
    return pModel;
}

void TestXslReports::csvParsesBackToTheHosts()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    const QString sCsv = ModelXml(*pModel, QStringLiteral("xml_to_csv.xsl"));
    QList<QStringList> lRows;
    QVERIFY2(ParseCsv(sCsv, &lRows), qPrintable(sCsv));
    QCOMPARE(lRows.size(), 4);
    const QStringList lsHeader{QStringLiteral("Status"),
                               QStringLiteral("Name"),
                               QStringLiteral("IP"),
                               QStringLiteral("NetBIOS name"),
                               QStringLiteral("NetBIOS group"),
                               QStringLiteral("MAC address"),
                               QStringLiteral("User"),
                               QStringLiteral("HTTP"),
                               QStringLiteral("HTTP title"),
                               QStringLiteral("HTTPS"),
                               QStringLiteral("FTP"),
                               QStringLiteral("Ortavo ports"),
                               QStringLiteral("Shares"),
                               QStringLiteral("Comments")};
    QCOMPARE(lRows.at(0), lsHeader);
    const QStringList lsFirst{QStringLiteral("alive"),
                              QStringLiteral("a&b \"c\" <d> 'e'"),
                              QStringLiteral("10.0.0.1"),
                              QStringLiteral("PC1"),
                              QStringLiteral("R&D <lab>"),
                              QStringLiteral("00:11:22:AA:BB:CC"),
                              QStringLiteral("doe, \"jd\"\r\nsecond line"),
                              QStringLiteral("yes"),
                              QStringLiteral("Home"),
                              QStringLiteral("no"),
                              QStringLiteral("yes"),
                              QStringLiteral("4899 4900"),
                              QStringLiteral("C$; Docs & more"),
                              QStringLiteral("note")};
    QCOMPARE(lRows.at(1), lsFirst);
    QCOMPARE(lRows.at(2).at(0), QStringLiteral("dead"));
    QCOMPARE(lRows.at(2).at(5), QString()); // all-FF MAC is not written
    QCOMPARE(lRows.at(3).at(0), QString()); // a status the format has no word for
    QCOMPARE(lRows.at(3).at(1), QStringLiteral("Пётр"));
    QCOMPARE(lRows.at(3).at(13), QStringLiteral("multi\r\nline\ttab"));
    for (const QStringList &lsRow : qAsConst(lRows))
        QCOMPARE(lsRow.size(), lsHeader.size());
}

void TestXslReports::csvOfNoRowsIsHeaderOnly()
{
    const QString sCsv =
        CResultsXml::Transform(CResultsXml::DocumentStart() + CResultsXml::DocumentEnd(),
                               CResultsXml::XslPath(QStringLiteral("xml_to_csv.xsl")));
    QList<QStringList> lRows;
    QVERIFY(ParseCsv(sCsv, &lRows));
    QCOMPARE(lRows.size(), 1);
}

void TestXslReports::csvSaysWhyAHostIsAlive()
{
    // Only a scan that recorded the probe has the column; older files keep their table.
    QList<CScanItem> lItems = ReportHosts();
    lItems[0].result().set_alive_by(EAliveBy::Arp);
    VResultsBackend *pModel = NewModel(lItems);
    QList<QStringList> lRows;
    QVERIFY(ParseCsv(ModelXml(*pModel, QStringLiteral("xml_to_csv.xsl")), &lRows));
    QCOMPARE(lRows.size(), 4);
    QCOMPARE(lRows.at(0).size(), 15);
    QCOMPARE(lRows.at(0).last(), QStringLiteral("Alive by"));
    QCOMPARE(lRows.at(1).last(), QStringLiteral("arp"));
    QCOMPARE(lRows.at(2).size(), 15);
    QCOMPARE(lRows.at(2).last(), QString());
}

void TestXslReports::csvCellsASpreadsheetWouldRunAreText_data()
{
    QTest::addColumn<CScanItem>("item");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("cell");

    const CScanResult oBase = Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("pc"));
    const auto fnWith = [&oBase](void (CScanResult::*i_pSet)(const QString &),
                                 const QString &i_sText) {
        CScanResult oResult = oBase;
        (oResult.*i_pSet)(i_sText);
        oResult.set_has_http(true);
        return CScanItem(oResult);
    };
    QTest::newRow("page title starting with =")
        << fnWith(&CScanResult::set_http_title,
                  QStringLiteral("=HYPERLINK(\"http://x.test/\",\"x\")"))
        << QString() << "HTTP title" << QStringLiteral("'=HYPERLINK(\"http://x.test/\",\"x\")");
    QTest::newRow("name starting with +")
        << fnWith(&CScanResult::set_name, QStringLiteral("+1+cmd")) << QString() << "Name"
        << QStringLiteral("'+1+cmd");
    QTest::newRow("name that is a lone -") << fnWith(&CScanResult::set_name, QStringLiteral("-"))
                                           << QString() << "Name" << QStringLiteral("'-");
    QTest::newRow("NetBIOS name starting with -")
        << fnWith(&CScanResult::set_netbiosname, QStringLiteral("-2+3")) << QString()
        << "NetBIOS name" << QStringLiteral("'-2+3");
    QTest::newRow("NetBIOS group starting with @")
        << fnWith(&CScanResult::set_netbiosgroup, QStringLiteral("@SUM(1)")) << QString()
        << "NetBIOS group" << QStringLiteral("'@SUM(1)");
    QTest::newRow("user starting with =, with a comma: quoted after the apostrophe")
        << fnWith(&CScanResult::set_user, QStringLiteral("=1,2")) << QString() << "User"
        << QStringLiteral("'=1,2");
    CScanResult oShares = oBase;
    oShares.set_shares({QStringLiteral("=cmd|' /C calc'!A0"), QStringLiteral("Public")});
    QTest::newRow("first share starting with =") << CScanItem(oShares) << QString() << "Shares"
                                                 << QStringLiteral("'=cmd|' /C calc'!A0; Public");
    QTest::newRow("comment starting with a TAB")
        << CScanItem(oBase, QStringLiteral("\t=1+1")) << QString() << "Comments"
        << QStringLiteral("'\t=1+1");
    QTest::newRow("comment starting with a CR")
        << CScanItem(oBase, QStringLiteral("\r=1+1")) << QString() << "Comments"
        << QStringLiteral("'\r=1+1");
    QTest::newRow("vendor column starting with @")
        << CScanItem(oBase) << QStringLiteral("@x") << "Vendor" << QStringLiteral("'@x");
    QTest::newRow("= later in the cell stays as it is")
        << fnWith(&CScanResult::set_http_title, QStringLiteral("a=b")) << QString() << "HTTP title"
        << QStringLiteral("a=b");
    QTest::newRow("an apostrophe of its own is not doubled")
        << fnWith(&CScanResult::set_name, QStringLiteral("'=x")) << QString() << "Name"
        << QStringLiteral("'=x");
}

void TestXslReports::csvCellsASpreadsheetWouldRunAreText()
{
    QFETCH(CScanItem, item);
    QFETCH(QString, vendor);
    QFETCH(QString, column);
    QFETCH(QString, cell);
    QList<QPair<QString, QString>> lExtra;
    if (!vendor.isEmpty())
        lExtra << qMakePair(QStringLiteral("vendor"), vendor);
    // The console's rows and the window's (the model's writer) go through the same stylesheet.
    const QString sDocument =
        CResultsXml::DocumentStart() + CResultsXml::Row(item, lExtra) + CResultsXml::DocumentEnd();
    const QString sCsv =
        CResultsXml::Transform(sDocument, CResultsXml::XslPath(QStringLiteral("xml_to_csv.xsl")));
    QList<QStringList> lRows;
    QVERIFY2(ParseCsv(sCsv, &lRows), qPrintable(sCsv));
    QCOMPARE(lRows.size(), 2);
    const int nColumn = lRows.at(0).indexOf(column);
    QVERIFY(nColumn >= 0);
    QCOMPARE(lRows.at(1).value(nColumn), cell);
    // The fields the program writes itself are never touched.
    QCOMPARE(lRows.at(1).at(0), QStringLiteral("alive"));
    QCOMPARE(lRows.at(1).at(2), QStringLiteral("10.0.0.1"));

    if (vendor.isEmpty()) {
        VResultsBackend *pModel = NewModel({item});
        QCOMPARE(ModelXml(*pModel, QStringLiteral("xml_to_csv.xsl")), sCsv);
    }
}

void TestXslReports::reportsLeaveAMissingMacEmpty_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("xmlAttribute"); // as the results XML has always written it
    QTest::addColumn<QString>("shown");
    QTest::newRow("zeros: no MAC address known")
        << QByteArray(6, '\0') << QStringLiteral(" mac=\"00:00:00:00:00:00\" ") << QString();
    QTest::newRow("all FF: none either, and not in the XML")
        << QByteArray(6, '\xFF') << QString() << QString();
    QTest::newRow("a real address")
        << QByteArray::fromHex("3c22fb000005") << QStringLiteral(" mac=\"3C:22:FB:00:00:05\" ")
        << QStringLiteral("3C:22:FB:00:00:05");
}

void TestXslReports::reportsLeaveAMissingMacEmpty()
{
    QFETCH(QByteArray, mac);
    QFETCH(QString, xmlAttribute);
    QFETCH(QString, shown);
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("pc"));
    oResult.set_mac(mac);
    VResultsBackend *pModel = NewModel({CScanItem(oResult)});

    const QString sXml = ModelXml(*pModel, QString());
    if (xmlAttribute.isEmpty())
        QVERIFY2(!sXml.contains(QLatin1String(" mac=")), qPrintable(sXml));
    else
        QVERIFY2(sXml.contains(xmlAttribute), qPrintable(sXml));

    QList<QStringList> lRows;
    const QString sCsv = ModelXml(*pModel, QStringLiteral("xml_to_csv.xsl"));
    QVERIFY2(ParseCsv(sCsv, &lRows), qPrintable(sCsv));
    QCOMPARE(lRows.size(), 2);
    QCOMPARE(lRows.at(0).at(5), QStringLiteral("MAC address"));
    QCOMPARE(lRows.at(1).at(5), shown);

    QXmlStreamReader oHtml(ModelXml(*pModel, QStringLiteral("xml_to_html.xsl")));
    QStringList lsMacCells;
    while (!oHtml.atEnd()) {
        oHtml.readNext();
        if (oHtml.isStartElement() && oHtml.name() == QLatin1String("td")
            && oHtml.attributes().value(QLatin1String("class")) == QLatin1String("mac"))
            lsMacCells << oHtml.readElementText();
    }
    QVERIFY2(!oHtml.hasError(), qPrintable(oHtml.errorString()));
    // An empty cell holds a no-break space, as every other empty cell of the page.
    QCOMPARE(lsMacCells, QStringList{shown.isEmpty() ? QString(QChar(0xA0)) : shown});
}

void TestXslReports::htmlIsWellFormedWithEveryHost()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    const QString sHtml = ModelXml(*pModel, QStringLiteral("xml_to_html.xsl"));
    QVERIFY(sHtml.startsWith(QLatin1String("<!DOCTYPE html>")));
    QXmlStreamReader oReader(sHtml);
    QStringList lsRowClasses;
    QStringList lsCells;
    QString sSummary;
    bool fInBody = false;
    bool fMetaCharset = false;
    while (!oReader.atEnd()) {
        oReader.readNext();
        if (!oReader.isStartElement())
            continue;
        const QStringRef sName = oReader.name();
        if (sName == QLatin1String("meta")
            && oReader.attributes().value(QLatin1String("charset")) == QLatin1String("utf-8"))
            fMetaCharset = true;
        else if (sName == QLatin1String("tbody"))
            fInBody = true;
        else if (sName == QLatin1String("p")
                 && oReader.attributes().value(QLatin1String("class")) == QLatin1String("summary"))
            sSummary = oReader.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (fInBody && sName == QLatin1String("tr"))
            lsRowClasses << oReader.attributes().value(QLatin1String("class")).toString();
        else if (fInBody && sName == QLatin1String("td"))
            lsCells << oReader.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    QVERIFY2(!oReader.hasError(), qPrintable(oReader.errorString()));
    QVERIFY(fMetaCharset);
    QCOMPARE(
        lsRowClasses,
        (QStringList{QStringLiteral("alive"), QStringLiteral("dead"), QStringLiteral("unknown")}));
    QVERIFY(sSummary.contains(QLatin1String("Hosts: 3")));
    QVERIFY(sSummary.contains(QLatin1String("Alive: 1")));
    QVERIFY(sSummary.contains(QLatin1String("Dead: 1")));
    QVERIFY(sSummary.contains(QLatin1String("Unknown: 1")));
    QCOMPARE(lsCells.size(), 30);
    QCOMPARE(lsCells.at(0), QStringLiteral("Alive"));
    QCOMPARE(lsCells.at(1), QStringLiteral("a&b \"c\" <d> 'e'"));
    QCOMPARE(lsCells.at(2), QStringLiteral("10.0.0.1"));
    QCOMPARE(lsCells.at(4), QStringLiteral("R&D <lab>"));
    QVERIFY(lsCells.at(7).contains(QLatin1String("HTTP: Home")));
    QVERIFY(lsCells.at(7).contains(QLatin1String("FTP")));
    QVERIFY(lsCells.at(7).contains(QLatin1String("Ortavo: 4900")));
    QVERIFY(!lsCells.at(7).contains(QLatin1String("HTTPS")));
    QVERIFY(lsCells.at(8).contains(QLatin1String("Docs & more")));
    QCOMPARE(lsCells.at(10), QStringLiteral("Dead"));
    QCOMPARE(lsCells.at(20), QStringLiteral("Unknown"));
    QCOMPARE(lsCells.at(21), QStringLiteral("Пётр"));
    QVERIFY(lsCells.at(27).contains(QLatin1String("HTTPS")));
}

void TestXslReports::htmlHasNoSelfClosingContainers()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    const QString sHtml = ModelXml(*pModel, QStringLiteral("xml_to_html.xsl"));
    QVERIFY(!sHtml.isEmpty());
    // A browser reads <td/> as an unclosed start tag; only void elements may close themselves.
    static const QRegularExpression s_oSelfClosed(
        QStringLiteral("<(?!meta\\b|br\\b|hr\\b|img\\b|link\\b)(\\w+)[^<>]*/>"));
    const QRegularExpressionMatch oMatch = s_oSelfClosed.match(sHtml);
    QVERIFY2(!oMatch.hasMatch(), qPrintable(oMatch.captured(0)));
}

void TestXslReports::missingStylesheetGivesEmptyResult()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("cannot open the stylesheet")));
    QCOMPARE(ModelXml(*pModel, QStringLiteral("no_such.xsl")), QString());
}

void TestXslReports::stylesheetProblemsGiveEmptyResult_data()
{
    QTest::addColumn<QByteArray>("stylesheet");
    QTest::newRow("not XML") << QByteArray("this is not a stylesheet");
    QTest::newRow("unsupported xsl:for-each-group") << QByteArray(
        "<xsl:stylesheet version=\"2.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template match=\"/\"><xsl:for-each-group select=\"//row\" group-by=\"@status\">x"
        "</xsl:for-each-group></xsl:template></xsl:stylesheet>");
    QTest::newRow("fails while running") << QByteArray(
        "<xsl:stylesheet version=\"2.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template match=\"/\"><xsl:value-of "
        "select=\"error()\"/></xsl:template></xsl:stylesheet>");
}

void TestXslReports::stylesheetProblemsGiveEmptyResult()
{
    QFETCH(QByteArray, stylesheet);
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPath = oDir.filePath(QStringLiteral("broken.xsl"));
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write(stylesheet);
    oFile.close();
    // Problems go to the log only.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("stylesheet")));
    const QString sDocument = CResultsXml::Document(ThreeHosts());
    QCOMPARE(CResultsXml::Transform(sDocument, sPath), QString());
}

QTEST_GUILESS_MAIN(TestXslReports)
#include "tst_XslReports.moc"
