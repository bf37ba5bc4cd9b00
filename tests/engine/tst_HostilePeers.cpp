// SPDX-License-Identifier: GPL-3.0-or-later
// Hosts that misbehave on purpose: ports that accept and never speak, web servers that trickle,
// flood or redirect forever, NetBIOS and SNMP responders that answer garbage. Every probe must
// end within its own time bound with a sane result, memory must stay bounded, and a well-behaved
// host scanned at the same time must get exactly its own result. Runs inside the loopback
// namespace, where it binds the well-known ports of 127.0.0.x itself.
#include "../helpers/CUdpResponder.h"
#include "CCfg.h"
#include "CDnsSdLibrary.h"
#include "CHostNaming.h"
#include "CHostScan.h"
#include "CHtmlTitle.h"
#include "CHttpProbe.h"
#include "CLivenessProbes.h"
#include "CNetBiosScanStep.h"
#include "CScanResult.h"
#include "CSmbPing.h"
#include "CTcpConnect.h"
#include "CTestPeer.h"
#include "CZeroconf.h"
#include "MScanFtp.h"
#include "NetBiosAnswers.h"
#include "SnmpTestPeers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using EWait = CTestPeer::EWait;
using EAfter = CTestPeer::EAfter;

namespace {

// The longest the SNMP name query may take: 3000 ms, one retry.
constexpr int kSnmpBoundMs = 6000;
// AddressSanitizer keeps freed blocks in quarantine, so resident memory then grows with what
// passed through, not with what is held; memory bounds are checked in plain builds only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFreedMemoryReturns = false;
#else
constexpr bool kFreedMemoryReturns = true;
#endif
// Room for a loaded machine (two sanitizer builds run on two shared cores) above each bound.
constexpr int kSlackMs = 1500;

// How a hostile NetBIOS peer answers each request.
enum class EHostileUdp
{
    Garbage,
    Oversized,
    WrongId,
    Flood,
    NameThenFlood
};

// Datagrams sent for each request when flooding.
constexpr int kFloodCount = 2000;

// What a hostile peer sends where an answer belongs: no header of either protocol.
QByteArray Junk()
{
    return QByteArray::fromHex("deadbeef00ff7f80") + QByteArray(92, '\x01');
}

CUdpResponder::TScript HostileNetBios(EHostileUdp i_eMode)
{
    return [i_eMode](const QByteArray &i_baRequest,
                     QUdpSocket &io_oSocket,
                     const QHostAddress &i_oTo,
                     quint16 i_nPort) {
        const quint16 nId = CUdpResponder::RequestId(i_baRequest);
        const QByteArray baJunk = Junk();
        switch (i_eMode) {
        case EHostileUdp::Garbage:
            io_oSocket.writeDatagram(baJunk, i_oTo, i_nPort);
            break;
        case EHostileUdp::Oversized:
            io_oSocket.writeDatagram(QByteArray(65507, '\xEE'), i_oTo, i_nPort);
            break;
        case EHostileUdp::WrongId:
            io_oSocket.writeDatagram(
                NetBiosAnswers::SambaAnswer(static_cast<quint16>(nId + 1)), i_oTo, i_nPort);
            break;
        case EHostileUdp::Flood:
            for (int i = 0; i < kFloodCount; ++i)
                io_oSocket.writeDatagram(baJunk, i_oTo, i_nPort);
            break;
        case EHostileUdp::NameThenFlood:
            io_oSocket.writeDatagram(NetBiosAnswers::SambaAnswer(nId), i_oTo, i_nPort);
            for (int i = 0; i < kFloodCount; ++i)
                io_oSocket.writeDatagram(baJunk, i_oTo, i_nPort);
            break;
        }
    };
}

// How a host's own mDNS responder answers each reverse question about it: properly, from a
// neighbour's address or another port (through the forger's socket), or with bytes that are no
// answer.
enum class EHostileMdns
{
    Name,
    FromOtherAddress,
    FromOtherPort,
    Garbage,
    Oversized,
    WrongId,
    EscapesInName,
    JunkThenName
};

// The answer a responder gives a unicast question: its id and question echoed, then the PTR
// record pointing back at the question's name.
QByteArray MdnsAnswerTo(const QByteArray &i_baRequest, const QByteArray &i_baName)
{
    QByteArray baAnswer = i_baRequest.left(2) + QByteArray::fromHex("84000001000100000000");
    baAnswer += i_baRequest.mid(12);
    QByteArray baTarget;
    for (const QByteArray &baLabel : i_baName.split('.'))
        baTarget += char(baLabel.size()) + baLabel;
    baTarget += '\0';
    baAnswer += QByteArray::fromHex("c00c000c000100000078");
    baAnswer += char(baTarget.size() >> 8);
    baAnswer += char(baTarget.size() & 0xFF);
    return baAnswer + baTarget;
}

CUdpResponder::TScript
HostileMdns(EHostileMdns i_eMode, const QByteArray &i_baName, QUdpSocket *i_pForger)
{
    return [i_eMode, i_baName, i_pForger](const QByteArray &i_baRequest,
                                          QUdpSocket &io_oSocket,
                                          const QHostAddress &i_oTo,
                                          quint16 i_nPort) {
        if (i_baRequest.size() <= 12)
            return;
        const QByteArray baJunk = Junk();
        switch (i_eMode) {
        case EHostileMdns::Name:
            io_oSocket.writeDatagram(MdnsAnswerTo(i_baRequest, i_baName), i_oTo, i_nPort);
            break;
        case EHostileMdns::FromOtherAddress:
        case EHostileMdns::FromOtherPort:
            i_pForger->writeDatagram(MdnsAnswerTo(i_baRequest, i_baName), i_oTo, i_nPort);
            break;
        case EHostileMdns::Garbage:
            io_oSocket.writeDatagram(baJunk, i_oTo, i_nPort);
            break;
        case EHostileMdns::Oversized: {
            // The largest datagram there is: a 60000-byte record, then the name's.
            const QByteArray baAnswer = MdnsAnswerTo(i_baRequest, i_baName);
            const int nQuestionEnd = i_baRequest.size();
            QByteArray baBig = baAnswer.left(nQuestionEnd);
            baBig[7] = 2;
            baBig += QByteArray::fromHex("c00c0010000100000078ea60") + QByteArray(60000, 'x');
            baBig += baAnswer.mid(nQuestionEnd);
            baBig += QByteArray(65507 - baBig.size(), '\0');
            io_oSocket.writeDatagram(baBig, i_oTo, i_nPort);
            break;
        }
        case EHostileMdns::WrongId: {
            QByteArray baRequest = i_baRequest;
            baRequest[1] = char(baRequest[1] ^ 1);
            io_oSocket.writeDatagram(MdnsAnswerTo(baRequest, i_baName), i_oTo, i_nPort);
            break;
        }
        case EHostileMdns::EscapesInName:
            io_oSocket.writeDatagram(
                MdnsAnswerTo(i_baRequest, "\x1b]0;owned\x07\r\nbox\x01.local"), i_oTo, i_nPort);
            break;
        case EHostileMdns::JunkThenName:
            // Few enough that the asking socket's buffer holds them all, answer included.
            for (int i = 0; i < 50; ++i)
                io_oSocket.writeDatagram(baJunk, i_oTo, i_nPort);
            io_oSocket.writeDatagram(MdnsAnswerTo(i_baRequest, i_baName), i_oTo, i_nPort);
            break;
        }
    };
}

// Runs the web probe on a worker against the peer at i_oHost, into a result whose title reads
// "before" (a failed probe must leave it so), sampling this process's resident memory meanwhile;
// returns false if the probe hung past the test's limit.
bool ProbeWeb(QObject *i_pContext,
              const QHostAddress &i_oHost,
              CScanResult &o_oResult,
              qint64 &o_nMs,
              qint64 &o_nPeakGrowthKiB)
{
    o_oResult.set_ip(i_oHost.toIPv4Address());
    o_oResult.set_http_title(QStringLiteral("before"));
    o_nPeakGrowthKiB = 0;
    const qint64 nRssBeforeKiB = ResidentKiB();
    QTimer oSampler;
    QObject::connect(&oSampler, &QTimer::timeout, i_pContext, [&]() {
        o_nPeakGrowthKiB = qMax(o_nPeakGrowthKiB, ResidentKiB() - nRssBeforeKiB);
    });
    oSampler.start(50);
    const bool fEnded = TimedOnWorker([&]() { CHttpProbe::ProbeHttp(o_oResult); }, o_nMs);
    o_nPeakGrowthKiB = qMax(o_nPeakGrowthKiB, ResidentKiB() - nRssBeforeKiB);
    return fEnded;
}

// A gzip member holding i_nBytes zero bytes: about a thousandth of that on the wire.
QByteArray GzipOfZeros(int i_nBytes)
{
    const QByteArray baZlib = qCompress(QByteArray(i_nBytes, '\0'), 9);
    // qCompress gives a 4-byte length, a 2-byte zlib header, raw deflate and a 4-byte Adler-32.
    const QByteArray baDeflate = baZlib.mid(6, baZlib.size() - 10);
    quint32 nCrc = 0xFFFFFFFFu;
    quint32 aTable[256];
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        aTable[n] = c;
    }
    for (int i = 0; i < i_nBytes; ++i)
        nCrc = aTable[nCrc & 0xFF] ^ (nCrc >> 8);
    nCrc ^= 0xFFFFFFFFu;
    QByteArray baTrailer(8, '\0');
    const quint32 nSize = static_cast<quint32>(i_nBytes);
    for (int k = 0; k < 4; ++k) {
        baTrailer[k] = static_cast<char>(nCrc >> (8 * k));
        baTrailer[4 + k] = static_cast<char>(nSize >> (8 * k));
    }
    return QByteArray::fromHex("1f8b0800000000000003") + baDeflate + baTrailer;
}

} // namespace

