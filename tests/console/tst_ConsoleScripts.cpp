// SPDX-License-Identifier: GPL-3.0-or-later
// The console switches made for scripts, run as a script runs them. The whole test runs inside
// the loopback namespace, so that the servers it starts on 127.0.0.x are the only ones the
// scans can reach; 198.18.255.254 has no route there and stays silent. Only 127.0.0.1 has a
// name (from the namespace's hosts file); asking any other address for its SNMP name costs
// seconds, so most scans below keep to 127.0.0.1 and the silent address.
#include "CFavoritesContentHandler.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TRun
{
    int nExitCode = -1;
    QByteArray baOut;
    QByteArray baErr;
};

const char *const g_pSilent = "198.18.255.254";

// A web server that answers every request with one small page, served from the test's own
// event loop while the console runs.
class CPageServer final : public QTcpServer
{
public:
    explicit CPageServer(QObject *i_pParent = nullptr, const QByteArray &i_baTitle = "Test page")
        : QTcpServer(i_pParent)
    {
        const QByteArray baPage =
            "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n\r\n"
            "<html><head><title>"
            + i_baTitle + "</title></head><body></body></html>";
        connect(this, &QTcpServer::newConnection, this, [this, baPage] {
            while (QTcpSocket *pSocket = nextPendingConnection()) {
                connect(pSocket, &QTcpSocket::readyRead, pSocket, [pSocket, baPage] {
                    if (!pSocket->readAll().contains("\r\n\r\n"))
                        return;
                    pSocket->write(baPage);
                    pSocket->disconnectFromHost();
                });
                connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
            }
        });
    }
};

} // namespace

class TestConsoleScripts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rejectedValues_data();
    void rejectedValues();
    void usageNamesTheNewSwitchesOnStandardError();
    void jsonLinesHasOneValidObjectPerHost_data();
    void jsonLinesHasOneValidObjectPerHost();
    void probeSelection_data();
    void probeSelection();
    void onlyAlive_data();
    void onlyAlive();
    void xmlOutputReadsBack();
    void csvAndHtmlReports();
    void csvPageTitleCannotBeAFormula_data();
    void csvPageTitleCannotBeAFormula();
    void outputFileNamePicksTheFormat_data();
    void outputFileNamePicksTheFormat();
    void reportStylesheetProblems_data();
    void reportStylesheetProblems();
    void compareAcrossTwoScans();
    void vendorRegistryMissing();
    void sweepRateReachesTheSweep_data();
    void sweepRateReachesTheSweep();
    void vendorColumnInText();
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();
    void fewDescriptorsClampTheThreads_data();
    void fewDescriptorsClampTheThreads();

private:
    TRun Run(const QStringList &i_lsArguments, const QMap<QString, QString> &i_mEnvironment = {});
    QString WriteFile(const QString &i_sName, const QByteArray &i_baData);
    static QList<QJsonObject> JsonLines(const QByteArray &i_baOut, QString *o_psError);

    std::unique_ptr<QTemporaryDir> m_pHome;
    // A program and its arguments that start the console, e.g. under other resource limits.
    QStringList m_lsWrapper;
};

void TestConsoleScripts::init()
{
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    m_pHome = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pHome->isValid());
    m_lsWrapper.clear();
}

TRun TestConsoleScripts::Run(const QStringList &i_lsArguments,
                             const QMap<QString, QString> &i_mEnvironment)
{
    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), m_pHome->path());
    oEnvironment.remove(QStringLiteral("VISTREL_IEEE_DATA_DIR"));
    for (auto it = i_mEnvironment.cbegin(); it != i_mEnvironment.cend(); ++it)
        oEnvironment.insert(it.key(), it.value());
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.setWorkingDirectory(m_pHome->path());
    QSignalSpy oFinished(&oProcess, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    if (m_lsWrapper.isEmpty())
        oProcess.start(QStringLiteral(VISTREL_CONSOLE_BIN), i_lsArguments);
    else
        oProcess.start(m_lsWrapper.first(),
                       m_lsWrapper.mid(1) + QStringList{QStringLiteral(VISTREL_CONSOLE_BIN)}
                           + i_lsArguments);
    TRun oRun;
    // The event loop keeps running meanwhile, so the test's own servers answer the scan.
    if (!oFinished.wait(120000)) {
        oProcess.kill();
        oProcess.waitForFinished(5000);
        return oRun;
    }
    oRun.nExitCode = oProcess.exitStatus() == QProcess::NormalExit ? oProcess.exitCode() : -2;
    oRun.baOut = oProcess.readAllStandardOutput();
    oRun.baErr = oProcess.readAllStandardError();
    return oRun;
}

QString TestConsoleScripts::WriteFile(const QString &i_sName, const QByteArray &i_baData)
{
    const QString sPath = m_pHome->filePath(i_sName);
    QFile oFile(sPath);
    if (!oFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || oFile.write(i_baData) != i_baData.size())
        return QString();
    return sPath;
}

