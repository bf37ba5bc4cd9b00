// SPDX-License-Identifier: GPL-3.0-or-later
// The NetBIOS exchange on the wire: real UDP responders on loopback port 137, in a namespace of
// their own, answering well, badly or not at all. Runs through "loopns.sh exec".

#include "../helpers/CUdpResponder.h"
#include "CCfg.h"
#include "CHostScan.h"
#include "CNetBiosError.h"
#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetBiosScanStep.h"
#include "CScanResult.h"
#include "NetBiosAnswers.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutex>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUdpSocket>
#include <QtEndian>

#include <cerrno>
#include <functional>
#include <memory>

#include <sys/stat.h>

using namespace NetBiosAnswers;

Q_DECLARE_METATYPE(ENetBiosError)

namespace {

enum class EMode
{
    Samba,
    Silent,
    WrongId,
    Short,
    Empty,
    Oversized,
    FromOtherAddress,
    FromOtherPort,
    NeighbourFirst,
    AnswerThenJunk,
};

quint32 Loopback(int i_nLast)
{
    return 0x7F000000u | static_cast<quint32>(i_nLast);
}

// A responder on 127.0.0.x:137 living on the test's main thread; answers while the test waits
// in QSignalSpy::wait for the querying thread.
class CResponder final
{
public:
    CResponder(quint32 i_nIp, EMode i_eMode)
        : m_eMode(i_eMode)
        , m_oPeer(QHostAddress(i_nIp),
                  CNetBiosQuery::kPort,
                  [this](const QByteArray &i_baRequest,
                         QUdpSocket &,
                         const QHostAddress &i_oFrom,
                         quint16 i_nFromPort) { Answer(i_baRequest, i_oFrom, i_nFromPort); })
    {
        m_oOther.bind(QHostAddress(Loopback(9)), 0);
        m_oOtherPort.bind(QHostAddress(i_nIp), 0);
    }

    bool bound() const { return m_oPeer.Bound(); }
    QList<QByteArray> requests() const { return m_oPeer.Requests(); }
    QUdpSocket &socket() { return m_oPeer.Socket(); }

private:
    void Answer(const QByteArray &i_baRequest, const QHostAddress &i_oTo, quint16 i_nPort)
    {
        const quint16 nId = CUdpResponder::RequestId(i_baRequest);
        QUdpSocket &oSocket = m_oPeer.Socket();
        const QByteArray baMac("\x02\x5E\xEE\x00\x00\x16", 6);
        switch (m_eMode) {
        case EMode::Samba:
            oSocket.writeDatagram(SambaAnswer(nId), i_oTo, i_nPort);
            break;
        case EMode::Silent:
            break;
        case EMode::WrongId:
            oSocket.writeDatagram(SambaAnswer(static_cast<quint16>(nId + 1)), i_oTo, i_nPort);
            break;
        case EMode::Short:
            oSocket.writeDatagram(SambaAnswer(nId).left(56), i_oTo, i_nPort);
            break;
        case EMode::Empty:
            oSocket.writeDatagram(QByteArray(), i_oTo, i_nPort);
            break;
        case EMode::Oversized: {
            QList<TEntry> lEntries;
            for (int i = 0; i < 255; ++i)
                lEntries << Unique(QByteArrayLiteral("HUGE") + QByteArray::number(i), 0);
            const QByteArray baStats = UnitIdStatistics(baMac);
            const QByteArray baAnswer = NetBiosAnswers::Answer(nId, lEntries, baStats);
            oSocket.writeDatagram(
                baAnswer + QByteArray(65507 - baAnswer.size(), '\xEE'), i_oTo, i_nPort);
            break;
        }
        case EMode::FromOtherAddress:
            m_oOther.writeDatagram(SambaAnswer(nId), i_oTo, i_nPort);
            break;
        case EMode::FromOtherPort:
            m_oOtherPort.writeDatagram(SambaAnswer(nId), i_oTo, i_nPort);
            break;
        case EMode::NeighbourFirst:
            m_oOther.writeDatagram(
                NetBiosAnswers::Answer(nId, {Unique("FORGED", 0)}, UnitIdStatistics(baMac)),
                i_oTo,
                i_nPort);
            oSocket.writeDatagram(SambaAnswer(nId), i_oTo, i_nPort);
            break;
        case EMode::AnswerThenJunk:
            oSocket.writeDatagram(SambaAnswer(nId), i_oTo, i_nPort);
            for (int i = 0; i < 20; ++i)
                oSocket.writeDatagram(QByteArray(100 + i, '\xFF'), i_oTo, i_nPort);
            break;
        }
    }