class TestHostilePeers final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void silentHostBesideAGoodOne();
    void hostileWebServers_data();
    void hostileWebServers();
    void webServersBeyondTheBudget_data();
    void webServersBeyondTheBudget();
    void webProbesWithoutDescriptors();
    void hostileNetBiosResponders_data();
    void hostileNetBiosResponders();
    void snmpAgentWithWrongTypes_data();
    void snmpAgentWithWrongTypes();
    void snmpAnswerFromANeighbourIsIgnored();
    void hostileMdnsResponders_data();
    void hostileMdnsResponders();
    void hostNamedByItsOwnResponderOnlyWhenSnmpIsSilent_data();
    void hostNamedByItsOwnResponderOnlyWhenSnmpIsSilent();
};

void TestHostilePeers::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    // No discovery library: the names here must come from the peers of this test alone.
    QVERIFY(!CDnsSdLibrary::Load(QStringLiteral("/nonexistent/libdns_sd.so.1")));
    qRegisterMetaType<CScanResult>("CScanResult");
}

void TestHostilePeers::cleanupTestCase()
{
    CZeroconf::DestroyInstance();
}

void TestHostilePeers::silentHostBesideAGoodOne()
{
    // 127.0.0.2 accepts on every probed TCP port and never says a word, answers NetBIOS with
    // garbage, and names itself over SNMP so that the share and user probes run too.
    // 127.0.0.3 behaves. Both are scanned at once, each on its own worker, with every probe on.
    const QHostAddress oBad(QStringLiteral("127.0.0.2"));
    const QHostAddress oGood(QStringLiteral("127.0.0.3"));
    std::vector<std::unique_ptr<CTestPeer>> vSilent;
    for (const quint16 nPort : {21, 80, 443, 445, 4899}) {
        vSilent.push_back(std::make_unique<CTestPeer>(EWait::Nothing, QByteArray(), EAfter::Hold));
        QVERIFY2(vSilent.back()->listen(oBad, nPort), qPrintable(QString::number(nPort)));
    }
    CUdpResponder oBadNetBios(oBad, 137, HostileNetBios(EHostileUdp::Garbage));
    QVERIFY(oBadNetBios.Bound());
    CFakeSnmpAgent oAgent;
    QString sError;
    QVERIFY2(oAgent.Listen(sError), qPrintable(sError));
    oAgent.SetReply(CFakeSnmpAgent::EReply::String, "hostile-box");

    CTestPeer oGoodHttp(
        EWait::HttpRequest, CTestPeer::HttpAnswer(200, Xhtml("Good Box")), EAfter::Close);
    CTestPeer oGoodFtp(EWait::Nothing, "220 ready\r\n", EAfter::Hold);
    QTcpServer oGoodOrtavo;
    QVERIFY(oGoodHttp.listen(oGood, 80));
    QVERIFY(oGoodFtp.listen(oGood, 21));
    QVERIFY(oGoodOrtavo.listen(oGood, 4899));

    CCfg oCfg;
    oCfg.set_scan_http(true);
    oCfg.set_scan_https(true);
    oCfg.set_scan_shares(true);
    oCfg.set_scan_ftp(true);
    oCfg.set_scan_netbios(true);
    oCfg.set_scan_username(true);
    oCfg.set_high_accuracy(false);
    oCfg.set_ortavo_ports({4899});

    CScanResult oBadResult;
    oBadResult.set_ip(oBad.toIPv4Address());
    CScanResult oGoodResult;
    oGoodResult.set_ip(oGood.toIPv4Address());
    qint64 nBadMs = 0;
    qint64 nGoodMs = 0;
    const qint64 nRssBeforeKiB = ResidentKiB();
    std::vector<std::unique_ptr<QThread>> vThreads;
    vThreads.emplace_back(QThread::create([&]() {
        QElapsedTimer oTimer;
        oTimer.start();
        CHostScan(oCfg).Run(oBadResult);
        nBadMs = oTimer.elapsed();
    }));
    vThreads.emplace_back(QThread::create([&]() {
        QElapsedTimer oTimer;
        oTimer.start();
        CHostScan(oCfg).Run(oGoodResult);
        nGoodMs = oTimer.elapsed();
    }));
    QVERIFY(RunAll(vThreads, 120000));

    // The bad host: alive, named by its agent, and nothing else claimed for it.
    QVERIFY(oBadResult.IsAlive());
    QCOMPARE(oBadResult.name(), QStringLiteral("hostile-box"));
    QVERIFY(!oBadResult.has_http());
    QCOMPARE(oBadResult.http_title(), QString());
    QVERIFY(!oBadResult.has_https());
    QVERIFY(!oBadResult.has_ftp());
    QCOMPARE(oBadResult.shares(), QStringList());
    QCOMPARE(oBadResult.user(), QString());
    QCOMPARE(oBadResult.netbiosname(), QString());
    QCOMPARE(oBadResult.netbiosgroup(), QString());
    // Accepting a connection is all the Ortavo probe asks.
    QCOMPARE(oBadResult.ortavo_ports(), QList<qint32>{4899});
    QVERIFY(oAgent.RequestCount() >= 1);
    for (const auto &pPeer : vSilent)
        QVERIFY2(pPeer->Connections() >= 1, qPrintable(QString::number(pPeer->serverPort())));
    QVERIFY(oBadNetBios.Requests().size() >= 1);

    // The probes wait at the same time: liveness, the agent's prompt answer and the longest
    // single wait (an SMB handshake; web, TLS, FTP, NetBIOS and the Ortavo port are shorter),
    // where one after the other they took the sum of all of them, over 10 s.
    const int nBoundMs = CLivenessProbes::kArpTimeoutMs + CLivenessProbes::EchoTimeoutMs(false)
                         + 1000
                         + std::max({CHttpProbe::TimeoutMs,
                                     CSmbPing::TimeoutMs,
                                     MScanFtp::TimeoutMs,
                                     CTcpConnect::TimeoutMs});
    QVERIFY2(nBadMs <= nBoundMs + kSlackMs,
             qPrintable(QStringLiteral("%1 ms, bound %2 ms").arg(nBadMs).arg(nBoundMs)));
    // The silent ports were waited for: the SMB waits ran out.
    QVERIFY2(nBadMs >= CSmbPing::TimeoutMs - 200, qPrintable(QString::number(nBadMs)));

    // The good host, scanned meanwhile, got what it serves and was not held up.
    QVERIFY(oGoodResult.IsAlive());
    QVERIFY(oGoodResult.has_http());
    QCOMPARE(oGoodResult.http_title(), QStringLiteral("Good Box"));
    QVERIFY(oGoodResult.has_ftp());
    QVERIFY(!oGoodResult.has_https());
    QCOMPARE(oGoodResult.ortavo_ports(), QList<qint32>{4899});
    QCOMPARE(oGoodResult.netbiosname(), QString());
    // Its only long wait is the SNMP question nobody answers.
    QVERIFY2(nGoodMs <= kSnmpBoundMs + CHttpProbe::TimeoutMs + kSlackMs,
             qPrintable(QString::number(nGoodMs)));
    // Nothing the silent peers did can grow memory; 32 MB covers the sanitizers' own noise.
    QVERIFY2(ResidentKiB() - nRssBeforeKiB < 32 * 1024,
             qPrintable(QString::number(ResidentKiB() - nRssBeforeKiB)));
}

