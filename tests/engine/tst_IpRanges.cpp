// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIpList.h"
#include "CScanResult.h"
#include "IpRangeReaders.h"
#include "IpRanges.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

quint32 Ip(const char *i_pText)
{
    return QHostAddress(QLatin1String(i_pText)).toIPv4Address();
}

QList<quint32> TakeAll(CIpList i_oList, int i_nLimit = 1 << 20)
{
    QList<quint32> lnTaken;
    while (const std::optional<quint32> oNext = i_oList.TakeNext()) {
        lnTaken << *oNext;
        if (lnTaken.size() > i_nLimit)
            break;
    }
    return lnTaken;
}

QString WriteFile(const QTemporaryDir &i_oDir, const QByteArray &i_baData)
{
    static int s_nFile = 0;
    const QString sPath = i_oDir.filePath(QStringLiteral("ranges%1.txt").arg(++s_nFile));
    QFile oFile(sPath);
    if (!oFile.open(QIODevice::WriteOnly) || oFile.write(i_baData) != i_baData.size())
        return QString();
    return sPath;
}

QByteArray Utf16(const QString &i_sText, bool i_fLittle, bool i_fMark = true)
{
    QByteArray baData;
    if (i_fMark)
        baData = i_fLittle ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (QChar c : i_sText) {
        const char cLow = static_cast<char>(c.unicode() & 0xFF);
        const char cHigh = static_cast<char>(c.unicode() >> 8);
        if (i_fLittle)
            baData.append(cLow).append(cHigh);
        else
            baData.append(cHigh).append(cLow);
    }
    return baData;
}

} // namespace

class TestIpRanges : public QObject
{
    Q_OBJECT

private slots:
    void parseRange_data();
    void parseRange();
    void parseCidr_data();
    void parseCidr();
    void countAndHandOut_data();
    void countAndHandOut();
    void handOutMatchesCountOnRandomRanges();
    void exhaustedListStaysEmpty();
    void assignNormalises_data();
    void assignNormalises();
    void totalAndAddressAt();
    void parseRangeList_data();
    void parseRangeList();
    void setFromText_data();
    void setFromText();
    void loadFile_data();
    void loadFile();
    void loadFileLeavesRangesOnFailure();
    void loadFileRefusesWhatIsNoRegularFile();
    void loadFileSurvivesGarbage();
};