    EMode m_eMode;
    QUdpSocket m_oOther;
    QUdpSocket m_oOtherPort;
    CUdpResponder m_oPeer;
};

// Runs i_fnWork on a thread of its own and waits for it, the event loop turning meanwhile.
bool RunOffThread(const std::function<void()> &i_fnWork, int i_nTimeoutMs)
{
    std::unique_ptr<QThread> pThread(QThread::create(i_fnWork));
    QSignalSpy oFinished(pThread.get(), &QThread::finished);
    pThread->start();
    const bool fFinished = oFinished.count() > 0 || oFinished.wait(i_nTimeoutMs);
    pThread->wait();
    return fFinished;
}

} // namespace

class TestNetBiosExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exchange_data();
    void exchange();
    void sendFailureIsReported();
    void queriesFromManyThreadsTakeDistinctIds();
    void scanStepWaitsTheConfiguredTime_data();
    void scanStepWaitsTheConfiguredTime();
    void hostScanRunsTheStepOnlyWhenSwitchedOn_data();
    void hostScanRunsTheStepOnlyWhenSwitchedOn();
};

void TestNetBiosExchange::initTestCase()
{
    // Port 137 on loopback must be ours alone, and no datagram may leave: both hold only in
    // the test's own namespace.
    const QString sNs = qEnvironmentVariable("VISTREL_LOOPNS", QStringLiteral("vtest-lo"));
    struct stat oOwn
    {
    };
    struct stat oWanted
    {
    };
    const QByteArray baPath = QStringLiteral("/run/netns/%1").arg(sNs).toLocal8Bit();
    if (::stat("/proc/self/ns/net", &oOwn) != 0 || ::stat(baPath.constData(), &oWanted) != 0
        || oOwn.st_ino != oWanted.st_ino || oOwn.st_dev != oWanted.st_dev)
        QFAIL(qPrintable(
            QStringLiteral("run inside namespace %1 (tests/loopns/loopns.sh exec)").arg(sNs)));
}

void TestNetBiosExchange::exchange_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<ENetBiosError>("kind");
    QTest::addColumn<int>("nameCount");
    QTest::addColumn<QByteArray>("unitId");

    const QByteArray baZero(6, '\0');
    QTest::newRow("samba-like answer is parsed")
        << int(EMode::Samba) << true << ENetBiosError::None << 5 << baZero;
    QTest::newRow("answer from a neighbour address with the right id is ignored")
        << int(EMode::FromOtherAddress) << true << ENetBiosError::Timeout << 0 << baZero;
    QTest::newRow("answer from the host's address but another port is ignored")
        << int(EMode::FromOtherPort) << true << ENetBiosError::Timeout << 0 << baZero;
    QTest::newRow("a neighbour answering first does not hide the host's answer")
        << int(EMode::NeighbourFirst) << true << ENetBiosError::None << 5 << baZero;
    QTest::newRow("only the first datagram is read")
        << int(EMode::AnswerThenJunk) << true << ENetBiosError::None << 5 << baZero;
    QTest::newRow("oversized 65507-byte answer: 255 names and its unit id")
        << int(EMode::Oversized) << true << ENetBiosError::None << 255
        << QByteArray("\x02\x5E\xEE\x00\x00\x16", 6);
    QTest::newRow("silent responder times out")
        << int(EMode::Silent) << true << ENetBiosError::Timeout << 0 << baZero;
    QTest::newRow("closed port times out")
        << int(EMode::Silent) << false << ENetBiosError::Timeout << 0 << baZero;
    QTest::newRow("wrong transaction id is refused")
        << int(EMode::WrongId) << true << ENetBiosError::InvalidId << 0 << baZero;
    QTest::newRow("56-byte answer is too small")
        << int(EMode::Short) << true << ENetBiosError::TooSmall << 0 << baZero;
    QTest::newRow("empty datagram is a receive failure")
        << int(EMode::Empty) << true << ENetBiosError::Receive << 0 << baZero;
}

