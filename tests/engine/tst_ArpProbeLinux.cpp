// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux ARP probe on a real link: two namespaces of this test's own joined by a veth pair,
// the scanner side at 198.18.250.1/24 and one host at 198.18.250.2. Neither namespace has any
// other interface or route, so nothing can leave them.
#include "../helpers/ProbeThreads.h"
#include "CArpProbeLinux.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <thread>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

using EMethod = CArpProbeLinux::EMethod;

constexpr quint32 kScanner = 0xC612FA01;   // 198.18.250.1, our own address
constexpr quint32 kHost = 0xC612FA02;      // 198.18.250.2
constexpr quint32 kCached = 0xC612FA03;    // 198.18.250.3: absent, but given a STALE entry
constexpr quint32 kAbsent = 0xC612FA63;    // 198.18.250.99
constexpr quint32 kBroadcast = 0xC612FAFF; // 198.18.250.255
constexpr quint32 kOffLink = 0xC612FB05;   // 198.18.251.5
constexpr quint32 kLoopback = 0x7F000001;
constexpr int kTimeoutMs = 500;

const TMacAddress g_aHostMac = {0x02, 0x5E, 0xFA, 0x00, 0x00, 0x02};
const TMacAddress g_aCachedMac = {0x02, 0x5E, 0xFA, 0x00, 0x00, 0x03};

bool Ip(const QStringList &i_lsArguments)
{
    QProcess oIp;
    oIp.start(QStringLiteral("ip"), i_lsArguments);
    return oIp.waitForFinished(10000) && oIp.exitStatus() == QProcess::NormalExit
           && oIp.exitCode() == 0;
}

} // namespace

Q_DECLARE_METATYPE(CArpProbeLinux::EMethod)
Q_DECLARE_METATYPE(TMacAddress)

class TestArpProbeLinux : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void request_data();
    void request();
    void withoutRawCapability_data();
    void withoutRawCapability();
    void manyThreadsAtOnce_data();
    void manyThreadsAtOnce();

private:
    bool MakeLink();
    void RemoveLink();

    QString m_sScanNs;
    QString m_sHostNs;
    int m_nOriginalNs = -1;
};

bool TestArpProbeLinux::MakeLink()
{
    const QString sDev = QStringLiteral("eth0");
    return Ip({QStringLiteral("netns"), QStringLiteral("add"), m_sScanNs})
           && Ip({QStringLiteral("netns"), QStringLiteral("add"), m_sHostNs})
           && Ip({QStringLiteral("link"),
                  QStringLiteral("add"),
                  sDev,
                  QStringLiteral("netns"),
                  m_sScanNs,
                  QStringLiteral("type"),
                  QStringLiteral("veth"),
                  QStringLiteral("peer"),
                  QStringLiteral("name"),
                  sDev,
                  QStringLiteral("netns"),
                  m_sHostNs})
           && Ip({QStringLiteral("-n"),
                  m_sHostNs,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  sDev,
                  QStringLiteral("address"),
                  QStringLiteral("02:5e:fa:00:00:02")})
           && Ip({QStringLiteral("-n"),
                  m_sScanNs,
                  QStringLiteral("addr"),
                  QStringLiteral("add"),
                  QStringLiteral("198.18.250.1/24"),
                  QStringLiteral("dev"),
                  sDev})
           && Ip({QStringLiteral("-n"),
                  m_sHostNs,
                  QStringLiteral("addr"),
                  QStringLiteral("add"),
                  QStringLiteral("198.18.250.2/24"),
                  QStringLiteral("dev"),
                  sDev})
           && Ip({QStringLiteral("-n"),
                  m_sScanNs,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  sDev,
                  QStringLiteral("up")})
           && Ip({QStringLiteral("-n"),
                  m_sHostNs,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  sDev,
                  QStringLiteral("up")})
           && Ip({QStringLiteral("-n"),
                  m_sScanNs,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  QStringLiteral("lo"),
                  QStringLiteral("up")});
}

