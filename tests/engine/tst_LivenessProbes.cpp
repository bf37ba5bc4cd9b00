// SPDX-License-Identifier: GPL-3.0-or-later
// The order and the bookkeeping of the liveness probes: which probe runs when, with which
// time-out and how often, and what each writes into the result. The operating system is
// replaced by scripted answers here; the real sockets are tested in tst_IcmpEchoLinux and
// tst_ArpProbeLinux.
#include "CLivenessProbes.h"
#include "CScanResult.h"
#include "IArpProbe.h"
#include "IIcmpEcho.h"
#include "IReverseDns.h"

#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(TMacAddress)

namespace {

constexpr quint32 kIp = 0xC6120A05; // 198.18.10.5

struct TCalls
{
    int nArp = 0;
    int nEcho = 0;
    int nDns = 0;
    QList<int> lnEchoTimeoutsMs;
    QList<int> lnArpTimeoutsMs;
};

class CScriptedArp final : public IArpProbe
{
public:
    CScriptedArp(TCalls &io_rCalls, bool i_fAnswer, TMacAddress i_aMac)
        : m_rCalls(io_rCalls)
        , m_fAnswer(i_fAnswer)
        , m_aMac(i_aMac)
    {
    }
    bool Request(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac) override
    {
        ++m_rCalls.nArp;
        m_rCalls.lnArpTimeoutsMs << i_nTimeoutMs;
        if (!m_fAnswer || i_nIp != kIp)
            return false;
        o_rMac = m_aMac;
        return true;
    }

private:
    TCalls &m_rCalls;
    bool m_fAnswer;
    TMacAddress m_aMac;
};

// Answers the n-th request (1-based), i_nDelayMs after it; 0 never answers.
class CScriptedEcho final : public IIcmpEcho
{
public:
    CScriptedEcho(TCalls &io_rCalls, int i_nAnswerOn, int i_nDelayMs = 0)
        : m_rCalls(io_rCalls)
        , m_nAnswerOn(i_nAnswerOn)
        , m_nDelayMs(i_nDelayMs)
    {
    }
    bool Ping(std::uint32_t i_nIp, int i_nTimeoutMs) override
    {
        ++m_rCalls.nEcho;
        m_rCalls.lnEchoTimeoutsMs << i_nTimeoutMs;
        const bool fAnswer = i_nIp == kIp && m_rCalls.nEcho == m_nAnswerOn;
        if (fAnswer && m_nDelayMs > 0)
            QThread::msleep(static_cast<unsigned long>(m_nDelayMs));
        return fAnswer;
    }

private:
    TCalls &m_rCalls;
    int m_nAnswerOn;
    int m_nDelayMs;
};

class CScriptedDns final : public IReverseDns
{
public:
    CScriptedDns(TCalls &io_rCalls, std::optional<std::string> i_oName)
        : m_rCalls(io_rCalls)
        , m_oName(std::move(i_oName))
    {
    }
    std::optional<std::string> Lookup(std::uint32_t i_nIp) override
    {
        ++m_rCalls.nDns;
        return i_nIp == kIp ? m_oName : std::nullopt;
    }

private:
    TCalls &m_rCalls;
    std::optional<std::string> m_oName;
};

const TMacAddress g_aMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

} // namespace

class TestLivenessProbes : public QObject
{
    Q_OBJECT

private slots:
    void order_data();
    void order();
    void failedLookupKeepsName();
    void probeTimeouts_data();
    void probeTimeouts();
    void pathOfTheAnswer_data();
    void pathOfTheAnswer();
    void name_data();
    void name();
    void noName_data();
    void noName();
    void macText_data();
    void macText();
};

