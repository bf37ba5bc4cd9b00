// SPDX-License-Identifier: GPL-3.0-or-later
// Service probes against scripted peers on loopback. Runs inside the loopback namespace
// (tests/loopns), where it may also listen on the well-known ports the probes use.
#include "CCfg.h"
#include "CHostScan.h"
#include "CHttpProbe.h"
#include "CLivenessProbes.h"
#include "CNetResourceProbe.h"
#include "COrtavoProbe.h"
#include "CScanResult.h"
#include "CSmbPing.h"
#include "CTcpConnect.h"
#include "CTestPeer.h"
#include "INetResources.h"
#include "MScanFtp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

using EWait = CTestPeer::EWait;
using EAfter = CTestPeer::EAfter;

namespace {

QUrl Url(const char *i_pScheme, const QTcpServer &i_oServer)
{
    QUrl oUrl;
    oUrl.setScheme(QLatin1String(i_pScheme));
    oUrl.setHost(QStringLiteral("127.0.0.1"));
    oUrl.setPort(i_oServer.serverPort());
    oUrl.setPath(QStringLiteral("/"));
    return oUrl;
}

quint16 ClosedPort()
{
    QTcpServer oServer;
    oServer.listen(QHostAddress::LocalHost, 0);
    return oServer.serverPort();
}

int CountEntries(const char *i_pDir)
{
    return QDir(QLatin1String(i_pDir)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
}

// Records what the resource probes ask, to pin down their gating and the credentials passed.
class CRecordingNet final : public INetResources
{
public:
    std::optional<QStringList> Shares(const QString &i_sServer,
                                      quint32 i_nIp,
                                      const TCredentials &i_oCredentials,
                                      int i_nConnectMs) override
    {
        Q_UNUSED(i_nConnectMs)
        lsCalls << QStringLiteral("shares %1 %2 %3")
                       .arg(i_sServer, IpToText(i_nIp), Account(i_oCredentials));
        return olsShares;
    }
    std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                        quint32 i_nIp,
                                        const TCredentials &i_oCredentials,
                                        int i_nConnectMs) override
    {
        Q_UNUSED(i_nConnectMs)
        lsCalls << QStringLiteral("user %1 %2 %3")
                       .arg(i_sServer, IpToText(i_nIp), Account(i_oCredentials));
        return osUser;
    }
    static QString Account(const TCredentials &i_oCredentials)
    {
        return i_oCredentials.QualifiedLogin() + QLatin1Char('/') + i_oCredentials.sPassword;
    }
    QStringList lsCalls;
    std::optional<QStringList> olsShares;
    std::optional<QString> osUser;
};

} // namespace

class TestServiceProbes final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void http_data();
    void http();
    void httpTitleOnlyFromBoundedPrefix();
    void https_data();
    void https();

    void ftp_data();
    void ftp();
    void ftpHighAccuracyWaitsLonger();

    void tcpConnect();
    void ortavoPorts_data();
    void ortavoPorts();

    void smbPing_data();
    void smbPing();
    void smbRequestIsWellFormed();
    void sharesOfSilentHostsDoNotQueue();

    void resourceProbesNeedAName();
    void userProbeUsesConfiguredCredentials();

    void hostScanRunsTheServiceProbes();
    void hostScanSkipsDeadHost();
    void droppedConnectsCostThePathTimeOut_data();
    void droppedConnectsCostThePathTimeOut();
    void manyWorkersLeaveNothingBehind();

private:
    QTemporaryDir m_oDir;
    QSslCertificate m_oCert;
    QSslKey m_oKey;
};

void TestServiceProbes::initTestCase()
{
    // Probes must not leave the namespace: it has loopback and nothing else.
    for (const QNetworkInterface &oIf : QNetworkInterface::allInterfaces()) {
        if (!(oIf.flags() & QNetworkInterface::IsLoopBack))
            QFAIL(qPrintable(
                QStringLiteral("interface %1 present: run through tests/loopns/loopns.sh exec")
                    .arg(oIf.name())));
    }
    QVERIFY(m_oDir.isValid());
    const QString sKey = m_oDir.filePath(QStringLiteral("key.pem"));
    const QString sCert = m_oDir.filePath(QStringLiteral("cert.pem"));
    QProcess oSsl;
    oSsl.start(QStringLiteral("openssl"),
               {QStringLiteral("req"),
                QStringLiteral("-x509"),
                QStringLiteral("-newkey"),
                QStringLiteral("ec"),
                QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"),
                QStringLiteral("-nodes"),
                QStringLiteral("-keyout"),
                sKey,
                QStringLiteral("-out"),
                sCert,
                QStringLiteral("-days"),
                QStringLiteral("2"),
                QStringLiteral("-subj"),
                QStringLiteral("/CN=not-this-host.example")});
    QVERIFY(oSsl.waitForFinished(30000));
    QCOMPARE(oSsl.exitCode(), 0);
    QFile oKeyFile(sKey);
    QVERIFY(oKeyFile.open(QIODevice::ReadOnly));
    m_oKey = QSslKey(oKeyFile.readAll(), QSsl::Ec);
    QVERIFY(!m_oKey.isNull());
    const QList<QSslCertificate> lCerts = QSslCertificate::fromPath(sCert);
    QCOMPARE(lCerts.size(), 1);
    m_oCert = lCerts.first();
}