void TestIpRanges::parseRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("single address") << "10.0.0.7" << true << "10.0.0.7"
                                    << "10.0.0.7";
    QTest::newRow("pair") << "10.0.0.1-10.0.0.9" << true << "10.0.0.1"
                          << "10.0.0.9";
    QTest::newRow("reversed pair is swapped") << "10.0.0.9-10.0.0.1" << true << "10.0.0.1"
                                              << "10.0.0.9";
    QTest::newRow("blanks are removed") << " 10.0.0.1 -\t10.0.0.2 " << true << "10.0.0.1"
                                        << "10.0.0.2";
    QTest::newRow("zero address") << "0.0.0.0" << false << ""
                                  << "";
    QTest::newRow("pair from zero") << "0.0.0.0-10.0.0.1" << false << ""
                                    << "";
    QTest::newRow("empty second part") << "1.2.3.4-" << false << ""
                                       << "";
    QTest::newRow("empty first part") << "-1.2.3.4" << false << ""
                                      << "";
    QTest::newRow("three parts") << "1.2.3.4-5.6.7.8-9.9.9.9" << false << ""
                                 << "";
    QTest::newRow("ipv6") << "::1" << false << ""
                          << "";
    QTest::newRow("octet too large") << "1.2.3.256" << false << ""
                                     << "";
    QTest::newRow("empty") << "" << false << ""
                           << "";
    QTest::newRow("cidr is not a range") << "10.0.0.0/24" << false << ""
                                         << "";
    QTest::newRow("zero octets are fine") << "10.0.0.0-10.0.1.0" << true << "10.0.0.0"
                                          << "10.0.1.0";
    QTest::newRow("top address") << "255.255.255.255" << true << "255.255.255.255"
                                 << "255.255.255.255";
    // Only four decimal octets: every other spelling the C library would take is refused.
    QTest::newRow("leading zero is not octal") << "198.19.88.010" << false << ""
                                               << "";
    QTest::newRow("leading zero in the first octet") << "010.0.0.1" << false << ""
                                                     << "";
    QTest::newRow("padded zero") << "10.0.00.1" << false << ""
                                 << "";
    QTest::newRow("hexadecimal") << "0x7f.0.0.1" << false << ""
                                 << "";
    QTest::newRow("short hexadecimal") << "0x7f.1" << false << ""
                                       << "";
    QTest::newRow("two parts") << "127.1" << false << ""
                               << "";
    QTest::newRow("three parts") << "10.0.1" << false << ""
                                 << "";
    QTest::newRow("one number") << "2130706433" << false << ""
                                << "";
    QTest::newRow("five octets") << "1.2.3.4.5" << false << ""
                                 << "";
    QTest::newRow("trailing dot") << "1.2.3.4." << false << ""
                                  << "";
    QTest::newRow("sign") << "+1.2.3.4" << false << ""
                          << "";
    QTest::newRow("four digits") << "1.2.3.1000" << false << ""
                                 << "";
    QTest::newRow("other script's digits") << QStringLiteral("1.2.3.\u0664") << false << ""
                                           << "";
    QTest::newRow("ipv4 in ipv6") << "::ffff:1.2.3.4" << false << ""
                                  << "";
    QTest::newRow("bare number after the dash is not 0.0.0.N") << "1.2.3.4-5" << false << ""
                                                               << "";
    QTest::newRow("short form after the dash") << "1.2.3.4-1.2.5" << false << ""
                                               << "";
}

void TestIpRanges::parseRange()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    TIpRange oRange{1, 2};
    QCOMPARE(ParseRange(text, &oRange), ok);
    if (ok) {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QCOMPARE(IpToText(oRange.first), first);
        QCOMPARE(IpToText(oRange.last), last);
    } else {
        QCOMPARE(oRange.first, 1u);
        QCOMPARE(oRange.last, 2u);
    }
}

void TestIpRanges::parseCidr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("prefix");
    QTest::newRow("/24 leaves out network and broadcast")
        << "192.168.0.77/24" << true << "192.168.0.1"
        << "192.168.0.254" << 24;
    QTest::newRow("/9 is the widest") << "10.0.0.0/9" << true << "10.0.0.1"
                                      << "10.127.255.254" << 9;
    QTest::newRow("/31 swaps to the pair") << "10.0.0.5/31" << true << "10.0.0.4"
                                           << "10.0.0.5" << 31;
    QTest::newRow("/32 behaves like /31") << "10.0.0.5/32" << true << "10.0.0.4"
                                          << "10.0.0.5" << 32;
    QTest::newRow("/8 rejected") << "192.168.0.1/8" << false << ""
                                 << "" << 0;
    QTest::newRow("/33 rejected") << "192.168.0.1/33" << false << ""
                                  << "" << 0;
    QTest::newRow("no prefix") << "192.168.0.1/" << false << ""
                               << "" << 0;
    QTest::newRow("signed prefix") << "192.168.0.1/+24" << false << ""
                                   << "" << 0;
    QTest::newRow("two slashes") << "192.168.0.1/24/1" << false << ""
                                 << "" << 0;
    QTest::newRow("zero address") << "0.0.0.0/24" << false << ""
                                  << "" << 0;
    QTest::newRow("plain address") << "192.168.0.1" << false << ""
                                   << "" << 0;
    QTest::newRow("leading zero") << "192.168.010.0/24" << false << ""
                                  << "" << 0;
    QTest::newRow("short form") << "10.1/16" << false << ""
                                << "" << 0;
}