void TestLivenessProbes::order_data()
{
    QTest::addColumn<bool>("arpAnswers");
    QTest::addColumn<TMacAddress>("arpMac");
    QTest::addColumn<int>("echoAnswersOn");
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<bool>("alive");
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QList<int>>("echoTimeouts");
    QTest::addColumn<int>("dnsCalls");
    QTest::addColumn<int>("aliveBy");

    const QByteArray baMac = QByteArray::fromHex("001a2b3c4d5e");
    const QByteArray baZero(6, '\0');
    const int nArp = int(EAliveBy::Arp);
    const int nEcho = int(EAliveBy::Echo);
    const int nNone = int(EAliveBy::None);
    QTest::newRow("ARP answer: alive with its MAC, no echo request")
        << true << g_aMac << 1 << false << true << baMac << QList<int>{} << 1 << nArp;
    QTest::newRow("ARP answer of six zero bytes: alive, MAC left empty")
        << true << TMacAddress{} << 0 << false << true << baZero << QList<int>{} << 1 << nArp;
    QTest::newRow("no ARP, echo answers: alive without MAC")
        << false << g_aMac << 1 << false << true << baZero << QList<int>{500} << 1 << nEcho;
    QTest::newRow("silent host, normal accuracy: one echo of 500 ms")
        << false << g_aMac << 0 << false << false << baZero << QList<int>{500} << 0 << nNone;
    QTest::newRow("silent host, high accuracy: three echoes of 2000 ms")
        << false << g_aMac << 0 << true << false << baZero << QList<int>{2000, 2000, 2000} << 0
        << nNone;
    QTest::newRow("high accuracy stops at the first reply")
        << false << g_aMac << 2 << true << true << baZero << QList<int>{2000, 2000} << 1 << nEcho;
    QTest::newRow("a second reply never comes in normal accuracy")
        << false << g_aMac << 2 << false << false << baZero << QList<int>{500} << 0 << nNone;
}

void TestLivenessProbes::order()
{
    QFETCH(bool, arpAnswers);
    QFETCH(TMacAddress, arpMac);
    QFETCH(int, echoAnswersOn);
    QFETCH(bool, highAccuracy);
    QFETCH(bool, alive);
    QFETCH(QByteArray, mac);
    QFETCH(QList<int>, echoTimeouts);
    QFETCH(int, dnsCalls);
    QFETCH(int, aliveBy);

    TCalls oCalls;
    CLivenessProbes oProbes(std::make_unique<CScriptedArp>(oCalls, arpAnswers, arpMac),
                            std::make_unique<CScriptedEcho>(oCalls, echoAnswersOn),
                            std::make_unique<CScriptedDns>(oCalls, std::string("host.lab")));
    CScanResult oResult;
    oResult.set_ip(kIp);
    oProbes.Run(oResult, highAccuracy);

    QCOMPARE(oCalls.nArp, 1);
    QCOMPARE(oCalls.lnArpTimeoutsMs, QList<int>{CLivenessProbes::kArpTimeoutMs});
    QCOMPARE(oResult.IsAlive(), alive);
    QCOMPARE(oResult.status(), alive ? EHostStatus::Alive : EHostStatus::Unknown);
    QCOMPARE(oResult.mac(), mac);
    QCOMPARE(oCalls.lnEchoTimeoutsMs, echoTimeouts);
    QCOMPARE(oCalls.nDns, dnsCalls);
    QCOMPARE(oResult.name(), dnsCalls ? QStringLiteral("host.lab") : QString());
    QCOMPARE(int(oResult.alive_by()), aliveBy);
}

void TestLivenessProbes::probeTimeouts_data()
{
    using EPath = TProbeTimeouts::EPath;
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<int>("path");
    QTest::addColumn<qlonglong>("rttUs");
    QTest::addColumn<int>("connectMs");
    QTest::addColumn<int>("snmpWaitMs");
    QTest::addColumn<int>("snmpRetries");

    QTest::newRow("on the link: 500 ms connects, one SNMP wait of 1 s")
        << false << int(EPath::OnLink) << -1LL << 500 << 1000 << 0;
    QTest::newRow("routed, fast echo: never below 500 ms")
        << false << int(EPath::Routed) << 40LL << 500 << 1000 << 0;
    QTest::newRow("routed, 100 ms echo: four round trips and 250 ms")
        << false << int(EPath::Routed) << 100000LL << 650 << 1000 << 0;
    QTest::newRow("routed, a part millisecond counts as a whole one")
        << false << int(EPath::Routed) << 300001LL << 1454 << 1454 << 0;
    QTest::newRow("routed, 2 s echo: never above 3 s")
        << false << int(EPath::Routed) << 2000000LL << 3000 << 3000 << 0;
    QTest::newRow("routed without a measured echo: the probes' own")
        << false << int(EPath::Routed) << -1LL << 0 << 3000 << 1;
    QTest::newRow("nothing known: the probes' own")
        << false << int(EPath::Unknown) << -1LL << 0 << 3000 << 1;
    QTest::newRow("high accuracy on the link: the probes' own")
        << true << int(EPath::OnLink) << -1LL << 0 << 3000 << 1;
    QTest::newRow("high accuracy routed: the probes' own")
        << true << int(EPath::Routed) << 100000LL << 0 << 3000 << 1;
}

