// SPDX-License-Identifier: GPL-3.0-or-later
// The NetBIOS node status wire format: name encoding, the request, answer parsing (including
// hostile and truncated answers) and how the findings land in a scan result.

#include "CCfg.h"
#include "CNetBiosError.h"
#include "CNetBiosName.h"
#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetBiosScanStep.h"
#include "CScanResult.h"
#include "NetBiosAnswers.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace NetBiosAnswers;

Q_DECLARE_METATYPE(ENetBiosError)

namespace {

// Parses i_baDatagram from a heap block of exactly its size, so that AddressSanitizer reports
// any read past the received bytes.
ENetBiosError
ParseExact(const QByteArray &i_baDatagram, quint16 i_nId, CNetBiosNodeStatus &o_oStatus)
{
    const int nSize = i_baDatagram.size();
    const std::unique_ptr<char[]> pExact(new char[nSize > 0 ? nSize : 1]);
    if (nSize > 0)
        memcpy(pExact.get(), i_baDatagram.constData(), static_cast<size_t>(nSize));
    return CNetBiosQuery::ParseAnswer(pExact.get(), nSize, i_nId, o_oStatus);
}

// Parses the first i_nSize bytes of a block whose remaining bytes are all i_cFill: the outcome
// must not depend on the fill, whatever it is, or the parser read what was not received.
ENetBiosError ParseWithTail(const QByteArray &i_baDatagram,
                            quint16 i_nId,
                            char i_cFill,
                            CNetBiosNodeStatus &o_oStatus)
{
    QByteArray baBlock = i_baDatagram;
    baBlock.append(QByteArray(8192, i_cFill));
    return CNetBiosQuery::ParseAnswer(baBlock.constData(), i_baDatagram.size(), i_nId, o_oStatus);
}

QString Describe(ENetBiosError i_eKind, const CNetBiosNodeStatus &i_oStatus)
{
    QStringList ls;
    ls << QString::number(static_cast<int>(i_eKind));
    const QList<CNetBiosName> lNames = i_oStatus.names();
    for (const CNetBiosName &oName : lNames)
        ls << QString::fromLatin1(oName.name().toHex()) + QLatin1Char('/')
                  + QString::number(oName.suffix()) + QLatin1Char('/')
                  + QString::number(oName.group());
    ls << QString::fromLatin1(i_oStatus.computer_name().toHex())
       << QString::number(i_oStatus.computer_name_found())
       << QString::fromLatin1(i_oStatus.group_name().toHex())
       << QString::number(i_oStatus.group_name_found())
       << QString::fromLatin1(i_oStatus.unit_id().toHex())
       << QString::number(i_oStatus.unit_id_present());
    return ls.join(QLatin1Char(' '));
}

QByteArray Padded(const char *i_pName)
{
    QByteArray ba(i_pName);
    ba.append(QByteArray(15 - ba.size(), ' '));
    return ba;
}

QList<TEntry> ManyNames(int i_nCount)
{
    QList<TEntry> lEntries;
    for (int i = 0; i < i_nCount; ++i)
        lEntries << TEntry{QByteArrayLiteral("N") + QByteArray::number(i),
                           static_cast<quint8>(i),
                           static_cast<quint8>(i % 2 ? kGroup | kActive : kActive)};
    return lEntries;
}

// Cyrillic "СЕРВЕР" and "ГРУППА" in IBM 866.
const QByteArray kServer866("\x91\x85\x90\x82\x85\x90");
const QByteArray kGroup866("\x83\x90\x93\x8f\x8f\x80");

} // namespace

class TestCNetBiosQuery : public QObject
{
    Q_OBJECT

private slots:
    void encodeName_data();
    void encodeName();
    void encodeNameRejectsBadLength();
    void request_data();
    void request();
    void entryFlags_data();
    void entryFlags();
    void parse_data();
    void parse();
    void failedParseLeavesStatusUntouched();
    void randomTruncationsReadOnlyReceivedBytes();
    void randomMutationsReadOnlyReceivedBytes();
    void errorMessages_data();
    void errorMessages();
    void noErrorRecordIsHarmless();
    void apply_data();
    void apply();
    void answerOnlyFromTheHostAsked_data();
    void answerOnlyFromTheHostAsked();
    void waitTime_data();
    void waitTime();
};