void TestHostilePeers::hostileWebServers_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("after");
    QTest::addColumn<qint64>("streamBytes");
    QTest::addColumn<int>("trickleMs");
    // 0: no web server; 1: a web server; 2: either, as the body may or may not arrive in time.
    QTest::addColumn<int>("ok");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("maxConnections");

    const QByteArray baHead200 = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    QTest::newRow("trickles one byte a second: gives up at 2 s, no title")
        << QStringLiteral("127.0.0.10") << baHead200 + "\r\n<html><title>slow</title>"
        << int(EAfter::Trickle) << qint64(0) << 1000 << 0 << QString() << 4;
    QTest::newRow("headers trickle one byte a second: gives up at 2 s")
        << QStringLiteral("127.0.0.11") << QByteArray("H") << int(EAfter::Trickle) << qint64(0)
        << 1000 << 0 << QString() << 4;
    const qint64 n100MB = 100LL * 1024 * 1024;
    QTest::newRow("100 MB body: ends in time with bounded memory")
        << QStringLiteral("127.0.0.12")
        << baHead200 + "Content-Length: " + QByteArray::number(n100MB)
               + "\r\n\r\n<html><title>Huge</title>"
        << int(EAfter::Stream) << n100MB - 25 << 0 << 2 << QStringLiteral("Huge") << 1;
    QTest::newRow("100 MB body without length: ends in time with bounded memory")
        << QStringLiteral("127.0.0.13") << baHead200 + "\r\n<html><title>Huge</title>"
        << int(EAfter::Stream) << n100MB << 0 << 2 << QStringLiteral("Huge") << 1;
    QTest::newRow("redirects to itself forever: one request, taken as an answer")
        << QStringLiteral("127.0.0.14")
        << QByteArray("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.14/\r\n"
                      "Content-Length: 0\r\n\r\n")
        << int(EAfter::Hold) << qint64(0) << 0 << 1 << QString() << 1;
    QTest::newRow("redirects to an endless chain of new paths: one request")
        << QStringLiteral("127.0.0.15")
        << QByteArray("HTTP/1.1 301 Moved\r\nLocation: /again/and/again\r\nConnection: close\r\n"
                      "Content-Length: 0\r\n\r\n")
        << int(EAfter::Close) << qint64(0) << 0 << 1 << QString() << 1;
    QTest::newRow("title of 1 MB: cut to its first characters")
        << QStringLiteral("127.0.0.16")
        << CTestPeer::HttpAnswer(200, "<title>" + QByteArray(1024 * 1024, 'T') + "</title>")
        << int(EAfter::Close) << qint64(0) << 0 << 1
        << QString(CHtmlTitle::MaxTitleChars, QLatin1Char('T')) << 1;
    QTest::newRow("control characters and a zero byte in the title are dropped")
        << QStringLiteral("127.0.0.17")
        << CTestPeer::HttpAnswer(200, QByteArray("<title>a\x01\x1b[31mb\0c\x7f</title>", 26))
        << int(EAfter::Close) << qint64(0) << 0 << 1 << QStringLiteral("a [31mb c") << 1;
}

