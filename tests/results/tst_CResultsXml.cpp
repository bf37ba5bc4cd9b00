// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFavoritesContentHandler.h"
#include "CResultsXml.h"
#include "TestItems.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace TestItems;

Q_DECLARE_METATYPE(TIpRange)

namespace {

QByteArray Golden(const char *i_pName)
{
    QFile oFile(QStringLiteral(VISTREL_SHARED_TEST_DATA "/results/") + QLatin1String(i_pName));
    if (!oFile.open(QIODevice::ReadOnly))
        return QByteArray();
    return oFile.readAll();
}

QByteArray Document(const QByteArray &i_baRows)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel>") + i_baRows
           + QByteArray("\r\n</Vistrel>");
}

} // namespace

class TestCResultsXml : public QObject
{
    Q_OBJECT

private slots:
    void writerMatchesGoldenFile();
    void emptyListWritesNothing();
    void escape_data();
    void escape();
    void rowAttributes_data();
    void rowAttributes();

    void readerReadsGoldenFile();
    void roundTrip_data();
    void roundTrip();
    void scanInfoOnTheRootReadsAsBefore();
    void rangesText_data();
    void rangesText();
    void htmlNamesTheScanAndIsIndented();
    void readerIsLenient_data();
    void readerIsLenient();
    void addressesModeMergesRanges();
    void addressesModeIgnoresRowsWithoutAddress();

    void malformedIsRejected_data();
    void malformedIsRejected();
    void hostileInputIsBounded_data();
    void hostileInputIsBounded();
    void oversizedFileIsRefusedUnread();
    void fileCommandsReportTheirMessages();
};

void TestCResultsXml::writerMatchesGoldenFile()
{
    const QByteArray baGolden = Golden("three_hosts.xml");
    QVERIFY(!baGolden.isEmpty());
    QCOMPARE(CResultsXml::Document(ThreeHosts()).toUtf8(), baGolden);
}

void TestCResultsXml::emptyListWritesNothing()
{
    QVERIFY(CResultsXml::Document({}).isEmpty());
}

void TestCResultsXml::escape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ampersand") << QStringLiteral("a&b") << QStringLiteral("a&amp;b");
    QTest::newRow("less than") << QStringLiteral("<") << QStringLiteral("&lt;");
    QTest::newRow("greater than") << QStringLiteral(">") << QStringLiteral("&gt;");
    QTest::newRow("apostrophe") << QStringLiteral("it's") << QStringLiteral("it&apos;s");
    QTest::newRow("double quote") << QStringLiteral("\"q\"") << QStringLiteral("&quot;q&quot;");
    QTest::newRow("ampersand first, so entities are not doubled")
        << QStringLiteral("&lt;") << QStringLiteral("&amp;lt;");
    QTest::newRow("all five in a row")
        << QStringLiteral("&<>'\"") << QStringLiteral("&amp;&lt;&gt;&apos;&quot;");
    QTest::newRow("plain text untouched")
        << QStringLiteral("PC-01 (office)") << QStringLiteral("PC-01 (office)");
    QTest::newRow("non-ASCII untouched") << QStringLiteral("Пётр ☃") << QStringLiteral("Пётр ☃");
    QTest::newRow("surrogate pair untouched")
        << QStringLiteral("x\U0001F600y") << QStringLiteral("x\U0001F600y");
    QTest::newRow("line break and TAB kept as references")
        << QStringLiteral("a\r\nb\tc") << QStringLiteral("a&#13;&#10;b&#9;c");
    QTest::newRow("control character replaced")
        << QStringLiteral("ab") + QChar(0x01) + QChar(0x1F) << QStringLiteral("ab\uFFFD\uFFFD");
    QTest::newRow("lone surrogate replaced") << QString(QChar(0xD800)) << QStringLiteral("\uFFFD");
    QTest::newRow("empty stays empty") << QString() << QString();
}

void TestCResultsXml::escape()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(CResultsXml::Escape(text), escaped);
}