void TestCNetBiosQuery::encodeName_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("encoded");

    QByteArray baWildcard("\x20", 1);
    baWildcard += "CK" + QByteArray(30, 'A');
    baWildcard.append('\0');
    QTest::newRow("wildcard is CK then thirty A") << QByteArray("*") << baWildcard;

    // 'A' 0x41 -> "EB", ' ' 0x20 -> "CA", suffix 0 -> "AA".
    QByteArray baAbc("\x20", 1);
    baAbc += "EBECED" + QByteArray("CA").repeated(12) + "AA";
    baAbc.append('\0');
    QTest::newRow("short name padded with spaces, upper-cased, suffix 0")
        << QByteArray("abc") << baAbc;
    QTest::newRow("upper case input encodes the same") << QByteArray("ABC") << baAbc;

    QByteArray baLong("\x20", 1);
    baLong += QByteArray("EB").repeated(15) + "AA";
    baLong.append('\0');
    QTest::newRow("name longer than 15 bytes is cut")
        << QByteArray("AAAAAAAAAAAAAAAAAAAA") << baLong;

    // '*' inside a longer name is an ordinary character, padded like any other.
    QByteArray baStarX("\x20", 1);
    baStarX += "CKFI" + QByteArray("CA").repeated(13) + "AA";
    baStarX.append('\0');
    QTest::newRow("star followed by more is not the wildcard") << QByteArray("*x") << baStarX;
}

void TestCNetBiosQuery::encodeName()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, encoded);
    // Guard bytes on both sides catch a write outside the 34 bytes.
    QByteArray baBuffer(36, '\x5A');
    QVERIFY(CNetBiosQuery::EncodeName(name, baBuffer.data() + 1, 34));
    QCOMPARE(baBuffer.mid(1, 34), encoded);
    QCOMPARE(baBuffer.at(0), '\x5A');
    QCOMPARE(baBuffer.at(35), '\x5A');
}

void TestCNetBiosQuery::encodeNameRejectsBadLength()
{
    QByteArray baBuffer(8, '\x5A');
    QVERIFY(!CNetBiosQuery::EncodeName("*", baBuffer.data(), 3));
    QVERIFY(!CNetBiosQuery::EncodeName("*", baBuffer.data(), 7));
    QCOMPARE(baBuffer, QByteArray(8, '\x5A'));
}

void TestCNetBiosQuery::request_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("idBytes");
    QTest::newRow("id 0") << 0 << QByteArray("\x00\x00", 2);
    QTest::newRow("id goes least significant byte first") << 0x1234 << QByteArray("\x34\x12", 2);
    QTest::newRow("id 0xFFFF") << 0xFFFF << QByteArray("\xFF\xFF", 2);
}

void TestCNetBiosQuery::request()
{
    QFETCH(int, id);
    QFETCH(QByteArray, idBytes);
    QByteArray baExpected = idBytes;
    baExpected.append("\x00\x10\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    baExpected.append(WildcardName());
    baExpected.append("\x00\x21\x00\x01", 4);

    const QByteArray baRequest = CNetBiosQuery::BuildRequest(static_cast<quint16>(id));
    QCOMPARE(baRequest.size(), 50);
    QCOMPARE(baRequest.toHex(' '), baExpected.toHex(' '));
}

void TestCNetBiosQuery::entryFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("group");
    QTest::addColumn<int>("ont");
    QTest::addColumn<bool>("drg");
    QTest::addColumn<bool>("cnf");
    QTest::addColumn<bool>("act");
    QTest::addColumn<bool>("prm");
    QTest::newRow("none") << 0x00 << false << 0 << false << false << false << false;
    QTest::newRow("group only") << 0x80 << true << 0 << false << false << false << false;
    QTest::newRow("H node") << 0x60 << false << 3 << false << false << false << false;
    QTest::newRow("M node") << 0x40 << false << 2 << false << false << false << false;
    QTest::newRow("deregistering") << 0x10 << false << 0 << true << false << false << false;
    QTest::newRow("conflict") << 0x08 << false << 0 << false << true << false << false;
    QTest::newRow("active") << 0x04 << false << 0 << false << false << true << false;
    QTest::newRow("permanent") << 0x02 << false << 0 << false << false << false << true;
    QTest::newRow("every bit") << 0xFF << true << 3 << true << true << true << true;
}

