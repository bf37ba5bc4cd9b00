// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux ICMP echo probe on real sockets. Everything runs inside network namespaces that hold
// nothing but loopback: the shared loopback namespace of the test suite, or a private one this
// test makes for itself where the kernel's own echo answers are switched off and a responder
// thread below answers late, several times, or wrongly.
#include "../helpers/ProbeThreads.h"
#include "CArpProbeLinux.h"
#include "CIcmpEchoLinux.h"
#include "CLivenessProbes.h"
#include "CScanResult.h"
#include "IReverseDns.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using ESocket = CIcmpEchoLinux::ESocket;

constexpr quint32 kLoopback1 = 0x7F000001;
constexpr quint32 kLoopback2 = 0x7F000002;
constexpr quint32 kLoopback3 = 0x7F000003;
// No route to it in a loopback-only namespace: sending fails at once and nothing leaves.
constexpr quint32 kUnroutable = 0xC612FFFE;

bool WriteSysctl(const char *i_pPath, const char *i_pValue)
{
    std::ofstream oFile(i_pPath);
    oFile << i_pValue;
    return static_cast<bool>(oFile.flush());
}

// Moves the calling thread into a fresh network namespace holding only loopback, and back into
// the previous one when it goes out of scope. Threads started meanwhile stay in the fresh one.
class CPrivateNamespace final
{
public:
    CPrivateNamespace()
        : m_nPrevious(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
    {
        if (m_nPrevious < 0 || unshare(CLONE_NEWNET) != 0)
            return;
        const int nFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq oReq{};
        std::strcpy(oReq.ifr_name, "lo");
        m_fReady = nFd >= 0 && ioctl(nFd, SIOCGIFFLAGS, &oReq) == 0;
        oReq.ifr_flags = static_cast<short>(oReq.ifr_flags | IFF_UP);
        m_fReady = m_fReady && ioctl(nFd, SIOCSIFFLAGS, &oReq) == 0;
        if (nFd >= 0)
            close(nFd);
        // The responder answers instead of the kernel; ping sockets are allowed for everyone.
        m_fReady = m_fReady && WriteSysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1")
                   && WriteSysctl("/proc/sys/net/ipv4/ping_group_range", "0 2147483647");
    }
    ~CPrivateNamespace()
    {
        if (m_nPrevious >= 0) {
            setns(m_nPrevious, CLONE_NEWNET);
            close(m_nPrevious);
        }
    }
    CPrivateNamespace(const CPrivateNamespace &) = delete;
    CPrivateNamespace &operator=(const CPrivateNamespace &) = delete;

    bool ready() const { return m_fReady; }

private:
    int m_nPrevious;
    bool m_fReady = false;
};

// A host at 127.0.0.2 that answers echo requests itself, on a raw socket, as told.
class CResponder final
{
public:
    enum class EFault
    {
        None,
        WrongSequence,
        WrongId,
        OtherSource, // the reply comes from 127.0.0.3
        WrongData,
        RequestInsteadOfReply,
    };

    CResponder(int i_nDelayMs, int i_nAnswerOn, EFault i_eFault)
        : m_nDelayMs(i_nDelayMs)
        , m_nAnswerOn(i_nAnswerOn)
        , m_eFault(i_eFault)
    {
        m_nReceive = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        m_nSend = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        sockaddr_in oSource{};
        oSource.sin_family = AF_INET;
        oSource.sin_addr.s_addr = htonl(i_eFault == EFault::OtherSource ? kLoopback3 : kLoopback2);
        m_fReady = m_nReceive >= 0 && m_nSend >= 0
                   && bind(m_nSend, reinterpret_cast<sockaddr *>(&oSource), sizeof oSource) == 0;
        if (m_fReady)
            m_oThread = std::thread([this] { Serve(); });
    }
    ~CResponder()
    {
        m_fStop = true;
        if (m_oThread.joinable())
            m_oThread.join();
        if (m_nReceive >= 0)
            close(m_nReceive);
        if (m_nSend >= 0)
            close(m_nSend);
    }
    CResponder(const CResponder &) = delete;
    CResponder &operator=(const CResponder &) = delete;

    bool ready() const { return m_fReady; }
    int requests() const { return m_nRequests; }

private:
    struct TPending
    {
        std::chrono::steady_clock::time_point tDue;
        std::vector<std::uint8_t> vReply;
        sockaddr_in oTo;
    };

