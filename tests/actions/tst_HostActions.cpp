// SPDX-License-Identifier: GPL-3.0-or-later
// Telnet and viewer launches with stand-in programs on PATH that record how they were started,
// and URL threads with a URL handler of the test's own. Runs in a loopback namespace: the telnet
// reachability check connects to 127.0.0.1 only.
#include "COpenUrlThread.h"
#include "COrtavoViewer.h"
#include "CTelnetLauncher.h"
#include "IHostPrograms.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <optional>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteScript(const QString &i_sPath, const QByteArray &i_oBody)
{
    QFile oFile(i_sPath);
    if (!oFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    oFile.write("#!/bin/sh\n" + i_oBody);
    oFile.close();
    return ::chmod(QFile::encodeName(i_sPath).constData(), 0755) == 0;
}

// Records each argument on a line of its own.
QByteArray Recorder(const QString &i_sLog)
{
    return "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + QFile::encodeName(i_sLog)
           + ".tmp' && /bin/mv '" + QFile::encodeName(i_sLog) + ".tmp' '"
           + QFile::encodeName(i_sLog) + "'\n";
}

QStringList ReadLines(const QString &i_sPath)
{
    QFile oFile(i_sPath);
    if (!oFile.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(oFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Runs the launcher's check and waits for its result; nothing when none came in time.
std::optional<CTelnetLauncher::EResult> LaunchAndWait(const CTelnetLauncher &i_oLauncher,
                                                      const QString &i_sAddress)
{
    QObject oContext;
    std::optional<CTelnetLauncher::EResult> oResult;
    i_oLauncher.Launch(i_sAddress, &oContext, [&oResult](CTelnetLauncher::EResult i_eResult) {
        oResult = i_eResult;
    });
    if (!QTest::qWaitFor([&oResult]() { return oResult.has_value(); },
                         CTelnetLauncher::kReachTimeoutMs + 2000))
        return std::nullopt;
    return oResult;
}

// A listening socket on 127.0.0.1 that never accepts and whose queue is full: the kernel drops
// further connection requests, so a connect to it neither succeeds nor fails until it gives up.
class CSilentListener final
{
public:
    CSilentListener()
    {
        m_nFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in oAddr{};
        oAddr.sin_family = AF_INET;
        oAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLen = sizeof(oAddr);
        if (m_nFd < 0 || ::bind(m_nFd, reinterpret_cast<sockaddr *>(&oAddr), nLen) != 0
            || ::listen(m_nFd, 0) != 0
            || ::getsockname(m_nFd, reinterpret_cast<sockaddr *>(&oAddr), &nLen) != 0)
            return;
        m_nPort = ntohs(oAddr.sin_port);
        // Fill the queue until a request goes unanswered; a few suffice on Linux.
        for (int i = 0; i < 8; ++i) {
            auto pFiller = std::make_unique<QTcpSocket>();
            pFiller->connectToHost(QHostAddress::LocalHost, m_nPort);
            const bool fConnected = pFiller->waitForConnected(300);
            m_lpFillers.push_back(std::move(pFiller));
            if (!fConnected) {
                m_fFull = true;
                return;
            }
        }
    }
    ~CSilentListener()
    {
        m_lpFillers.clear();
        if (m_nFd >= 0)
            ::close(m_nFd);
    }
    Q_DISABLE_COPY(CSilentListener)

    bool IsSilent() const { return m_fFull; }
    quint16 Port() const { return m_nPort; }

private:
    int m_nFd = -1;
    quint16 m_nPort = 0;
    bool m_fFull = false;
    std::vector<std::unique_ptr<QTcpSocket>> m_lpFillers;
};

} // namespace

class CUrlSink : public QObject
{
    Q_OBJECT

public:
    QStringList Urls()
    {
        QMutexLocker oLock(&m_oMutex);
        return m_lsUrls;
    }

public slots:
    void Open(const QUrl &i_oUrl)
    {
        QMutexLocker oLock(&m_oMutex);
        m_lsUrls << i_oUrl.toString();
    }

private:
    QMutex m_oMutex;
    QStringList m_lsUrls;
};

class TestHostActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void viewerArguments_data();
    void viewerArguments();
    void viewerNotInstalledHere();
    void viewerPathWithoutSeparatorIsNotInstalled();
    void viewerStartsWithTheCommandLine();
    void telnetStartsInATerminal();
    void telnetClosedPortStartsNothing();
    void telnetMissingClientOrTerminal_data();
    void telnetMissingClientOrTerminal();
    void telnetRefusesNonAddresses();
    void telnetCheckKeepsTheThreadResponsive();
    void telnetCheckDroppedWithItsOwner();
    void sharePaths();
    void urlThreadsOpenAndAreReaped();

private:
    QString m_sOldPath;
    QTemporaryDir m_oDir;
    QString m_sBin;
};

void TestHostActions::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    m_sOldPath = qEnvironmentVariable("PATH");
    m_sBin = m_oDir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(m_sBin));
    // Stand-ins only: no real terminal or telnet client can be found.
    qputenv("PATH", QFile::encodeName(m_sBin));
}