void TestArpProbeLinux::RemoveLink()
{
    // Deleting a namespace also deletes its end of the veth pair and with it the other end.
    for (const QString &sNs : {m_sScanNs, m_sHostNs}) {
        if (QFile::exists(QStringLiteral("/run/netns/") + sNs))
            Ip({QStringLiteral("netns"), QStringLiteral("del"), sNs});
    }
}

void TestArpProbeLinux::initTestCase()
{
    const QString sBase = qEnvironmentVariable("VISTREL_LOOPNS", QStringLiteral("vtest-lo"));
    m_sScanNs = sBase + QStringLiteral("-arps");
    m_sHostNs = sBase + QStringLiteral("-arph");
    RemoveLink();
    QVERIFY2(MakeLink(), "cannot build the veth link (needs root and iproute2)");
    m_nOriginalNs = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int nFd = open(QStringLiteral("/run/netns/%1").arg(m_sScanNs).toLocal8Bit().constData(),
                         O_RDONLY | O_CLOEXEC);
    QVERIFY(nFd >= 0);
    const bool fEntered = setns(nFd, CLONE_NEWNET) == 0;
    close(nFd);
    QVERIFY(fEntered);
    // DAD does not apply to IPv4, but the link needs a moment to report carrier.
    QTRY_VERIFY_WITH_TIMEOUT(CArpProbeLinux::FindRoute(kHost).has_value(), 5000);
}

void TestArpProbeLinux::cleanupTestCase()
{
    if (m_nOriginalNs >= 0) {
        setns(m_nOriginalNs, CLONE_NEWNET);
        close(m_nOriginalNs);
    }
    RemoveLink();
}

void TestArpProbeLinux::init()
{
    // Every case starts from an empty neighbour table, so that what one case left behind
    // cannot answer for the next.
    QVERIFY(Ip({QStringLiteral("-n"),
                m_sScanNs,
                QStringLiteral("neigh"),
                QStringLiteral("flush"),
                QStringLiteral("dev"),
                QStringLiteral("eth0")}));
    QVERIFY(Ip({QStringLiteral("-n"),
                m_sScanNs,
                QStringLiteral("neigh"),
                QStringLiteral("replace"),
                QStringLiteral("198.18.250.3"),
                QStringLiteral("lladdr"),
                QStringLiteral("02:5e:fa:00:00:03"),
                QStringLiteral("dev"),
                QStringLiteral("eth0"),
                QStringLiteral("nud"),
                QStringLiteral("stale")}));
}

void TestArpProbeLinux::request_data()
{
    QTest::addColumn<EMethod>("method");
    QTest::addColumn<quint32>("ip");
    QTest::addColumn<bool>("found");
    QTest::addColumn<TMacAddress>("mac");
    QTest::addColumn<bool>("waitsFullTime");

    const struct
    {
        const char *pName;
        EMethod eMethod;
    } aMethods[] = {{"packet socket", EMethod::PacketSocket},
                    {"neighbour table", EMethod::NeighbourTable},
                    {"auto", EMethod::Auto}};
    for (const auto &o : aMethods) {
        QTest::addRow("%s: present host gives its MAC", o.pName)
            << o.eMethod << kHost << true << g_aHostMac << false;
        QTest::addRow("%s: absent host gives nothing within the time-out", o.pName)
            << o.eMethod << kAbsent << false << TMacAddress{} << true;
        QTest::addRow("%s: own address is not asked", o.pName)
            << o.eMethod << kScanner << false << TMacAddress{} << false;
        QTest::addRow("%s: broadcast address is not asked", o.pName)
            << o.eMethod << kBroadcast << false << TMacAddress{} << false;
        QTest::addRow("%s: address outside every subnet is not asked", o.pName)
            << o.eMethod << kOffLink << false << TMacAddress{} << false;
        QTest::addRow("%s: loopback is not asked", o.pName)
            << o.eMethod << kLoopback << false << TMacAddress{} << false;
    }
    // The kernel's word for an address it holds a STALE entry for is the entry itself (no event
    // would come); the packet socket asks the wire, where nobody holds that address.
    QTest::newRow("neighbour table: STALE entry counts as known")
        << EMethod::NeighbourTable << kCached << true << g_aCachedMac << false;
    QTest::newRow("packet socket: STALE entry of an absent host is not trusted")
        << EMethod::PacketSocket << kCached << false << TMacAddress{} << true;
}

