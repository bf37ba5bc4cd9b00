// SPDX-License-Identifier: GPL-3.0-or-later
// Runs inside a namespace that has only loopback: 127.0.0.0/8 answers echo requests there, and
// the 198.18.x addresses have no route, so nothing leaves the namespace.
#include "CCfg.h"
#include "CIpList.h"
#include "CLivenessSweep.h"
#include "CScanResult.h"
#include "MScanner.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutex>
#include <QThread>
#include <QtTest>

#include <deque>

namespace {

quint32 Ip(const char *i_pText)
{
    return QHostAddress(QLatin1String(i_pText)).toIPv4Address();
}

CIpList Scope(const char *i_pFirst, const char *i_pLast)
{
    CIpList oList;
    oList.AddRange(Ip(i_pFirst), Ip(i_pLast));
    return oList;
}

std::unique_ptr<CLivenessSweep>
RealSweep(const CIpList &i_oScope, int i_nEchoMs, CLivenessSweep::TPace i_oPace)
{
    auto pSweep = std::make_unique<CLivenessSweep>(
        i_oScope, 500, i_nEchoMs, i_oPace, ISweepTransport::Create());
    pSweep->Start();
    return pSweep;
}

// Stands in for the sockets where the real ones cannot show it: a machine without the right to
// open them, and answers that come late or do not belong to the request.
class CScriptedTransport final : public ISweepTransport
{
public:
    enum class EScript
    {
        ReplyInTime,
        ReplyAfterWait,
        ReplyWithOtherSequence,
        ArpReplyToEchoRequest,
        SendFails,
    };

    CScriptedTransport(bool i_fOpens, EScript i_eScript, int i_nWaitMs)
        : m_fOpens(i_fOpens)
        , m_eScript(i_eScript)
        , m_nWaitMs(i_nWaitMs)
    {
    }

    bool Open() override { return m_fOpens; }
    ERoute Route(std::uint32_t) const override { return ERoute::Echo; }
    bool SendArp(std::uint32_t) override { return false; }
    bool SendEcho(std::uint32_t i_nIp, std::uint16_t i_nSeq) override
    {
        if (m_eScript == EScript::SendFails)
            return false;
        TReply oReply;
        oReply.eKind = m_eScript == EScript::ArpReplyToEchoRequest ? ERoute::Arp : ERoute::Echo;
        oReply.nIp = i_nIp;
        oReply.nSeq = m_eScript == EScript::ReplyWithOtherSequence ? i_nSeq + 1 : i_nSeq;
        const int nDelayMs = m_eScript == EScript::ReplyAfterWait ? m_nWaitMs + 400 : 10;
        m_dPending.emplace_back(
            std::chrono::steady_clock::now() + std::chrono::milliseconds(nDelayMs), oReply);
        return true;
    }
    void Receive(int i_nTimeoutMs, std::size_t, std::vector<TReply> &io_rvReplies) override
    {
        QThread::msleep(static_cast<unsigned long>(std::min(i_nTimeoutMs, 5)));
        while (!m_dPending.empty()
               && m_dPending.front().first <= std::chrono::steady_clock::now()) {
            io_rvReplies.push_back(m_dPending.front().second);
            m_dPending.pop_front();
        }
    }

private:
    bool m_fOpens;
    EScript m_eScript;
    int m_nWaitMs;
    std::deque<std::pair<std::chrono::steady_clock::time_point, TReply>> m_dPending;
};

struct THostSeen
{
    EHostStatus eStatus;
    QByteArray baMac;
    QString sName;
    bool operator==(const THostSeen &i_rOther) const
    {
        return eStatus == i_rOther.eStatus && baMac == i_rOther.baMac && sName == i_rOther.sName;
    }
};

QMap<quint32, THostSeen> ScanWithScanner(const CIpList &i_oScope, int i_nThreads)
{
    QMap<quint32, THostSeen> mSeen;
    MScanner oScanner;
    oScanner.SetThreadCount(i_nThreads);
    QSignalSpy oEnd(&oScanner, &MScanner::EmitScanEnd);
    QObject::connect(&oScanner, &MScanner::EmitResult, [&mSeen](const CScanResult &i_oResult) {
        mSeen.insert(i_oResult.ip(),
                     THostSeen{i_oResult.status(), i_oResult.mac(), i_oResult.name()});
    });
    oScanner.OnScan(i_oScope, 1);
    if (!oEnd.wait(60000))
        return {};
    return mSeen;
}

} // namespace