QList<QJsonObject> TestConsoleScripts::JsonLines(const QByteArray &i_baOut, QString *o_psError)
{
    QList<QJsonObject> lObjects;
    if (!i_baOut.isEmpty() && !i_baOut.endsWith('\n')) {
        *o_psError = QStringLiteral("last line without line feed");
        return {};
    }
    QList<QByteArray> lbaLines = i_baOut.split('\n');
    lbaLines.removeLast();
    for (const QByteArray &baLine : lbaLines) {
        QJsonParseError oError;
        const QJsonDocument oDocument = QJsonDocument::fromJson(baLine, &oError);
        if (oError.error != QJsonParseError::NoError || !oDocument.isObject()
            || baLine.contains('\r')) {
            *o_psError = QStringLiteral("not one JSON object: ") + QString::fromUtf8(baLine);
            return {};
        }
        const QJsonObject oHost = oDocument.object();
        for (const char *pKey : {"ip",
                                 "status",
                                 "name",
                                 "netbios_name",
                                 "netbios_group",
                                 "mac",
                                 "user",
                                 "http_title"}) {
            if (!oHost.value(QLatin1String(pKey)).isString()) {
                *o_psError = QStringLiteral("%1 is not text in %2")
                                 .arg(QLatin1String(pKey), QString::fromUtf8(baLine));
                return {};
            }
        }
        for (const char *pKey : {"services", "ortavo_ports", "shares"}) {
            if (!oHost.value(QLatin1String(pKey)).isArray()) {
                *o_psError = QStringLiteral("%1 is not an array in %2")
                                 .arg(QLatin1String(pKey), QString::fromUtf8(baLine));
                return {};
            }
        }
        lObjects << oHost;
    }
    return lObjects;
}

void TestConsoleScripts::rejectedValues_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    const QString sRange = QStringLiteral("/r:127.0.0.1");
    QTest::newRow("unknown probe")
        << QStringList{sRange, "/p:http,telnet"}
        << QByteArray("Unknown probe \"telnet\" for /p: (http, https, ftp, shares, "
                      "netbios, user, all or none)");
    QTest::newRow("empty probe between commas")
        << QStringList{sRange, "/p:http,,ftp"}
        << QByteArray("Unknown probe \"\" for /p: (http, https, ftp, "
                      "shares, netbios, user, all or none)");
    QTest::newRow("port zero") << QStringList{
        sRange,
        "/n:0"} << QByteArray("Invalid port \"0\" for /n: (1-65535, comma separated, or none)");
    QTest::newRow("port too large")
        << QStringList{sRange, "/n:4899,65536"}
        << QByteArray("Invalid port \"65536\" for /n: (1-65535, comma separated, or none)");
    QTest::newRow("port not a number")
        << QStringList{sRange, "/n:vnc"}
        << QByteArray("Invalid port \"vnc\" for /n: (1-65535, comma separated, or none)");
    QTest::newRow("accuracy not on or off")
        << QStringList{sRange, "/a:yes"} << QByteArray("Invalid value \"yes\" for /a: (on or off)");
    QTest::newRow("no threads") << QStringList{sRange, "/t:0"}
                                << QByteArray("Invalid thread count \"0\" for /t: (1-1024)");
    QTest::newRow("too many threads")
        << QStringList{sRange, "/t:1025"}
        << QByteArray("Invalid thread count \"1025\" for /t: (1-1024)");
    QTest::newRow("threads not a number")
        << QStringList{sRange, "/t:many"}
        << QByteArray("Invalid thread count \"many\" for /t: (1-1024)");
    QTest::newRow("no sweep rate")
        << QStringList{sRange, "/q:0"}
        << QByteArray("Invalid rate \"0\" for /q: (1-100000 requests per second)");
    QTest::newRow("sweep rate too high")
        << QStringList{sRange, "/q:100001"}
        << QByteArray("Invalid rate \"100001\" for /q: (1-100000 requests per second)");
    QTest::newRow("sweep rate not a number")
        << QStringList{sRange, "/q:fast"}
        << QByteArray("Invalid rate \"fast\" for /q: (1-100000 requests per second)");
    QTest::newRow("sweep rate with a unit")
        << QStringList{sRange, "/q:500/s"}
        << QByteArray("Invalid rate \"500/s\" for /q: (1-100000 requests per second)");
    QTest::newRow("unknown format")
        << QStringList{sRange, "/o:json"}
        << QByteArray("Unknown output format \"json\" for /o: (text, xml, html, csv or jsonl)");
    QTest::newRow("unknown host filter")
        << QStringList{sRange, "/h:dead"}
        << QByteArray("Invalid value \"dead\" for /h: (all or alive)");
    QTest::newRow("compare not on or off")
        << QStringList{sRange, "/c:1"} << QByteArray("Invalid value \"1\" for /c: (on or off)");
    QTest::newRow("vendor file missing") << QStringList{sRange, "/v:/nonexistent/oui.csv"}
                                         << QByteArray("Invalid value \"/nonexistent/oui.csv\" for "
                                                       "/v: (on, off or a readable registry file)");
    QTest::newRow("new switch twice") << QStringList{sRange, "/o:xml", "/o:csv"}
                                      << QByteArray("Error: Several identical arguments found");
    QTest::newRow("bad value before the range is reported first")
        << QStringList{"/t:0", "/r:127.0.0.1-"}
        << QByteArray("Invalid thread count \"0\" for /t: (1-1024)");
    QTest::newRow("bad range before a good new switch")
        << QStringList{"/r:127.0.0.1-", "/o:xml"} << QByteArray("Invalid IP address or range");
    QTest::newRow("new switches alone scan nothing")
        << QStringList{"/o:jsonl", "/c:on"} << QByteArray("No IP addresses for scanning");
    QTest::newRow("upper-case new switch")
        << QStringList{sRange, "/O:xml"} << QByteArray("Invalid argument");
    QTest::newRow("new switch without value")
        << QStringList{sRange, "/o:"} << QByteArray("Invalid argument");
}