    void Serve()
    {
        // Bounded: the test never needs more than a few seconds of it.
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::vector<TPending> vPending;
        while (!m_fStop && std::chrono::steady_clock::now() < tEnd) {
            pollfd oPoll{m_nReceive, POLLIN, 0};
            poll(&oPoll, 1, 10);
            std::uint8_t aBuffer[1024];
            sockaddr_in oFrom{};
            socklen_t nFrom = sizeof oFrom;
            const ssize_t nRead = recvfrom(m_nReceive,
                                           aBuffer,
                                           sizeof aBuffer,
                                           MSG_DONTWAIT,
                                           reinterpret_cast<sockaddr *>(&oFrom),
                                           &nFrom);
            if (nRead >= 28) {
                const std::size_t nHeader = std::size_t{aBuffer[0] & 0x0Fu} * 4;
                std::uint32_t nDst;
                std::memcpy(&nDst, aBuffer + 16, 4);
                if (nHeader + 8 <= static_cast<std::size_t>(nRead) && aBuffer[nHeader] == 8
                    && ntohl(nDst) == kLoopback2) {
                    const int nCount = ++m_nRequests;
                    if (nCount == m_nAnswerOn || m_nAnswerOn < 0) {
                        TPending oPending;
                        oPending.tDue = std::chrono::steady_clock::now()
                                        + std::chrono::milliseconds(m_nDelayMs);
                        oPending.vReply.assign(aBuffer + nHeader, aBuffer + nRead);
                        oPending.oTo = oFrom;
                        Spoil(oPending.vReply);
                        vPending.push_back(oPending);
                    }
                }
            }
            const auto tNow = std::chrono::steady_clock::now();
            for (auto it = vPending.begin(); it != vPending.end();) {
                if (it->tDue > tNow) {
                    ++it;
                    continue;
                }
                sendto(m_nSend,
                       it->vReply.data(),
                       it->vReply.size(),
                       0,
                       reinterpret_cast<sockaddr *>(&it->oTo),
                       sizeof it->oTo);
                it = vPending.erase(it);
            }
        }
    }

    // Turns the request into the reply, with the fault asked for.
    void Spoil(std::vector<std::uint8_t> &io_vPacket) const
    {
        io_vPacket[0] = m_eFault == EFault::RequestInsteadOfReply ? 8 : 0;
        if (m_eFault == EFault::WrongId)
            io_vPacket[5] = static_cast<std::uint8_t>(io_vPacket[5] + 1);
        if (m_eFault == EFault::WrongSequence)
            io_vPacket[7] = static_cast<std::uint8_t>(io_vPacket[7] + 1);
        if (m_eFault == EFault::WrongData && io_vPacket.size() > 8)
            io_vPacket[8] = 0;
        io_vPacket[2] = io_vPacket[3] = 0;
        std::uint32_t nSum = 0;
        for (std::size_t i = 0; i + 1 < io_vPacket.size(); i += 2)
            nSum += static_cast<std::uint32_t>((io_vPacket[i] << 8) | io_vPacket[i + 1]);
        if (io_vPacket.size() % 2)
            nSum += static_cast<std::uint32_t>(io_vPacket.back() << 8);
        while (nSum >> 16)
            nSum = (nSum & 0xFFFF) + (nSum >> 16);
        io_vPacket[2] = static_cast<std::uint8_t>(~nSum >> 8);
        io_vPacket[3] = static_cast<std::uint8_t>(~nSum);
    }

    int m_nDelayMs;
    int m_nAnswerOn; // 1-based; -1 answers all, 0 none
    EFault m_eFault;
    int m_nReceive = -1;
    int m_nSend = -1;
    bool m_fReady = false;
    std::atomic<bool> m_fStop{false};
    std::atomic<int> m_nRequests{0};
    std::thread m_oThread;
};

class CNoDns final : public IReverseDns
{
public:
    std::optional<std::string> Lookup(std::uint32_t) override { return std::string("responder"); }
};

} // namespace

Q_DECLARE_METATYPE(CResponder::EFault)
Q_DECLARE_METATYPE(CIcmpEchoLinux::ESocket)

class TestIcmpEchoLinux : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void loopback_data();
    void loopback();
    void manyThreadsAtOnce_data();
    void manyThreadsAtOnce();
    void replyMatching_data();
    void replyMatching();
    void lateReply_data();
    void lateReply();
    void highAccuracy_data();
    void highAccuracy();
    void withoutRawCapability_data();
    void withoutRawCapability();

private:
    int m_nOriginalNs = -1;
};

void TestIcmpEchoLinux::initTestCase()
{
    const QString sName = qEnvironmentVariable("VISTREL_LOOPNS", QStringLiteral("vtest-lo"));
    m_nOriginalNs = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int nFd = open(QStringLiteral("/run/netns/%1").arg(sName).toLocal8Bit().constData(),
                         O_RDONLY | O_CLOEXEC);
    if (nFd < 0)
        QFAIL(qPrintable(
            QStringLiteral("namespace %1 is missing: run tests/loopns/loopns.sh up").arg(sName)));
    const bool fEntered = setns(nFd, CLONE_NEWNET) == 0;
    close(nFd);
    QVERIFY2(fEntered, "cannot enter the loopback namespace (needs root)");
}

