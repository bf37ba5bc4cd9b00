// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHtmlTitle.h"

#include <QTest>

class TestCHtmlTitle final : public QObject
{
    Q_OBJECT

private slots:
    void fromBody_data();
    void fromBody();
    void longTitleIsCut();
    void clean_data();
    void clean();
};

void TestCHtmlTitle::fromBody_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("title");

    const QByteArray baHtml("text/html");
    QTest::newRow("well-formed XHTML")
        << QByteArray("<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
                      "<title>Alpha XHTML Title</title></head><body/></html>")
        << baHtml << QStringLiteral("Alpha XHTML Title");
    QTest::newRow("XHTML with doctype and entity")
        << QByteArray("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"
                      "<html><head><title>Tom &amp; Jerry</title></head></html>")
        << baHtml << QStringLiteral("Tom & Jerry");
    QTest::newRow("plain HTML that is not XML") << QByteArray(
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>Bravo plain page</title>"
        "<body><p>unclosed<br></body></html>") << baHtml
                                                << QStringLiteral("Bravo plain page");
    QTest::newRow("upper-case tag with attribute")
        << QByteArray("<HTML><HEAD><TITLE lang=en>Printer  Status</TITLE></HEAD>") << baHtml
        << QStringLiteral("Printer Status");
    QTest::newRow("first title wins") << QByteArray("<html><title>One</title><title>Two</title>")
                                      << baHtml << QStringLiteral("One");
    QTest::newRow("no title element")
        << QByteArray("<html><body>nothing</body></html>") << baHtml << QString();
    QTest::newRow("empty body") << QByteArray() << baHtml << QString();
    QTest::newRow("not markup at all")
        << QByteArray("\x00\x01\x02 binary", 10) << QByteArray() << QString();
    QTest::newRow("titlebar element is not a title")
        << QByteArray("<html><titlebar>no</titlebar><title>yes</title>") << baHtml
        << QStringLiteral("yes");
    QTest::newRow("title in a comment is skipped")
        << QByteArray("<html><!-- <title>old</title> --><title>new</title>") << baHtml
        << QStringLiteral("new");
    QTest::newRow("title in a script is skipped")
        << QByteArray("<html><script>var s='<title>js</title>';</script><title>real</title>")
        << baHtml << QStringLiteral("real");
    QTest::newRow("unterminated comment gives nothing")
        << QByteArray("<html><!-- <title>x</title>") << baHtml << QString();
    QTest::newRow("body cut inside the title keeps its start")
        << QByteArray("<html><head><title>Router setup") << baHtml
        << QStringLiteral("Router setup");
    QTest::newRow("self-closing title is empty")
        << QByteArray("<html><title/><p>x</p>") << baHtml << QString();
    QTest::newRow("white space and line breaks collapse")
        << QByteArray("<title>\r\n\t  NAS \n\n  login \t</title>") << baHtml
        << QStringLiteral("NAS login");
    QTest::newRow("numeric references decode")
        << QByteArray("<title>Caf&#233; &#x20AC;5</title>") << baHtml
        << QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"
                             "5");
    QTest::newRow("UTF-8 by default")
        << QByteArray("<title>\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80</title>") << baHtml
        << QString::fromUtf8("\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80");
    QTest::newRow("charset from Content-Type")
        << QByteArray("<title>caf\xE9</title>") << QByteArray("text/html; charset=ISO-8859-1")
        << QString::fromUtf8("caf\xC3\xA9");
    QTest::newRow("charset from meta")
        << QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                      "charset=windows-1251\"><title>\xD1\xE5\xF0\xE2\xE5\xF0</title>")
        << baHtml << QString::fromUtf8("\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80");
    QTest::newRow("control characters are dropped")
        << QByteArray("<title>a\x1b[31mb\x07</title>") << baHtml << QStringLiteral("a [31mb");
    QTest::newRow("declared entities are not expanded, nor their text read as the page")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE html [<!ENTITY t \"<title>fake]>\">"
                      "<!ENTITY u 'x'>]><html><head><title>&t; &u; real</title></head></html>")
        << baHtml << QStringLiteral("&t; &u; real");
    QTest::newRow("CDATA in the title is kept as written")
        << QByteArray("<html><title><![CDATA[a <b> c]]> d</title>") << baHtml
        << QStringLiteral("a <b> c d");
    QTest::newRow("unterminated declaration gives nothing")
        << QByteArray("<!DOCTYPE html [ <title>x</title>") << baHtml << QString();
    QTest::newRow("XHTML title with markup inside gives its text")
        << QByteArray("<html><head><title>A<b>B</b>C</title></head></html>") << baHtml
        << QStringLiteral("ABC");
}