void TestConsoleScripts::rejectedValues()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    const TRun oRun = Run(args);
    QCOMPARE(oRun.nExitCode, 2);
    QCOMPARE(oRun.baOut, message);
    QVERIFY(!QFile::exists(m_pHome->filePath(QStringLiteral("vistrel_LastScan.xml"))));
}

void TestConsoleScripts::usageNamesTheNewSwitchesOnStandardError()
{
    const TRun oRun = Run({QStringLiteral("/?")});
    QCOMPARE(oRun.nExitCode, 1);
    QVERIFY(oRun.baOut.startsWith("Usage:\n"));
    QVERIFY(oRun.baOut.endsWith("vistrel_console.exe /s:ip_ranges.txt /f:scan_results.txt"));
    for (const char *pSwitch : {"\n/p - ",
                                "\n/n - ",
                                "\n/a - ",
                                "\n/t - ",
                                "\n/q - ",
                                "\n/o - ",
                                "\n/h - ",
                                "\n/c - ",
                                "\n/v - "})
        QVERIFY2(oRun.baErr.contains(pSwitch), pSwitch);
    QVERIFY(!oRun.baOut.contains("/o - "));
}

void TestConsoleScripts::jsonLinesHasOneValidObjectPerHost_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<int>("count");
    QTest::newRow("twenty hosts to standard output") << false << 20;
    QTest::newRow("one host to an output file") << true << 1;
}

