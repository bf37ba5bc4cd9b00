// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSnmpName.h"
#include "SnmpTestPeers.h"

#include <QElapsedTimer>
#include <QList>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr quint32 kRealAgent = 0x7F000001; // 127.0.0.1: snmpd
constexpr quint32 kFakeAgent = 0x7F000002; // 127.0.0.2: CFakeSnmpAgent
constexpr quint32 kNoAgent = 0x7F000003;   // 127.0.0.3: nothing listens
const QByteArray kSysName("vistrel-lab-agent");

struct TAnswer
{
    int nResult = -1;
    int nLength = -1;
    QByteArray baName;
    qint64 nElapsedMs = 0;
};

TAnswer Ask(quint32 i_nIp, int i_nCapacity = 1025)
{
    TAnswer oAnswer;
    QByteArray baBuffer(qMax(i_nCapacity, 1) + 16, '\x7f');
    oAnswer.nLength = i_nCapacity;
    QElapsedTimer oTimer;
    oTimer.start();
    oAnswer.nResult = CSnmpName::QuerySysName(i_nIp, baBuffer.data(), &oAnswer.nLength);
    oAnswer.nElapsedMs = oTimer.elapsed();
    if (oAnswer.nResult && oAnswer.nLength >= 0) {
        oAnswer.baName = baBuffer.left(oAnswer.nLength);
        // The copy is always terminated.
        if (baBuffer.at(oAnswer.nLength) != '\0')
            oAnswer.nResult = -2;
    }
    return oAnswer;
}

} // namespace

class TestCSnmpName : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void realAgentAgreesWithSnmpget();
    void fakeAgentReplies_data();
    void fakeAgentReplies();
    void badArguments_data();
    void badArguments();
    void silentPeersTimeOutInBoundedTime_data();
    void silentPeersTimeOutInBoundedTime();
    void manyThreadsAtOnce();

private:
    CSnmpdPeer m_oSnmpd;
    std::unique_ptr<CFakeSnmpAgent> m_pFake;
};

void TestCSnmpName::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    CSnmpName::Startup();
    QString sError;
    QVERIFY2(m_oSnmpd.Start(kSysName, sError), qPrintable(sError));
    m_pFake = std::make_unique<CFakeSnmpAgent>();
    QVERIFY2(m_pFake->Listen(sError), qPrintable(sError));
}

void TestCSnmpName::cleanupTestCase()
{
    m_pFake.reset();
    m_oSnmpd.Stop();
}

void TestCSnmpName::realAgentAgreesWithSnmpget()
{
    const QString sExpected = SnmpGetSysName(QStringLiteral("127.0.0.1"));
    QCOMPARE(sExpected, QString::fromLatin1(kSysName));
    const TAnswer oAnswer = Ask(kRealAgent);
    QCOMPARE(oAnswer.nResult, 1);
    QCOMPARE(oAnswer.nLength, kSysName.size());
    QCOMPARE(QString::fromLocal8Bit(oAnswer.baName), sExpected);
}

void TestCSnmpName::fakeAgentReplies_data()
{
    QTest::addColumn<int>("reply");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("expectedResult");
    QTest::addColumn<QByteArray>("expectedName");

    using R = CFakeSnmpAgent::EReply;
    const QByteArray baLong(2000, 'n');
    QTest::newRow("string is copied")
        << int(R::String) << QByteArray("fake-agent") << 1025 << 1 << QByteArray("fake-agent");
    QTest::newRow("string longer than 1,024 bytes is cut to 1,024")
        << int(R::String) << baLong << 1025 << 1 << baLong.left(1024);
    QTest::newRow("string is cut to capacity less one")
        << int(R::String) << QByteArray("abcdefgh") << 5 << 1 << QByteArray("abcd");
    QTest::newRow("capacity of one leaves only the terminator")
        << int(R::String) << QByteArray("abc") << 1 << 1 << QByteArray();
    QTest::newRow("empty string succeeds with nothing")
        << int(R::String) << QByteArray() << 1025 << 1 << QByteArray();
    QTest::newRow("bytes outside ASCII are copied as they are")
        << int(R::String) << QByteArray("\xd1\x81\xd0\xb5\xd1\x80\xff") << 1025 << 1
        << QByteArray("\xd1\x81\xd0\xb5\xd1\x80\xff");
    QTest::newRow("embedded zero byte is kept in the length")
        << int(R::String) << QByteArray("ab\0cd", 5) << 1025 << 1 << QByteArray("ab\0cd", 5);
    QTest::newRow("integer value fails")
        << int(R::Integer) << QByteArray() << 1025 << 0 << QByteArray();
    QTest::newRow("NULL value (no such name) fails")
        << int(R::NullValue) << QByteArray() << 1025 << 0 << QByteArray();
    QTest::newRow("two bindings fail")
        << int(R::TwoBindings) << QByteArray("x") << 1025 << 0 << QByteArray();
}