void TestIcmpEchoLinux::cleanupTestCase()
{
    if (m_nOriginalNs >= 0) {
        setns(m_nOriginalNs, CLONE_NEWNET);
        close(m_nOriginalNs);
    }
}

void TestIcmpEchoLinux::loopback_data()
{
    QTest::addColumn<ESocket>("kind");
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<bool>("alive");

    const struct
    {
        const char *pName;
        ESocket eKind;
    } aKinds[] = {
        {"auto", ESocket::Auto}, {"ping socket", ESocket::Ping}, {"raw socket", ESocket::Raw}};
    for (const auto &oKind : aKinds) {
        QTest::addRow("%s: 127.0.0.1 answers", oKind.pName) << oKind.eKind << kLoopback1 << true;
        QTest::addRow("%s: all of 127/8 answers", oKind.pName)
            << oKind.eKind << 0x7F0A0B0Cu << true;
        QTest::addRow("%s: no route gives no answer", oKind.pName)
            << oKind.eKind << kUnroutable << false;
    }
}

void TestIcmpEchoLinux::loopback()
{
    QFETCH(ESocket, kind);
    QFETCH(quint32, ip);
    QFETCH(bool, alive);
    QElapsedTimer oTimer;
    oTimer.start();
    QCOMPARE(CIcmpEchoLinux(kind).Ping(ip, 500), alive);
    // No probe waits past its time-out (slack for a loaded machine).
    QVERIFY2(oTimer.elapsed() < 1500, qPrintable(QString::number(oTimer.elapsed())));
}

void TestIcmpEchoLinux::manyThreadsAtOnce_data()
{
    QTest::addColumn<ESocket>("kind");
    QTest::newRow("96 ping sockets each get their own reply") << ESocket::Ping;
    QTest::newRow("96 raw sockets each pick out their own reply") << ESocket::Raw;
}

void TestIcmpEchoLinux::manyThreadsAtOnce()
{
    QFETCH(ESocket, kind);
    constexpr int kThreads = 96;
    std::vector<char> vAlive(kThreads, 0);
    RunAllAtOnce(kThreads, [&](int i) {
        // Every thread pings the same few addresses, so replies are alike but for identifiers.
        vAlive[static_cast<std::size_t>(i)] =
            CIcmpEchoLinux(kind).Ping(kLoopback1 + static_cast<quint32>(i % 4), 2000);
    });
    QCOMPARE(std::count(vAlive.begin(), vAlive.end(), 1), std::ptrdiff_t{kThreads});
}

void TestIcmpEchoLinux::replyMatching_data()
{
    QTest::addColumn<ESocket>("kind");
    QTest::addColumn<CResponder::EFault>("fault");
    QTest::addColumn<bool>("alive");

    using EFault = CResponder::EFault;
    for (ESocket eKind : {ESocket::Ping, ESocket::Raw}) {
        const char *pKind = eKind == ESocket::Ping ? "ping socket" : "raw socket";
        QTest::addRow("%s: a proper reply", pKind) << eKind << EFault::None << true;
        QTest::addRow("%s: reply with another sequence", pKind)
            << eKind << EFault::WrongSequence << false;
        QTest::addRow("%s: reply with another identifier", pKind)
            << eKind << EFault::WrongId << false;
        QTest::addRow("%s: reply from another address", pKind)
            << eKind << EFault::OtherSource << false;
        QTest::addRow("%s: reply with other data", pKind) << eKind << EFault::WrongData << false;
        QTest::addRow("%s: a request sent back", pKind)
            << eKind << EFault::RequestInsteadOfReply << false;
    }
}

void TestIcmpEchoLinux::replyMatching()
{
    QFETCH(ESocket, kind);
    QFETCH(CResponder::EFault, fault);
    QFETCH(bool, alive);
    CPrivateNamespace oNamespace;
    QVERIFY(oNamespace.ready());
    CResponder oResponder(0, -1, fault);
    QVERIFY(oResponder.ready());
    QCOMPARE(CIcmpEchoLinux(kind).Ping(kLoopback2, 400), alive);
    QCOMPARE(oResponder.requests(), 1);
}

