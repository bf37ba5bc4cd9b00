// SPDX-License-Identifier: GPL-3.0-or-later
// The one cleaning step for text from the network: what a peer sends can neither break a line
// of the output nor grow without bound, and clean text passes unchanged.

#include "CNetText.h"

#include <QTest>

class TestCNetText : public QObject
{
    Q_OBJECT

private slots:
    void cleanText_data();
    void cleanText();
    void cleanBytes_data();
    void cleanBytes();
    void cleanTrimmed_data();
    void cleanTrimmed();
};

void TestCNetText::cleanText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");

    const QChar cSmileHigh = QChar::highSurrogate(0x1F600);
    const QChar cSmileLow = QChar::lowSurrogate(0x1F600);
    const QString sSmile = QString(cSmileHigh) + cSmileLow;
    const QString sFffd = QString(QChar(QChar::ReplacementCharacter));

    QTest::newRow("clean text unchanged, spaces kept")
        << QStringLiteral(" Share  $ Ёж ") << QStringLiteral(" Share  $ Ёж ");
    QTest::newRow("CR LF cannot start a line")
        << QStringLiteral("evil\r\nalive | injected-host | 6.6.6.6")
        << QStringLiteral("evil  alive | injected-host | 6.6.6.6");
    QTest::newRow("ESC, SOH, NUL and tab")
        << QString::fromLatin1("a\x1b[2Jb\x01\0c\td", 11) << QStringLiteral("a [2Jb  c d");
    QTest::newRow("DEL") << QStringLiteral("a\x7f"
                                           "b")
                         << QStringLiteral("a b");
    QTest::newRow("C1: NEL and CSI") << (QStringLiteral("a") + QChar(0x85) + QStringLiteral("b")
                                         + QChar(0x9B) + QStringLiteral("31m"))
                                     << QStringLiteral("a b 31m");
    QTest::newRow("line separator and bidirectional override")
        << (QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") + QChar(0x202E)
            + QStringLiteral("c"))
        << QStringLiteral("a b c");
    QTest::newRow("no-break space and other printable characters kept")
        << (QStringLiteral("a") + QChar(0xA0) + QStringLiteral("b") + sSmile)
        << (QStringLiteral("a") + QChar(0xA0) + QStringLiteral("b") + sSmile);
    QTest::newRow("lone surrogates replaced")
        << (QStringLiteral("a") + cSmileLow + QStringLiteral("b") + cSmileHigh)
        << (QStringLiteral("a") + sFffd + QStringLiteral("b") + sFffd);
    QTest::newRow("over-long name cut at 256")
        << QString(1052, QLatin1Char('n')) << QString(256, QLatin1Char('n'));
    QTest::newRow("a pair across the cut is left out whole")
        << (QString(255, QLatin1Char('n')) + sSmile + QStringLiteral("tail"))
        << QString(255, QLatin1Char('n'));
    QTest::newRow("a pair ending at the cut is kept")
        << (QString(254, QLatin1Char('n')) + sSmile + QStringLiteral("tail"))
        << (QString(254, QLatin1Char('n')) + sSmile);
}

void TestCNetText::cleanText()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    const QString sOut = CNetText::Clean(text);
    QCOMPARE(sOut, cleaned);
    // Cleaning twice changes nothing: a saved and reloaded value reads as it was written.
    QCOMPARE(CNetText::Clean(sOut), sOut);
}

void TestCNetText::cleanBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cleaned");

    const QString sFffd = QString(QChar(QChar::ReplacementCharacter));
    QTest::newRow("valid UTF-8 decoded")
        << QByteArray("\xd0\x81\xd0\xb6 \xf0\x9f\x98\x80") << QString::fromUtf8("Ёж 😀");
    QTest::newRow("a stray continuation byte")
        << QByteArray("a\x80z") << (QStringLiteral("a") + sFffd + QStringLiteral("z"));
    QTest::newRow("an over-long slash")
        << QByteArray("a\xc0\xaf"
                      "z")
        << (QStringLiteral("a") + sFffd + sFffd + QStringLiteral("z"));
    QTest::newRow("an encoded surrogate is no character")
        << QByteArray("a\xed\xa0\x80z")
        << (QStringLiteral("a") + sFffd + sFffd + sFffd + QStringLiteral("z"));
    QTest::newRow("a cut sequence at the end")
        << QByteArray("abc\xe2\x82") << (QStringLiteral("abc") + sFffd + sFffd);
    QTest::newRow("a zero byte is a control character, not the end")
        << QByteArray("front\0back\r\n", 12) << QStringLiteral("front back  ");
    QTest::newRow("UTF-8 encoded C1 control") << QByteArray("a\xc2\x9b"
                                                            "31mb")
                                              << QStringLiteral("a 31mb");
}

void TestCNetText::cleanBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cleaned);
    QCOMPARE(CNetText::Clean(bytes), cleaned);
}

void TestCNetText::cleanTrimmed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("a control character at an end leaves no blank")
        << QStringLiteral("\x01 name\x1b") << QStringLiteral("name");
    QTest::newRow("leading blanks do not use up the length")
        << (QString(300, QLatin1Char(' ')) + QString(300, QLatin1Char('n')))
        << QString(256, QLatin1Char('n'));
}

void TestCNetText::cleanTrimmed()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    QCOMPARE(CNetText::CleanTrimmed(text), cleaned);
}

QTEST_GUILESS_MAIN(TestCNetText)
#include "tst_CNetText.moc"