void TestHostilePeers::hostileWebServers()
{
    QFETCH(QString, host);
    QFETCH(QByteArray, answer);
    QFETCH(int, after);
    QFETCH(qint64, streamBytes);
    QFETCH(int, trickleMs);
    QFETCH(int, ok);
    QFETCH(QString, title);
    QFETCH(int, maxConnections);

    const QHostAddress oHost(host);
    CTestPeer oPeer(EWait::HttpRequest, answer, EAfter(after));
    oPeer.SetStreamBytes(streamBytes);
    if (trickleMs > 0)
        oPeer.SetTrickleIntervalMs(trickleMs);
    QVERIFY(oPeer.listen(oHost, 80));

    CScanResult oResult;
    qint64 nMs = 0;
    qint64 nPeakGrowthKiB = 0;
    QVERIFY(ProbeWeb(this, oHost, oResult, nMs, nPeakGrowthKiB));
    if (ok != 2)
        QCOMPARE(oResult.has_http(), ok == 1);
    // A failed probe leaves the title as it was.
    QCOMPARE(oResult.http_title(), oResult.has_http() ? title : QStringLiteral("before"));
    QVERIFY2(nMs <= CHttpProbe::TimeoutMs + kSlackMs, qPrintable(QString::number(nMs)));
    QVERIFY2(oPeer.Connections() >= 1 && oPeer.Connections() <= maxConnections,
             qPrintable(QString::number(oPeer.Connections())));
    // The peer itself holds at most a few hundred kilobytes in flight; the probe keeps 64 KiB.
    if (kFreedMemoryReturns)
        QVERIFY2(nPeakGrowthKiB < 24 * 1024, qPrintable(QString::number(nPeakGrowthKiB)));
}