void TestCResultsXml::rowAttributes_data()
{
    QTest::addColumn<CScanItem>("item");
    QTest::addColumn<QString>("row");

    CScanResult oBare = Result(Ip(1, 2, 3, 4), EHostStatus::Unknown);
    QTest::newRow("unknown host: ip, status, zero MAC and the three flags")
        << CScanItem(oBare)
        << QStringLiteral("\r\n\t<row ip=\"1.2.3.4\" status=\"unknown\" mac=\"00:00:00:00:00:00\" "
                          "has_http=\"0\" has_https=\"0\" has_ftp=\"0\">\r\n\t</row>");
    CScanResult oNoMac = oBare;
    oNoMac.set_mac(QByteArray(6, '\xFF'));
    oNoMac.set_status(EHostStatus::Dead);
    QTest::newRow("all-FF MAC is left out")
        << CScanItem(oNoMac)
        << QStringLiteral(
               "\r\n\t<row ip=\"1.2.3.4\" status=\"dead\" has_http=\"0\" has_https=\"0\" "
               "has_ftp=\"0\">\r\n\t</row>");
    CScanResult oOdd = oNoMac;
    oOdd.set_status(0);
    QTest::newRow("status outside 2-4 is left out")
        << CScanItem(oOdd)
        << QStringLiteral("\r\n\t<row ip=\"1.2.3.4\" has_http=\"0\" has_https=\"0\" "
                          "has_ftp=\"0\">\r\n\t</row>");
    CScanResult oShares = oNoMac;
    oShares.set_ortavo_ports({-1, 4899});
    oShares.set_shares({QStringLiteral("a\"b")});
    CScanResult oAlive = Result(Ip(1, 2, 3, 4), EHostStatus::Alive);
    oAlive.set_mac(QByteArray(6, '\xFF'));
    oAlive.set_alive_by(EAliveBy::Echo);
    oAlive.set_ortavo_ports({4899});
    oAlive.set_web_servers({{8080, false, QStringLiteral("A & B")}, {8443, true, QString()}});
    QTest::newRow("the probe that found it alive; web servers after the ports")
        << CScanItem(oAlive)
        << QStringLiteral(
               "\r\n\t<row ip=\"1.2.3.4\" status=\"alive\" alive_by=\"icmp\" has_http=\"0\" "
               "has_https=\"0\" has_ftp=\"0\">\r\n\t\t<ortavo port=\"4899\"/>"
               "\r\n\t\t<web port=\"8080\" https=\"0\" title=\"A &amp; B\"/>"
               "\r\n\t\t<web port=\"8443\" https=\"1\"/>\r\n\t</row>");
    QTest::newRow("shares before ports, escaped name, signed port")
        << CScanItem(oShares, QStringLiteral("c&d"))
        << QStringLiteral(
               "\r\n\t<row ip=\"1.2.3.4\" status=\"dead\" has_http=\"0\" has_https=\"0\" "
               "has_ftp=\"0\" comments=\"c&amp;d\">\r\n\t\t<share name=\"a&quot;b\"/>"
               "\r\n\t\t<ortavo port=\"-1\"/>\r\n\t\t<ortavo port=\"4899\"/>\r\n\t</row>");
}

void TestCResultsXml::rowAttributes()
{
    QFETCH(CScanItem, item);
    QFETCH(QString, row);
    QCOMPARE(CResultsXml::Row(item), row);
}

void TestCResultsXml::readerReadsGoldenFile()
{
    QList<CScanItem> lItems;
    QVERIFY(CFavoritesContentHandler::ReadItems(Golden("three_hosts.xml"), &lItems));
    QList<CScanItem> lExpected = ThreeHosts();
    lExpected[2].result().set_status(EHostStatus::Unknown); // no status attribute reads as unknown
    QCOMPARE(Describe(lItems), Describe(lExpected));
}

void TestCResultsXml::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("comment");
    QTest::newRow("markup characters")
        << QStringLiteral("<b>&amp;\"'</b>") << QStringLiteral("'&'");
    QTest::newRow("line breaks and TABs")
        << QStringLiteral("a\tb") << QStringLiteral("one\r\ntwo\nthree\rfour");
    QTest::newRow("leading and trailing spaces") << QStringLiteral("  x  ") << QStringLiteral(" ");
    QTest::newRow("non-ASCII") << QStringLiteral("Ünïcödé 名前 \U0001F600") << QStringLiteral("ё");
    QTest::newRow("entity look-alike") << QStringLiteral("&#65;&lt;") << QStringLiteral("]]>");
}