void TestNetBiosExchange::exchange()
{
    QFETCH(int, mode);
    QFETCH(bool, listening);
    QFETCH(ENetBiosError, kind);
    QFETCH(int, nameCount);
    QFETCH(QByteArray, unitId);

    const quint32 nTarget = Loopback(2);
    std::unique_ptr<CResponder> pResponder;
    if (listening) {
        pResponder = std::make_unique<CResponder>(nTarget, static_cast<EMode>(mode));
        QVERIFY2(pResponder->bound(), "cannot bind 127.0.0.2:137");
    }

    const int nWaitMs = 400;
    CNetBiosQuery oQuery;
    CNetBiosNodeStatus oStatus;
    CNetBiosError oError;
    bool fOk = false;
    qint64 nElapsedMs = 0;
    QVERIFY(RunOffThread(
        [&] {
            QElapsedTimer oTimer;
            oTimer.start();
            fOk = oQuery.Query(qToBigEndian(nTarget), nWaitMs, oStatus, &oError);
            nElapsedMs = oTimer.elapsed();
        },
        10000));

    QCOMPARE(fOk, kind == ENetBiosError::None);
    QCOMPARE(oError.kind(), kind);
    QCOMPARE(oStatus.names().size(), nameCount);
    QCOMPARE(oStatus.unit_id(), unitId);
    QCOMPARE(oQuery.counter(), 1);
    if (fOk) {
        QCOMPARE(oError.message(), QString());
    } else {
        QCOMPARE(oError.address(), nTarget);
        QCOMPARE(oError.message(), CNetBiosError::Message(kind, oError.code(), nTarget));
    }
    if (kind == ENetBiosError::Timeout) {
        QVERIFY2(nElapsedMs >= nWaitMs, qPrintable(QString::number(nElapsedMs)));
        QVERIFY2(nElapsedMs < nWaitMs + 2000, qPrintable(QString::number(nElapsedMs)));
        QCOMPARE(oError.code(), 0);
    } else {
        QVERIFY2(nElapsedMs < nWaitMs, qPrintable(QString::number(nElapsedMs)));
    }
    if (pResponder) {
        QCOMPARE(pResponder->requests().size(), 1);
        QCOMPARE(pResponder->requests().first().toHex(' '),
                 CNetBiosQuery::BuildRequest(0).toHex(' '));
    }
}

void TestNetBiosExchange::sendFailureIsReported()
{
    // This namespace holds only loopback, so a lab address has no route and the datagram is
    // refused before it exists.
    const quint32 nUnroutable = 0xC6120001u; // 198.18.0.1
    CNetBiosQuery oQuery;
    CNetBiosNodeStatus oStatus;
    CNetBiosError oError;
    QVERIFY(!oQuery.Query(qToBigEndian(nUnroutable), 200, oStatus, &oError));
    QCOMPARE(oError.kind(), ENetBiosError::Send);
    QCOMPARE(oError.code(), ENETUNREACH);
    QCOMPARE(oError.message(),
             QStringLiteral("Error sending UDP packet to IP 198.18.0.1. WinSock error code is %1")
                 .arg(ENETUNREACH));
}

void TestNetBiosExchange::queriesFromManyThreadsTakeDistinctIds()
{
    const quint32 nTarget = Loopback(3);
    CResponder oResponder(nTarget, EMode::Samba);
    QVERIFY(oResponder.bound());

    constexpr int kThreads = 8;
    constexpr int kQueriesEach = 16;
    CNetBiosQuery oQuery;
    QMutex oLock;
    int nSucceeded = 0;
    std::vector<std::unique_ptr<QThread>> lThreads;
    std::vector<std::unique_ptr<QSignalSpy>> lSpies;
    for (int t = 0; t < kThreads; ++t) {
        lThreads.emplace_back(QThread::create([&] {
            for (int i = 0; i < kQueriesEach; ++i) {
                CNetBiosNodeStatus oStatus;
                if (oQuery.Query(qToBigEndian(nTarget), 3000, oStatus)) {
                    QMutexLocker oLocker(&oLock);
                    ++nSucceeded;
                }
            }
        }));
        lSpies.emplace_back(
            std::make_unique<QSignalSpy>(lThreads.back().get(), &QThread::finished));
        lThreads.back()->start();
    }
    for (int t = 0; t < kThreads; ++t) {
        QVERIFY(lSpies[t]->count() > 0 || lSpies[t]->wait(20000));
        lThreads[t]->wait();
    }

    QCOMPARE(nSucceeded, kThreads * kQueriesEach);
    QCOMPARE(oQuery.counter(), kThreads * kQueriesEach);
    QSet<int> oIds;
    const QList<QByteArray> lRequests = oResponder.requests();
    for (const QByteArray &baRequest : lRequests)
        oIds.insert(static_cast<quint8>(baRequest[0]) | static_cast<quint8>(baRequest[1]) << 8);
    QCOMPARE(lRequests.size(), kThreads * kQueriesEach);
    QCOMPARE(oIds.size(), kThreads * kQueriesEach);
    QCOMPARE(*std::max_element(oIds.begin(), oIds.end()), kThreads * kQueriesEach - 1);
}