void TestHostilePeers::webServersBeyondTheBudget_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QByteArray>("answer");
    // Repeated after the answer until the probe hangs up (empty: close after the answer).
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("title");

    const QByteArray baHead200 = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    // 10,000 references to a 30,000-character entity: 300 MB of text if it were expanded.
    const QByteArray baEntityBomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE html [<!ENTITY e \""
                                    + QByteArray(30000, 'W') + "\">]>\n<html><head><title>"
                                    + QByteArray("&e;").repeated(10000)
                                    + "</title></head><body/></html>";
    QTest::newRow("entity bomb in the title: not expanded")
        << QStringLiteral("127.0.0.30") << CTestPeer::HttpAnswer(200, baEntityBomb) << QByteArray()
        << true
        << QString::fromLatin1(QByteArray("&e;").repeated(100).left(CHtmlTitle::MaxTitleChars));
    QTest::newRow("chunk of FFFFFFFFFFFF bytes streamed fast: cut at the budget")
        << QStringLiteral("127.0.0.31")
        << baHead200 + "Transfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFF\r\n<title>Chunky</title>"
        << QByteArray("y") << true << QStringLiteral("Chunky");
    const QByteArray baGzip = GzipOfZeros(100 * 1024 * 1024);
    QTest::newRow("gzip body of 100 MB zeros: not inflated")
        << QStringLiteral("127.0.0.32")
        << baHead200 + "Content-Encoding: gzip\r\nContent-Length: "
               + QByteArray::number(baGzip.size()) + "\r\n\r\n" + baGzip
        << QByteArray() << true << QString();
    QTest::newRow("one endless header line: no answer")
        << QStringLiteral("127.0.0.33") << QByteArray("HTTP/1.1 200 OK\r\nX-Endless: ")
        << QByteArray("y") << false << QString();
    QTest::newRow("endless short header lines: no answer")
        << QStringLiteral("127.0.0.34") << QByteArray("HTTP/1.1 200 OK\r\n")
        << QByteArray("X-A: b\r\n") << false << QString();
}