void TestCResultsXml::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, comment);
    QList<CScanItem> lItems = ThreeHosts();
    lItems[2].result().set_status(EHostStatus::Unknown);
    lItems[0].result().set_name(name);
    lItems[0].result().set_user(name);
    lItems[0].result().set_http_title(name);
    lItems[0].result().set_shares(
        {name.trimmed().isEmpty() ? QStringLiteral("s") : name.trimmed()});
    lItems[1].set_comments(comment);
    lItems[0].result().set_alive_by(EAliveBy::Arp);
    lItems[0].result().set_web_servers(
        {{8080, false, name.trimmed().isEmpty() ? QString() : name}, {8443, true, QString()}});
    QList<CScanItem> lRead;
    QVERIFY(CFavoritesContentHandler::ReadItems(CResultsXml::Document(lItems).toUtf8(), &lRead));
    QCOMPARE(Describe(lRead), Describe(lItems));
}

void TestCResultsXml::scanInfoOnTheRootReadsAsBefore()
{
    CResultsXml::TScanInfo oInfo;
    oInfo.oStarted = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 5), Qt::OffsetFromUTC, 3600);
    oInfo.sRanges = QStringLiteral("198.18.0.1-198.18.0.254, <\"x\">");
    oInfo.nDurationMs = 12345;
    QCOMPARE(
        CResultsXml::DocumentStart(oInfo),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel "
                       "started=\"2026-12-08T09:30:05+01:00\" ranges=\"198.18.0.1-198.18.0.254, "
                       "&lt;&quot;x&quot;&gt;\" duration=\"12.3\" version=\"%1\">")
            .arg(CResultsXml::ProgramVersion()));
    QVERIFY(!CResultsXml::ProgramVersion().isEmpty());
    // A scan still running has no duration yet; no scan at all, no attributes: the Favorites
    // file and copies keep the form older copies of the program wrote.
    oInfo.nDurationMs = -1;
    QVERIFY(!CResultsXml::DocumentStart(oInfo).contains(QLatin1String("duration")));
    QCOMPARE(CResultsXml::DocumentStart(CResultsXml::TScanInfo()),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel>"));

    // The reader takes the same hosts from a document with the scan's attributes as without.
    oInfo.nDurationMs = 12345;
    QList<CScanItem> lItems = ThreeHosts();
    lItems[2].result().set_status(EHostStatus::Unknown);
    const QString sWith = CResultsXml::Export(lItems, QString(), oInfo);
    QVERIFY(sWith.startsWith(CResultsXml::DocumentStart(oInfo)));
    QList<CScanItem> lRead;
    QVERIFY(CFavoritesContentHandler::ReadItems(sWith.toUtf8(), &lRead));
    QCOMPARE(Describe(lRead), Describe(lItems));
    CFavoritesContentHandler oAddresses(true);
    QVERIFY(CFavoritesContentHandler::Parse(sWith.toUtf8(), oAddresses));
    CFavoritesContentHandler oAddressesBefore(true);
    QVERIFY(
        CFavoritesContentHandler::Parse(CResultsXml::Document(lItems).toUtf8(), oAddressesBefore));
    QVERIFY(oAddresses.Ranges().Count() > 0);
    QCOMPARE(CResultsXml::RangesText(oAddresses.Ranges().Ranges()),
             CResultsXml::RangesText(oAddressesBefore.Ranges().Ranges()));
}

void TestCResultsXml::rangesText_data()
{
    QTest::addColumn<QVector<TIpRange>>("ranges");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QVector<TIpRange>{} << QString();
    QTest::newRow("one address and a range")
        << QVector<TIpRange>{{0xC6120001, 0xC6120001}, {0xC6120100, 0xC61201FF}}
        << QStringLiteral("198.18.0.1, 198.18.1.0-198.18.1.255");
    QVector<TIpRange> vMany;
    for (quint32 i = 0; i < 20; ++i)
        vMany.append({0xC6120000 + 2 * i, 0xC6120000 + 2 * i});
    QStringList lsFirst;
    for (int i = 0; i < CResultsXml::kMaxRangesShown; ++i)
        lsFirst << QStringLiteral("198.18.0.%1").arg(2 * i);
    QTest::newRow("many single hosts are counted after the first")
        << vMany << lsFirst.join(QStringLiteral(", ")) + QStringLiteral(", and 4 more ranges");
}