void TestCNetBiosQuery::entryFlags()
{
    QFETCH(int, flags);
    QFETCH(bool, group);
    QFETCH(int, ont);
    QFETCH(bool, drg);
    QFETCH(bool, cnf);
    QFETCH(bool, act);
    QFETCH(bool, prm);
    QByteArray baEntry = Padded("HOST");
    baEntry.append('\x20');
    baEntry.append(static_cast<char>(flags));
    baEntry.append('\xFF'); // reserved byte: must not change anything
    const CNetBiosName oName = CNetBiosName::FromEntry(baEntry.constData());
    QCOMPARE(oName.name(), Padded("HOST"));
    QCOMPARE(oName.suffix(), quint8(0x20));
    QCOMPARE(oName.group(), group);
    QCOMPARE(int(oName.owner_node_type()), ont);
    QCOMPARE(oName.deregistering(), drg);
    QCOMPARE(oName.conflict(), cnf);
    QCOMPARE(oName.active(), act);
    QCOMPARE(oName.permanent(), prm);
}

void TestCNetBiosQuery::parse_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("id");
    QTest::addColumn<ENetBiosError>("kind");
    QTest::addColumn<int>("nameCount");
    QTest::addColumn<QByteArray>("computer");
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("unitId"); // empty: no unit id

    const QByteArray baNone;
    const QByteArray baEmpty57 = Answer(7, {}, QByteArray());
    const QByteArray baSamba = SambaAnswer(7);
    const QByteArray baMac("\x00\x1A\x2B\x3C\x4D\x5E", 6);

    QTest::newRow("empty datagram is too small")
        << QByteArray() << 7 << ENetBiosError::TooSmall << 0 << baNone << baNone << baNone;
    QTest::newRow("56 bytes is too small")
        << baEmpty57.left(56) << 7 << ENetBiosError::TooSmall << 0 << baNone << baNone << baNone;
    QTest::newRow("56 bytes with the wrong id is still too small")
        << baEmpty57.left(56) << 8 << ENetBiosError::TooSmall << 0 << baNone << baNone << baNone;
    QTest::newRow("57 bytes with no names succeeds, no unit id")
        << baEmpty57 << 7 << ENetBiosError::None << 0 << baNone << baNone << baNone;
    QTest::newRow("wrong id is refused")
        << baEmpty57 << 8 << ENetBiosError::InvalidId << 0 << baNone << baNone << baNone;
    QTest::newRow("id is read least significant byte first")
        << Answer(0x0102, {}, QByteArray()) << 0x0102 << ENetBiosError::None << 0 << baNone
        << baNone << baNone;
    QTest::newRow("byte-swapped id is refused")
        << Answer(0x0201, {}, QByteArray()) << 0x0102 << ENetBiosError::InvalidId << 0 << baNone
        << baNone << baNone;

    QTest::newRow("samba answer: computer, workgroup, zero unit id")
        << baSamba << 7 << ENetBiosError::None << 5 << Padded("ALPHA") << Padded("LABGROUP")
        << QByteArray(6, '\0');
    QTest::newRow("real unit id is taken")
        << Answer(7, {Unique("PC", 0)}, UnitIdStatistics(baMac)) << 7 << ENetBiosError::None << 1
        << Padded("PC") << baNone << baMac;
    QTest::newRow("unit id of all 0xFF is reported as received")
        << Answer(7, {Unique("PC", 0)}, UnitIdStatistics(QByteArray(6, '\xFF'))) << 7
        << ENetBiosError::None << 1 << Padded("PC") << baNone << QByteArray(6, '\xFF');

    QTest::newRow("three declared, two whole entries: two names, no unit id")
        << Answer(7, {Unique("A", 0), Group("WG", 0x1E), Unique("C", 0x20)}).left(57 + 2 * 18 + 10)
        << 7 << ENetBiosError::None << 2 << Padded("A") << Padded("WG") << baNone;
    QTest::newRow("declared more names than sent, statistics bytes taken as entries")
        << Answer(7, {Unique("A", 0)}, UnitIdStatistics(baMac), 4) << 7 << ENetBiosError::None << 3
        << Padded("A") << baNone << baNone;
    QTest::newRow("complete table, 45 statistics bytes: no unit id")
        << Answer(7, {Unique("A", 0)}, UnitIdStatistics(baMac).left(45)) << 7 << ENetBiosError::None
        << 1 << Padded("A") << baNone << baNone;
    QTest::newRow("complete table, no statistics block: names, no unit id")
        << Answer(7, {Unique("A", 0), Group("WG", 0x1E)}, QByteArray()) << 7 << ENetBiosError::None
        << 2 << Padded("A") << Padded("WG") << baNone;
    QTest::newRow("complete table, exactly 46 statistics bytes: unit id")
        << Answer(7, {Unique("A", 0)}, UnitIdStatistics(baMac)) << 7 << ENetBiosError::None << 1
        << Padded("A") << baNone << baMac;

    QTest::newRow("255 names with statistics: all taken")
        << Answer(7, ManyNames(255), UnitIdStatistics(baMac)) << 7 << ENetBiosError::None << 255
        << Padded("N0") << baNone << baMac;
    QTest::newRow("255 declared, none sent: no names")
        << Answer(7, {}, QByteArray(), 255) << 7 << ENetBiosError::None << 0 << baNone << baNone
        << baNone;
    QTest::newRow("oversized answer: 255 names, unit id, then padding to 65507 bytes")
        << Answer(7, ManyNames(255), UnitIdStatistics(baMac) + QByteArray(65507 - 4693, '\xEE'))
        << 7 << ENetBiosError::None << 255 << Padded("N0") << baNone << baMac;

    QTest::newRow("first of two unique 0x00 entries is the computer name")
        << Answer(7, {Unique("FIRST", 0), Unique("SECOND", 0)}) << 7 << ENetBiosError::None << 2
        << Padded("FIRST") << baNone << QByteArray(6, '\0');
    QTest::newRow("a group 0x00 entry is not the computer name")
        << Answer(7, {Group("WG", 0), Unique("PC", 0)}) << 7 << ENetBiosError::None << 2
        << Padded("PC") << baNone << QByteArray(6, '\0');
    QTest::newRow("unique 0x20 entry is not the computer name")
        << Answer(7, {Unique("SRV", 0x20)}) << 7 << ENetBiosError::None << 1 << baNone << baNone
        << QByteArray(6, '\0');
    QTest::newRow("the last 0x1E group wins")
        << Answer(7, {Group("WG1", 0x1E), Group("WG2", 0x1E)}) << 7 << ENetBiosError::None << 2
        << baNone << Padded("WG2") << QByteArray(6, '\0');
    QTest::newRow("a unique 0x1E entry is not the group")
        << Answer(7, {Unique("WG", 0x1E)}) << 7 << ENetBiosError::None << 1 << baNone << baNone
        << QByteArray(6, '\0');
    QTest::newRow("name is cut at the first zero byte")
        << Answer(7, {Unique(QByteArray("AB\0CD", 5), 0)}) << 7 << ENetBiosError::None << 1
        << QByteArray("AB") << baNone << QByteArray(6, '\0');
    QTest::newRow("IBM 866 bytes pass through unchanged")
        << Answer(7, {Unique(kServer866, 0), Group(kGroup866, 0x1E)}) << 7 << ENetBiosError::None
        << 2 << kServer866 + QByteArray(9, ' ') << kGroup866 + QByteArray(9, ' ')
        << QByteArray(6, '\0');

    QByteArray baOddHeader = baSamba;
    baOddHeader[2] = '\xFF'; // flags with an error return code
    baOddHeader[3] = '\xFF';
    baOddHeader[7] = '\x00';  // ANCOUNT 0
    baOddHeader[47] = '\x20'; // type NB instead of NBSTAT
    QTest::newRow("header fields other than the id are not examined")
        << baOddHeader << 7 << ENetBiosError::None << 5 << Padded("ALPHA") << Padded("LABGROUP")
        << QByteArray(6, '\0');
}