void TestServiceProbes::http_data()
{
    QTest::addColumn<int>("wait");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    const int nHttp = int(EWait::HttpRequest);
    QTest::newRow("200 XHTML gives its title")
        << nHttp << CTestPeer::HttpAnswer(200, Xhtml("Alpha XHTML Title")) << int(EAfter::Close)
        << true << QStringLiteral("Alpha XHTML Title") << 0 << 1500;
    QTest::newRow("200 plain HTML gives its title too")
        << nHttp
        << CTestPeer::HttpAnswer(200,
                                 "<html><head><title>Bravo plain page</title><body><br></body>")
        << int(EAfter::Close) << true << QStringLiteral("Bravo plain page") << 0 << 1500;
    QTest::newRow("200 without title gives empty title")
        << nHttp << CTestPeer::HttpAnswer(200, "hello") << int(EAfter::Close) << true << QString()
        << 0 << 1500;
    QTest::newRow("404 is no web server") << nHttp << CTestPeer::HttpAnswer(404, Xhtml("Missing"))
                                          << int(EAfter::Close) << false << QString() << 0 << 1500;
    QTest::newRow("500 is no web server") << nHttp << CTestPeer::HttpAnswer(500, "oops")
                                          << int(EAfter::Close) << false << QString() << 0 << 1500;
    QTest::newRow("redirect is an answer")
        << nHttp
        << QByteArray(
               "HTTP/1.1 301 Moved\r\nLocation: http://192.0.2.1/\r\nContent-Length: 0\r\n\r\n")
        << int(EAfter::Hold) << true << QString() << 0 << 1500;
    QTest::newRow("accepts and never speaks: gives up at 2 s")
        << int(EWait::Nothing) << QByteArray() << int(EAfter::Hold) << false << QString() << 1900
        << 4000;
    QTest::newRow("body trickles forever: gives up at 2 s")
        << nHttp
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><title>slow</title>")
        << int(EAfter::Trickle) << false << QString() << 1900 << 4000;
    QTest::newRow("closes without a word") << int(EWait::Nothing) << QByteArray()
                                           << int(EAfter::Close) << false << QString() << 0 << 1500;
    QTest::newRow("garbage instead of HTTP")
        << nHttp << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << int(EAfter::Close) << false
        << QString() << 0 << 1500;
}

void TestServiceProbes::http()
{
    QFETCH(int, wait);
    QFETCH(QByteArray, answer);
    QFETCH(int, after);
    QFETCH(bool, ok);
    QFETCH(QString, title);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    CTestPeer oPeer(EWait(wait), answer, EAfter(after));
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    CHttpProbe::TAnswer oAnswer;
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker([&]() { oAnswer = CHttpProbe::Fetch(Url("http", oPeer), true); }, nMs));
    QCOMPARE(oAnswer.fOk, ok);
    QCOMPARE(oAnswer.sTitle, title);
    QVERIFY2(nMs >= minMs && nMs <= maxMs, qPrintable(QString::number(nMs)));
    // Qt retries a request whose connection broke; the time limit still holds.
    QVERIFY(oPeer.Connections() >= 1);
}

void TestServiceProbes::httpTitleOnlyFromBoundedPrefix()
{
    // A long body is read to its end (the reply must finish) but only its start is kept.
    const QByteArray baHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                              + QByteArray::number(8 * 1024 * 1024) + "\r\n\r\n";
    CTestPeer oEarly(EWait::HttpRequest, baHead + "<html><title>Early</title>", EAfter::Stream);
    oEarly.SetStreamBytes(8 * 1024 * 1024 - 26);
    QVERIFY(oEarly.listen(QHostAddress::LocalHost, 0));
    const QByteArray baLate =
        QByteArray(CHttpProbe::MaxReadBytes + 10, ' ') + "<title>Late</title>";
    CTestPeer oLate(EWait::HttpRequest, CTestPeer::HttpAnswer(200, baLate), EAfter::Close);
    QVERIFY(oLate.listen(QHostAddress::LocalHost, 0));

    CHttpProbe::TAnswer oEarlyAnswer;
    CHttpProbe::TAnswer oLateAnswer;
    QVERIFY(OnWorker([&]() {
        oEarlyAnswer = CHttpProbe::Fetch(Url("http", oEarly), true);
        oLateAnswer = CHttpProbe::Fetch(Url("http", oLate), true);
    }));
    QVERIFY(oEarlyAnswer.fOk);
    QCOMPARE(oEarlyAnswer.sTitle, QStringLiteral("Early"));
    QVERIFY(oLateAnswer.fOk);
    QCOMPARE(oLateAnswer.sTitle, QString());
}