void TestConsoleScripts::jsonLinesHasOneValidObjectPerHost()
{
    QFETCH(bool, toFile);
    QFETCH(int, count);
    const QString sOut = m_pHome->filePath(QStringLiteral("hosts.jsonl"));
    QStringList lsArgs{QStringLiteral("/r:127.0.0.1-127.0.0.%1").arg(count),
                       QStringLiteral("/o:jsonl"),
                       QStringLiteral("/p:none")};
    if (toFile)
        lsArgs << QStringLiteral("/f:") + sOut;
    const TRun oRun = Run(lsArgs);
    QCOMPARE(oRun.nExitCode, 0);
    QCOMPARE(oRun.baErr, QByteArray()); // no progress into a pipe
    QByteArray baOut = oRun.baOut;
    if (toFile) {
        QCOMPARE(baOut, QByteArray());
        QFile oFile(sOut);
        QVERIFY(oFile.open(QIODevice::ReadOnly));
        baOut = oFile.readAll();
    }
    QString sError;
    const QList<QJsonObject> lHosts = JsonLines(baOut, &sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    QCOMPARE(lHosts.size(), count);
    QSet<QString> stIps;
    for (const QJsonObject &oHost : lHosts) {
        stIps.insert(oHost.value(QStringLiteral("ip")).toString());
        QCOMPARE(oHost.value(QStringLiteral("status")).toString(), QStringLiteral("alive"));
        QCOMPARE(oHost.value(QStringLiteral("mac")).toString(), QString()); // loopback has none
        QVERIFY(!oHost.contains(QStringLiteral("vendor")));
        QVERIFY(!oHost.contains(QStringLiteral("change")));
    }
    QCOMPARE(stIps.size(), count);
    QVERIFY(stIps.contains(QStringLiteral("127.0.0.1"))
            && stIps.contains(QStringLiteral("127.0.0.%1").arg(count)));
}

void TestConsoleScripts::probeSelection_data()
{
    QTest::addColumn<QString>("probes");
    QTest::addColumn<bool>("portsOn");
    QTest::addColumn<QStringList>("services");
    QTest::addColumn<QString>("title");
    QTest::newRow("defaults run http and the port")
        << QString() << true << QStringList{"http"} << "Test page";
    QTest::newRow("none") << "/p:none" << false << QStringList{} << QString();
    QTest::newRow("http only, no ports")
        << "/p:http" << false << QStringList{"http"} << "Test page";
    QTest::newRow("default minus http") << "/p:-http" << true << QStringList{} << QString();
    QTest::newRow("all minus http, upper case")
        << "/p:ALL,-HTTP" << true << QStringList{} << QString();
    QTest::newRow("none plus http")
        << "/p:none,+http" << true << QStringList{"http"} << "Test page";
}

void TestConsoleScripts::probeSelection()
{
    QFETCH(QString, probes);
    QFETCH(bool, portsOn);
    QFETCH(QStringList, services);
    QFETCH(QString, title);
    CPageServer oWeb;
    QVERIFY2(oWeb.listen(QHostAddress(QStringLiteral("127.0.0.1")), 80),
             qPrintable(oWeb.errorString()));
    QTcpServer oPort;
    QVERIFY(oPort.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QString sPort = QString::number(oPort.serverPort());

    QStringList lsArgs{QStringLiteral("/r:127.0.0.1"),
                       QStringLiteral("/o:jsonl"),
                       QStringLiteral("/t:1"),
                       QStringLiteral("/a:off"),
                       QStringLiteral("/n:") + (portsOn ? sPort : QStringLiteral("none"))};
    if (!probes.isEmpty())
        lsArgs << probes;
    const TRun oRun = Run(lsArgs);
    QCOMPARE(oRun.nExitCode, 0);
    QString sError;
    const QList<QJsonObject> lHosts = JsonLines(oRun.baOut, &sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    QCOMPARE(lHosts.size(), 1);
    QStringList lsServices;
    for (const QJsonValue &vService : lHosts.first().value(QStringLiteral("services")).toArray())
        lsServices << vService.toString();
    QCOMPARE(lsServices, services);
    QCOMPARE(lHosts.first().value(QStringLiteral("http_title")).toString(), title);
    const QJsonArray aPorts = lHosts.first().value(QStringLiteral("ortavo_ports")).toArray();
    QCOMPARE(aPorts.size(), portsOn ? 1 : 0);
    if (portsOn)
        QCOMPARE(aPorts.first().toInt(), int(oPort.serverPort()));
}

void TestConsoleScripts::onlyAlive_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("onlyAlive");
    QTest::addColumn<int>("lines");
    QTest::newRow("text, every host") << "/o:text" << false << 3;
    QTest::newRow("text, only alive") << "/o:text" << true << 2;
    QTest::newRow("jsonl, every host") << "/o:jsonl" << false << 2;
    QTest::newRow("jsonl, only alive") << "/o:jsonl" << true << 1;
}

void TestConsoleScripts::onlyAlive()
{
    QFETCH(QString, format);
    QFETCH(bool, onlyAlive);
    QFETCH(int, lines);
    const QString sRanges =
        WriteFile(QStringLiteral("ranges.txt"), QByteArray("127.0.0.1\n") + g_pSilent + "\n");
    QStringList lsArgs{QStringLiteral("/s:") + sRanges,
                       format,
                       QStringLiteral("/p:none"),
                       QStringLiteral("/n:none")};
    if (onlyAlive)
        lsArgs << QStringLiteral("/h:alive");
    const TRun oRun = Run(lsArgs);
    QCOMPARE(oRun.nExitCode, 0);
    const QByteArray baOut = oRun.baOut.endsWith('\n') ? oRun.baOut.chopped(1) : oRun.baOut;
    QCOMPARE(baOut.count('\n') + 1, lines);
    QCOMPARE(baOut.contains(g_pSilent), !onlyAlive);
    if (format == QLatin1String("/o:text")) // the header stays that of the plain text output
        QVERIFY(baOut.startsWith("Status | Name | IP | NetBIOS name | NetBIOS group | MAC address "
                                 "| User | Comments\r\n"));
}

void TestConsoleScripts::xmlOutputReadsBack()
{
    const QString sOut = m_pHome->filePath(QStringLiteral("hosts.xml"));
    const TRun oRun = Run({QStringLiteral("/r:127.0.0.1-127.0.0.12"),
                           QStringLiteral("/o:xml"),
                           QStringLiteral("/p:none"),
                           QStringLiteral("/c:on"),
                           QStringLiteral("/f:") + sOut});
    QCOMPARE(oRun.nExitCode, 0);
    QFile oFile(sOut);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    const QByteArray baXml = oFile.readAll();
    // The root names the scan: its start, ranges, duration and the program's version.
    const QRegularExpression oRoot(QStringLiteral(
        "^<\\?xml version=\"1.0\" encoding=\"UTF-8\"\\?>\r\n<Vistrel "
        "started=\"(\\d{4}-\\d\\d-\\d\\dT"
        "\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d))\" ranges=\"127.0.0.1-127.0.0.12\" "
        "duration=\"\\d+\\.\\d\" version=\"\\d+\\.\\d+\\.\\d+\">\r\n\t<row ip=\"127.0.0.1\" "));
    const QRegularExpressionMatch oMatch = oRoot.match(QString::fromUtf8(baXml));
    QVERIFY2(oMatch.hasMatch(), baXml.left(200).constData());
    const QDateTime oStarted = QDateTime::fromString(oMatch.captured(1), Qt::ISODate);
    QVERIFY(qAbs(oStarted.secsTo(QDateTime::currentDateTime())) < 600);
    QVERIFY(baXml.endsWith("\r\n</Vistrel>"));
    QCOMPARE(baXml.count(" change=\"new\" changed=\"\">"), 12);
    QList<CScanItem> lItems;
    QVERIFY(CFavoritesContentHandler::ReadItems(baXml, &lItems));
    QCOMPARE(lItems.size(), 12);
    for (int i = 0; i < lItems.size(); ++i) // sorted by address, not in the order of arrival
        QCOMPARE(lItems.at(i).result().IpText(), QStringLiteral("127.0.0.%1").arg(i + 1));
}

void TestConsoleScripts::csvAndHtmlReports()
{
    const QString sRanges =
        WriteFile(QStringLiteral("ranges.txt"), QByteArray("127.0.0.1\n") + g_pSilent + "\n");
    const TRun oCsv =
        Run({QStringLiteral("/s:") + sRanges, QStringLiteral("/o:csv"), QStringLiteral("/p:none")});
    QCOMPARE(oCsv.nExitCode, 0);
    const QList<QByteArray> lbaRows = oCsv.baOut.split('\n');
    QCOMPARE(lbaRows.size(), 4); // header, two hosts, nothing after the last CR LF
    QCOMPARE(
        lbaRows.at(0),
        QByteArray("Status,Name,IP,NetBIOS name,NetBIOS group,MAC address,User,HTTP,HTTP title,"
                   "HTTPS,FTP,Ortavo ports,Shares,Comments,Alive by\r"));
    QVERIFY(lbaRows.at(1).startsWith("alive,localhost,127.0.0.1,"));
    QVERIFY(lbaRows.at(1).endsWith(",icmp\r"));
    QVERIFY(lbaRows.at(2).startsWith(QByteArray("unknown,,") + g_pSilent + ","));
    QCOMPARE(lbaRows.at(3), QByteArray());

    const TRun oHtml = Run({QStringLiteral("/s:") + sRanges,
                            QStringLiteral("/o:html"),
                            QStringLiteral("/p:none"),
                            QStringLiteral("/c:on")});
    QCOMPARE(oHtml.nExitCode, 0);
    QVERIFY(oHtml.baOut.startsWith("<!DOCTYPE html>"));
    QVERIFY(oHtml.baOut.contains(QByteArray("Ranges: 127.0.0.1, ") + g_pSilent));
    QVERIFY(oHtml.baOut.contains("Scanned: "));
    QVERIFY(oHtml.baOut.contains("Duration: "));
    QCOMPARE(oHtml.baOut.count("<td class=\"change\">new</td>"), 1);
    QCOMPARE(oHtml.baOut.count("<td class=\"change\">unchanged</td>"), 1);
    QVERIFY(oHtml.baOut.contains("<th>Change</th>"));
    QVERIFY(!oHtml.baOut.contains("<th>Vendor</th>"));
}

void TestConsoleScripts::csvPageTitleCannotBeAFormula_data()
{
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("field"); // the HTTP title's field as the CSV carries it
    QTest::newRow("=HYPERLINK") << QByteArray("=HYPERLINK(\"http://x.test/\",\"x\")")
                                << QByteArray(
                                       ",\"'=HYPERLINK(\"\"http://x.test/\"\",\"\"x\"\")\",");
    QTest::newRow("+") << QByteArray("+1+cmd") << QByteArray(",'+1+cmd,");
    QTest::newRow("-") << QByteArray("-1+cmd") << QByteArray(",'-1+cmd,");
    QTest::newRow("@") << QByteArray("@SUM(1)") << QByteArray(",'@SUM(1),");
    QTest::newRow("harmless title stays") << QByteArray("a=b") << QByteArray(",a=b,");
}

void TestConsoleScripts::csvPageTitleCannotBeAFormula()
{
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, field);
    CPageServer oWeb(nullptr, title);
    QVERIFY2(oWeb.listen(QHostAddress(QStringLiteral("127.0.0.1")), 80),
             qPrintable(oWeb.errorString()));
    const TRun oRun = Run({QStringLiteral("/r:127.0.0.1"),
                           QStringLiteral("/o:csv"),
                           QStringLiteral("/p:http"),
                           QStringLiteral("/n:none")});
    QCOMPARE(oRun.nExitCode, 0);
    const QList<QByteArray> lbaRows = oRun.baOut.split('\n');
    QCOMPARE(lbaRows.size(), 3); // header, the host, nothing after the last CR LF
    // Loopback has no MAC address: the cell is empty, not zeros.
    QVERIFY2(lbaRows.at(1).startsWith("alive,localhost,127.0.0.1,,,,,yes,"),
             lbaRows.at(1).constData());
    // HTTP, the title, HTTPS: the title is the only field between "yes" and "no".
    QVERIFY2(lbaRows.at(1).contains(",yes" + field + "no,"), lbaRows.at(1).constData());
}

void TestConsoleScripts::outputFileNamePicksTheFormat_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("format"); // "/o:" value, or empty
    QTest::addColumn<QByteArray>("start");
    const QByteArray baXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel started=\"");
    const QByteArray baHtml("<!DOCTYPE html>");
    const QByteArray baCsv("Status,Name,IP,");
    const QByteArray baJson("{\"");
    const QByteArray baText("Status | Name | IP |");
    QTest::newRow(".xml") << "out.xml" << QString() << baXml;
    QTest::newRow(".XML") << "OUT.XML" << QString() << baXml;
    QTest::newRow(".html") << "out.html" << QString() << baHtml;
    QTest::newRow(".Html") << "out.Html" << QString() << baHtml;
    QTest::newRow(".csv") << "out.csv" << QString() << baCsv;
    QTest::newRow(".CSV") << "out.CSV" << QString() << baCsv;
    QTest::newRow(".jsonl") << "out.jsonl" << QString() << baJson;
    QTest::newRow(".JsonL") << "out.JsonL" << QString() << baJson;
    QTest::newRow(".txt keeps text") << "out.txt" << QString() << baText;
    QTest::newRow("no ending keeps text") << "out" << QString() << baText;
    QTest::newRow("other ending keeps text") << "out.xml.log" << QString() << baText;
    QTest::newRow("/o:text wins over .xml") << "out.xml"
                                            << "text" << baText;
    QTest::newRow("/o:jsonl wins over .CSV") << "out.CSV"
                                             << "jsonl" << baJson;
    QTest::newRow("/o:xml wins over .txt") << "out.txt"
                                           << "xml" << baXml;
}