void TestCNetBiosQuery::parse()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, id);
    QFETCH(ENetBiosError, kind);
    QFETCH(int, nameCount);
    QFETCH(QByteArray, computer);
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, unitId);

    CNetBiosNodeStatus oStatus;
    QCOMPARE(ParseExact(datagram, static_cast<quint16>(id), oStatus), kind);
    QCOMPARE(oStatus.names().size(), nameCount);
    QCOMPARE(oStatus.computer_name_found(), !computer.isNull());
    QCOMPARE(oStatus.computer_name(), computer);
    QCOMPARE(oStatus.group_name_found(), !group.isNull());
    QCOMPARE(oStatus.group_name(), group);
    QCOMPARE(oStatus.unit_id_present(), !unitId.isEmpty());
    QCOMPARE(oStatus.unit_id(), unitId.isEmpty() ? QByteArray(6, '\0') : unitId);
}

void TestCNetBiosQuery::failedParseLeavesStatusUntouched()
{
    CNetBiosNodeStatus oStatus;
    QCOMPARE(ParseExact(SambaAnswer(1), 1, oStatus), ENetBiosError::None);
    const QString sBefore = Describe(ENetBiosError::None, oStatus);
    QCOMPARE(ParseExact(SambaAnswer(2), 1, oStatus), ENetBiosError::InvalidId);
    QCOMPARE(ParseExact(SambaAnswer(1).left(40), 1, oStatus), ENetBiosError::TooSmall);
    QCOMPARE(Describe(ENetBiosError::None, oStatus), sBefore);
}