void TestServiceProbes::https_data()
{
    QTest::addColumn<bool>("tls");
    QTest::addColumn<int>("wait");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("self-signed certificate for another name is accepted")
        << true << int(EWait::HttpRequest) << CTestPeer::HttpAnswer(200, Xhtml("secure")) << true
        << 1500;
    QTest::newRow("404 over TLS is no web server")
        << true << int(EWait::HttpRequest) << CTestPeer::HttpAnswer(404, "no") << false << 1500;
    QTest::newRow("plain HTTP on the TLS port is no HTTPS")
        << false << int(EWait::AnyBytes) << CTestPeer::HttpAnswer(200, "plain") << false << 1500;
    QTest::newRow("silent port gives up at 2 s")
        << false << int(EWait::Nothing) << QByteArray() << false << 4000;
}

void TestServiceProbes::https()
{
    QFETCH(bool, tls);
    QFETCH(int, wait);
    QFETCH(QByteArray, answer);
    QFETCH(bool, ok);
    QFETCH(int, maxMs);
    CTestPeer oPeer(EWait(wait), answer, EAfter::Close);
    if (tls)
        oPeer.SetTls(m_oCert, m_oKey);
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    CHttpProbe::TAnswer oAnswer;
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker([&]() { oAnswer = CHttpProbe::Fetch(Url("https", oPeer), false); }, nMs));
    QCOMPARE(oAnswer.fOk, ok);
    QCOMPARE(oAnswer.sTitle, QString());
    QVERIFY2(nMs <= maxMs, qPrintable(QString::number(nMs)));
}

void TestServiceProbes::ftp_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<int>("minMs");

    QTest::newRow("220 greeting") << QByteArray("220 (vsFTPd 3.0.3)\r\n") << int(EAfter::Hold)
                                  << true << 0;
    QTest::newRow("220 with bare line feed")
        << QByteArray("220 ready\n") << int(EAfter::Hold) << true << 0;
    QTest::newRow("multi-line 220 greeting")
        << QByteArray("220-Welcome\r\n220-to the box\r\nplain text line\r\n220 ready\r\n")
        << int(EAfter::Hold) << true << 0;
    QTest::newRow("120 then 220") << QByteArray("120 in a moment\r\n220 ready\r\n")
                                  << int(EAfter::Hold) << true << 0;
    QTest::newRow("greeting then close still counts")
        << QByteArray("220 bye\r\n") << int(EAfter::Close) << true << 0;
    QTest::newRow("421 refusal") << QByteArray("421 Too many users\r\n") << int(EAfter::Hold)
                                 << false << 0;
    QTest::newRow("multi-line 220 never finished")
        << QByteArray("220-Welcome\r\n220-more\r\n") << int(EAfter::Hold) << false << 450;
    QTest::newRow("another protocol")
        << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << int(EAfter::Hold) << false << 0;
    QTest::newRow("220 without line end")
        << QByteArray("220 ready") << int(EAfter::Hold) << false << 450;
    QTest::newRow("silent") << QByteArray() << int(EAfter::Hold) << false << 450;
    QTest::newRow("closes at once") << QByteArray() << int(EAfter::Close) << false << 0;
    QTest::newRow("endless line") << QByteArray(20000, 'A') << int(EAfter::Hold) << false << 0;
    QTest::newRow("trickle without a line")
        << QByteArray("2") << int(EAfter::Trickle) << false << 450;
}

void TestServiceProbes::ftp()
{
    QFETCH(QByteArray, greeting);
    QFETCH(int, after);
    QFETCH(bool, ftp);
    QFETCH(int, minMs);
    CTestPeer oPeer(EWait::Nothing, greeting, EAfter(after));
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    bool fFtp = !ftp;
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker(
        [&]() {
            MScanFtp oProbe;
            fFtp = oProbe.Probe(QHostAddress::LocalHost, oPeer.serverPort(), MScanFtp::TimeoutMs);
        },
        nMs));
    QCOMPARE(fFtp, ftp);
    QVERIFY2(nMs >= minMs && nMs < MScanFtp::TimeoutMs + 500, qPrintable(QString::number(nMs)));
}

