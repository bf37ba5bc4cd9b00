// SPDX-License-Identifier: GPL-3.0-or-later
// The console program as a user runs it: every run goes through the loopback namespace, so the
// scans of 127.0.0.x below cannot reach anything outside it.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct TRun
{
    int nExitCode = -1;
    QByteArray baOut;
};

TRun RunConsole(const QStringList &i_lsArguments, int i_nTimeoutMs = 180000)
{
    QProcess oProcess;
    oProcess.setProgram(QStringLiteral(VISTREL_LOOPNS_SCRIPT));
    oProcess.setArguments(QStringList{QStringLiteral("exec"), QStringLiteral(VISTREL_CONSOLE_BIN)}
                          + i_lsArguments);
    oProcess.setProcessChannelMode(QProcess::SeparateChannels);
    oProcess.start();
    TRun oRun;
    if (!oProcess.waitForFinished(i_nTimeoutMs)) {
        oProcess.kill();
        oProcess.waitForFinished();
        return oRun;
    }
    oRun.nExitCode = oProcess.exitStatus() == QProcess::NormalExit ? oProcess.exitCode() : -2;
    oRun.baOut = oProcess.readAllStandardOutput();
    return oRun;
}

const QByteArray g_baHeader =
    "Status | Name | IP | NetBIOS name | NetBIOS group | MAC address | User | Comments";

const QByteArray g_baUsage =
    "Usage:\n"
    "</r:<IP range> OR /s:<source_file>> [/f:<output_file>]\n"
    "\n"
    "Description:\n"
    "/r - IP or range of IP adresses to scan, ex 192.168.0.1-192.168.0.255\n"
    "or\n"
    "/s - path to the file with IP ranges with 1 IP/IP range per line format, ex\n"
    "     192.168.0.1-192.168.0.128\n"
    "     192.168.0.155\n"
    "     192.168.1.10\n"
    "\n"
    "/f - path to the file where scan results will be written\n"
    "\n"
    "Example:\n"
    "vistrel_console.exe /r:192.168.0.1-192.168.0.255\n"
    "vistrel_console.exe /s:ip_ranges.txt /f:scan_results.txt";

// Checks the header and one well-formed line per expected address; returns the addresses seen.
QStringList ResultAddresses(const QByteArray &i_baOut)
{
    const QList<QByteArray> lbaLines = i_baOut.split('\n');
    if (lbaLines.isEmpty() || lbaLines.first() != g_baHeader + (lbaLines.size() > 1 ? "\r" : ""))
        return {QStringLiteral("bad header")};
    static const QRegularExpression s_oLine(QStringLiteral(
        "^(alive|unknown) \\| [^|]* \\| (\\d+\\.\\d+\\.\\d+\\.\\d+) \\| [^|]* \\| [^|]* \\| "
        "([0-9a-f]{1,2}\\.){5}[0-9a-f]{1,2} \\| [^|]*$"));
    QStringList lsAddresses;
    for (int i = 1; i < lbaLines.size(); ++i) {
        QByteArray baLine = lbaLines.at(i);
        const bool fLast = i == lbaLines.size() - 1;
        if (!fLast && !baLine.endsWith('\r'))
            return {QStringLiteral("line %1 without CR LF").arg(i)};
        if (!fLast)
            baLine.chop(1);
        const QRegularExpressionMatch oMatch = s_oLine.match(QString::fromUtf8(baLine));
        if (!oMatch.hasMatch())
            return {QStringLiteral("bad line: ") + QString::fromUtf8(baLine)};
        lsAddresses << oMatch.captured(2);
    }
    return lsAddresses;
}

} // namespace

class TestConsoleProgram : public QObject
{
    Q_OBJECT

private slots:
    void usage_data();
    void usage();
    void rejected_data();
    void rejected();
    void invalidUtf8Argument();
    void scanToStandardOutput_data();
    void scanToStandardOutput();
    void scanToFile();
    void rangeFile();
    void unwritableOutput();
    void authFileRefused_data();
    void authFileRefused();
};

void TestConsoleProgram::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no argument") << QStringList{};
    QTest::newRow("slash question mark") << QStringList{QStringLiteral("/?")};
    QTest::newRow("question mark") << QStringList{QStringLiteral("?")};
    QTest::newRow("one empty argument") << QStringList{QString()};
}

void TestConsoleProgram::usage()
{
    QFETCH(QStringList, args);
    const TRun oRun = RunConsole(args);
    QCOMPARE(oRun.nExitCode, 1);
    QCOMPARE(oRun.baOut, g_baUsage);
}