void TestCResultsXml::rangesText()
{
    QFETCH(QVector<TIpRange>, ranges);
    QFETCH(QString, text);
    QCOMPARE(CResultsXml::RangesText(ranges), text);
}

void TestCResultsXml::htmlNamesTheScanAndIsIndented()
{
    CResultsXml::TScanInfo oInfo;
    oInfo.oStarted = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 5), Qt::OffsetFromUTC, 3600);
    oInfo.sRanges = QStringLiteral("198.18.0.1-198.18.0.254");
    oInfo.nDurationMs = 12345;
    const QString sHtml =
        CResultsXml::Export(ThreeHosts(), QStringLiteral("xml_to_html.xsl"), oInfo);
    QVERIFY2(sHtml.startsWith(QLatin1String("<!DOCTYPE html>")), qPrintable(sHtml.left(80)));
    for (const QString &sPart : {QStringLiteral("Scanned: 2026-12-08 09:30:05+01:00"),
                                 QStringLiteral("Ranges: 198.18.0.1-198.18.0.254"),
                                 QStringLiteral("Duration: 12.3 s"),
                                 QStringLiteral("Vistrel ") + CResultsXml::ProgramVersion()})
        QVERIFY2(sHtml.contains(sPart), qPrintable(sPart));
    // Readable in a text viewer: one element a line, indented by its depth, not one long line.
    QVERIFY(sHtml.count(QLatin1Char('\n')) > 50);
    QVERIFY(sHtml.contains(QLatin1String("\n    <body>"))
            || sHtml.contains(QLatin1String("\n  <body>")));
    int nLongest = 0;
    for (const QString &sLine : sHtml.split(QLatin1Char('\n')))
        nLongest = qMax(nLongest, int(sLine.size()));
    QVERIFY2(nLongest < 400, qPrintable(QString::number(nLongest)));
    // Without a scan (the Favorites) the page names none.
    QVERIFY(!CResultsXml::Export(ThreeHosts(), QStringLiteral("xml_to_html.xsl"))
                 .contains(QLatin1String("Scanned:")));
}