void TestServiceProbes::ftpHighAccuracyWaitsLonger()
{
    CTestPeer oPeer(EWait::Nothing, "220 late\r\n", EAfter::Hold);
    oPeer.SetDelayMs(1200);
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    bool fNormal = true;
    bool fHigh = false;
    QVERIFY(OnWorker([&]() {
        MScanFtp oProbe;
        fNormal = oProbe.Probe(QHostAddress::LocalHost, oPeer.serverPort(), MScanFtp::TimeoutMs);
        fHigh = oProbe.Probe(
            QHostAddress::LocalHost, oPeer.serverPort(), MScanFtp::HighAccuracyTimeoutMs);
    }));
    QVERIFY(!fNormal);
    QVERIFY(fHigh);
}

void TestServiceProbes::tcpConnect()
{
    QTcpServer oOpen;
    QVERIFY(oOpen.listen(QHostAddress::LocalHost, 0));
    const quint16 nClosed = ClosedPort();
    bool fOpen = false;
    bool fClosed = true;
    QVERIFY(OnWorker([&]() {
        fOpen = CTcpConnect::Accepts(QHostAddress::LocalHost, oOpen.serverPort());
        fClosed = CTcpConnect::Accepts(QHostAddress::LocalHost, nClosed);
    }));
    QVERIFY(fOpen);
    QVERIFY(!fClosed);
}

void TestServiceProbes::ortavoPorts_data()
{
    // Ports are given as indexes: 0 and 2 listen, 1 and 3 do not; -1 and 70000 are invalid.
    QTest::addColumn<QList<int>>("ports");
    QTest::addColumn<QList<int>>("open");
    QTest::addColumn<bool>("stored");
    QTest::newRow("open ones in list order") << QList<int>{2, 1, 0} << QList<int>{2, 0} << true;
    QTest::newRow("second only") << QList<int>{1, 2} << QList<int>{2} << true;
    QTest::newRow("none open stores an empty list") << QList<int>{1, 3} << QList<int>{} << true;
    QTest::newRow("invalid ports are closed") << QList<int>{-1, 70000, 0} << QList<int>{0} << true;
    QTest::newRow("empty port list leaves the field") << QList<int>{} << QList<int>{} << false;
}

void TestServiceProbes::ortavoPorts()
{
    QFETCH(QList<int>, ports);
    QFETCH(QList<int>, open);
    QFETCH(bool, stored);
    QTcpServer oA;
    QTcpServer oB;
    QVERIFY(oA.listen(QHostAddress::LocalHost, 0));
    QVERIFY(oB.listen(QHostAddress::LocalHost, 0));
    const QList<int> lnReal{oA.serverPort(), ClosedPort(), oB.serverPort(), ClosedPort()};
    auto Map = [&](int i_nIndex) {
        return i_nIndex >= 0 && i_nIndex < 4 ? lnReal.at(i_nIndex) : i_nIndex;
    };
    QList<int> lnPorts;
    for (int n : ports)
        lnPorts << Map(n);
    QList<qint32> lnExpected;
    for (int n : open)
        lnExpected << Map(n);

    CCfg oCfg;
    oCfg.set_ortavo_ports(lnPorts);
    CScanResult oResult;
    oResult.set_ip(QHostAddress(QHostAddress::LocalHost).toIPv4Address());
    oResult.set_ortavo_ports({7});
    QVERIFY(OnWorker([&]() { COrtavoProbe::ProbeHost(oResult, oCfg); }));
    QCOMPARE(oResult.ortavo_ports(), stored ? lnExpected : QList<qint32>{7});
}

void TestServiceProbes::smbPing_data()
{
    QTest::addColumn<int>("wait");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("smb");
    QTest::newRow("SMB2 answer") << int(EWait::AnyBytes)
                                 << QByteArray("\0\0\0\x41\xFESMB@\0\0\0", 12) << true;
    QTest::newRow("SMB1 answer") << int(EWait::AnyBytes) << QByteArray("\0\0\0\x41\xFFSMBr", 9)
                                 << true;
    QTest::newRow("negative session answer")
        << int(EWait::AnyBytes) << QByteArray("\x83\0\0\x01\x8f", 5) << false;
    QTest::newRow("HTTP answer") << int(EWait::AnyBytes) << CTestPeer::HttpAnswer(400, "bad")
                                 << false;
    QTest::newRow("short answer") << int(EWait::AnyBytes) << QByteArray("\0\0\0", 3) << false;
    QTest::newRow("silent") << int(EWait::Nothing) << QByteArray() << false;
}