void TestConsoleProgram::rejected_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("upper-case switch")
        << QStringList{"/R:127.0.0.1"} << QByteArray("Invalid argument");
    QTest::newRow("unknown switch")
        << QStringList{"/z:127.0.0.1"} << QByteArray("Invalid argument");
    QTest::newRow("web port 0")
        << QStringList{"/r:127.0.0.1", "/x:8080,0s"}
        << QByteArray("Invalid value \"8080,0s\" for /x: (ports 1-65535, comma separated, each "
                      "with an s for HTTPS if so, at most 16; or none)");
    QTest::newRow("no slash") << QStringList{"r:127.0.0.1"} << QByteArray("Invalid argument");
    QTest::newRow("no colon") << QStringList{"/r=127.0.0.1"} << QByteArray("Invalid argument");
    QTest::newRow("switch alone is three characters")
        << QStringList{"/r:"} << QByteArray("Invalid argument");
    QTest::newRow("only spaces after the switch")
        << QStringList{"/r:   "} << QByteArray("Invalid IP address or range");
    QTest::newRow("not a range") << QStringList{"/r:127.0.0.1-"}
                                 << QByteArray("Invalid IP address or range");
    QTest::newRow("prefix too short")
        << QStringList{"/r:127.0.0.1/8"} << QByteArray("Invalid IP address or range");
    QTest::newRow("same switch twice") << QStringList{"/r:127.0.0.1", "/r:127.0.0.2"}
                                       << QByteArray("Error: Several identical arguments found");
    QTest::newRow("output twice") << QStringList{"/f:a.txt", "/f:b.txt", "/r:127.0.0.1"}
                                  << QByteArray("Error: Several identical arguments found");
    QTest::newRow("range and file")
        << QStringList{"/r:127.0.0.1", "/s:list.txt"} << QByteArray("Duplicate in argument list");
    QTest::newRow("output alone") << QStringList{"/f:out.txt"}
                                  << QByteArray("No IP addresses for scanning");
    QTest::newRow("empty arguments only count as nothing")
        << QStringList{"", "/f:out.txt", ""} << QByteArray("No IP addresses for scanning");
    QTest::newRow("missing range file")
        << QStringList{"/s:/nonexistent/ranges.txt"}
        << QByteArray("Reading from file: Unable to read data from file");
}

void TestConsoleProgram::rejected()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    const TRun oRun = RunConsole(args);
    QCOMPARE(oRun.nExitCode, 2);
    QCOMPARE(oRun.baOut, message);
}

void TestConsoleProgram::invalidUtf8Argument()
{
    // QProcess only passes text; a shell passes the raw bytes.
    QProcess oProcess;
    oProcess.start(QStringLiteral("/bin/bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("exec \"$0\" exec \"$1\" \"$(printf '/r:\\377\\376127.0.0.1')\" "
                                   "\"$(printf '/\\303:x')\""),
                    QStringLiteral(VISTREL_LOOPNS_SCRIPT),
                    QStringLiteral(VISTREL_CONSOLE_BIN)});
    QVERIFY(oProcess.waitForFinished(60000));
    QCOMPARE(oProcess.exitCode(), 2);
    QCOMPARE(oProcess.readAllStandardOutput(), QByteArray("Invalid IP address or range"));
}

void TestConsoleProgram::scanToStandardOutput_data()
{
    QTest::addColumn<QString>("arg");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("lowest");
    QTest::addColumn<QString>("highest");
    QTest::newRow("one address") << "/r:127.0.0.1" << 1 << "127.0.0.1"
                                 << "127.0.0.1";
    QTest::newRow("twenty addresses") << "/r:127.0.0.1-127.0.0.20" << 20 << "127.0.0.1"
                                      << "127.0.0.20";
    QTest::newRow("backslash and blanks") << "\\r: 127.0.0.20 - 127.0.0.11 " << 10 << "127.0.0.11"
                                          << "127.0.0.20";
    QTest::newRow("cidr leaves out network and broadcast")
        << "/r:127.0.0.0/24" << 254 << "127.0.0.1"
        << "127.0.0.254";
}

void TestConsoleProgram::scanToStandardOutput()
{
    QFETCH(QString, arg);
    QFETCH(int, count);
    QFETCH(QString, lowest);
    QFETCH(QString, highest);
    const TRun oRun = RunConsole({arg});
    QCOMPARE(oRun.nExitCode, 0);
    QStringList lsAddresses = ResultAddresses(oRun.baOut);
    QCOMPARE(lsAddresses.size(), count);
    QCOMPARE(QSet<QString>(lsAddresses.begin(), lsAddresses.end()).size(), count);
    QVERIFY(!oRun.baOut.endsWith('\n'));
    std::sort(lsAddresses.begin(), lsAddresses.end(), [](const QString &a, const QString &b) {
        return a.section(QLatin1Char('.'), 3).toInt() < b.section(QLatin1Char('.'), 3).toInt();
    });
    QCOMPARE(lsAddresses.first(), lowest);
    QCOMPARE(lsAddresses.last(), highest);
}