void TestIcmpEchoLinux::lateReply_data()
{
    QTest::addColumn<ESocket>("kind");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("alive");

    for (ESocket eKind : {ESocket::Ping, ESocket::Raw}) {
        const char *pKind = eKind == ESocket::Ping ? "ping socket" : "raw socket";
        QTest::addRow("%s: reply after 800 ms misses 500 ms", pKind)
            << eKind << 800 << 500 << false;
        QTest::addRow("%s: reply after 800 ms meets 2000 ms", pKind)
            << eKind << 800 << 2000 << true;
        QTest::addRow("%s: reply after 200 ms meets 500 ms", pKind) << eKind << 200 << 500 << true;
    }
}

void TestIcmpEchoLinux::lateReply()
{
    QFETCH(ESocket, kind);
    QFETCH(int, delayMs);
    QFETCH(int, timeoutMs);
    QFETCH(bool, alive);
    CPrivateNamespace oNamespace;
    QVERIFY(oNamespace.ready());
    CResponder oResponder(delayMs, -1, CResponder::EFault::None);
    QVERIFY(oResponder.ready());
    QElapsedTimer oTimer;
    oTimer.start();
    QCOMPARE(CIcmpEchoLinux(kind).Ping(kLoopback2, timeoutMs), alive);
    const qint64 nElapsed = oTimer.elapsed();
    if (alive)
        QVERIFY2(nElapsed >= delayMs - 20, qPrintable(QString::number(nElapsed)));
    else
        QVERIFY2(nElapsed >= timeoutMs - 20 && nElapsed < timeoutMs + 1000,
                 qPrintable(QString::number(nElapsed)));
}

void TestIcmpEchoLinux::highAccuracy_data()
{
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("answerOn");
    QTest::addColumn<bool>("alive");
    QTest::addColumn<int>("requests");

    QTest::newRow("normal: one request answered at once") << false << 0 << 1 << true << 1;
    QTest::newRow("normal: only the third request would be answered")
        << false << 0 << 3 << false << 1;
    QTest::newRow("normal: a reply after 800 ms is too late") << false << 800 << 1 << false << 1;
    QTest::newRow("high: up to three requests until one is answered")
        << true << 0 << 3 << true << 3;
    QTest::newRow("high: a reply after 800 ms is in time") << true << 800 << 1 << true << 1;
    QTest::newRow("high: a silent host gets three requests") << true << 0 << 0 << false << 3;
}

void TestIcmpEchoLinux::highAccuracy()
{
    QFETCH(bool, highAccuracy);
    QFETCH(int, delayMs);
    QFETCH(int, answerOn);
    QFETCH(bool, alive);
    QFETCH(int, requests);
    CPrivateNamespace oNamespace;
    QVERIFY(oNamespace.ready());
    CResponder oResponder(delayMs, answerOn, CResponder::EFault::None);
    QVERIFY(oResponder.ready());
    CLivenessProbes oProbes(std::make_unique<CArpProbeLinux>(),
                            std::make_unique<CIcmpEchoLinux>(),
                            std::make_unique<CNoDns>());
    CScanResult oResult;
    oResult.set_ip(kLoopback2);
    oProbes.Run(oResult, highAccuracy);
    QCOMPARE(oResult.IsAlive(), alive);
    QCOMPARE(oResponder.requests(), requests);
    // Loopback has no hardware address to learn.
    QVERIFY(!oResult.HasMac());
    QCOMPARE(oResult.name(), alive ? QStringLiteral("responder") : QString());
}

void TestIcmpEchoLinux::withoutRawCapability_data()
{
    QTest::addColumn<bool>("pingSocketsAllowed");
    QTest::addColumn<bool>("alive");

    QTest::newRow("ping socket allowed: works without privilege") << true << true;
    QTest::newRow("no socket at all: no answer, nothing breaks") << false << false;
}

void TestIcmpEchoLinux::withoutRawCapability()
{
    QFETCH(bool, pingSocketsAllowed);
    QFETCH(bool, alive);
    CPrivateNamespace oNamespace;
    QVERIFY(oNamespace.ready());
    if (!pingSocketsAllowed)
        QVERIFY(WriteSysctl("/proc/sys/net/ipv4/ping_group_range", "1 0"));
    CResponder oResponder(0, -1, CResponder::EFault::None);
    QVERIFY(oResponder.ready());
    bool fDropped = false;
    bool fAlive = false;
    // A new thread starts in the namespace of the thread that creates it.
    std::thread oThread([&] {
        fDropped = DropNetRawInThisThread();
        if (fDropped)
            fAlive = CIcmpEchoLinux().Ping(kLoopback2, 500);
    });
    oThread.join();
    QVERIFY(fDropped);
    QCOMPARE(fAlive, alive);
    QCOMPARE(oResponder.requests(), alive ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestIcmpEchoLinux)
#include "tst_IcmpEchoLinux.moc"