void TestCNetBiosQuery::randomTruncationsReadOnlyReceivedBytes()
{
    const QList<QByteArray> lSources{
        SambaAnswer(3),
        Answer(3, ManyNames(255), UnitIdStatistics("\x01\x02\x03\x04\x05\x06")),
        Answer(3, {Unique(kServer866, 0), Group("TRUNCGRP", 0x1E), Unique("C", 0x20)}),
        Answer(3, ManyNames(20), QByteArray(), 255),
    };
    QRandomGenerator oRandom(20261207);
    for (const QByteArray &baSource : lSources) {
        for (int nRound = 0; nRound < 600; ++nRound) {
            const int nSize = nRound < 120 ? nRound : oRandom.bounded(baSource.size() + 1);
            const QByteArray baCut = baSource.left(nSize);
            CNetBiosNodeStatus oExact;
            CNetBiosNodeStatus oZeros;
            CNetBiosNodeStatus oOnes;
            const ENetBiosError eExact = ParseExact(baCut, 3, oExact);
            const ENetBiosError eZeros = ParseWithTail(baCut, 3, '\0', oZeros);
            const ENetBiosError eOnes = ParseWithTail(baCut, 3, '\xFF', oOnes);
            const QString sExact = Describe(eExact, oExact);
            QCOMPARE(Describe(eZeros, oZeros), sExact);
            QCOMPARE(Describe(eOnes, oOnes), sExact);
            QCOMPARE(eExact, nSize < 57 ? ENetBiosError::TooSmall : ENetBiosError::None);
            QVERIFY(oExact.names().size() <= qMax(0, (nSize - 57) / 18));
            if (oExact.unit_id_present())
                QVERIFY(nSize >= 57 + 18 * oExact.names().size() + 46);
        }
    }
}

void TestCNetBiosQuery::randomMutationsReadOnlyReceivedBytes()
{
    QRandomGenerator oRandom(866);
    const QByteArray baSource =
        Answer(9, ManyNames(12), UnitIdStatistics("\x0A\x0B\x0C\x0D\x0E\x0F"));
    for (int nRound = 0; nRound < 3000; ++nRound) {
        QByteArray baMutated = baSource.left(oRandom.bounded(baSource.size() + 1));
        const int nFlips = oRandom.bounded(1, 8);
        for (int i = 0; i < nFlips && !baMutated.isEmpty(); ++i)
            baMutated[oRandom.bounded(baMutated.size())] = static_cast<char>(oRandom.bounded(256));
        // Keep the count byte hostile in half of the rounds: it drives every offset.
        if (baMutated.size() > 56 && nRound % 2)
            baMutated[56] = static_cast<char>(oRandom.bounded(256));
        const quint16 nId = baMutated.size() >= 2
                                ? static_cast<quint16>(static_cast<quint8>(baMutated[0])
                                                       | static_cast<quint8>(baMutated[1]) << 8)
                                : 9;
        CNetBiosNodeStatus oExact;
        CNetBiosNodeStatus oOnes;
        const ENetBiosError eExact = ParseExact(baMutated, nId, oExact);
        const ENetBiosError eOnes = ParseWithTail(baMutated, nId, '\xFF', oOnes);
        QCOMPARE(Describe(eOnes, oOnes), Describe(eExact, oExact));
        QVERIFY(oExact.names().size() <= 255);
    }
}