void TestHostilePeers::webServersBeyondTheBudget()
{
    QFETCH(QString, host);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, stream);
    QFETCH(bool, ok);
    QFETCH(QString, title);

    const QHostAddress oHost(host);
    CTestPeer oPeer(EWait::HttpRequest, answer, stream.isEmpty() ? EAfter::Close : EAfter::Stream);
    // Far more than the probe may take in its time: the peer never runs dry first.
    oPeer.SetStreamBytes(64LL * 1024 * 1024 * 1024);
    oPeer.SetStreamPattern(stream);
    QVERIFY(oPeer.listen(oHost, 80));

    CScanResult oResult;
    qint64 nMs = 0;
    qint64 nPeakGrowthKiB = 0;
    QVERIFY(ProbeWeb(this, oHost, oResult, nMs, nPeakGrowthKiB));
    qInfo("web probe: %lld ms, resident memory grew by %lld KiB at most", nMs, nPeakGrowthKiB);
    QCOMPARE(oResult.has_http(), ok);
    QCOMPARE(oResult.http_title(), ok ? title : QStringLiteral("before"));
    QVERIFY2(nMs <= CHttpProbe::TimeoutMs + kSlackMs, qPrintable(QString::number(nMs)));
    QCOMPARE(oPeer.Connections(), 1);
    // A compressed body is never asked for.
    QVERIFY2(oPeer.FirstRequest().contains("\r\nAccept-Encoding: identity\r\n"),
             oPeer.FirstRequest().constData());
    if (kFreedMemoryReturns)
        QVERIFY2(nPeakGrowthKiB < 24 * 1024, qPrintable(QString::number(nPeakGrowthKiB)));
}

void TestHostilePeers::webProbesWithoutDescriptors()
{
    const QHostAddress oHost(QStringLiteral("127.0.0.35"));
    CTestPeer oPeer(EWait::HttpRequest, CTestPeer::HttpAnswer(200, Xhtml("Fine")), EAfter::Close);
    QVERIFY(oPeer.listen(oHost, 80));
    CScanResult oResult;
    oResult.set_ip(oHost.toIPv4Address());

    // Every descriptor the process may open is taken; the probes run on this thread, as
    // starting a worker would itself need descriptors.
    rlimit oLimit{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &oLimit), 0);
    const rlimit oSaved = oLimit;
    int nLowestFree = dup(0);
    QVERIFY(nLowestFree >= 0);
    close(nLowestFree);
    oLimit.rlim_cur = static_cast<rlim_t>(nLowestFree + 8);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &oLimit), 0);
    std::vector<int> vTaken;
    for (int nFd; (nFd = dup(0)) >= 0;)
        vTaken.push_back(nFd);
    const int nError = errno;
    QElapsedTimer oTimer;
    oTimer.start();
    CHttpProbe::ProbeHttp(oResult);
    CHttpProbe::ProbeHttps(oResult);
    const qint64 nMs = oTimer.elapsed();
    for (const int nFd : vTaken)
        close(nFd);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &oSaved), 0);
    QCOMPARE(nError, EMFILE);
    QVERIFY(!oResult.has_http());
    QVERIFY(!oResult.has_https());
    QVERIFY2(nMs < kSlackMs, qPrintable(QString::number(nMs)));
    QTest::qWait(100);
    QCOMPARE(oPeer.Connections(), 0);

    // With descriptors back, the same host answers.
    QVERIFY(OnWorker([&]() { CHttpProbe::ProbeHttp(oResult); }));
    QVERIFY(oResult.has_http());
    QCOMPARE(oResult.http_title(), QStringLiteral("Fine"));
}

void TestHostilePeers::hostileNetBiosResponders_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::newRow("garbage answer: nothing taken")
        << QStringLiteral("127.0.0.20") << int(EHostileUdp::Garbage) << QString();
    QTest::newRow("oversized 65507-byte junk: nothing taken")
        << QStringLiteral("127.0.0.21") << int(EHostileUdp::Oversized) << QString();
    QTest::newRow("wrong transaction id: refused")
        << QStringLiteral("127.0.0.22") << int(EHostileUdp::WrongId) << QString();
    QTest::newRow("flood of 2000 junk datagrams: ends in time")
        << QStringLiteral("127.0.0.23") << int(EHostileUdp::Flood) << QString();
    QTest::newRow("real answer then a flood: the answer is taken")
        << QStringLiteral("127.0.0.24") << int(EHostileUdp::NameThenFlood)
        << QStringLiteral("ALPHA");
}