void TestIpRanges::parseCidr()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    TIpRange oRange;
    quint32 nAddress = 0;
    int nPrefix = 0;
    QCOMPARE(ParseCidr(text, &oRange, &nAddress, &nPrefix), ok);
    if (!ok)
        return;
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, prefix);
    IpRanges oRanges;
    QVERIFY(oRanges.Assign(&oRange, 1, false));
    QCOMPARE(IpToText(oRanges.At(0).first), first);
    QCOMPARE(IpToText(oRanges.At(0).last), last);
    QCOMPARE(nPrefix, prefix);
    QCOMPARE(IpToText(nAddress), text.section(QLatin1Char('/'), 0, 0));
}

void TestIpRanges::countAndHandOut_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<QStringList>("skipped");
    QTest::newRow("ends at .255 hands out its own last")
        << "192.168.0.1"
        << "192.168.0.255" << 255u << QStringList{};
    QTest::newRow("inner .255 and .0 skipped, ends kept")
        << "192.168.0.0"
        << "192.168.1.255" << 510u
        << QStringList{QStringLiteral("192.168.0.255"), QStringLiteral("192.168.1.0")};
    QTest::newRow("single .0 address counts") << "10.0.1.0"
                                              << "10.0.1.0" << 1u << QStringList{};
    QTest::newRow("top of the address space") << "255.255.255.250"
                                              << "255.255.255.255" << 6u << QStringList{};
    QTest::newRow("zero first counts nothing") << "0.0.0.0"
                                               << "0.0.0.5" << 0u << QStringList{};
}

void TestIpRanges::countAndHandOut()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(quint32, count);
    QFETCH(QStringList, skipped);
    CIpList oList;
    oList.AddRange(Ip(qPrintable(first)), Ip(qPrintable(last)));
    QCOMPARE(oList.Count(), count);
    const QList<quint32> lnTaken = TakeAll(oList);
    QCOMPARE(quint32(lnTaken.size()), count);
    if (count == 0)
        return;
    QCOMPARE(IpToText(lnTaken.first()), first);
    QCOMPARE(IpToText(lnTaken.last()), last);
    for (const QString &sSkipped : skipped)
        QVERIFY2(!lnTaken.contains(Ip(qPrintable(sSkipped))), qPrintable(sSkipped));
    QVERIFY(std::is_sorted(lnTaken.begin(), lnTaken.end()));
}

void TestIpRanges::handOutMatchesCountOnRandomRanges()
{
    // Property: for any normalised ranges, the addresses handed out equal Count(), none twice,
    // and each one is an end of its range or has a last octet other than 0 and 255.
    QRandomGenerator oRandom(20261207);
    for (int nRound = 0; nRound < 300; ++nRound) {
        QVector<TIpRange> vRanges;
        const int nRanges = 1 + oRandom.bounded(6);
        for (int i = 0; i < nRanges; ++i) {
            const quint32 nBase = oRandom.generate() | 1u;
            const quint32 nSpan = oRandom.bounded(1200);
            const quint32 nEnd = nBase > 0xFFFFFFFFu - nSpan ? 0xFFFFFFFFu : nBase + nSpan;
            vRanges.append(oRandom.bounded(2) ? TIpRange{nBase, nEnd} : TIpRange{nEnd, nBase});
        }
        IpRanges oRanges;
        QVERIFY(oRanges.Assign(vRanges, oRandom.bounded(2) == 1));
        const CIpList oList(oRanges);
        const QList<quint32> lnTaken = TakeAll(oList);
        QCOMPARE(quint32(lnTaken.size()), oList.Count());
        QCOMPARE(QSet<quint32>(lnTaken.begin(), lnTaken.end()).size(), lnTaken.size());
        for (quint32 nAddress : lnTaken) {
            const bool fInside = std::any_of(
                oRanges.Ranges().begin(), oRanges.Ranges().end(), [&](const TIpRange &r) {
                    return nAddress >= r.first && nAddress <= r.last
                           && (nAddress == r.first || nAddress == r.last
                               || ((nAddress & 0xFF) != 0 && (nAddress & 0xFF) != 255));
                });
            QVERIFY2(fInside, qPrintable(IpToText(nAddress)));
        }
    }
}