void TestServiceProbes::smbPing()
{
    QFETCH(int, wait);
    QFETCH(QByteArray, answer);
    QFETCH(bool, smb);
    CTestPeer oPeer(EWait(wait), answer, EAfter::Hold);
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    bool fSmb = !smb;
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker(
        [&]() { fSmb = CSmbPing::Answers(QHostAddress::LocalHost, oPeer.serverPort(), 800); },
        nMs));
    QCOMPARE(fSmb, smb);
    QVERIFY2(nMs < 1500, qPrintable(QString::number(nMs)));
}

void TestServiceProbes::smbRequestIsWellFormed()
{
    CTestPeer oPeer(EWait::AnyBytes, QByteArray("\0\0\0\x41\xFESMB", 8), EAfter::Hold);
    QVERIFY(oPeer.listen(QHostAddress::LocalHost, 0));
    QVERIFY(
        OnWorker([&]() { CSmbPing::Answers(QHostAddress::LocalHost, oPeer.serverPort(), 800); }));
    const QByteArray baSent = oPeer.FirstRequest();
    const QByteArray baRequest = CSmbPing::NegotiateRequest();
    QCOMPARE(baSent, baRequest);
    QCOMPARE(baRequest.size(), 4 + 64 + 36 + 4 * 2);
    const int nDeclared =
        (quint8(baRequest.at(1)) << 16) | (quint8(baRequest.at(2)) << 8) | quint8(baRequest.at(3));
    QCOMPARE(nDeclared, baRequest.size() - 4);
    QCOMPARE(baRequest.mid(4, 4), QByteArray("\xFESMB", 4));
}

void TestServiceProbes::sharesOfSilentHostsDoNotQueue()
{
    // Hosts that accept on 445 and never answer must not wait behind each other for the SMB
    // library: each costs one bounded negotiate, in parallel.
    constexpr int Hosts = 8;
    std::vector<std::unique_ptr<CTestPeer>> vTarpits;
    for (int i = 0; i < Hosts; ++i) {
        vTarpits.push_back(std::make_unique<CTestPeer>(EWait::Nothing, QByteArray(), EAfter::Hold));
        QVERIFY(vTarpits.back()->listen(QHostAddress(QStringLiteral("127.0.3.%1").arg(i + 1)),
                                        CSmbPing::Port));
    }
    std::vector<std::unique_ptr<QThread>> vThreads;
    QList<bool> lfAnswered;
    for (int i = 0; i < Hosts; ++i)
        lfAnswered << true;
    QElapsedTimer oTimer;
    oTimer.start();
    for (int i = 0; i < Hosts; ++i) {
        vThreads.emplace_back(QThread::create([&lfAnswered, i]() {
            const quint32 nIp =
                QHostAddress(QStringLiteral("127.0.3.%1").arg(i + 1)).toIPv4Address();
            lfAnswered[i] =
                INetResources::Instance().Shares(QStringLiteral("h"), nIp, {}, 0).has_value();
        }));
    }
    QVERIFY(RunAll(vThreads));
    const qint64 nMs = oTimer.elapsed();
    for (bool fAnswered : lfAnswered)
        QVERIFY(!fAnswered);
    QVERIFY2(nMs < 2 * CSmbPing::TimeoutMs, qPrintable(QString::number(nMs)));
    QVERIFY(nMs >= CSmbPing::TimeoutMs - 100);
}

void TestServiceProbes::resourceProbesNeedAName()
{
    CRecordingNet oNet;
    oNet.olsShares = QStringList{QStringLiteral("C$")};
    oNet.osUser = QStringLiteral("alice");
    CCfg oCfg;
    CScanResult oResult;
    oResult.set_ip(0x7F000001);
    oResult.set_name(QStringLiteral("  "));
    CNetResourceProbe::ProbeShares(oResult, oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, oCfg, oNet);
    QVERIFY(oNet.lsCalls.isEmpty());
    QVERIFY(oResult.shares().isEmpty());
    QVERIFY(oResult.user().isEmpty());

    oResult.set_name(QStringLiteral("box"));
    CNetResourceProbe::ProbeShares(oResult, oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, oCfg, oNet);
    QCOMPARE(oResult.shares(), QStringList{QStringLiteral("C$")});
    QCOMPARE(oResult.user(), QStringLiteral("alice"));

    // A refusal: an empty share list, and the user as it was.
    oNet.olsShares.reset();
    oNet.osUser.reset();
    CNetResourceProbe::ProbeShares(oResult, oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, oCfg, oNet);
    QCOMPARE(oResult.shares(), QStringList());
    QCOMPARE(oResult.user(), QStringLiteral("alice"));
}