void TestArpProbeLinux::request()
{
    QFETCH(EMethod, method);
    QFETCH(quint32, ip);
    QFETCH(bool, found);
    QFETCH(TMacAddress, mac);
    QFETCH(bool, waitsFullTime);

    TMacAddress aMac{};
    QElapsedTimer oTimer;
    oTimer.start();
    QCOMPARE(CArpProbeLinux(method).Request(ip, kTimeoutMs, aMac), found);
    const qint64 nElapsed = oTimer.elapsed();
    QCOMPARE(aMac, mac);
    if (waitsFullTime)
        QVERIFY2(nElapsed >= kTimeoutMs - 20, qPrintable(QString::number(nElapsed)));
    else if (!found)
        QVERIFY2(nElapsed < 100, qPrintable(QString::number(nElapsed)));
    // Never past the time-out (slack for a loaded machine).
    QVERIFY2(nElapsed < kTimeoutMs + 1000, qPrintable(QString::number(nElapsed)));
}

void TestArpProbeLinux::withoutRawCapability_data()
{
    QTest::addColumn<EMethod>("method");
    QTest::addColumn<bool>("found");

    QTest::newRow("auto falls back to the kernel's resolution") << EMethod::Auto << true;
    QTest::newRow("packet socket alone cannot ask") << EMethod::PacketSocket << false;
}

void TestArpProbeLinux::withoutRawCapability()
{
    QFETCH(EMethod, method);
    QFETCH(bool, found);
    bool fDropped = false;
    bool fFound = false;
    TMacAddress aMac{};
    // A new thread starts in the namespace of the thread that creates it.
    std::thread oThread([&] {
        fDropped = DropNetRawInThisThread();
        if (fDropped)
            fFound = CArpProbeLinux(method).Request(kHost, kTimeoutMs, aMac);
    });
    oThread.join();
    QVERIFY(fDropped);
    QCOMPARE(fFound, found);
    QCOMPARE(aMac, found ? g_aHostMac : TMacAddress{});
}

void TestArpProbeLinux::manyThreadsAtOnce_data()
{
    QTest::addColumn<EMethod>("method");
    QTest::newRow("96 packet sockets") << EMethod::PacketSocket;
    QTest::newRow("96 waits on the kernel") << EMethod::NeighbourTable;
}

void TestArpProbeLinux::manyThreadsAtOnce()
{
    QFETCH(EMethod, method);
    constexpr int kThreads = 96;
    // Even threads ask the host, odd ones an absent address each.
    std::vector<TMacAddress> vMacs(kThreads, TMacAddress{});
    std::vector<char> vFound(kThreads, 0);
    QElapsedTimer oTimer;
    oTimer.start();
    RunAllAtOnce(kThreads, [&](int i) {
        const quint32 nIp = i % 2 ? kAbsent + 1 + static_cast<quint32>(i) : kHost;
        const auto n = static_cast<std::size_t>(i);
        vFound[n] = CArpProbeLinux(method).Request(nIp, kTimeoutMs, vMacs[n]);
    });
    const qint64 nElapsed = oTimer.elapsed();
    for (int i = 0; i < kThreads; ++i) {
        const auto n = static_cast<std::size_t>(i);
        QCOMPARE(bool(vFound[n]), i % 2 == 0);
        QCOMPARE(vMacs[n], i % 2 ? TMacAddress{} : g_aHostMac);
    }
    QVERIFY2(nElapsed < kTimeoutMs + 1500, qPrintable(QString::number(nElapsed)));
}

QTEST_GUILESS_MAIN(TestArpProbeLinux)
#include "tst_ArpProbeLinux.moc"