void TestLivenessProbes::probeTimeouts()
{
    QFETCH(bool, highAccuracy);
    QFETCH(int, path);
    QFETCH(qlonglong, rttUs);
    QFETCH(int, connectMs);
    QFETCH(int, snmpWaitMs);
    QFETCH(int, snmpRetries);
    const TProbeTimeouts oTimeouts =
        TProbeTimeouts::For(highAccuracy, static_cast<TProbeTimeouts::EPath>(path), rttUs);
    QCOMPARE(oTimeouts.nConnectMs, connectMs);
    QCOMPARE(oTimeouts.nSnmpWaitMs, snmpWaitMs);
    QCOMPARE(oTimeouts.nSnmpRetries, snmpRetries);
    // A probe's own shorter time-out stays; 0 leaves every probe its own.
    QCOMPARE(oTimeouts.ConnectMs(3000), connectMs > 0 ? connectMs : 3000);
    QCOMPARE(oTimeouts.ConnectMs(200), 200);
}

void TestLivenessProbes::pathOfTheAnswer_data()
{
    using EPath = TProbeTimeouts::EPath;
    QTest::addColumn<bool>("arpAnswers");
    QTest::addColumn<int>("echoAnswersOn");
    QTest::addColumn<int>("echoDelayMs");
    QTest::addColumn<int>("path");
    QTest::addColumn<int>("minConnectMs");
    QTest::addColumn<int>("maxConnectMs");

    // The echo's round trip is measured on this machine, which may be loaded: only the lower
    // bounds are tight.
    QTest::newRow("ARP answered: on the link")
        << true << 1 << 0 << int(EPath::OnLink) << 500 << 500;
    QTest::newRow("echo answered at once: routed, at least 500 ms")
        << false << 1 << 0 << int(EPath::Routed) << 500 << 3000;
    QTest::newRow("echo answered after 200 ms: routed, from the round trip")
        << false << 1 << 200 << int(EPath::Routed) << 1050 << 3000;
    QTest::newRow("no answer: nothing known") << false << 0 << 0 << int(EPath::Unknown) << 0 << 0;
}

void TestLivenessProbes::pathOfTheAnswer()
{
    QFETCH(bool, arpAnswers);
    QFETCH(int, echoAnswersOn);
    QFETCH(int, echoDelayMs);
    QFETCH(int, path);
    QFETCH(int, minConnectMs);
    QFETCH(int, maxConnectMs);

    TCalls oCalls;
    CLivenessProbes oProbes(std::make_unique<CScriptedArp>(oCalls, arpAnswers, g_aMac),
                            std::make_unique<CScriptedEcho>(oCalls, echoAnswersOn, echoDelayMs),
                            std::make_unique<CScriptedDns>(oCalls, std::nullopt));
    CScanResult oResult;
    oResult.set_ip(kIp);
    oProbes.Run(oResult, false);
    QCOMPARE(int(oProbes.Path()), path);
    const TProbeTimeouts oDefault = oProbes.Timeouts(false);
    QVERIFY2(oDefault.nConnectMs >= minConnectMs && oDefault.nConnectMs <= maxConnectMs,
             qPrintable(QString::number(oDefault.nConnectMs)));
    // High accuracy keeps the probes' own waits whatever the path.
    const TProbeTimeouts oHigh = oProbes.Timeouts(true);
    QCOMPARE(oHigh.nConnectMs, 0);
    QCOMPARE(oHigh.nSnmpWaitMs, TProbeTimeouts::kDesignSnmpWaitMs);
    QCOMPARE(oHigh.nSnmpRetries, TProbeTimeouts::kDesignSnmpRetries);
}