void TestIpRanges::exhaustedListStaysEmpty()
{
    CIpList oList;
    QVERIFY(!oList.TakeNext());
    oList.AddRange(Ip("10.0.0.1"), Ip("10.0.0.2"));
    QVERIFY(oList.TakeNext());
    QVERIFY(oList.TakeNext());
    QVERIFY(!oList.TakeNext());
    QVERIFY(!oList.TakeNext());
    QCOMPARE(oList.Count(), 2u);

    // A copy keeps its own cursor.
    CIpList oSecond;
    oSecond.AddRange(Ip("10.0.0.1"), Ip("10.0.0.3"));
    CIpList oCopy = oSecond;
    QCOMPARE(TakeAll(oCopy).size(), 3);
    QCOMPARE(TakeAll(oSecond).size(), 3);
}

void TestIpRanges::assignNormalises_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("sort");
    QTest::addColumn<QString>("expected");
    QTest::newRow("adjacent ranges merge")
        << "1.1.1.1-1.1.1.5,1.1.1.6" << true << "1.1.1.1-1.1.1.6";
    QTest::newRow("overlap merges")
        << "1.1.1.1-1.1.1.9,1.1.1.5-1.1.1.20" << true << "1.1.1.1-1.1.1.20";
    QTest::newRow("disjoint stay apart, sorted")
        << "2.0.0.1,1.0.0.1" << true << "1.0.0.1-1.0.0.1,2.0.0.1-2.0.0.1";
    QTest::newRow("unsorted keeps first appearance")
        << "2.0.0.1,1.0.0.1,2.0.0.2" << false << "2.0.0.1-2.0.0.2,1.0.0.1-1.0.0.1";
    QTest::newRow("range ending at the top merges")
        << "255.255.255.0-255.255.255.255,255.255.255.10-255.255.255.20" << true
        << "255.255.255.0-255.255.255.255";
    QTest::newRow("range ending at the top merges unsorted")
        << "255.255.255.0-255.255.255.255,255.255.255.10-255.255.255.20" << false
        << "255.255.255.0-255.255.255.255";
    QTest::newRow("chain merges in several passes")
        << "1.0.0.10-1.0.0.12,1.0.0.1-1.0.0.3,1.0.0.4-1.0.0.9" << false << "1.0.0.1-1.0.0.12";
}

void TestIpRanges::assignNormalises()
{
    QFETCH(QString, input);
    QFETCH(bool, sort);
    QFETCH(QString, expected);
    QVector<TIpRange> vRanges;
    for (const QString &sEntry : input.split(QLatin1Char(','))) {
        const QString sFirst = sEntry.section(QLatin1Char('-'), 0, 0);
        const QString sLast =
            sEntry.contains(QLatin1Char('-')) ? sEntry.section(QLatin1Char('-'), 1, 1) : sFirst;
        vRanges.append(TIpRange{Ip(qPrintable(sFirst)), Ip(qPrintable(sLast))});
    }
    IpRanges oRanges;
    QVERIFY(oRanges.Assign(vRanges.constData(), quint32(vRanges.size()), sort));
    QStringList lsOut;
    for (const TIpRange &oRange : oRanges.Ranges())
        lsOut << IpToText(oRange.first) + QLatin1Char('-') + IpToText(oRange.last);
    QCOMPARE(lsOut.join(QLatin1Char(',')), expected);
    QCOMPARE(oRanges.IsSorted(), sort);

    IpRanges oEmpty;
    QVERIFY(oEmpty.Assign(nullptr, 3, true));
    QCOMPARE(oEmpty.Count(), 0u);
}