void TestHostActions::cleanupTestCase()
{
    qputenv("PATH", QFile::encodeName(m_sOldPath));
}

void TestHostActions::init()
{
    QDir oBin(m_sBin);
    for (const QString &sName : oBin.entryList(QDir::Files))
        oBin.remove(sName);
    QFile::remove(m_oDir.filePath(QStringLiteral("calls")));
}

void TestHostActions::viewerArguments_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("commandLine");
    const QString sBase = QStringLiteral("\"C:/Ortavo/Ortavo.exe\" /connect:10.1.2.3:4899");
    QTest::newRow("full control has no switch") << 0 << sBase;
    QTest::newRow("view only") << 1 << sBase + QStringLiteral(" /noinput");
    QTest::newRow("file transfer") << 2 << sBase + QStringLiteral(" /file");
    QTest::newRow("telnet") << 3 << sBase + QStringLiteral(" /telnet");
    QTest::newRow("shutdown") << 4 << sBase + QStringLiteral(" /shutdown");
    QTest::newRow("voice chat") << 5 << sBase + QStringLiteral(" /voice");
    QTest::newRow("text chat") << 6 << sBase + QStringLiteral(" /chat");
    QTest::newRow("send message") << 7 << sBase + QStringLiteral(" /message");
    QTest::newRow("unknown mode has no switch") << 8 << sBase;
    QTest::newRow("negative mode has no switch") << -1 << sBase;
}

void TestHostActions::viewerArguments()
{
    QFETCH(int, mode);
    QFETCH(QString, commandLine);
    const auto eMode = static_cast<EOrtavoCommand>(mode);
    QCOMPARE(COrtavoViewer::CommandLine(
                 QStringLiteral("C:/Ortavo/Ortavo.exe"), eMode, QStringLiteral("10.1.2.3"), 4899),
             commandLine);
    QStringList lsExpected = commandLine.split(QLatin1Char(' ')).mid(1);
    QCOMPARE(COrtavoViewer::Arguments(eMode, QStringLiteral("10.1.2.3"), 4899), lsExpected);
}

void TestHostActions::viewerNotInstalledHere()
{
    QCOMPARE(COrtavoViewer::Find(), QString());
    QCOMPARE(COrtavoViewer::Launch(EOrtavoCommand::FullControl, 4899, QStringLiteral("127.0.0.1")),
             COrtavoViewer::EResult::NotInstalled);
    QCOMPARE(COrtavoViewer::NotInstalledTitle(), QStringLiteral("Program run error"));
    QVERIFY(COrtavoViewer::NotInstalledText().startsWith(
        QStringLiteral("Ortavo Viewer is not installed on this computer. <br>You can download it "
                       "for free at <a href=\"")));
}

void TestHostActions::viewerPathWithoutSeparatorIsNotInstalled()
{
    // An install folder registered without its trailing separator gives ".../OrtavoOrtavo.exe".
    const QString sFolder = m_oDir.filePath(QStringLiteral("Ortavo"));
    QVERIFY(QDir().mkpath(sFolder));
    QVERIFY(WriteScript(sFolder + QStringLiteral("/Ortavo.exe"), "exit 0\n"));
    QCOMPARE(COrtavoViewer::LaunchPath(sFolder + QStringLiteral("Ortavo.exe"),
                                       EOrtavoCommand::FullControl,
                                       4899,
                                       QStringLiteral("127.0.0.1")),
             COrtavoViewer::EResult::NotInstalled);
}