void TestCNetBiosQuery::errorMessages_data()
{
    QTest::addColumn<ENetBiosError>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("no error") << ENetBiosError::None << 0
                              << QStringLiteral("No error occures during last operation");
    QTest::newRow("socket") << ENetBiosError::Socket << 10024
                            << QStringLiteral(
                                   "Error creating UDP socket. WinSock error code is 10024");
    QTest::newRow("send")
        << ENetBiosError::Send << 10051
        << QStringLiteral("Error sending UDP packet to IP 198.18.2.3. WinSock error code is 10051");
    QTest::newRow("receive")
        << ENetBiosError::Receive << 10054
        << QStringLiteral(
               "Error receiving UDP packet from IP 198.18.2.3. WinSock error code is 10054");
    QTest::newRow("timeout") << ENetBiosError::Timeout << 0
                             << QStringLiteral(
                                    "Timeout reaching waiting UDP packet from IP 198.18.2.3");
    QTest::newRow("too small")
        << ENetBiosError::TooSmall << 0
        << QStringLiteral(
               "Received UDP packet from IP 198.18.2.3 is too small to contain valid data");
    QTest::newRow("invalid id") << ENetBiosError::InvalidId << 0
                                << QStringLiteral("Received UDP packet from IP has invalid ID");
}

void TestCNetBiosQuery::errorMessages()
{
    QFETCH(ENetBiosError, kind);
    QFETCH(int, code);
    QFETCH(QString, message);
    // 198.18.2.3 in network byte order; only formatted here, nothing is sent.
    const quint32 nAddrNet = qToBigEndian(quint32(0xC6120203));
    CNetBiosError oError;
    CNetBiosQuery::SetError(&oError, kind, code, nAddrNet);
    QCOMPARE(oError.kind(), kind);
    QCOMPARE(oError.code(), code);
    QCOMPARE(oError.address(), quint32(0xC6120203));
    QCOMPARE(oError.message(), message);
}

void TestCNetBiosQuery::noErrorRecordIsHarmless()
{
    CNetBiosQuery::SetError(nullptr, ENetBiosError::Timeout, 0, 0);
    CNetBiosError oError;
    QCOMPARE(oError.kind(), ENetBiosError::None);
    QVERIFY(oError.message().isEmpty());
}

void TestCNetBiosQuery::apply_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("netbiosName");
    QTest::addColumn<QString>("netbiosGroup");
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QByteArray>("arpMac");

    const QByteArray baArp("\x02\x5E\x00\x00\x00\x0A", 6);
    const QByteArray baReal("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    const QByteArray baNone(6, '\0');
    const QString sOld = QStringLiteral("old");

    QTest::newRow("samba: trailing spaces trimmed, zero unit id keeps the ARP MAC")
        << SambaAnswer(0) << QStringLiteral("ALPHA") << QStringLiteral("LABGROUP") << baArp
        << baArp;
    QTest::newRow("unit id of all 0xFF keeps the ARP MAC")
        << Answer(0, {Unique("PC", 0)}, UnitIdStatistics(QByteArray(6, '\xFF')))
        << QStringLiteral("PC") << sOld << baArp << baArp;
    QTest::newRow("a real unit id never replaces the ARP MAC")
        << Answer(0, {Unique("PC", 0)}, UnitIdStatistics(baReal)) << QStringLiteral("PC") << sOld
        << baArp << baArp;
    QTest::newRow("a real unit id fills the MAC that ARP did not find")
        << Answer(0, {Unique("PC", 0)}, UnitIdStatistics(baReal)) << QStringLiteral("PC") << sOld
        << baReal << baNone;
    QTest::newRow("a real unit id fills an ARP MAC of all 0xFF")
        << Answer(0, {Unique("PC", 0)}, UnitIdStatistics(baReal)) << QStringLiteral("PC") << sOld
        << baReal << QByteArray(6, '\xFF');
    QTest::newRow("a zero unit id leaves a missing MAC missing")
        << SambaAnswer(0) << QStringLiteral("ALPHA") << QStringLiteral("LABGROUP") << baNone
        << baNone;
    QTest::newRow("no statistics block keeps the ARP MAC")
        << Answer(0, {Unique("PC", 0)}, QByteArray()) << QStringLiteral("PC") << sOld << baArp
        << baArp;
    QTest::newRow("control characters in names become spaces")
        << Answer(0, {Unique("EV\x1b[2JIL\x7f", 0), Group("W\x01G\r\nX", 0x1E)})
        << QStringLiteral("EV [2JIL") << QStringLiteral("W G  X") << baArp << baArp;
    QTest::newRow("IBM 866 Cyrillic names are converted")
        << Answer(0, {Unique(kServer866, 0), Group(kGroup866, 0x1E)}) << QStringLiteral("СЕРВЕР")
        << QStringLiteral("ГРУППА") << baArp << baArp;
    QTest::newRow("no 0x1E group: the first group entry of any suffix")
        << Answer(0, {Unique("PC", 0), Group("FIRSTWG", 0x00), Group("OTHER", 0x1C)})
        << QStringLiteral("PC") << QStringLiteral("FIRSTWG") << baArp << baArp;
    QTest::newRow("no group at all leaves the group as it was")
        << Answer(0, {Unique("PC", 0)}) << QStringLiteral("PC") << sOld << baArp << baArp;
    QTest::newRow("no computer name leaves the name as it was")
        << Answer(0, {Group("WG", 0x1E)}) << sOld << QStringLiteral("WG") << baArp << baArp;
    QTest::newRow("leading and trailing white space is trimmed")
        << Answer(0, {Unique(" \tPC", 0), Group(" WG", 0x1E)}) << QStringLiteral("PC")
        << QStringLiteral("WG") << baArp << baArp;
}