void TestConsoleProgram::scanToFile()
{
    QTemporaryDir oDir;
    const QString sPath = oDir.filePath(QStringLiteral("out.txt"));
    QFile oStale(sPath);
    QVERIFY(oStale.open(QIODevice::WriteOnly));
    oStale.write(QByteArray(10000, 'x'));
    oStale.close();

    const TRun oRun =
        RunConsole({QStringLiteral("/r:127.0.0.1-127.0.0.3"), QStringLiteral("/f: ") + sPath});
    QCOMPARE(oRun.nExitCode, 0);
    QCOMPARE(oRun.baOut, QByteArray());
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    const QByteArray baContent = oFile.readAll();
    QVERIFY(baContent.startsWith(g_baHeader + "\r\n"));
    QVERIFY(!baContent.startsWith("\xEF\xBB\xBF"));
    QVERIFY(!baContent.endsWith('\n') && !baContent.endsWith('\r'));
    QCOMPARE(baContent.count("\r\n"), 3);
    QCOMPARE(baContent.count('\n'), 3);
    QStringList lsAddresses = ResultAddresses(baContent);
    lsAddresses.sort();
    QCOMPARE(lsAddresses, (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
}

void TestConsoleProgram::rangeFile()
{
    QTemporaryDir oDir;
    const QString sPath = oDir.filePath(QStringLiteral("ranges.txt"));
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write("\xFF\xFE");
    const QString sText =
        QStringLiteral("# loopback\r\n127.0.0.5-127.0.0.7, 127.0.0.9\r\n127.0.0.8\r\n");
    for (QChar c : sText)
        oFile.write(QByteArray(1, char(c.unicode())) + QByteArray(1, '\0'));
    oFile.close();
    const TRun oRun = RunConsole({QStringLiteral("/s:") + sPath});
    QCOMPARE(oRun.nExitCode, 0);
    QStringList lsAddresses = ResultAddresses(oRun.baOut);
    lsAddresses.sort();
    QCOMPARE(lsAddresses,
             (QStringList{"127.0.0.5", "127.0.0.6", "127.0.0.7", "127.0.0.8", "127.0.0.9"}));
}

void TestConsoleProgram::unwritableOutput()
{
    const TRun oRun =
        RunConsole({QStringLiteral("/r:127.0.0.1"), QStringLiteral("/f:/nonexistent/dir/out.txt")});
    QCOMPARE(oRun.nExitCode, 5);
    QCOMPARE(oRun.baOut, QByteArray("Can not open file for output: /nonexistent/dir/out.txt"));
}

void TestConsoleProgram::authFileRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("message");
    const QByteArray baGood = "username = ann\npassword = pw\n";
    const QByteArray baLoose =
        "is accessible by other users; it must be readable by its owner only";
    QTest::newRow("group may read") << baGood << 0640 << baLoose;
    QTest::newRow("others may read") << baGood << 0604 << baLoose;
    QTest::newRow("group may write") << baGood << 0620 << baLoose;
    QTest::newRow("no user name") << QByteArray("password = pw\n") << 0600
                                  << QByteArray("has no usable \"username = ...\" line");
    QTest::newRow("missing") << QByteArray() << -1
                             << QByteArray("Cannot read the authentication file");
}

void TestConsoleProgram::authFileRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(int, mode);
    QFETCH(QByteArray, message);
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPath = oDir.filePath(QStringLiteral("my auth"));
    if (mode >= 0) {
        QFile oFile(sPath);
        QVERIFY(oFile.open(QIODevice::WriteOnly));
        oFile.write(text);
        oFile.close();
        QVERIFY(::chmod(QFile::encodeName(sPath).constData(), mode_t(mode)) == 0);
    }
    const TRun oRun = RunConsole({QStringLiteral("/r:127.0.0.1"), QStringLiteral("/u:") + sPath});
    QCOMPARE(oRun.nExitCode, 2);
    QVERIFY2(oRun.baOut.contains(message), oRun.baOut.constData());
    // The message names the file, so that the user knows which one to mend.
    QVERIFY2(oRun.baOut.contains("\"" + QFile::encodeName(sPath) + "\""), oRun.baOut.constData());
}

QTEST_GUILESS_MAIN(TestConsoleProgram)
#include "tst_ConsoleProgram.moc"