void TestHostActions::viewerStartsWithTheCommandLine()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    const QString sViewer = m_oDir.filePath(QStringLiteral("Ortavo.exe"));
    QVERIFY(WriteScript(sViewer, Recorder(sCalls)));
    QCOMPARE(COrtavoViewer::LaunchPath(
                 sViewer, EOrtavoCommand::ViewOnly, 5900, QStringLiteral("127.0.0.9")),
             COrtavoViewer::EResult::Started);
    QTRY_COMPARE(
        ReadLines(sCalls),
        (QStringList{QStringLiteral("/connect:127.0.0.9:5900"), QStringLiteral("/noinput")}));
}

void TestHostActions::telnetStartsInATerminal()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/telnet"), "exit 0\n"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/x-terminal-emulator"), Recorder(sCalls)));
    QTcpServer oServer;
    QVERIFY(oServer.listen(QHostAddress::LocalHost, 0));
    const CTelnetLauncher oLauncher(oServer.serverPort());
    QCOMPARE(LaunchAndWait(oLauncher, QStringLiteral("127.0.0.1")),
             CTelnetLauncher::EResult::Started);
    QTRY_COMPARE(ReadLines(sCalls),
                 (QStringList{QStringLiteral("-e"),
                              m_sBin + QStringLiteral("/telnet"),
                              QStringLiteral("127.0.0.1")}));
}

void TestHostActions::telnetClosedPortStartsNothing()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/telnet"), "exit 0\n"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/xterm"), Recorder(sCalls)));
    quint16 nClosed = 0;
    {
        QTcpServer oServer;
        QVERIFY(oServer.listen(QHostAddress::LocalHost, 0));
        nClosed = oServer.serverPort();
    }
    const std::optional<CTelnetLauncher::EResult> oResult =
        LaunchAndWait(CTelnetLauncher(nClosed), QStringLiteral("127.0.0.1"));
    QVERIFY(oResult);
    const CTelnetLauncher::EResult eResult = *oResult;
    QCOMPARE(eResult, CTelnetLauncher::EResult::Unreachable);
    QCOMPARE(CTelnetLauncher::Title(), QStringLiteral("Telnet run"));
    QCOMPARE(CTelnetLauncher::Text(eResult),
             QStringLiteral("Could not establish connection to the remote host"));
    QVERIFY(!QFile::exists(sCalls));
}

void TestHostActions::telnetMissingClientOrTerminal_data()
{
    QTest::addColumn<QString>("present");
    QTest::newRow("terminal but no telnet client") << QStringLiteral("xterm");
    QTest::newRow("telnet client but no terminal") << QStringLiteral("telnet");
    QTest::newRow("neither") << QString();
}

void TestHostActions::telnetMissingClientOrTerminal()
{
    QFETCH(QString, present);
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    if (!present.isEmpty())
        QVERIFY(WriteScript(m_sBin + QLatin1Char('/') + present, Recorder(sCalls)));
    QTcpServer oServer;
    QVERIFY(oServer.listen(QHostAddress::LocalHost, 0));
    const std::optional<CTelnetLauncher::EResult> oResult =
        LaunchAndWait(CTelnetLauncher(oServer.serverPort()), QStringLiteral("127.0.0.1"));
    QVERIFY(oResult);
    const CTelnetLauncher::EResult eResult = *oResult;
    QCOMPARE(eResult, CTelnetLauncher::EResult::NoClient);
    QCOMPARE(CTelnetLauncher::Text(eResult),
             QStringLiteral("Failed to find telnet.exe. Check if Telnet is installed"));
    QVERIFY(!oServer.waitForNewConnection(0));
    QVERIFY(!QFile::exists(sCalls));
}

void TestHostActions::telnetRefusesNonAddresses()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/telnet"), "exit 0\n"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/xterm"), Recorder(sCalls)));
    QCOMPARE(LaunchAndWait(CTelnetLauncher(), QStringLiteral("-e/bin/sh")),
             CTelnetLauncher::EResult::Unreachable);
    QVERIFY(!QFile::exists(sCalls));
}