void TestServiceProbes::userProbeUsesConfiguredCredentials()
{
    CRecordingNet oNet;
    CCfg oCfg;
    CScanResult oResult;
    oResult.set_ip(0x7F000002);
    oResult.set_name(QStringLiteral("box"));
    CNetResourceProbe::ProbeShares(oResult, oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, oCfg, oNet);
    oCfg.set_net_account({QStringLiteral("admin"), QStringLiteral("OFFICE"), QStringLiteral("s3")});
    CNetResourceProbe::ProbeShares(oResult, oCfg, oNet);
    CNetResourceProbe::ProbeUser(oResult, oCfg, oNet);
    // Both probes log on with the one account; the password is never in the settings.
    QCOMPARE(oNet.lsCalls,
             QStringList({QStringLiteral("shares box 127.0.0.2 /"),
                          QStringLiteral("user box 127.0.0.2 /"),
                          QStringLiteral("shares box 127.0.0.2 OFFICE\\admin/s3"),
                          QStringLiteral("user box 127.0.0.2 OFFICE\\admin/s3")}));
    QCOMPARE(oCfg.Value(QStringLiteral("Settings/remote_shutdown_pass")), QVariant());
}

void TestServiceProbes::hostScanRunsTheServiceProbes()
{
    const QHostAddress oHost(QStringLiteral("127.0.0.5"));
    CTestPeer oHttp(
        EWait::HttpRequest, CTestPeer::HttpAnswer(200, Xhtml("Box &amp; Co")), EAfter::Close);
    CTestPeer oHttps(EWait::HttpRequest, CTestPeer::HttpAnswer(200, "x"), EAfter::Close);
    oHttps.SetTls(m_oCert, m_oKey);
    CTestPeer oFtp(EWait::Nothing, "220 hello\r\n", EAfter::Hold);
    QTcpServer oOrtavo;
    QVERIFY(oHttp.listen(oHost, 80));
    QVERIFY(oHttps.listen(oHost, 443));
    QVERIFY(oFtp.listen(oHost, 21));
    QVERIFY(oOrtavo.listen(oHost, 4900));

    CCfg oCfg;
    oCfg.set_scan_https(true);
    oCfg.set_scan_username(true);
    oCfg.set_ortavo_ports({4899, 4900});
    CScanResult oResult;
    oResult.set_ip(oHost.toIPv4Address());
    oResult.set_status(EHostStatus::Alive);
    oResult.set_name(QStringLiteral("box"));
    oResult.set_user(QStringLiteral("before"));
    qint64 nMs = 0;
    QVERIFY(TimedOnWorker([&]() { CHostScan(oCfg).Run(oResult); }, nMs));
    QVERIFY(oResult.has_http());
    QCOMPARE(oResult.http_title(), QStringLiteral("Box & Co"));
    QVERIFY(oResult.has_https());
    QVERIFY(oResult.has_ftp());
    // Nothing on 445: no shares, and the user stays as it was.
    QCOMPARE(oResult.shares(), QStringList());
    QCOMPARE(oResult.user(), QStringLiteral("before"));
    QCOMPARE(oResult.ortavo_ports(), QList<qint32>{4900});
    QVERIFY2(nMs < 4000, qPrintable(QString::number(nMs)));
}

void TestServiceProbes::hostScanSkipsDeadHost()
{
    // An address this namespace has no route to: it cannot become alive. Fields that the
    // service probes would overwrite even on failure (the port and share lists) keep their
    // marks, so none of the probes ran.
    const QHostAddress oHost(QStringLiteral("198.18.255.254"));
    CCfg oCfg;
    oCfg.set_scan_https(true);
    oCfg.set_scan_username(true);
    for (const EHostStatus eStatus : {EHostStatus::Dead, EHostStatus::Unknown}) {
        CScanResult oResult;
        oResult.set_ip(oHost.toIPv4Address());
        oResult.set_status(eStatus);
        oResult.set_name(QStringLiteral("box"));
        oResult.set_shares({QStringLiteral("mark")});
        oResult.set_ortavo_ports({7});
        QVERIFY(OnWorker([&]() { CHostScan(oCfg).Run(oResult); }));
        QVERIFY(!oResult.IsAlive());
        QVERIFY(!oResult.has_http());
        QVERIFY(!oResult.has_https());
        QVERIFY(!oResult.has_ftp());
        QCOMPARE(oResult.shares(), QStringList{QStringLiteral("mark")});
        QCOMPARE(oResult.ortavo_ports(), QList<qint32>{7});
    }
}

