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
        } else if (c == QLatin1Char('\r') && i + 1 < i_sText.size() && i_sText.at(i + 1) == QLatin1Char('\n')) {
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
    QVERIFY2(QFile::exists(CResultsXml::XslPath(QStringLiteral("xml_to_csv.xsl"))), "stylesheets are deployed beside the test");
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
    const QString sCsv = pModel->GetXml(false, QStringLiteral("xml_to_csv.xsl"));
    QList<QStringList> lRows;
    QVERIFY2(ParseCsv(sCsv, &lRows), qPrintable(sCsv));
    QCOMPARE(lRows.size(), 4);
    const QStringList lsHeader{QStringLiteral("Status"), QStringLiteral("Name"), QStringLiteral("IP"),
                               QStringLiteral("NetBIOS name"), QStringLiteral("NetBIOS group"),
                               QStringLiteral("MAC address"), QStringLiteral("User"), QStringLiteral("HTTP"),
                               QStringLiteral("HTTP title"), QStringLiteral("HTTPS"), QStringLiteral("FTP"),
                               QStringLiteral("Ortavo ports"), QStringLiteral("Shares"), QStringLiteral("Comments")};
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
    const QString sCsv = CResultsXml::Transform(CResultsXml::DocumentStart() + CResultsXml::DocumentEnd(),
                                                CResultsXml::XslPath(QStringLiteral("xml_to_csv.xsl")));
    QList<QStringList> lRows;
    QVERIFY(ParseCsv(sCsv, &lRows));
    QCOMPARE(lRows.size(), 1);
}

void TestXslReports::htmlIsWellFormedWithEveryHost()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    const QString sHtml = pModel->GetXml(false, QStringLiteral("xml_to_html.xsl"));
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
        if (sName == QLatin1String("meta") && oReader.attributes().value(QLatin1String("charset")) == QLatin1String("utf-8"))
            fMetaCharset = true;
        else if (sName == QLatin1String("tbody"))
            fInBody = true;
        else if (sName == QLatin1String("p") && oReader.attributes().value(QLatin1String("class")) == QLatin1String("summary"))
            sSummary = oReader.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (fInBody && sName == QLatin1String("tr"))
            lsRowClasses << oReader.attributes().value(QLatin1String("class")).toString();
        else if (fInBody && sName == QLatin1String("td"))
            lsCells << oReader.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    QVERIFY2(!oReader.hasError(), qPrintable(oReader.errorString()));
    QVERIFY(fMetaCharset);
    QCOMPARE(lsRowClasses, (QStringList{QStringLiteral("alive"), QStringLiteral("dead"), QStringLiteral("unknown")}));
    QVERIFY(sSummary.contains(QLatin1String("Hosts: 3")));
    QVERIFY(sSummary.contains(QLatin1String("Alive: 1")));
    QVERIFY(sSummary.contains(QLatin1String("Dead: 1")));
    QVERIFY(sSummary.contains(QLatin1String("Unknown: 1")));
    QCOMPARE(lsCells.size(), 30);
    QCOMPARE(lsCells.at(0), QStringLiteral("Ok"));
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
    const QString sHtml = pModel->GetXml(false, QStringLiteral("xml_to_html.xsl"));
    QVERIFY(!sHtml.isEmpty());
    // A browser reads <td/> as an unclosed start tag; only void elements may close themselves.
    static const QRegularExpression s_oSelfClosed(QStringLiteral("<(?!meta\\b|br\\b|hr\\b|img\\b|link\\b)(\\w+)[^<>]*/>"));
    const QRegularExpressionMatch oMatch = s_oSelfClosed.match(sHtml);
    QVERIFY2(!oMatch.hasMatch(), qPrintable(oMatch.captured(0)));
}

void TestXslReports::missingStylesheetGivesEmptyResult()
{
    VResultsBackend *pModel = NewModel(ReportHosts());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot open the stylesheet")));
    QCOMPARE(pModel->GetXml(false, QStringLiteral("no_such.xsl")), QString());
}

void TestXslReports::stylesheetProblemsGiveEmptyResult_data()
{
    QTest::addColumn<QByteArray>("stylesheet");
    QTest::newRow("not XML") << QByteArray("this is not a stylesheet");
    QTest::newRow("unsupported xsl:for-each-group")
        << QByteArray("<xsl:stylesheet version=\"2.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:template match=\"/\"><xsl:for-each-group select=\"//row\" group-by=\"@status\">x"
                      "</xsl:for-each-group></xsl:template></xsl:stylesheet>");
    QTest::newRow("fails while running")
        << QByteArray("<xsl:stylesheet version=\"2.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:template match=\"/\"><xsl:value-of select=\"error()\"/></xsl:template></xsl:stylesheet>");
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
