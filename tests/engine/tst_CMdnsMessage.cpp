// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMdnsMessage.h"

#include <QtTest>

// The one-shot mDNS lookup's messages: the question sent, and what is believed of an answer,
// which arrives from anyone on the network.

namespace {

constexpr quint16 kId = 0x1234;

QByteArray Bytes(std::initializer_list<int> i_lnBytes)
{
    QByteArray ba;
    for (int n : i_lnBytes)
        ba.append(static_cast<char>(n));
    return ba;
}

QByteArray Header(quint16 i_nId, quint16 i_nFlags, int i_nQuestions, int i_nAnswers)
{
    return Bytes({i_nId >> 8,
                  i_nId & 0xFF,
                  i_nFlags >> 8,
                  i_nFlags & 0xFF,
                  0,
                  i_nQuestions,
                  0,
                  i_nAnswers,
                  0,
                  0,
                  0,
                  0});
}

// "delta.local" as labels, starting at offset 12 when it follows the header.
const QByteArray kDeltaLocal = Bytes({5, 'd', 'e', 'l', 't', 'a', 5, 'l', 'o', 'c', 'a', 'l', 0});
const QByteArray kPointerToQuestion = Bytes({0xC0, 12});
const QByteArray kTypeAClassIn = Bytes({0, 1, 0, 1});
const QByteArray kTypeAClassInFlush = Bytes({0, 1, 0x80, 1});
const QByteArray kTtl = Bytes({0, 0, 0, 120});

// 198.18.0.14's reverse lookup name as labels.
const QByteArray kReverse14 =
    Bytes({2,   '1', '4', 1,   '0', 2,   '1', '8', 3,   '1', '9', '8', 7,
           'i', 'n', '-', 'a', 'd', 'd', 'r', 4,   'a', 'r', 'p', 'a', 0});
const QByteArray kTypePtrClassIn = Bytes({0, 12, 0, 1});
constexpr quint32 kHost14 = 0xC612000E;

QByteArray
PtrRecord(const QByteArray &i_baName, const QByteArray &i_baTarget, int i_nDataLength = -1)
{
    const int nLength = i_nDataLength < 0 ? i_baTarget.size() : i_nDataLength;
    return i_baName + kTypePtrClassIn + kTtl + Bytes({nLength >> 8, nLength & 0xFF}) + i_baTarget;
}

QByteArray ARecord(const QByteArray &i_baName,
                   const QByteArray &i_baTypeClass,
                   std::initializer_list<int> i_lnAddress)
{
    return i_baName + i_baTypeClass + kTtl + Bytes({0, 4}) + Bytes(i_lnAddress);
}

} // namespace

class TestCMdnsMessage : public QObject
{
    Q_OBJECT

private slots:
    void query_data();
    void query();
    void answers_data();
    void answers();
    void truncatedAnswersNeverReadPastTheEnd();
    void answersOnlyFromTheLink_data();
    void answersOnlyFromTheLink();
    void reverseQuery();
    void pointedNames_data();
    void pointedNames();
};

void TestCMdnsMessage::query_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray baDelta = Header(kId, 0, 1, 0) + kDeltaLocal + kTypeAClassIn;
    QTest::newRow("name with final dot") << QByteArray("delta.local.") << baDelta;
    QTest::newRow("name without final dot") << QByteArray("delta.local") << baDelta;
    QTest::newRow("empty name") << QByteArray() << QByteArray();
    QTest::newRow("only a dot") << QByteArray(".") << QByteArray();
    QTest::newRow("empty label") << QByteArray("delta..local") << QByteArray();
    QTest::newRow("label of 64 bytes") << QByteArray(64, 'a') + ".local" << QByteArray();
    QTest::newRow("name over 255 bytes")
        << (QByteArray(60, 'a') + '.').repeated(5) + "local" << QByteArray();
}

void TestCMdnsMessage::query()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, expected);
    QCOMPARE(CMdnsMessage::Query(kId, name), expected);
}