void TestServiceProbes::droppedConnectsCostThePathTimeOut_data()
{
    // A host that is alive but drops every SYN, as a desktop firewall does. Here it answers echo
    // within microseconds, so the default mode gives each connect 500 ms; high accuracy waits
    // each probe's own time-out. The bounds leave a second of slack either way.
    QTest::addColumn<QString>("probe");
    QTest::addColumn<bool>("highAccuracy");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    const int nFast = 1500;
    const int nNoLimit = 20000;
    QTest::newRow("web, default") << QStringLiteral("http") << false << 0 << nFast;
    QTest::newRow("web, high accuracy")
        << QStringLiteral("http") << true << CHttpProbe::TimeoutMs - 100 << nNoLimit;
    QTest::newRow("TLS, default") << QStringLiteral("https") << false << 0 << nFast;
    QTest::newRow("TLS, high accuracy")
        << QStringLiteral("https") << true << CHttpProbe::TimeoutMs - 100 << nNoLimit;
    QTest::newRow("remote administration port, default")
        << QStringLiteral("ortavo") << false << 0 << nFast;
    QTest::newRow("remote administration port, high accuracy")
        << QStringLiteral("ortavo") << true << CTcpConnect::TimeoutMs - 100 << nNoLimit;
    QTest::newRow("SMB before shares, default") << QStringLiteral("shares") << false << 0 << nFast;
    QTest::newRow("SMB before shares, high accuracy")
        << QStringLiteral("shares") << true << CSmbPing::TimeoutMs - 100 << nNoLimit;
}

void TestServiceProbes::droppedConnectsCostThePathTimeOut()
{
    QFETCH(QString, probe);
    QFETCH(bool, highAccuracy);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    const QHostAddress oHost(QStringLiteral("127.0.0.9"));
    std::vector<std::unique_ptr<CDroppingPort>> vPorts;
    for (const quint16 nPort : {80, 443, 445, 4899}) {
        vPorts.push_back(std::make_unique<CDroppingPort>());
        QVERIFY2(vPorts.back()->Open(oHost, nPort), qPrintable(QString::number(nPort)));
    }
    CCfg oCfg;
    oCfg.set_high_accuracy(highAccuracy);
    oCfg.set_scan_http(probe == QLatin1String("http"));
    oCfg.set_scan_https(probe == QLatin1String("https"));
    oCfg.set_scan_ftp(false);
    oCfg.set_scan_netbios(false);
    oCfg.set_scan_username(false);
    oCfg.set_ortavo_ports(probe == QLatin1String("ortavo") ? QList<int>{4899} : QList<int>());
    // The share probe needs a name, which no source in this namespace gives: it runs on its
    // own, with the waits the liveness step of this host leads to.
    oCfg.set_scan_shares(false);
    CScanResult oResult;
    oResult.set_ip(oHost.toIPv4Address());
    QElapsedTimer oTimer;
    qint64 nMs = 0;
    QVERIFY(OnWorker([&]() {
        oTimer.start();
        if (probe == QLatin1String("shares")) {
            CLivenessProbes oLiveness;
            oLiveness.Run(oResult, highAccuracy);
            oResult.set_name(QStringLiteral("box"));
            oResult.set_shares({QStringLiteral("mark")});
            CNetResourceProbe::ProbeShares(
                oResult, oCfg, INetResources::Instance(), oLiveness.Timeouts(highAccuracy));
        } else {
            CHostScan(oCfg).Run(oResult);
        }
        nMs = oTimer.elapsed();
    }));
    QVERIFY(oResult.IsAlive());
    QVERIFY(!oResult.has_http());
    QVERIFY(!oResult.has_https());
    if (probe == QLatin1String("ortavo"))
        QCOMPARE(oResult.ortavo_ports(), QList<qint32>());
    if (probe == QLatin1String("shares"))
        QCOMPARE(oResult.shares(), QStringList());
    QVERIFY2(nMs >= minMs && nMs < maxMs, qPrintable(QStringLiteral("%1 ms").arg(nMs)));
}