void TestHostilePeers::hostileNetBiosResponders()
{
    QFETCH(QString, host);
    QFETCH(int, mode);
    QFETCH(QString, name);
    const QHostAddress oHost(host);
    CUdpResponder oResponder(oHost, 137, HostileNetBios(EHostileUdp(mode)));
    QVERIFY(oResponder.Bound());
    CCfg oCfg;
    oCfg.set_high_accuracy(false);
    const QByteArray baMac("\x02\x00\x00\x00\x00\x07", 6);
    const qint64 nRssBeforeKiB = ResidentKiB();
    // Several hosts in a row, as a scan would ask them: the flood of one must not spill into the
    // next query.
    for (int nRound = 0; nRound < 3; ++nRound) {
        CScanResult oResult;
        oResult.set_ip(oHost.toIPv4Address());
        oResult.set_status(EHostStatus::Alive);
        oResult.set_mac(baMac);
        qint64 nMs = 0;
        QVERIFY(TimedOnWorker([&]() { CNetBiosScanStep(oCfg).Run(oResult); }, nMs));
        QCOMPARE(oResult.netbiosname(), name);
        QVERIFY(oResult.mac().size() == 6);
        if (name.isEmpty())
            QCOMPARE(oResult.mac(), baMac);
        QVERIFY2(nMs <= 500 + kSlackMs, qPrintable(QString::number(nMs)));
    }
    QCOMPARE(oResponder.Requests().size(), 3);
    QVERIFY2(ResidentKiB() - nRssBeforeKiB < 16 * 1024,
             qPrintable(QString::number(ResidentKiB() - nRssBeforeKiB)));
}

void TestHostilePeers::snmpAgentWithWrongTypes_data()
{
    QTest::addColumn<int>("reply");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("name");
    QTest::newRow("INTEGER instead of a string: no name")
        << int(CFakeSnmpAgent::EReply::Integer) << QByteArray() << QString();
    QTest::newRow("NULL value: no name")
        << int(CFakeSnmpAgent::EReply::NullValue) << QByteArray() << QString();
    QTest::newRow("two bindings: no name")
        << int(CFakeSnmpAgent::EReply::TwoBindings) << QByteArray("two") << QString();
    QTest::newRow("zero byte inside: cut there")
        << int(CFakeSnmpAgent::EReply::String) << QByteArray("  box\0evil", 10)
        << QStringLiteral("box");
    QTest::newRow("only blanks: no name")
        << int(CFakeSnmpAgent::EReply::String) << QByteArray(300, ' ') << QString();
    QTest::newRow("4000 bytes: cut to 256")
        << int(CFakeSnmpAgent::EReply::String) << QByteArray(4000, 'n')
        << QString(256, QLatin1Char('n'));
    QTest::newRow("a second line and terminal escapes become spaces")
        << int(CFakeSnmpAgent::EReply::String)
        << QByteArray("evil\r\nalive | injected-host | 6.6.6.6\x1b]0;owned\x07\x01")
        << QStringLiteral("evil  alive | injected-host | 6.6.6.6 ]0;owned");
}

void TestHostilePeers::snmpAgentWithWrongTypes()
{
    QFETCH(int, reply);
    QFETCH(QByteArray, value);
    QFETCH(QString, name);
    CFakeSnmpAgent oAgent;
    QString sError;
    QVERIFY2(oAgent.Listen(sError), qPrintable(sError));
    oAgent.SetReply(CFakeSnmpAgent::EReply(reply), value);
    QString sName;
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker([&]() { sName = CHostNaming::SnmpName(0x7F000002); }, nMs));
    QCOMPARE(sName, name);
    QCOMPARE(oAgent.RequestCount(), 1);
    // An answer, however wrong, ends the wait at once.
    QVERIFY2(nMs < kSlackMs, qPrintable(QString::number(nMs)));
}

void TestHostilePeers::snmpAnswerFromANeighbourIsIgnored()
{
    // Asked at 127.0.0.2, answered from 127.0.0.9 with the right request id: the query's socket
    // is connected to the agent's address and port, so the system drops the forgery.
    CFakeSnmpAgent oAgent;
    QString sError;
    QVERIFY2(oAgent.Listen(sError), qPrintable(sError));
    QVERIFY2(oAgent.AnswerFrom(0x7F000009, sError), qPrintable(sError));
    oAgent.SetReply(CFakeSnmpAgent::EReply::String, "forged-name");
    QString sName;
    QVERIFY(OnWorker([&]() { sName = CHostNaming::SnmpName(0x7F000002); }));
    QCOMPARE(sName, QString());
    // The forgery did not end the wait: the query was sent again. How often depends on the
    // library's timer under load (a third send was seen on a busy machine), not on the forgery.
    QVERIFY2(oAgent.RequestCount() >= 2, qPrintable(QString::number(oAgent.RequestCount())));
}