void TestCMdnsMessage::answers_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QList<quint32>>("addresses");

    const QList<quint32> lnDelta{0xC612000D};
    const QByteArray baQuestion = kDeltaLocal + kTypeAClassIn;
    QTest::newRow("answer with the name in full")
        << Header(kId, 0x8400, 0, 1) + ARecord(kDeltaLocal, kTypeAClassInFlush, {198, 18, 0, 13})
        << lnDelta;
    QTest::newRow("answer pointing back at the question")
        << Header(kId, 0x8400, 1, 1) + baQuestion
               + ARecord(kPointerToQuestion, kTypeAClassIn, {198, 18, 0, 13})
        << lnDelta;
    QTest::newRow("upper-case name")
        << Header(kId, 0x8400, 0, 1)
               + ARecord(Bytes({5, 'D', 'E', 'L', 'T', 'A', 5, 'L', 'O', 'C', 'A', 'L', 0}),
                         kTypeAClassIn,
                         {198, 18, 0, 13})
        << lnDelta;
    QTest::newRow("two addresses, one repeated")
        << Header(kId, 0x8400, 0, 3) + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
               + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 14})
               + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>{0xC612000D, 0xC612000E};
    QTest::newRow("record of another name is skipped")
        << Header(kId, 0x8400, 0, 2)
               + ARecord(Bytes({4, 'e', 'c', 'h', 'o', 5, 'l', 'o', 'c', 'a', 'l', 0}),
                         kTypeAClassIn,
                         {198, 18, 1, 5})
               + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
        << lnDelta;
    QTest::newRow("AAAA-sized data is skipped")
        << Header(kId, 0x8400, 0, 1) + kDeltaLocal + Bytes({0, 28, 0, 1}) + kTtl + Bytes({0, 16})
               + QByteArray(16, '\1')
        << QList<quint32>();
    QTest::newRow("address 0 is dropped")
        << Header(kId, 0x8400, 0, 1) + ARecord(kDeltaLocal, kTypeAClassIn, {0, 0, 0, 0})
        << QList<quint32>();
    QTest::newRow("wrong id") << Header(kId + 1, 0x8400, 0, 1)
                                     + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
                              << QList<quint32>();
    QTest::newRow("a query, not a response")
        << Header(kId, 0, 0, 1) + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("pointer to itself")
        << Header(kId, 0x8400, 0, 1) + ARecord(Bytes({0xC0, 12}), kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("two pointers in a loop")
        << Header(kId, 0x8400, 0, 2) + ARecord(Bytes({0xC0, 28}), kTypeAClassIn, {1, 2, 3, 4})
               + ARecord(Bytes({0xC0, 12}), kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("pointer past the end")
        << Header(kId, 0x8400, 0, 1) + ARecord(Bytes({0xFF, 0xFF}), kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("reserved label type")
        << Header(kId, 0x8400, 0, 1)
               + ARecord(Bytes({0x45, 'x', 0}), kTypeAClassIn, {198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("data length past the end")
        << Header(kId, 0x8400, 0, 1) + kDeltaLocal + kTypeAClassIn + kTtl
               + Bytes({0xFF, 0xFF, 198, 18, 0, 13})
        << QList<quint32>();
    QTest::newRow("more records announced than sent")
        << Header(kId, 0x8400, 0, 200) + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
        << lnDelta;
    QTest::newRow("more questions announced than sent")
        << Header(kId, 0x8400, 50, 0) + baQuestion << QList<quint32>();
    QTest::newRow("header only") << Header(kId, 0x8400, 0, 0) << QList<quint32>();
    QTest::newRow("shorter than a header") << Bytes({0x12, 0x34, 0x84}) << QList<quint32>();
    QTest::newRow("empty datagram") << QByteArray() << QList<quint32>();
    QTest::newRow("name of 300 bytes through labels")
        << Header(kId, 0x8400, 0, 1)
               + ARecord((Bytes({60}) + QByteArray(60, 'a')).repeated(5) + Bytes({0}),
                         kTypeAClassIn,
                         {1, 2, 3, 4})
        << QList<quint32>();
}

void TestCMdnsMessage::answers()
{
    QFETCH(QByteArray, packet);
    QFETCH(QList<quint32>, addresses);
    QCOMPARE(CMdnsMessage::Addresses(packet, kId, "delta.local."), addresses);
}

void TestCMdnsMessage::truncatedAnswersNeverReadPastTheEnd()
{
    // Every cut of a good answer, read from a detached copy of exactly that size, so that a
    // read past the end would be a read past the allocation (visible under AddressSanitizer).
    const QByteArray baFull = Header(kId, 0x8400, 1, 2) + kDeltaLocal + kTypeAClassIn
                              + ARecord(kPointerToQuestion, kTypeAClassIn, {198, 18, 0, 13})
                              + ARecord(kPointerToQuestion, kTypeAClassIn, {198, 18, 0, 14});
    for (int nSize = 0; nSize < baFull.size(); ++nSize) {
        const QByteArray baCut(baFull.constData(), nSize);
        const QList<quint32> lnAddresses = CMdnsMessage::Addresses(baCut, kId, "delta.local");
        QVERIFY(lnAddresses.size() <= 1);
    }
    QCOMPARE(CMdnsMessage::Addresses(baFull, kId, "delta.local").size(), 2);
}

void TestCMdnsMessage::reverseQuery()
{
    QCOMPARE(CMdnsMessage::ReverseName(kHost14), QByteArray("14.0.18.198.in-addr.arpa"));
    QCOMPARE(CMdnsMessage::ReverseQuery(kId, kHost14),
             Header(kId, 0, 1, 0) + kReverse14 + kTypePtrClassIn);
}

void TestCMdnsMessage::pointedNames_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("name");

    const QByteArray baQuestion = kReverse14 + kTypePtrClassIn;
    const QByteArray baFoxtrot =
        Bytes({7, 'f', 'o', 'x', 't', 'r', 'o', 't', 5, 'l', 'o', 'c', 'a', 'l', 0});
    QTest::newRow("answer echoing the question, name in full")
        << Header(kId, 0x8400, 1, 1) + baQuestion + PtrRecord(kPointerToQuestion, baFoxtrot)
        << QByteArray("foxtrot.local");
    QTest::newRow("target compressed against the question")
        << Header(kId, 0x8400, 1, 1) + baQuestion
               + PtrRecord(kPointerToQuestion,
                           Bytes({7, 'f', 'o', 'x', 't', 'r', 'o', 't', 0xC0, 12 + 3}))
        << QByteArray("foxtrot.0.18.198.in-addr.arpa");
    QTest::newRow("an A record and another address's PTR first")
        << Header(kId, 0x8400, 0, 3) + ARecord(kDeltaLocal, kTypeAClassIn, {198, 18, 0, 13})
               + PtrRecord(Bytes({2, '1', '3'}) + kReverse14.mid(3), kDeltaLocal)
               + PtrRecord(kReverse14, baFoxtrot)
        << QByteArray("foxtrot.local");
    QTest::newRow("upper-case owner name")
        << Header(kId, 0x8400, 0, 1)
               + PtrRecord(Bytes({2,   '1', '4', 1,   '0', 2,   '1', '8', 3,   '1', '9', '8', 7,
                                  'I', 'N', '-', 'A', 'D', 'D', 'R', 4,   'A', 'R', 'P', 'A', 0}),
                           baFoxtrot)
        << QByteArray("foxtrot.local");
    QTest::newRow("wrong id") << Header(kId + 1, 0x8400, 0, 1) + PtrRecord(kReverse14, baFoxtrot)
                              << QByteArray();
    QTest::newRow("a query, not a response")
        << Header(kId, 0, 0, 1) + PtrRecord(kReverse14, baFoxtrot) << QByteArray();
    QTest::newRow("target runs past its data length")
        << Header(kId, 0x8400, 0, 1) + PtrRecord(kReverse14, baFoxtrot, 4) + QByteArray(20, '\0')
        << QByteArray();
    QTest::newRow("data length past the end")
        << Header(kId, 0x8400, 0, 1) + PtrRecord(kReverse14, baFoxtrot, 0xFFFF) << QByteArray();
    QTest::newRow("target points to itself")
        << Header(kId, 0x8400, 0, 1) + PtrRecord(kReverse14, Bytes({0xC0, 12 + 26 + 10}))
        << QByteArray();
    QTest::newRow("empty target") << Header(kId, 0x8400, 0, 1) + PtrRecord(kReverse14, Bytes({0}))
                                  << QByteArray();
    QTest::newRow("target of 300 bytes through labels")
        << Header(kId, 0x8400, 0, 1)
               + PtrRecord(kReverse14, (Bytes({60}) + QByteArray(60, 'a')).repeated(5) + Bytes({0}))
        << QByteArray();
    QTest::newRow("control bytes are passed on, to be cleaned by the caller")
        << Header(kId, 0x8400, 0, 1) + PtrRecord(kReverse14, Bytes({3, 'a', 0x1B, 'b', 0}))
        << QByteArray("a\x1b"
                      "b");
}

void TestCMdnsMessage::pointedNames()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, name);
    QCOMPARE(CMdnsMessage::PointedName(packet, kId, kHost14), name);
    // Every cut of it, read from a detached copy of exactly that size (a read past the end is
    // then one past the allocation, which AddressSanitizer sees), gives no more than the whole.
    for (int nSize = 0; nSize < packet.size(); ++nSize) {
        const QByteArray baCut(packet.constData(), nSize);
        const QByteArray baName = CMdnsMessage::PointedName(baCut, kId, kHost14);
        QVERIFY(baName.isEmpty() || baName == name);
    }
}

void TestCMdnsMessage::answersOnlyFromTheLink_data()
{
    QTest::addColumn<quint32>("from");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("taken");
    // Links 198.18.7.0/24 and 198.19.0.0/16.
    QTest::newRow("a responder on the first link") << 0xC6120742u << 5353 << true;
    QTest::newRow("another responder on the second link, e.g. a sleep proxy")
        << 0xC613FE01u << 5353 << true;
    QTest::newRow("from off the link") << 0xC6120842u << 5353 << false;
    QTest::newRow("from loopback") << 0x7F000001u << 5353 << false;
    QTest::newRow("from the link but not from port 5353") << 0xC6120742u << 53 << false;
}

void TestCMdnsMessage::answersOnlyFromTheLink()
{
    QFETCH(quint32, from);
    QFETCH(int, port);
    QFETCH(bool, taken);
    const QList<QPair<quint32, quint32>> lNetworks{qMakePair(0xC6120701u, 0xFFFFFF00u),
                                                   qMakePair(0xC6130001u, 0xFFFF0000u)};
    QCOMPARE(CMdnsMessage::IsFromLink(from, static_cast<quint16>(port), lNetworks), taken);
    QVERIFY(!CMdnsMessage::IsFromLink(from, static_cast<quint16>(port), {}));
}

QTEST_GUILESS_MAIN(TestCMdnsMessage)
#include "tst_CMdnsMessage.moc"