void TestServiceProbes::manyWorkersLeaveNothingBehind()
{
    // 96 workers at once, as the scanner runs them, against a web server, a TLS server, an FTP
    // server, a silent port and a closed one; afterwards the process holds no more threads or
    // descriptors than before. VISTREL_STRESS_ROUNDS makes it a long scan (for the sanitizers).
    const int nRounds = qMax(1, qEnvironmentVariableIntValue("VISTREL_STRESS_ROUNDS"));
    constexpr int Workers = 96;
    constexpr int Kinds = 6;
    CTestPeer oGood(EWait::HttpRequest, CTestPeer::HttpAnswer(200, Xhtml("ok")), EAfter::Close);
    CTestPeer oTls(EWait::HttpRequest, CTestPeer::HttpAnswer(200, "x"), EAfter::Close);
    oTls.SetTls(m_oCert, m_oKey);
    CTestPeer oFtp(EWait::Nothing, "220 hi\r\n", EAfter::Close);
    CTestPeer oSilent(EWait::Nothing, QByteArray(), EAfter::Hold);
    QVERIFY(oGood.listen(QHostAddress::LocalHost, 0));
    QVERIFY(oTls.listen(QHostAddress::LocalHost, 0));
    QVERIFY(oFtp.listen(QHostAddress::LocalHost, 0));
    QVERIFY(oSilent.listen(QHostAddress::LocalHost, 0));
    const quint16 nClosed = ClosedPort();

    // One probe of each kind first, so that Qt's process-wide pieces (SSL library, bearer
    // management) exist already and are not counted as leaks.
    QVERIFY(OnWorker([&]() {
        CHttpProbe::Fetch(Url("http", oGood), true);
        CHttpProbe::Fetch(Url("https", oTls), false);
    }));
    const int nThreadsBefore = CountEntries("/proc/self/task");
    const int nFdsBefore = CountEntries("/proc/self/fd");
    const qint64 nRssBeforeKiB = ResidentKiB();

    QAtomicInt nGood;
    QAtomicInt nWrong;
    QAtomicInt anWrongByKind[Kinds];
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int w = 0; w < Workers; ++w) {
        vThreads.emplace_back(QThread::create([&, w]() {
            for (int r = 0; r < nRounds; ++r) {
                bool fRight = false;
                const int nKind = (w + r) % Kinds;
                switch (nKind) {
                case 0: {
                    const CHttpProbe::TAnswer oAnswer = CHttpProbe::Fetch(Url("http", oGood), true);
                    fRight = oAnswer.fOk && oAnswer.sTitle == QLatin1String("ok");
                    break;
                }
                case 1:
                    fRight = CHttpProbe::Fetch(Url("https", oTls), false).fOk;
                    break;
                case 2: {
                    QUrl oUrl = Url("http", oSilent);
                    fRight = !CHttpProbe::Fetch(oUrl, true).fOk;
                    break;
                }
                case 3: {
                    QUrl oUrl = Url("http", oGood);
                    oUrl.setPort(nClosed);
                    fRight = !CHttpProbe::Fetch(oUrl, true).fOk;
                    break;
                }
                case 4: {
                    MScanFtp oProbe;
                    // The peers share one busy thread: give the greeting the long time.
                    fRight = oProbe.Probe(QHostAddress::LocalHost,
                                          oFtp.serverPort(),
                                          MScanFtp::HighAccuracyTimeoutMs)
                             && !oProbe.Probe(QHostAddress::LocalHost,
                                              oSilent.serverPort(),
                                              MScanFtp::TimeoutMs);
                    break;
                }
                default:
                    fRight = CTcpConnect::Accepts(QHostAddress::LocalHost, oGood.serverPort())
                             && !CTcpConnect::Accepts(QHostAddress::LocalHost, nClosed);
                    break;
                }
                (fRight ? nGood : nWrong).fetchAndAddRelaxed(1);
                if (!fRight)
                    anWrongByKind[nKind].fetchAndAddRelaxed(1);
            }
        }));
    }
    QElapsedTimer oTimer;
    oTimer.start();
    QVERIFY(RunAll(vThreads, nRounds * 20000));
    vThreads.clear();
    qInfo("%d workers x %d rounds in %lld ms; wrong by kind: %d %d %d %d %d %d",
          Workers,
          nRounds,
          oTimer.elapsed(),
          anWrongByKind[0].loadRelaxed(),
          anWrongByKind[1].loadRelaxed(),
          anWrongByKind[2].loadRelaxed(),
          anWrongByKind[3].loadRelaxed(),
          anWrongByKind[4].loadRelaxed(),
          anWrongByKind[5].loadRelaxed());
    qInfo("resident memory %lld KiB before, %lld KiB after", nRssBeforeKiB, ResidentKiB());
    QCOMPARE(nWrong.loadRelaxed(), 0);
    QCOMPARE(nGood.loadRelaxed(), Workers * nRounds);
    // A thread that was ending at the first count may be gone now: fewer is fine, more is not.
    QTRY_VERIFY_WITH_TIMEOUT(CountEntries("/proc/self/task") <= nThreadsBefore, 5000);
    // Peer sockets of this thread close as their clients go; let them.
    QTRY_VERIFY_WITH_TIMEOUT(CountEntries("/proc/self/fd") <= nFdsBefore + 2, 5000);
}

QTEST_GUILESS_MAIN(TestServiceProbes)
#include "tst_ServiceProbes.moc"