void TestCSnmpName::fakeAgentReplies()
{
    QFETCH(int, reply);
    QFETCH(QByteArray, value);
    QFETCH(int, capacity);
    QFETCH(int, expectedResult);
    QFETCH(QByteArray, expectedName);

    m_pFake->SetReply(static_cast<CFakeSnmpAgent::EReply>(reply), value);
    const int nRequestsBefore = m_pFake->RequestCount();
    const TAnswer oAnswer = Ask(kFakeAgent, capacity);
    QVERIFY(m_pFake->RequestCount() > nRequestsBefore);
    QCOMPARE(oAnswer.nResult, expectedResult);
    QCOMPARE(oAnswer.nLength, expectedName.size());
    QCOMPARE(oAnswer.baName, expectedName);
    QVERIFY2(oAnswer.nElapsedMs < 2000, "an answer that came must not wait for the time-out");
}

void TestCSnmpName::badArguments_data()
{
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<bool>("withBuffer");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<int>("capacity");

    QTest::newRow("address 0") << quint32(0) << true << true << 1025;
    QTest::newRow("no buffer") << kRealAgent << false << true << 1025;
    QTest::newRow("no length") << kRealAgent << true << false << 1025;
    QTest::newRow("capacity 0") << kRealAgent << true << true << 0;
    QTest::newRow("negative capacity") << kRealAgent << true << true << -5;
}

void TestCSnmpName::badArguments()
{
    QFETCH(quint32, ip);
    QFETCH(bool, withBuffer);
    QFETCH(bool, withLength);
    QFETCH(int, capacity);

    QByteArray baBuffer(16, 'z');
    int nLength = capacity;
    QElapsedTimer oTimer;
    oTimer.start();
    const int nResult = CSnmpName::QuerySysName(
        ip, withBuffer ? baBuffer.data() : nullptr, withLength ? &nLength : nullptr);
    QCOMPARE(nResult, 0);
    QVERIFY(oTimer.elapsed() < 1000);
    if (withLength)
        QCOMPARE(nLength, 0);
    if (capacity <= 0)
        QCOMPARE(baBuffer, QByteArray(16, 'z'));
}

void TestCSnmpName::silentPeersTimeOutInBoundedTime_data()
{
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<int>("reply");
    QTest::addColumn<bool>("refused");

    // The host's port-unreachable says no agent will answer: no need to wait for one.
    QTest::newRow("no agent on the host: refused at once")
        << kNoAgent << int(CFakeSnmpAgent::EReply::Silence) << true;
    QTest::newRow("agent that never answers")
        << kFakeAgent << int(CFakeSnmpAgent::EReply::Silence) << false;
    QTest::newRow("agent that answers with a malformed datagram")
        << kFakeAgent << int(CFakeSnmpAgent::EReply::Garbage) << false;
}

void TestCSnmpName::silentPeersTimeOutInBoundedTime()
{
    QFETCH(quint32, ip);
    QFETCH(int, reply);
    QFETCH(bool, refused);

    m_pFake->SetReply(static_cast<CFakeSnmpAgent::EReply>(reply));
    const int nRequestsBefore = m_pFake->RequestCount();
    const TAnswer oAnswer = Ask(ip);
    QCOMPARE(oAnswer.nResult, 0);
    QCOMPARE(oAnswer.nLength, 0);
    if (refused) {
        // Well before the first wait of 3000 ms would have ended.
        QVERIFY2(oAnswer.nElapsedMs < 2500,
                 qPrintable(QStringLiteral("took %1 ms").arg(oAnswer.nElapsedMs)));
        return;
    }
    // 3000 ms and one retry: about 6 s, never much more.
    QVERIFY2(oAnswer.nElapsedMs >= 5500 && oAnswer.nElapsedMs < 8000,
             qPrintable(QStringLiteral("took %1 ms").arg(oAnswer.nElapsedMs)));
    if (ip == kFakeAgent)
        QCOMPARE(m_pFake->RequestCount() - nRequestsBefore, 2);
}

void TestCSnmpName::manyThreadsAtOnce()
{
    m_pFake->SetReply(CFakeSnmpAgent::EReply::String, QByteArray("fake-agent"));
    constexpr int kThreads = 96;
    std::vector<TAnswer> vAnswers(kThreads);
    std::vector<quint32> vTargets(kThreads);
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < kThreads; ++i) {
        vTargets[i] = i % 8 == 7 ? kNoAgent : (i % 2 ? kFakeAgent : kRealAgent);
        vThreads.emplace_back(
            QThread::create([&vAnswers, &vTargets, i] { vAnswers[i] = Ask(vTargets[i]); }));
    }
    QElapsedTimer oTimer;
    oTimer.start();
    for (auto &pThread : vThreads)
        pThread->start();
    for (auto &pThread : vThreads)
        QVERIFY(pThread->wait(20000));
    // All at once, not one after another: the hosts without agents time out together.
    QVERIFY2(oTimer.elapsed() < 10000,
             qPrintable(QStringLiteral("took %1 ms").arg(oTimer.elapsed())));
    for (int i = 0; i < kThreads; ++i) {
        const QByteArray baExpected =
            vTargets[i] == kRealAgent ? kSysName : QByteArray("fake-agent");
        if (vTargets[i] == kNoAgent) {
            QCOMPARE(vAnswers[i].nResult, 0);
        } else {
            QCOMPARE(vAnswers[i].nResult, 1);
            QCOMPARE(vAnswers[i].baName, baExpected);
        }
    }
}

QTEST_GUILESS_MAIN(TestCSnmpName)
#include "tst_CSnmpName.moc"