void TestNetBiosExchange::scanStepWaitsTheConfiguredTime_data()
{
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("normal accuracy: 500 ms") << false << 500;
    QTest::newRow("high accuracy: 3000 ms") << true << 3000;
}

void TestNetBiosExchange::scanStepWaitsTheConfiguredTime()
{
    QFETCH(bool, highAccuracy);
    QFETCH(int, waitMs);
    CResponder oResponder(Loopback(4), EMode::Silent);
    QVERIFY(oResponder.bound());
    CCfg oCfg;
    oCfg.set_high_accuracy(highAccuracy);
    CScanResult oResult;
    oResult.set_ip(Loopback(4));
    oResult.set_status(EHostStatus::Alive);
    oResult.set_netbiosname(QStringLiteral("kept"));
    qint64 nElapsedMs = 0;
    QVERIFY(RunOffThread(
        [&] {
            QElapsedTimer oTimer;
            oTimer.start();
            CNetBiosScanStep(oCfg).Run(oResult);
            nElapsedMs = oTimer.elapsed();
        },
        10000));
    QVERIFY2(nElapsedMs >= waitMs, qPrintable(QString::number(nElapsedMs)));
    QVERIFY2(nElapsedMs < waitMs + 2000, qPrintable(QString::number(nElapsedMs)));
    QCOMPARE(oResponder.requests().size(), 1);
    QCOMPARE(oResult.netbiosname(), QStringLiteral("kept"));
}

void TestNetBiosExchange::hostScanRunsTheStepOnlyWhenSwitchedOn_data()
{
    QTest::addColumn<bool>("scanNetbios");
    QTest::newRow("switched on: names taken, ARP MAC kept") << true;
    QTest::newRow("switched off: nothing sent") << false;
}

void TestNetBiosExchange::hostScanRunsTheStepOnlyWhenSwitchedOn()
{
    QFETCH(bool, scanNetbios);
    CResponder oResponder(Loopback(5), EMode::Samba);
    QVERIFY(oResponder.bound());
    CCfg oCfg;
    oCfg.set_scan_http(false);
    oCfg.set_scan_https(false);
    oCfg.set_scan_shares(false);
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_username(false);
    oCfg.set_ortavo_ports({});
    oCfg.set_scan_netbios(scanNetbios);
    const QByteArray baArpMac("\x02\x5E\x00\x00\x00\x05", 6);
    CScanResult oResult;
    oResult.set_ip(Loopback(5));
    oResult.set_status(EHostStatus::Alive);
    oResult.set_mac(baArpMac);
    QVERIFY(RunOffThread([&] { CHostScan(oCfg).Run(oResult); }, 10000));

    if (scanNetbios) {
        QCOMPARE(oResponder.requests().size(), 1);
        QCOMPARE(oResult.netbiosname(), QStringLiteral("ALPHA"));
        QCOMPARE(oResult.netbiosgroup(), QStringLiteral("LABGROUP"));
    } else {
        QSignalSpy oRequest(&oResponder.socket(), &QUdpSocket::readyRead);
        QVERIFY(!oRequest.wait(300));
        QCOMPARE(oResponder.requests().size(), 0);
        QCOMPARE(oResult.netbiosname(), QString());
        QCOMPARE(oResult.netbiosgroup(), QString());
    }
    QCOMPARE(oResult.mac(), baArpMac);
}

QTEST_GUILESS_MAIN(TestNetBiosExchange)
#include "tst_NetBiosExchange.moc"