void TestHostilePeers::hostileMdnsResponders_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::newRow("a proper answer: taken, without the link's domain")
        << QStringLiteral("127.0.0.30") << int(EHostileMdns::Name) << QStringLiteral("box");
    QTest::newRow("answer from a neighbour's address: refused")
        << QStringLiteral("127.0.0.31") << int(EHostileMdns::FromOtherAddress) << QString();
    QTest::newRow("answer from another port of the host: refused")
        << QStringLiteral("127.0.0.32") << int(EHostileMdns::FromOtherPort) << QString();
    QTest::newRow("garbage: nothing taken")
        << QStringLiteral("127.0.0.33") << int(EHostileMdns::Garbage) << QString();
    QTest::newRow("65507 bytes, the name after 60000 of them: cut, so nothing taken")
        << QStringLiteral("127.0.0.34") << int(EHostileMdns::Oversized) << QString();
    QTest::newRow("answer to another question id: refused")
        << QStringLiteral("127.0.0.35") << int(EHostileMdns::WrongId) << QString();
    QTest::newRow("terminal escapes and a line break in the name: cleaned")
        << QStringLiteral("127.0.0.36") << int(EHostileMdns::EscapesInName)
        << QStringLiteral("]0;owned   box");
    QTest::newRow("50 junk datagrams, then the answer: taken")
        << QStringLiteral("127.0.0.37") << int(EHostileMdns::JunkThenName) << QStringLiteral("box");
}

void TestHostilePeers::hostileMdnsResponders()
{
    QFETCH(QString, host);
    QFETCH(int, mode);
    QFETCH(QString, name);
    const QHostAddress oHost(host);
    const auto eMode = EHostileMdns(mode);
    QUdpSocket oForger;
    if (eMode == EHostileMdns::FromOtherAddress)
        QVERIFY(oForger.bind(QHostAddress(QStringLiteral("127.0.0.9")), 5353));
    else if (eMode == EHostileMdns::FromOtherPort)
        QVERIFY(oForger.bind(oHost, 5354));
    CUdpResponder oResponder(oHost, 5353, HostileMdns(eMode, "box.local", &oForger));
    QVERIFY(oResponder.Bound());
    QString sName = QStringLiteral("before");
    qint64 nMs = 0;
    QVERIFY(OnWorker([&]() {
        QElapsedTimer oTimer;
        oTimer.start();
        sName = CHostNaming::MdnsName(oHost.toIPv4Address());
        nMs = oTimer.elapsed();
    }));
    QCOMPARE(sName, name);
    QCOMPARE(oResponder.Requests().size(), 1);
    // One question, one wait: nothing a responder sends makes it longer.
    QVERIFY2(nMs <= CHostNaming::kMdnsWaitMs + kSlackMs, qPrintable(QString::number(nMs)));
}

void TestHostilePeers::hostNamedByItsOwnResponderOnlyWhenSnmpIsSilent_data()
{
    QTest::addColumn<bool>("agentAnswers");
    QTest::addColumn<QString>("name");
    QTest::newRow("no agent: the host's own name") << false << QStringLiteral("own-name");
    QTest::newRow("an agent's name comes first") << true << QStringLiteral("agent-name");
}

void TestHostilePeers::hostNamedByItsOwnResponderOnlyWhenSnmpIsSilent()
{
    // The fake agent sits on 127.0.0.2; a full scan of that host, with no service probe on.
    QFETCH(bool, agentAnswers);
    QFETCH(QString, name);
    const QHostAddress oHost(QStringLiteral("127.0.0.2"));
    CUdpResponder oResponder(
        oHost, 5353, HostileMdns(EHostileMdns::Name, "own-name.local", nullptr));
    QVERIFY(oResponder.Bound());
    CFakeSnmpAgent oAgent;
    QString sError;
    QVERIFY2(oAgent.Listen(sError), qPrintable(sError));
    if (agentAnswers)
        oAgent.SetReply(CFakeSnmpAgent::EReply::String, "agent-name");
    else
        oAgent.SetReply(CFakeSnmpAgent::EReply::Silence);
    CCfg oCfg;
    for (auto fnOff : {&CCfg::set_scan_http,
                       &CCfg::set_scan_https,
                       &CCfg::set_scan_shares,
                       &CCfg::set_scan_ftp,
                       &CCfg::set_scan_netbios,
                       &CCfg::set_scan_username})
        (oCfg.*fnOff)(false);
    oCfg.set_ortavo_ports({});
    oCfg.set_high_accuracy(false);
    CScanResult oResult;
    oResult.set_ip(oHost.toIPv4Address());
    QVERIFY(OnWorker([&]() { CHostScan(oCfg).Run(oResult); }));
    QVERIFY(oResult.IsAlive());
    QCOMPARE(oResult.name(), name);
    QCOMPARE(oResponder.Requests().size(), 1);
}

QTEST_GUILESS_MAIN(TestHostilePeers)
#include "tst_HostilePeers.moc"