void TestHostActions::telnetCheckKeepsTheThreadResponsive()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/telnet"), "exit 0\n"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/xterm"), Recorder(sCalls)));
    const CSilentListener oSilent;
    QVERIFY2(oSilent.IsSilent(), "the listener's queue did not fill up");

    // A timer of this thread must keep ticking while the check waits for its time-out.
    QTimer oTicker;
    oTicker.setInterval(50);
    int nTicks = 0;
    QObject::connect(&oTicker, &QTimer::timeout, [&nTicks]() { ++nTicks; });
    oTicker.start();
    QObject oContext;
    std::optional<CTelnetLauncher::EResult> oResult;
    int nTicksAtResult = -1;
    QElapsedTimer oClock;
    oClock.start();
    CTelnetLauncher(oSilent.Port())
        .Launch(QStringLiteral("127.0.0.1"), &oContext, [&](CTelnetLauncher::EResult i_eResult) {
            oResult = i_eResult;
            nTicksAtResult = nTicks;
        });
    QVERIFY2(!oResult, "the check must not end before the event loop runs");
    QVERIFY(QTest::qWaitFor([&oResult]() { return oResult.has_value(); },
                            CTelnetLauncher::kReachTimeoutMs + 3000));
    QCOMPARE(*oResult, CTelnetLauncher::EResult::Unreachable);
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(oClock.elapsed() >= CTelnetLauncher::kReachTimeoutMs * 9 / 10,
             "the target answered: it was not silent");
    // About 60 ticks fit in the time-out; a frozen thread would have none.
    QVERIFY2(nTicksAtResult >= 20, qPrintable(QString::number(nTicksAtResult)));
    QVERIFY(!QFile::exists(sCalls));
}

void TestHostActions::telnetCheckDroppedWithItsOwner()
{
    const QString sCalls = m_oDir.filePath(QStringLiteral("calls"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/telnet"), "exit 0\n"));
    QVERIFY(WriteScript(m_sBin + QStringLiteral("/xterm"), Recorder(sCalls)));
    const CSilentListener oSilent;
    QVERIFY(oSilent.IsSilent());
    bool fCalled = false;
    {
        QObject oContext;
        CTelnetLauncher(oSilent.Port())
            .Launch(QStringLiteral("127.0.0.1"), &oContext, [&fCalled](CTelnetLauncher::EResult) {
                fCalled = true;
            });
        QTest::qWait(100);
    }
    // The window that asked is gone: nothing may call back into it or start telnet.
    QTest::qWait(CTelnetLauncher::kReachTimeoutMs + 300);
    QVERIFY(!fCalled);
    QVERIFY(!QFile::exists(sCalls));
}

void TestHostActions::sharePaths()
{
    const auto pPrograms = IHostPrograms::Create();
    QCOMPARE(pPrograms->HostPath(QStringLiteral("10.0.0.5")), QStringLiteral("smb://10.0.0.5/"));
    QCOMPARE(pPrograms->SharePath(QStringLiteral("10.0.0.5"), QStringLiteral("Public")),
             QStringLiteral("smb://10.0.0.5/Public"));
    QVERIFY(!pPrograms->ShowProperties(QStringLiteral("smb://10.0.0.5/Public")));
}

void TestHostActions::urlThreadsOpenAndAreReaped()
{
    CUrlSink oSink;
    QDesktopServices::setUrlHandler(QStringLiteral("vtest"), &oSink, "Open");
    QList<COpenUrlThread *> lpThreads;
    QCOMPARE(COpenUrlThread(QStringLiteral("vtest://kept/")).Url(),
             QStringLiteral("vtest://kept/"));
    // Open may already have reaped its own thread if it finished at once; it is not touched here.
    QVERIFY(COpenUrlThread::Open(QStringLiteral("vtest://one/"), lpThreads));
    QVERIFY(lpThreads.size() <= 1);
    QTRY_COMPARE(oSink.Urls(), QStringList{QStringLiteral("vtest://one/")});
    // The next opening reaps the thread that has finished.
    QTRY_VERIFY(lpThreads.isEmpty() || lpThreads.first()->isFinished());
    COpenUrlThread::Open(QStringLiteral("vtest://two/"), lpThreads);
    QVERIFY(lpThreads.size() <= 1);
    COpenUrlThread::ReapAll(lpThreads);
    QVERIFY(lpThreads.isEmpty());
    QCOMPARE(oSink.Urls(),
             (QStringList{QStringLiteral("vtest://one/"), QStringLiteral("vtest://two/")}));
    QDesktopServices::unsetUrlHandler(QStringLiteral("vtest"));
}

QTEST_MAIN(TestHostActions)
#include "tst_HostActions.moc"