Q_DECLARE_METATYPE(CScriptedTransport::EScript)
Q_DECLARE_METATYPE(CLivenessSweep::EAnswer)
Q_DECLARE_METATYPE(EHostStatus)

class TestLivenessSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loopbackAnswersEcho_data();
    void loopbackAnswersEcho();
    void unroutedAddressIsSilentWithoutWaiting();
    void requestsArePaced();
    void burstGoesAheadThenSettles();
    void stopWakesAWaitingWorker();
    void scriptedAnswers_data();
    void scriptedAnswers();
    void scannerResultsSameWithAndWithout_data();
    void scannerResultsSameWithAndWithout();
};

void TestLivenessSweep::initTestCase()
{
    qRegisterMetaType<CScanResult>("CScanResult");
    qRegisterMetaType<CIpList>("CIpList");
    qRegisterMetaType<CCfg>("CCfg");
    // Discovery only: names beyond reverse DNS would add their own waits and nothing to compare.
    qputenv("VISTREL_LIVENESS_ONLY", "1");
}

void TestLivenessSweep::loopbackAnswersEcho_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("127.0.0.1, the usual loopback address") << "127.0.0.1";
    QTest::newRow("127.0.0.77, any address of the loopback net answers") << "127.0.0.77";
    QTest::newRow("127.0.0.254, last of the scope") << "127.0.0.254";
}

void TestLivenessSweep::loopbackAnswersEcho()
{
    QFETCH(QString, address);
    auto pSweep = RealSweep(Scope("127.0.0.1", "127.0.0.254"), 500, 5000);
    const quint32 nIp = QHostAddress(address).toIPv4Address();
    TMacAddress aMac{};
    // Loopback has no ARP: the worker's own ARP probe would not ask, and neither does the sweep.
    QCOMPARE(pSweep->Arp(nIp, aMac), CLivenessSweep::EAnswer::Silent);
    QCOMPARE(pSweep->Echo(nIp), CLivenessSweep::EAnswer::Alive);
    pSweep->Release(nIp);
}

void TestLivenessSweep::unroutedAddressIsSilentWithoutWaiting()
{
    // No route: the echo request cannot be sent, which is an answer at once, not after the wait.
    auto pSweep = RealSweep(Scope("198.18.200.1", "198.18.200.3"), 20000, 1000);
    QElapsedTimer oTimer;
    oTimer.start();
    QCOMPARE(pSweep->Echo(Ip("198.18.200.2")), CLivenessSweep::EAnswer::Silent);
    QVERIFY2(oTimer.elapsed() < 15000, qPrintable(QString::number(oTimer.elapsed())));
}

void TestLivenessSweep::requestsArePaced()
{
    // 100 requests at 400 per second cannot all be out before a quarter of a second.
    QElapsedTimer oTimer;
    oTimer.start();
    auto pSweep = RealSweep(Scope("127.0.1.1", "127.0.1.100"), 500, 400);
    QCOMPARE(pSweep->Echo(Ip("127.0.1.100")), CLivenessSweep::EAnswer::Alive);
    QVERIFY2(oTimer.elapsed() >= 240, qPrintable(QString::number(oTimer.elapsed())));
}

void TestLivenessSweep::burstGoesAheadThenSettles()
{
    // 100 requests may go ahead at 2,000 per second; the 60 after them come at 50 per second.
    QElapsedTimer oTimer;
    oTimer.start();
    auto pSweep =
        RealSweep(Scope("127.0.3.1", "127.0.3.160"), 500, CLivenessSweep::TPace(50, 100, 2000));
    QCOMPARE(pSweep->Echo(Ip("127.0.3.100")), CLivenessSweep::EAnswer::Alive);
    // At the steady pace alone the 100th would come after two seconds.
    QVERIFY2(oTimer.elapsed() < 1500, qPrintable(QString::number(oTimer.elapsed())));
    QCOMPARE(pSweep->Echo(Ip("127.0.3.160")), CLivenessSweep::EAnswer::Alive);
    // The bucket holds 100, and refills at 50 per second: the 160th cannot go before 1.2 s.
    QVERIFY2(oTimer.elapsed() >= 1100, qPrintable(QString::number(oTimer.elapsed())));
}