void TestIpRanges::totalAndAddressAt()
{
    IpRanges oRanges;
    const TIpRange aRanges[] = {{Ip("10.0.0.0"), Ip("10.0.0.255")},
                                {Ip("10.0.2.1"), Ip("10.0.2.2")}};
    QVERIFY(oRanges.Assign(aRanges, 2, true));
    QCOMPARE(oRanges.Total(), quint64(258));
    quint32 nAddress = 0;
    QVERIFY(oRanges.AddressAt(0, &nAddress));
    QCOMPARE(IpToText(nAddress), QStringLiteral("10.0.0.0"));
    QVERIFY(oRanges.AddressAt(256, &nAddress));
    QCOMPARE(IpToText(nAddress), QStringLiteral("10.0.2.1"));
    QVERIFY(oRanges.AddressAt(257, &nAddress));
    QCOMPARE(IpToText(nAddress), QStringLiteral("10.0.2.2"));
    QVERIFY(!oRanges.AddressAt(258, &nAddress));

    const TIpRange oAll{1, 0xFFFFFFFFu};
    QVERIFY(oRanges.Assign(&oAll, 1, false));
    QCOMPARE(oRanges.Total(), quint64(0xFFFFFFFFu));
}

void TestIpRanges::parseRangeList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("ranges");
    QTest::newRow("list with cidr and blanks") << "10.0.0.1 - 10.0.0.5,\n10.1.0.0/24" << true << 2;
    QTest::newRow("merges adjacent") << "10.0.0.1-10.0.0.5,10.0.0.6" << true << 1;
    QTest::newRow("empty part fails") << "10.0.0.1," << false << 0;
    QTest::newRow("empty text fails") << "" << false << 0;
    QTest::newRow("bad entry fails") << "10.0.0.1,foo" << false << 0;
    QTest::newRow("octal-looking entry fails") << "10.0.0.1,198.19.88.010" << false << 0;
    QTest::newRow("bare number after the dash fails") << "1.2.3.4-5" << false << 0;
}

void TestIpRanges::parseRangeList()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, ranges);
    IpRanges oRanges;
    const TIpRange oKept{7, 9};
    QVERIFY(oRanges.Assign(&oKept, 1, false));
    QCOMPARE(ParseRangeList(text, &oRanges), ok);
    QCOMPARE(int(oRanges.Count()), ok ? ranges : 1);
}

void TestIpRanges::setFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("count");
    QTest::newRow("example of the scan field")
        << "192.168.0.1-192.168.0.100, 192.168.0.200" << true << 101u;
    QTest::newRow("cidr part skipped") << "192.168.0.1/24" << false << 0u;
    QTest::newRow("cidr skipped, others kept") << "192.168.0.1/24,10.0.0.1" << true << 1u;
    QTest::newRow("reversed pair normalised") << "10.0.0.9-10.0.0.1" << true << 9u;
    QTest::newRow("zero first skipped") << "0.0.0.0-10.0.0.3" << false << 0u;
    QTest::newRow("bad second piece skipped") << "10.0.0.1-foo,10.0.0.7" << true << 1u;
    QTest::newRow("ipv6 piece skipped") << "::1,10.0.0.7" << true << 1u;
    QTest::newRow("line breaks removed") << "10.0.0.1-\r\n10.0.0.3" << true << 3u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("bare number after the dash skipped") << "1.2.3.4-5,10.0.0.7" << true << 1u;
    QTest::newRow("leading zero skipped") << "198.19.88.010" << false << 0u;
    QTest::newRow("short form skipped") << "127.1" << false << 0u;
}

void TestIpRanges::setFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, count);
    CIpList oList;
    oList.AddRange(Ip("1.1.1.1"), Ip("1.1.1.9"));
    QCOMPARE(oList.SetFromText(text), ok);
    QCOMPARE(oList.Count(), count);
    // The scan's size must equal what it hands out, or the end of the scan is seen too early.
    QCOMPARE(quint32(TakeAll(oList).size()), count);
}