void TestConsoleScripts::outputFileNamePicksTheFormat()
{
    QFETCH(QString, fileName);
    QFETCH(QString, format);
    QFETCH(QByteArray, start);
    const QString sOut = m_pHome->filePath(fileName);
    QStringList lsArgs{QStringLiteral("/r:127.0.0.1"),
                       QStringLiteral("/p:none"),
                       QStringLiteral("/n:none"),
                       QStringLiteral("/f:") + sOut};
    if (!format.isEmpty())
        lsArgs << QStringLiteral("/o:") + format;
    const TRun oRun = Run(lsArgs);
    QCOMPARE(oRun.nExitCode, 0);
    QCOMPARE(oRun.baOut, QByteArray());
    QFile oFile(sOut);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    const QByteArray baOut = oFile.readAll();
    QVERIFY2(baOut.startsWith(start), baOut.constData());
    QVERIFY(baOut.contains("127.0.0.1"));
}

void TestConsoleScripts::reportStylesheetProblems_data()
{
    QTest::addColumn<QByteArray>("stylesheet"); // empty: none beside the program
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("format"); // a switch; %1 is the program's folder
    const QByteArray baBroken(
        "<?xml version=\"1.0\"?><xsl:stylesheet version=\"2.0\" "
        "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:template match=\"/\">"
        "<xsl:value-of select=\"no-such-function()\"/></xsl:template></xsl:stylesheet>");
    QTest::newRow("missing stylesheet is refused before scanning")
        << QByteArray() << 2 << QStringLiteral("/o:csv");
    QTest::newRow("missing stylesheet for a .CSV file is refused before scanning")
        << QByteArray() << 2 << QStringLiteral("/f:%1/out.CSV");
    QTest::newRow("broken stylesheet fails after the scan")
        << baBroken << 6 << QStringLiteral("/o:csv");
}