void TestCHtmlTitle::fromBody()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, title);
    QCOMPARE(CHtmlTitle::FromBody(body, contentType), title);
}

void TestCHtmlTitle::longTitleIsCut()
{
    const QByteArray baBody = "<html><title>" + QByteArray(100000, 'w') + "</title>";
    const QString sTitle = CHtmlTitle::FromBody(baBody);
    QCOMPARE(sTitle.size(), CHtmlTitle::MaxTitleChars);
    QCOMPARE(sTitle, QString(CHtmlTitle::MaxTitleChars, QLatin1Char('w')));

    // A cut must not leave half a surrogate pair behind.
    QString sEmoji;
    for (int i = 0; i < CHtmlTitle::MaxTitleChars; ++i)
        sEmoji += QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString sCut = CHtmlTitle::Clean(sEmoji);
    QVERIFY(sCut.size() <= CHtmlTitle::MaxTitleChars);
    QVERIFY(!sCut.isEmpty());
    QVERIFY(!QChar(sCut.back()).isHighSurrogate());
}

void TestCHtmlTitle::clean_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("clean");
    QTest::newRow("named entities") << QStringLiteral("&lt;a&gt; &quot;b&quot; &apos;c&apos;")
                                    << QStringLiteral("<a> \"b\" 'c'");
    QTest::newRow("unknown entity kept")
        << QStringLiteral("a &bogus; b") << QStringLiteral("a &bogus; b");
    QTest::newRow("bare ampersand kept") << QStringLiteral("R&D") << QStringLiteral("R&D");
    QTest::newRow("nul reference replaced")
        << QStringLiteral("a&#0;b")
        << QString(QStringLiteral("a") + QChar(QChar::ReplacementCharacter) + QStringLiteral("b"));
    QTest::newRow("surrogate reference replaced")
        << QStringLiteral("&#xD800;") << QString(QChar(QChar::ReplacementCharacter));
    QTest::newRow("reference beyond Unicode replaced")
        << QStringLiteral("&#x110000;") << QString(QChar(QChar::ReplacementCharacter));
    QTest::newRow("astral reference")
        << QStringLiteral("&#128512;") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("nbsp is a space") << QStringLiteral("a&nbsp;&nbsp;b") << QStringLiteral("a b");
    QTest::newRow("only white space is empty") << QStringLiteral(" \t\r\n ") << QString();
    // A reference may name what a literal character could not carry: a C1 control or a
    // right-to-left override would still move a terminal's cursor or reorder a line.
    QTest::newRow("escape, C1 and direction references become spaces")
        << QStringLiteral("a&#27;[2Jb&#x85;c&#x202E;d") << QStringLiteral("a [2Jb c d");
    // Found by fuzzing: the space before the last character made the title one too long.
    QTest::newRow("space at the limit: cut before it, never past the limit")
        << QString(QString(CHtmlTitle::MaxTitleChars - 1, QLatin1Char('x')) + QStringLiteral(" y"))
        << QString(CHtmlTitle::MaxTitleChars - 1, QLatin1Char('x'));
    // Found by fuzzing: cutting half a surrogate pair left the space before it at the end.
    QTest::newRow("astral character cut at the limit: no space left at the end")
        << QString(QString(CHtmlTitle::MaxTitleChars - 2, QLatin1Char('x')) + QLatin1Char(' ')
                   + QString::fromUtf8("\xF0\x9F\x98\x80"))
        << QString(CHtmlTitle::MaxTitleChars - 2, QLatin1Char('x'));
    QTest::newRow("space one before the limit: the character after it still fits")
        << QString(QString(CHtmlTitle::MaxTitleChars - 2, QLatin1Char('x')) + QStringLiteral(" yz"))
        << QString(QString(CHtmlTitle::MaxTitleChars - 2, QLatin1Char('x')) + QStringLiteral(" y"));
}

void TestCHtmlTitle::clean()
{
    QFETCH(QString, raw);
    QFETCH(QString, clean);
    QCOMPARE(CHtmlTitle::Clean(raw), clean);
}

QTEST_GUILESS_MAIN(TestCHtmlTitle)
#include "tst_CHtmlTitle.moc"