void TestCResultsXml::readerIsLenient_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QStringList>("expected");

    const auto fnOne = [](const QString &i_sIp,
                          int i_nStatus,
                          const QString &i_sMacHex,
                          int i_nHttp,
                          const QString &i_sShares = QString(),
                          const QString &i_sPorts = QString()) {
        return QStringList{QStringList{i_sIp,
                                       QString::number(i_nStatus),
                                       QString(),
                                       QString(),
                                       QString(),
                                       i_sMacHex,
                                       QString(),
                                       QString::number(i_nHttp),
                                       QString(),
                                       QStringLiteral("0"),
                                       QStringLiteral("0"),
                                       QString(),
                                       i_sShares,
                                       i_sPorts}
                               .join(QLatin1Char('|'))};
    };
    const QString sNoMac = QStringLiteral("ffffffffffff");
    QTest::newRow("has_http true is not 1")
        << QByteArray("<row ip=\"10.0.0.1\" has_http=\"true\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("five MAC bytes become all FF")
        << QByteArray("<row ip=\"10.0.0.1\" mac=\"00:11:22:33:44\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("MAC byte above FF becomes all FF")
        << QByteArray("<row ip=\"10.0.0.1\" mac=\"00:11:22:33:44:100\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("MAC with non-hex becomes all FF")
        << QByteArray("<row ip=\"10.0.0.1\" mac=\"00:11:22:33:44:zz\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("empty MAC parts are skipped")
        << QByteArray("<row ip=\"10.0.0.1\" mac=\"::0a:0b::0c:0d:0e:0f:\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, QStringLiteral("0a0b0c0d0e0f"), 0);
    QTest::newRow("MAC as Windows prints it")
        << QByteArray("<row ip=\"10.0.0.1\" mac=\"0a-0b-0c-0d-0e-0f\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, QStringLiteral("0a0b0c0d0e0f"), 0);
    QTest::newRow("status word is case-sensitive")
        << QByteArray("<row ip=\"10.0.0.1\" status=\"Alive\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("row without address is dropped with its shares") << QByteArray(
        "<row ip=\"10.0.0.1\"/><row ip=\"nonsense\"><share name=\"S\"/><ortavo port=\"1\"/></row>")
                                                                    << fnOne(QStringLiteral(
                                                                                 "10.0.0.1"),
                                                                             4,
                                                                             sNoMac,
                                                                             0);
    QTest::newRow("IPv6 row is dropped")
        << QByteArray("<row ip=\"::1\"/><row ip=\"10.0.0.3\" status=\"dead\"/>")
        << fnOne(QStringLiteral("10.0.0.3"), 3, sNoMac, 0);
    QTest::newRow("shares and ports before any row do nothing")
        << QByteArray("<share name=\"S\"/><ortavo port=\"5\"/><row ip=\"10.0.0.1\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
    QTest::newRow("blank share and bad port skipped, others trimmed")
        << QByteArray(
               "<row ip=\"10.0.0.1\"><share name=\"  \"/><share name=\" D \"/><ortavo port=\"x\"/>"
               "<ortavo port=\" 4899 \"/><ortavo port=\"4899.5\"/></row>")
        << fnOne(QStringLiteral("10.0.0.1"),
                 4,
                 sNoMac,
                 0,
                 QStringLiteral("D"),
                 QStringLiteral("4899"));
    QTest::newRow("unknown elements and attributes ignored") << QByteArray(
        "<extra a=\"1\"><row ip=\"10.0.0.1\" colour=\"red\" has_http=\"1\"><x/></row></extra>")
                                                             << fnOne(QStringLiteral("10.0.0.1"),
                                                                      4,
                                                                      sNoMac,
                                                                      1);
    QTest::newRow("element names are case-sensitive")
        << QByteArray("<ROW ip=\"10.0.0.9\"/><row ip=\"10.0.0.1\"/>")
        << fnOne(QStringLiteral("10.0.0.1"), 4, sNoMac, 0);
}

void TestCResultsXml::readerIsLenient()
{
    QFETCH(QByteArray, rows);
    QFETCH(QStringList, expected);
    QList<CScanItem> lItems;
    // The root element's name is not checked.
    QVERIFY(CFavoritesContentHandler::ReadItems(
        "<?xml version=\"1.0\"?><AnyRoot>" + rows + "</AnyRoot>", &lItems));
    QCOMPARE(Describe(lItems), expected);
}

void TestCResultsXml::addressesModeMergesRanges()
{
    CFavoritesContentHandler oHandler(true);
    QVERIFY(CFavoritesContentHandler::Parse(
        Document("<row ip=\"10.0.0.5\"/><row ip=\"10.0.0.2\" status=\"dead\"/><row ip=\"0.0.0.0\"/>"
                 "<row ip=\"10.0.0.1\"><share name=\"x\"/></row><row ip=\"10.0.0.2\"/>"),
        oHandler));
    QVERIFY(oHandler.Items().isEmpty());
    QCOMPARE(oHandler.Ranges().Count(), 2u);
    QCOMPARE(oHandler.Ranges().At(0).first, Ip(10, 0, 0, 1));
    QCOMPARE(oHandler.Ranges().At(0).last, Ip(10, 0, 0, 2));
    QCOMPARE(oHandler.Ranges().At(1).first, Ip(10, 0, 0, 5));
    QCOMPARE(oHandler.Ranges().At(1).last, Ip(10, 0, 0, 5));
}

void TestCResultsXml::addressesModeIgnoresRowsWithoutAddress()
{
    CFavoritesContentHandler oHandler(true);
    QVERIFY(CFavoritesContentHandler::Parse(Document("<row/><row ip=\"fe80::1\"/><row ip=\"x\"/>"),
                                            oHandler));
    QCOMPARE(oHandler.Ranges().Count(), 0u);
}

void TestCResultsXml::malformedIsRejected_data()
{
    QTest::addColumn<QByteArray>("xml");
    const QByteArray baGolden = Golden("three_hosts.xml");
    QTest::newRow("empty input") << QByteArray();
    QTest::newRow("not XML at all") << QByteArray("ip,name\r\n10.0.0.1,x\r\n");
    QTest::newRow("document cut in a tag") << baGolden.left(baGolden.size() / 2);
    QTest::newRow("document cut before the root end") << baGolden.left(baGolden.lastIndexOf('<'));
    QTest::newRow("mismatched end tag") << Document("<row ip=\"10.0.0.1\"></share>");
    QTest::newRow("unquoted attribute") << Document("<row ip=10.0.0.1/>");
    QTest::newRow("raw ampersand") << Document("<row ip=\"10.0.0.1\" name=\"a&b\"/>");
    QTest::newRow("two root elements") << QByteArray("<a/><b/>");
}

void TestCResultsXml::malformedIsRejected()
{
    QFETCH(QByteArray, xml);
    const QList<CScanItem> lBefore = ThreeHosts();
    QList<CScanItem> lItems = lBefore;
    QVERIFY(!CFavoritesContentHandler::ReadItems(xml, &lItems));
    // A failed read hands out nothing and leaves the caller's list alone.
    QCOMPARE(Describe(lItems), Describe(lBefore));
    CFavoritesContentHandler oHandler(false);
    QVERIFY(!CFavoritesContentHandler::Parse(xml, oHandler));
    QVERIFY(oHandler.Items().isEmpty());
}

void TestCResultsXml::hostileInputIsBounded_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("accepted");

    QByteArray baLaughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE Vistrel [\n<!ENTITY l0 \"lollollollollol\">\n";
    for (int i = 1; i <= 12; ++i)
        baLaughs +=
            QStringLiteral("<!ENTITY l%1 \"&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;\">\n")
                .arg(i)
                .arg(i - 1)
                .toLatin1();
    baLaughs += "]>\n<Vistrel><row ip=\"10.0.0.1\" name=\"&l12;\"/></Vistrel>";
    QTest::newRow("entity expansion bomb") << baLaughs << false;

    QByteArray baQuadratic = "<?xml version=\"1.0\"?><!DOCTYPE Vistrel [<!ENTITY big \""
                             + QByteArray(60000, 'x') + "\">]><Vistrel><row ip=\"10.0.0.1\" name=\""
                             + QByteArray("&big;").repeated(2000) + "\"/></Vistrel>";
    QTest::newRow("quadratic blow-up entity") << baQuadratic << false;

    QTest::newRow("deep nesting") << (QByteArray("<a>").repeated(200000)
                                      + QByteArray("</a>").repeated(200000))
                                  << false;
    QTest::newRow("nesting just inside the limit")
        << (QByteArray("<a>").repeated(CFavoritesContentHandler::kMaxDepth - 1)
            + "<row ip=\"10.0.0.1\"/>"
            + QByteArray("</a>").repeated(CFavoritesContentHandler::kMaxDepth - 1))
        << true;
    QTest::newRow("invalid UTF-8")
        << Document("<row ip=\"10.0.0.1\" name=\"\xC3\x28\xFF\"/>") << false;
    QTest::newRow("UTF-8 cut inside a character")
        << QByteArray("<Vistrel><row ip=\"10.0.0.1\" name=\"\xE2\x98") << false;
    // The reader builds each value whole, in several copies: 200 MB cost a gigabyte.
    const int nLimit = CFavoritesContentHandler::kMaxValueLength;
    QTest::newRow("attribute at the value limit")
        << Document("<row ip=\"10.0.0.1\" name=\"" + QByteArray(nLimit, 'n') + "\"/>") << true;
    QTest::newRow("attribute one past the value limit")
        << Document("<row ip=\"10.0.0.1\" name=\"" + QByteArray(nLimit + 1, 'n') + "\"/>") << false;
    QTest::newRow("huge attribute")
        << Document("<row ip=\"10.0.0.1\" name=\"" + QByteArray(8 * 1024 * 1024, 'n') + "\"/>")
        << false;
    QTest::newRow("text past the value limit")
        << Document("<row ip=\"10.0.0.1\"/>" + QByteArray(nLimit + 1, 't')) << false;
    QTest::newRow("comment and instruction holding quotes and brackets")
        << Document("<!-- it's \"quoted\" > --><?note a=\"'\"?><![CDATA[ \" ' < ]]>"
                    "<row ip=\"10.0.0.1\" name=\"it's > fine\"/>")
        << true;
    QTest::newRow("a quote in a comment does not hide a long value")
        << Document("<!-- ' --><row ip=\"10.0.0.1\" name=\""
                    + QByteArray(999, 'n').append('\'').repeated(nLimit / 500) + "\"/>")
        << false;
    QTest::newRow("document type declaration") << QByteArray(
        "<?xml version=\"1.0\"?><!DOCTYPE Vistrel><Vistrel><row ip=\"10.0.0.1\"/></Vistrel>")
                                               << false;
    QTest::newRow("NUL byte read without harm")
        << Document(QByteArray("<row ip=\"10.0.0.1\" name=\"a\0b\"/>", 32)) << true;
    QTest::newRow("entity declarations in UTF-16")
        << QTextCodec::codecForName("UTF-16")->fromUnicode(QString::fromLatin1(baQuadratic))
        << false;
}

void TestCResultsXml::hostileInputIsBounded()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, accepted);
    QList<CScanItem> lItems;
    QCOMPARE(CFavoritesContentHandler::ReadItems(xml, &lItems), accepted);
    QCOMPARE(lItems.size(), accepted ? 1 : 0);
}

void TestCResultsXml::oversizedFileIsRefusedUnread()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPath = oDir.filePath(QStringLiteral("huge.xml"));
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    QVERIFY(oFile.resize(CFavoritesContentHandler::kMaxDocumentBytes + 1)); // sparse: costs no disk
    oFile.close();
    QList<CScanItem> lItems;
    QString sError;
    QVERIFY(!CFavoritesContentHandler::ReadItemsFromFile(sPath, &lItems, &sError));
    QCOMPARE(sError, QStringLiteral("Invalid file format"));
}

void TestCResultsXml::fileCommandsReportTheirMessages()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    QString sError;
    IpRanges oRanges;
    QVERIFY(!CFavoritesContentHandler::ReadRangesFromFile(
        oDir.filePath(QStringLiteral("none.xml")), &oRanges, &sError));
    QCOMPARE(sError, QStringLiteral("Cannot open the file"));

    const QString sBad = oDir.filePath(QStringLiteral("bad.xml"));
    QFile oBad(sBad);
    QVERIFY(oBad.open(QIODevice::WriteOnly));
    oBad.write("<Vistrel><row ip=\"10.0.0.1\">");
    oBad.close();
    sError.clear();
    QVERIFY(!CFavoritesContentHandler::ReadRangesFromFile(sBad, &oRanges, &sError));
    QCOMPARE(sError, QStringLiteral("Invalid file format"));
    sError.clear();
    QList<CScanItem> lItems;
    QVERIFY(!CFavoritesContentHandler::ReadItemsFromFile(sBad, &lItems, &sError));
    QCOMPARE(sError, QStringLiteral("Invalid file format"));

    const QString sGood = oDir.filePath(QStringLiteral("good.xml"));
    QVERIFY(
        QFile::copy(QStringLiteral(VISTREL_SHARED_TEST_DATA "/results/three_hosts.xml"), sGood));
    QVERIFY(CFavoritesContentHandler::ReadRangesFromFile(sGood, &oRanges, &sError));
    QCOMPARE(oRanges.Count(), 2u);
    QCOMPARE(oRanges.Total(), 3u);
    QVERIFY(CFavoritesContentHandler::ReadItemsFromFile(sGood, &lItems, &sError));
    QCOMPARE(lItems.size(), 3);
}

QTEST_GUILESS_MAIN(TestCResultsXml)
#include "tst_CResultsXml.moc"