void TestConsoleScripts::reportStylesheetProblems()
{
    QFETCH(QByteArray, stylesheet);
    QFETCH(int, exitCode);
    QFETCH(QString, format);
    // A copy of the program in a folder of its own, where it looks for its stylesheets.
    QTemporaryDir oProgramDir;
    const QString sProgram = oProgramDir.filePath(QStringLiteral("vistrel_console"));
    QVERIFY(QFile::copy(QStringLiteral(VISTREL_CONSOLE_BIN), sProgram));
    if (!stylesheet.isEmpty()) {
        QFile oXsl(oProgramDir.filePath(QStringLiteral("xml_to_csv.xsl")));
        QVERIFY(oXsl.open(QIODevice::WriteOnly));
        oXsl.write(stylesheet);
    }
    QProcess oProcess;
    oProcess.start(sProgram,
                   {QStringLiteral("/r:127.0.0.1"),
                    format.contains(QLatin1String("%1")) ? format.arg(oProgramDir.path()) : format,
                    QStringLiteral("/p:none")});
    QVERIFY(oProcess.waitForFinished(60000));
    QCOMPARE(oProcess.exitCode(), exitCode);
    const QByteArray baOut = oProcess.readAllStandardOutput();
    const QByteArray baErr = oProcess.readAllStandardError();
    if (exitCode == 2) {
        QCOMPARE(baOut,
                 ("Report stylesheet not found: "
                  + oProgramDir.filePath(QStringLiteral("xml_to_csv.xsl")))
                     .toUtf8());
    } else {
        QCOMPARE(baOut, QByteArray());
        QVERIFY2(baErr.contains("The report could not be made with "), baErr);
    }
}