void TestLivenessSweep::stopWakesAWaitingWorker()
{
    // One request per second: the 20th address would come after 19 s.
    auto pSweep = RealSweep(Scope("127.0.2.1", "127.0.2.20"), 500, 1);
    CLivenessSweep::EAnswer eAnswer = CLivenessSweep::EAnswer::Alive;
    QScopedPointer<QThread> pWorker(
        QThread::create([&] { eAnswer = pSweep->Echo(Ip("127.0.2.20")); }));
    QSignalSpy oFinished(pWorker.data(), &QThread::finished);
    pWorker->start();
    QVERIFY(!oFinished.wait(200));
    pSweep->Stop();
    QVERIFY(oFinished.count() > 0 || oFinished.wait(5000));
    QCOMPARE(eAnswer, CLivenessSweep::EAnswer::NotCovered);
    QVERIFY(pSweep->IsDone());
}

void TestLivenessSweep::scriptedAnswers_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<CScriptedTransport::EScript>("script");
    QTest::addColumn<CLivenessSweep::EAnswer>("expected");
    using E = CScriptedTransport::EScript;
    QTest::newRow("reply within the wait: alive")
        << true << E::ReplyInTime << CLivenessSweep::EAnswer::Alive;
    QTest::newRow("reply after the wait: silent, as the worker's own wait would be")
        << true << E::ReplyAfterWait << CLivenessSweep::EAnswer::Silent;
    QTest::newRow("reply to another request: silent")
        << true << E::ReplyWithOtherSequence << CLivenessSweep::EAnswer::Silent;
    QTest::newRow("ARP reply from an address asked by echo: silent")
        << true << E::ArpReplyToEchoRequest << CLivenessSweep::EAnswer::Silent;
    QTest::newRow("request not sent: silent")
        << true << E::SendFails << CLivenessSweep::EAnswer::Silent;
    QTest::newRow("no sockets: not covered, the worker asks")
        << false << E::ReplyInTime << CLivenessSweep::EAnswer::NotCovered;
}

void TestLivenessSweep::scriptedAnswers()
{
    QFETCH(bool, opens);
    QFETCH(CScriptedTransport::EScript, script);
    QFETCH(CLivenessSweep::EAnswer, expected);
    const int nWaitMs = 300;
    CLivenessSweep oSweep(Scope("198.18.210.1", "198.18.210.4"),
                          500,
                          nWaitMs,
                          1000,
                          std::make_unique<CScriptedTransport>(opens, script, nWaitMs));
    oSweep.Start();
    for (const char *pIp : {"198.18.210.1", "198.18.210.4"}) {
        long long nRttUs = -1;
        QCOMPARE(oSweep.Echo(Ip(pIp), &nRttUs), expected);
        // The round trip the later probes' waits are made from: the scripted 10 ms, at most the
        // wait (and its grace) on a loaded machine.
        if (expected == CLivenessSweep::EAnswer::Alive)
            QVERIFY2(nRttUs >= 10000 && nRttUs < 1000000, qPrintable(QString::number(nRttUs)));
        oSweep.Release(Ip(pIp));
    }
}

void TestLivenessSweep::scannerResultsSameWithAndWithout_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("threads");
    QTest::addColumn<EHostStatus>("status");
    QTest::newRow("loopback hosts, all alive, 8 workers")
        << "127.0.3.1"
        << "127.0.3.60" << 8 << EHostStatus::Alive;
    QTest::newRow("unrouted addresses, all unknown, 96 workers")
        << "198.18.220.1"
        << "198.18.220.200" << 96 << EHostStatus::Unknown;
}

void TestLivenessSweep::scannerResultsSameWithAndWithout()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, threads);
    QFETCH(EHostStatus, status);
    const CIpList oScope = Scope(first.toLatin1().constData(), last.toLatin1().constData());
    qputenv("VISTREL_SWEEP", "0");
    const QMap<quint32, THostSeen> mWithout = ScanWithScanner(oScope, threads);
    qunsetenv("VISTREL_SWEEP");
    const QMap<quint32, THostSeen> mWith = ScanWithScanner(oScope, threads);
    QCOMPARE(mWithout.size(), int(oScope.Count()));
    QCOMPARE(mWith.size(), int(oScope.Count()));
    for (auto it = mWithout.cbegin(); it != mWithout.cend(); ++it) {
        QVERIFY2(mWith.value(it.key()) == it.value(),
                 qPrintable(QHostAddress(it.key()).toString()));
        QCOMPARE(it.value().eStatus, status);
    }
}

QTEST_GUILESS_MAIN(TestLivenessSweep)
#include "tst_LivenessSweep.moc"