void TestIpRanges::loadFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("ranges");
    QTest::addColumn<QString>("error");
    const QString sPrefix = QStringLiteral("Reading from file: ");
    QTest::newRow("usage example")
        << QByteArray("192.168.0.1-192.168.0.128\n192.168.0.155\n192.168.1.10\n") << true
        << "192.168.0.1-192.168.0.128,192.168.0.155-192.168.0.155,192.168.1.10-192.168.1.10"
        << "";
    QTest::newRow("comma, comment, adjacent merge")
        << QByteArray("1.1.1.1-1.1.1.5, 1.1.1.6 # office\r\n") << true << "1.1.1.1-1.1.1.6"
        << "";
    QTest::newRow("cidr line") << QByteArray("# lab\n10.0.0.0/24\n") << true
                               << "10.0.0.1-10.0.0.254"
                               << "";
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF"
                                                   "10.0.0.1\n")
                                     << true << "10.0.0.1-10.0.0.1"
                                     << "";
    QTest::newRow("trailing empty part names line 1")
        << QByteArray("1.1.1.1,\n") << false << ""
        << sPrefix + "Text \"\" at line 1 is not an ip range";
    QTest::newRow("bad entry on line 3") << QByteArray("10.0.0.1\n\nhello\n") << false << ""
                                         << sPrefix + "Text \"hello\" at line 3 is not an ip range";
    QTest::newRow("long entry shortened")
        << QByteArray("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz\n") << false << ""
        << sPrefix + "Text \"abcdefghijklmnopqrstuvwxyzabcdefghi...\" at line 1 is not an ip range";
    QTest::newRow("entry of 38 characters kept whole")
        << QByteArray("abcdefghijklmnopqrstuvwxyzabcdefghijkl") << false << ""
        << sPrefix + "Text \"abcdefghijklmnopqrstuvwxyzabcdefghijkl\" at line 1 is not an ip range";
    QTest::newRow("only comments")
        << QByteArray("# nothing\n\n   \n") << false << "" << sPrefix + "No IP addresses found";
    QTest::newRow("zero bytes") << QByteArray() << false << "" << sPrefix + "Empty file";
    QTest::newRow("only a utf-8 mark")
        << QByteArray("\xEF\xBB\xBF") << false << "" << sPrefix + "Empty file";
    QTest::newRow("only a utf-16 mark")
        << QByteArray("\xFF\xFE") << false << "" << sPrefix + "Empty file";
    const QString sText = QStringLiteral("10.0.0.1-10.0.0.3\r\n# c\r\n10.0.1.0/24\r\n");
    const QString sExpected = QStringLiteral("10.0.0.1-10.0.0.3,10.0.1.1-10.0.1.254");
    QTest::newRow("utf-16 little-endian") << Utf16(sText, true) << true << sExpected << "";
    QTest::newRow("utf-16 big-endian") << Utf16(sText, false) << true << sExpected << "";
    QTest::newRow("utf-16 odd last byte dropped")
        << Utf16(sText, false) + 'x' << true << sExpected << "";
    QTest::newRow("utf-16 little-endian without mark")
        << Utf16(sText, true, false) << true << sExpected << "";
    QTest::newRow("utf-16 big-endian without mark")
        << Utf16(sText, false, false) << true << sExpected << "";
    QTest::newRow("utf-16 without mark, three addresses")
        << Utf16(QStringLiteral("10.0.0.1\n10.0.0.5\n10.0.0.9\n"), true, false) << true
        << "10.0.0.1-10.0.0.1,10.0.0.5-10.0.0.5,10.0.0.9-10.0.0.9"
        << "";
    QTest::newRow("NUL after the first line names the second")
        << QByteArray("10.0.0.1\n\0"
                      "10.0.0.2\n",
                      19)
        << false << ""
        << sPrefix + QStringLiteral("Text \"\uFFFD10.0.0.2\" at line 2 is not an ip range");
    QTest::newRow("control characters are not shown raw")
        << QByteArray("10.0.0.1\x1b[2J\n") << false << ""
        << sPrefix + QStringLiteral("Text \"10.0.0.1\uFFFD[2J\" at line 1 is not an ip range");
    QTest::newRow("octal-looking entry refused")
        << QByteArray("198.19.88.010\n") << false << ""
        << sPrefix + "Text \"198.19.88.010\" at line 1 is not an ip range";
}