void TestConsoleScripts::compareAcrossTwoScans()
{
    QTcpServer oPort;
    QVERIFY(oPort.listen(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    const QString sRanges = WriteFile(QStringLiteral("ranges.txt"),
                                      QByteArray("127.0.0.1-127.0.0.4\n") + g_pSilent + "\n");
    const QStringList lsArgs{QStringLiteral("/s:") + sRanges,
                             QStringLiteral("/o:jsonl"),
                             QStringLiteral("/c:on"),
                             QStringLiteral("/p:none"),
                             QStringLiteral("/n:") + QString::number(oPort.serverPort())};
    const QString sRecord = m_pHome->filePath(QStringLiteral("vistrel_LastScan.xml"));

    const auto Marks = [](const TRun &i_oRun, QString *o_psError) {
        QMap<QString, QString> mMarks;
        for (const QJsonObject &oHost : JsonLines(i_oRun.baOut, o_psError)) {
            QStringList lsChanged;
            for (const QJsonValue &vWhat : oHost.value(QStringLiteral("changed")).toArray())
                lsChanged << vWhat.toString();
            mMarks.insert(
                oHost.value(QStringLiteral("ip")).toString(),
                (QStringList{oHost.value(QStringLiteral("change")).toString()} + lsChanged)
                    .join(QLatin1Char(' ')));
        }
        return mMarks;
    };

    const TRun oFirst = Run(lsArgs);
    QCOMPARE(oFirst.nExitCode, 0);
    QString sError;
    QMap<QString, QString> mMarks = Marks(oFirst, &sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.1")), QStringLiteral("new"));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.2")), QStringLiteral("new"));
    QCOMPARE(mMarks.value(QString::fromLatin1(g_pSilent)), QStringLiteral("unchanged"));
    QCOMPARE(mMarks.size(), 5);

    // Between the scans: 127.0.0.3 is forgotten, 127.0.0.4 had another name, the silent address
    // was alive, and an address outside this scan's ranges is in the record; the port closes.
    QFile oRecord(sRecord);
    QVERIFY(oRecord.open(QIODevice::ReadOnly));
    QByteArray baRecord = oRecord.readAll();
    oRecord.close();
    QCOMPARE(baRecord.count("<row "), 4);
    const int nRow3 = baRecord.indexOf("\r\n\t<row ip=\"127.0.0.3\"");
    const int nRow3End = baRecord.indexOf("</row>", nRow3) + 6;
    QVERIFY(nRow3 > 0 && nRow3End > nRow3);
    baRecord.remove(nRow3, nRow3End - nRow3);
    baRecord.replace("<row ip=\"127.0.0.4\" status=\"alive\"",
                     "<row ip=\"127.0.0.4\" status=\"alive\" name=\"old-name\"");
    baRecord.replace(
        "\r\n</Vistrel>",
        QByteArray("\r\n\t<row ip=\"") + g_pSilent
            + "\" status=\"alive\" has_http=\"0\" has_https=\"0\" has_ftp=\"0\">\r\n\t</row>"
              "\r\n\t<row ip=\"10.1.2.3\" status=\"alive\" has_http=\"0\" has_https=\"0\" "
              "has_ftp=\"0\">\r\n\t</row>"
              "\r\n</Vistrel>");
    QVERIFY(WriteFile(QStringLiteral("vistrel_LastScan.xml"), baRecord) == sRecord);
    oPort.close();

    const TRun oSecond = Run(lsArgs + QStringList{QStringLiteral("/h:alive")});
    QCOMPARE(oSecond.nExitCode, 0);
    mMarks = Marks(oSecond, &sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.1")), QStringLiteral("unchanged"));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.2")), QStringLiteral("changed services"));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.3")), QStringLiteral("new"));
    QCOMPARE(mMarks.value(QStringLiteral("127.0.0.4")), QStringLiteral("changed name"));
    // Printed although only alive hosts were asked for: it is what changed.
    QCOMPARE(mMarks.value(QString::fromLatin1(g_pSilent)), QStringLiteral("gone"));
    QCOMPARE(mMarks.size(), 5);

    QList<CScanItem> lItems;
    QVERIFY(oRecord.open(QIODevice::ReadOnly));
    QVERIFY(CFavoritesContentHandler::ReadItems(oRecord.readAll(), &lItems));
    QStringList lsKept;
    for (const CScanItem &oItem : lItems)
        lsKept << oItem.result().IpText();
    QCOMPARE(lsKept, (QStringList{"10.1.2.3", "127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}));

    // The text form carries the same marks in a column of its own.
    const TRun oText = Run({QStringLiteral("/r:127.0.0.1"),
                            QStringLiteral("/c:on"),
                            QStringLiteral("/p:none"),
                            QStringLiteral("/n:none")});
    QCOMPARE(oText.nExitCode, 0);
    QCOMPARE(oText.baOut,
             QByteArray("Status | Name | IP | NetBIOS name | NetBIOS group | MAC address | User | "
                        "Comments | Change\r\n"
                        "alive | localhost | 127.0.0.1 |  |  | 0.0.0.0.0.0 |  |  | unchanged"));
}

void TestConsoleScripts::sweepRateReachesTheSweep_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("pace");
    QTest::newRow("a rate given is flat")
        << QStringList{"/q:250"} << QByteArray("at 250 requests per second, bursts of 0 at 250");
    QTest::newRow("without /q the default pace")
        << QStringList{} << QByteArray("at 4000 requests per second, bursts of 8192 at 16000");
}

void TestConsoleScripts::sweepRateReachesTheSweep()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, pace);
    // The sweep names its pace in a debug line.
    const TRun oRun =
        Run(QStringList{QStringLiteral("/r:127.0.0.1-127.0.0.2"), QStringLiteral("/p:none")} + args,
            {{QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vistrel.engine.debug=true")}});
    QCOMPARE(oRun.nExitCode, 0);
    QVERIFY2(oRun.baErr.contains("liveness sweep of 2 addresses " + pace), oRun.baErr);
}

void TestConsoleScripts::vendorRegistryMissing()
{
    const TRun oRun = Run({QStringLiteral("/r:127.0.0.1"),
                           QStringLiteral("/o:jsonl"),
                           QStringLiteral("/v:on"),
                           QStringLiteral("/p:none")},
                          {{QStringLiteral("VISTREL_IEEE_DATA_DIR"),
                            m_pHome->filePath(QStringLiteral("no-registry"))}});
    QCOMPARE(oRun.nExitCode, 0);
    QVERIFY2(oRun.baErr.contains("MAC vendor registry not found")
                 && oRun.baErr.contains("ieee-data"),
             oRun.baErr);
    QString sError;
    const QList<QJsonObject> lHosts = JsonLines(oRun.baOut, &sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    QCOMPARE(lHosts.size(), 1);
    QVERIFY(lHosts.first().value(QStringLiteral("vendor")).isString());
    QCOMPARE(lHosts.first().value(QStringLiteral("vendor")).toString(), QString());
}

void TestConsoleScripts::vendorColumnInText()
{
    const QString sRegistry =
        WriteFile(QStringLiteral("oui.csv"),
                  "Registry,Assignment,Organization Name,Organization Address\n"
                  "MA-L,025E00,Netlab Test Org,Nowhere\n");
    const TRun oRun = Run({QStringLiteral("/r:127.0.0.1"),
                           QStringLiteral("/v:") + sRegistry,
                           QStringLiteral("/p:none")});
    QCOMPARE(oRun.nExitCode, 0);
    QCOMPARE(oRun.baErr, QByteArray());
    QCOMPARE(oRun.baOut,
             QByteArray("Status | Name | IP | NetBIOS name | NetBIOS group | MAC address | User | "
                        "Comments | Vendor\r\n"
                        "alive | localhost | 127.0.0.1 |  |  | 0.0.0.0.0.0 |  |  | "));

    const QString sEmpty =
        WriteFile(QStringLiteral("empty.csv"), "Registry,Assignment,Organization Name\n");
    const TRun oRefused = Run({QStringLiteral("/r:127.0.0.1"), QStringLiteral("/v:") + sEmpty});
    QCOMPARE(oRefused.nExitCode, 2);
    QCOMPARE(oRefused.baOut,
             QStringLiteral("Invalid value \"%1\" for /v: no MAC address assignment found")
                 .arg(sEmpty)
                 .toUtf8());
}

void TestConsoleScripts::progressOnlyOnATerminal_data()
{
    QTest::addColumn<QString>("switches");
    QTest::addColumn<bool>("progress");
    QTest::newRow("lines to a file") << "/f:'%1'" << true;
    QTest::newRow("report to the terminal at the end") << "/o:xml" << true;
    QTest::newRow("lines streaming to the same terminal") << "/o:text" << false;
    QTest::newRow("json lines streaming to the same terminal") << "/o:jsonl" << false;
}

void TestConsoleScripts::progressOnlyOnATerminal()
{
    QFETCH(QString, switches);
    QFETCH(bool, progress);
    const QString sOut = m_pHome->filePath(QStringLiteral("out.txt"));
    if (switches.contains(QLatin1String("%1")))
        switches = switches.arg(sOut);
    // script(1) gives the program a terminal for its standard output and standard error.
    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), m_pHome->path());
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.start(QStringLiteral("script"),
                   {QStringLiteral("-q"),
                    QStringLiteral("-e"),
                    QStringLiteral("-c"),
                    QStringLiteral("'%1' /r:127.0.0.1 /p:none %2")
                        .arg(QStringLiteral(VISTREL_CONSOLE_BIN), switches),
                    QStringLiteral("/dev/null")});
    QVERIFY(oProcess.waitForFinished(60000));
    QCOMPARE(oProcess.exitCode(), 0);
    const QByteArray baTerminal = oProcess.readAllStandardOutput();
    QCOMPARE(baTerminal.contains("1/1 hosts, 1 alive, 0:0"), progress);
    QCOMPARE(baTerminal.contains(" elapsed"), progress);
    QVERIFY(baTerminal.contains("127.0.0.1") || QFile::exists(sOut));
    if (QFile::exists(sOut)) {
        QFile oFile(sOut);
        QVERIFY(oFile.open(QIODevice::ReadOnly));
        const QByteArray baFile = oFile.readAll();
        QCOMPARE(baFile.count("\r\nalive | "), 1);
        QVERIFY(!baFile.contains("hosts,"));
    }
}

void TestConsoleScripts::fewDescriptorsClampTheThreads_data()
{
    QTest::addColumn<QString>("limit"); // soft:hard open files
    QTest::addColumn<QString>("threads");
    QTest::addColumn<bool>("clamped");
    QTest::newRow("256, the default threads") << "256:256" << QString() << true;
    QTest::newRow("256, the most threads") << "256:256"
                                           << "/t:1024" << true;
    QTest::newRow("64, the most threads") << "64:64"
                                          << "/t:1024" << true;
    QTest::newRow("soft 256 is raised to the hard 4096") << "256:4096"
                                                         << "/t:200" << false;
}

void TestConsoleScripts::fewDescriptorsClampTheThreads()
{
    QFETCH(QString, limit);
    QFETCH(QString, threads);
    QFETCH(bool, clamped);
    if (QStandardPaths::findExecutable(QStringLiteral("prlimit")).isEmpty())
        QSKIP("prlimit is not installed (package util-linux)");
    // Every address of the range answers on the web port and the remote administration port,
    // so each worker holds its probes' sockets (and the web client's thread) as it would in a
    // busy network.
    // A plain QTcpServer would stop accepting after 30 pending connections; these serve them.
    CPageServer oWeb;
    QVERIFY2(oWeb.listen(QHostAddress::AnyIPv4, 80), qPrintable(oWeb.errorString()));
    CPageServer oPort;
    QVERIFY(oPort.listen(QHostAddress::AnyIPv4, 0));
    m_lsWrapper = QStringList{QStringLiteral("prlimit"), QStringLiteral("--nofile=") + limit};
    QStringList lsArgs{QStringLiteral("/r:127.0.0.1-127.0.0.254"),
                       QStringLiteral("/n:") + QString::number(oPort.serverPort())};
    if (!threads.isEmpty())
        lsArgs << threads;
    const TRun oRun = Run(lsArgs);
    QVERIFY2(oRun.nExitCode == 0,
             qPrintable(QStringLiteral("exit %1: %2")
                            .arg(oRun.nExitCode)
                            .arg(QString::fromLocal8Bit(oRun.baErr.right(400)))));
    QCOMPARE(oRun.baOut.count(" | 127.0.0."), 254);
    const QString sErr = QString::fromLocal8Bit(oRun.baErr);
    static const QRegularExpression s_oClamp(
        QStringLiteral("Scanning with (\\d+) threads?, not (\\d+): the limit of (\\d+) open files "
                       "allows no more"));
    const QRegularExpressionMatch oMatch = s_oClamp.match(sErr);
    QVERIFY2(oMatch.hasMatch() == clamped, qPrintable(sErr));
    if (!clamped)
        return;
    QCOMPARE(oMatch.captured(2), threads.isEmpty() ? QStringLiteral("96") : threads.mid(3));
    QCOMPARE(oMatch.captured(3), limit.section(QLatin1Char(':'), 0, 0));
    QVERIFY(oMatch.captured(1).toInt() >= 1);
    // Room for every worker's descriptors and the program's own.
    QVERIFY(oMatch.captured(1).toInt() * 2 < oMatch.captured(3).toInt());
}

QTEST_GUILESS_MAIN(TestConsoleScripts)
#include "tst_ConsoleScripts.moc"