void TestCNetBiosQuery::apply()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, netbiosName);
    QFETCH(QString, netbiosGroup);
    QFETCH(QByteArray, mac);
    QFETCH(QByteArray, arpMac);

    CNetBiosNodeStatus oStatus;
    QCOMPARE(ParseExact(answer, 0, oStatus), ENetBiosError::None);
    CScanResult oResult;
    oResult.set_mac(arpMac);
    oResult.set_netbiosname(QStringLiteral("old"));
    oResult.set_netbiosgroup(QStringLiteral("old"));
    CNetBiosScanStep::Apply(oStatus, oResult);
    QCOMPARE(oResult.netbiosname(), netbiosName);
    QCOMPARE(oResult.netbiosgroup(), netbiosGroup);
    QCOMPARE(oResult.mac().toHex(':'), mac.toHex(':'));
}

void TestCNetBiosQuery::answerOnlyFromTheHostAsked_data()
{
    QTest::addColumn<quint32>("from");
    QTest::addColumn<quint16>("fromPort");
    QTest::addColumn<bool>("taken");

    QTest::newRow("the host asked, from port 137") << 0xC6120203u << quint16(137) << true;
    QTest::newRow("a neighbour with the right id") << 0xC6120204u << quint16(137) << false;
    QTest::newRow("the host asked, from another port") << 0xC6120203u << quint16(1137) << false;
    QTest::newRow("the byte-swapped address") << 0x030212C6u << quint16(137) << false;
}

void TestCNetBiosQuery::answerOnlyFromTheHostAsked()
{
    QFETCH(quint32, from);
    QFETCH(quint16, fromPort);
    QFETCH(bool, taken);
    const QByteArray baAnswer = SambaAnswer(7);
    CNetBiosNodeStatus oStatus;
    const std::optional<ENetBiosError> oeVerdict =
        CNetBiosQuery::TakeAnswer(qToBigEndian(quint32(0xC6120203)),
                                  qToBigEndian(from),
                                  qToBigEndian(fromPort),
                                  baAnswer.constData(),
                                  baAnswer.size(),
                                  7,
                                  oStatus);
    QCOMPARE(oeVerdict.has_value(), taken);
    if (taken)
        QCOMPARE(*oeVerdict, ENetBiosError::None);
    QCOMPARE(oStatus.computer_name_found(), taken);
}

void TestCNetBiosQuery::waitTime_data()
{
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("normal accuracy waits 500 ms") << false << 500;
    QTest::newRow("high accuracy waits 3000 ms") << true << 3000;
}

void TestCNetBiosQuery::waitTime()
{
    QFETCH(bool, highAccuracy);
    QFETCH(int, waitMs);
    CCfg oCfg;
    oCfg.set_high_accuracy(highAccuracy);
    QCOMPARE(CNetBiosScanStep(oCfg).WaitMs(), waitMs);
}

QTEST_GUILESS_MAIN(TestCNetBiosQuery)
#include "tst_CNetBiosQuery.moc"