void TestIpRanges::loadFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, ok);
    QFETCH(QString, ranges);
    QFETCH(QString, error);
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPath = WriteFile(oDir, content);
    QVERIFY(!sPath.isEmpty());
    IpRanges oRanges;
    QString sError = QStringLiteral("stale");
    QCOMPARE(LoadRangesFromFile(&oRanges, QLatin1Char(' ') + sPath + QLatin1Char(' '), &sError),
             ok);
    QCOMPARE(sError, error);
    QStringList lsOut;
    for (const TIpRange &oRange : oRanges.Ranges())
        lsOut << IpToText(oRange.first) + QLatin1Char('-') + IpToText(oRange.last);
    QCOMPARE(lsOut.join(QLatin1Char(',')), ranges);
}

void TestIpRanges::loadFileLeavesRangesOnFailure()
{
    IpRanges oRanges;
    const TIpRange oKept{Ip("10.9.9.9"), Ip("10.9.9.9")};
    QVERIFY(oRanges.Assign(&oKept, 1, false));
    QString sError;
    QVERIFY(!LoadRangesFromFile(&oRanges, QStringLiteral("/nonexistent/ranges.txt"), &sError));
    QCOMPARE(sError, QStringLiteral("Reading from file: Unable to read data from file"));
    QCOMPARE(oRanges.Count(), 1u);
    QCOMPARE(oRanges.At(0).first, oKept.first);
    QVERIFY(!LoadRangesFromFile(&oRanges, QStringLiteral("/nonexistent/ranges.txt"), nullptr));
}

void TestIpRanges::loadFileRefusesWhatIsNoRegularFile()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QByteArray baFifo = QFile::encodeName(oDir.filePath(QStringLiteral("ranges.fifo")));
    QVERIFY(::mkfifo(baFifo.constData(), 0600) == 0);
    const QString sFifo = QFile::decodeName(baFifo);
    const QString sUnreadable = QStringLiteral("Reading from file: Unable to read data from file");
    for (const QString &sPath : {sFifo, QStringLiteral("/dev/zero"), oDir.path()}) {
        auto oLoad = std::async(std::launch::async, [sPath] {
            QString sError;
            IpRanges oRanges;
            LoadRangesFromFile(&oRanges, sPath, &sError);
            return sError;
        });
        if (oLoad.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // A reader blocked in open() on the FIFO is let go by a writer that comes and leaves.
            const int nFd = ::open(baFifo.constData(), O_WRONLY | O_NONBLOCK);
            if (nFd >= 0)
                ::close(nFd);
            oLoad.wait();
            QFAIL(qPrintable(sPath + QStringLiteral(": the load waited")));
        }
        QCOMPARE(oLoad.get(), sUnreadable);
    }
}

void TestIpRanges::loadFileSurvivesGarbage()
{
    QTemporaryDir oDir;
    QRandomGenerator oRandom(42);
    for (int nRound = 0; nRound < 50; ++nRound) {
        QByteArray baData(oRandom.bounded(4096), '\0');
        for (char &c : baData)
            c = static_cast<char>(oRandom.bounded(256));
        if (nRound % 3 == 0)
            baData.prepend(nRound % 2 ? "\xFF\xFE" : "\xFE\xFF");
        IpRanges oRanges;
        QString sError;
        const bool fOk = LoadRangesFromFile(&oRanges, WriteFile(oDir, baData), &sError);
        QVERIFY(fOk ? sError.isEmpty() : sError.startsWith(QLatin1String("Reading from file: ")));
    }
    // A big file of many lines is read without expanding addresses.
    QByteArray baBig;
    for (int i = 0; i < 200000; ++i)
        baBig += QByteArray::number(1 + (i >> 16)) + '.' + QByteArray::number((i >> 8) & 0xFF) + '.'
                 + QByteArray::number(i & 0xFF) + ".0/24\n";
    IpRanges oRanges;
    QString sError;
    QVERIFY2(LoadRangesFromFile(&oRanges, WriteFile(oDir, baBig), &sError), qPrintable(sError));
    QVERIFY(oRanges.Count() >= 1);
    QVERIFY(CIpList(oRanges).Count() > 200000u * 250u);
}

QTEST_GUILESS_MAIN(TestIpRanges)
#include "tst_IpRanges.moc"