void TestLivenessProbes::failedLookupKeepsName()
{
    TCalls oCalls;
    CLivenessProbes oProbes(std::make_unique<CScriptedArp>(oCalls, true, g_aMac),
                            std::make_unique<CScriptedEcho>(oCalls, 0),
                            std::make_unique<CScriptedDns>(oCalls, std::nullopt));
    CScanResult oResult;
    oResult.set_ip(kIp);
    oResult.set_name(QStringLiteral("known before"));
    QVERIFY(!oProbes.ReverseDns(oResult));
    QCOMPARE(oResult.name(), QStringLiteral("known before"));
    QVERIFY(oResult.status() == EHostStatus::Unknown);
}

void TestLivenessProbes::name_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain name") << QByteArray("alpha.netlab.test")
                                << QStringLiteral("alpha.netlab.test");
    QTest::newRow("blanks are trimmed") << QByteArray(" alpha \t") << QStringLiteral("alpha");
    QTest::newRow("no record gives the dotted address")
        << QByteArray("198.18.10.5") << QStringLiteral("198.18.10.5");
    QTest::newRow("8-bit text is read in the local encoding")
        << QByteArray("caf\xc3\xa9") << QString::fromLocal8Bit("caf\xc3\xa9");
}

void TestLivenessProbes::name()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, name);
    TCalls oCalls;
    CLivenessProbes oProbes(std::make_unique<CScriptedArp>(oCalls, false, g_aMac),
                            std::make_unique<CScriptedEcho>(oCalls, 0),
                            std::make_unique<CScriptedDns>(oCalls, answer.toStdString()));
    CScanResult oResult;
    oResult.set_ip(kIp);
    QVERIFY(oProbes.ReverseDns(oResult));
    QCOMPARE(oResult.name(), name);
}

void TestLivenessProbes::noName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("noName");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("only blanks") << QStringLiteral("  \t") << true;
    QTest::newRow("own dotted address") << QStringLiteral("198.18.10.5") << true;
    QTest::newRow("own dotted address with blanks") << QStringLiteral(" 198.18.10.5 ") << true;
    QTest::newRow("another address is a name") << QStringLiteral("198.18.10.6") << false;
    QTest::newRow("zero-padded address is a name") << QStringLiteral("198.018.010.005") << false;
    QTest::newRow("host name") << QStringLiteral("alpha.netlab.test") << false;
}

void TestLivenessProbes::noName()
{
    QFETCH(QString, name);
    QFETCH(bool, noName);
    QCOMPARE(CLivenessProbes::HasNoName(name, kIp), noName);
}

void TestLivenessProbes::macText_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<bool>("emptyIfBroadcast");
    QTest::addColumn<QString>("text");

    const QByteArray baLab = QByteArray::fromHex("001a2b3c4d5e");
    const QByteArray baAllFf(6, '\xFF');
    QTest::newRow("bytes in order, upper case")
        << baLab << true << QStringLiteral("00:1A:2B:3C:4D:5E");
    QTest::newRow("same without the flag") << baLab << false << QStringLiteral("00:1A:2B:3C:4D:5E");
    QTest::newRow("all 0xFF with the flag: empty") << baAllFf << true << QString();
    QTest::newRow("all 0xFF without the flag: zeros")
        << baAllFf << false << QStringLiteral("00:00:00:00:00:00");
    QTest::newRow("all zero") << QByteArray(6, '\0') << true << QStringLiteral("00:00:00:00:00:00");
    QTest::newRow("empty MAC reads as zeros")
        << QByteArray() << true << QStringLiteral("00:00:00:00:00:00");
    QTest::newRow("empty MAC without the flag")
        << QByteArray() << false << QStringLiteral("00:00:00:00:00:00");
    QTest::newRow("five 0xFF bytes are not a broadcast")
        << QByteArray::fromHex("ffffffffff00") << true << QStringLiteral("FF:FF:FF:FF:FF:00");
}

void TestLivenessProbes::macText()
{
    QFETCH(QByteArray, mac);
    QFETCH(bool, emptyIfBroadcast);
    QFETCH(QString, text);
    QCOMPARE(MacToText(mac, emptyIfBroadcast), text);
}

QTEST_GUILESS_MAIN(TestLivenessProbes)
#include "tst_LivenessProbes.moc"
