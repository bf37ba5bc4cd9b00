// SPDX-License-Identifier: GPL-3.0-or-later
// Wake-on-LAN and remote shutdown against the shared test network, run inside its scanner
// namespace. Magic packets are caught by a short-lived listener started in a lab host's own
// namespace; the shutdown requests go to the lab's Samba host, which refuses them (it has no
// shutdown script), and to a host without SMB, which must fail at once.
#include "../helpers/OwnedThread.h"
#include "../netlab/LabTable.h"
#include "CShutdownQuery.h"
#include "IRemoteShutdownApi.h"
#include "MRemoteShutdown.h"
#include "MWol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkInterface>
#include <QProcess>
#include <QThread>
#include <QThreadPool>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

// Every case must end well inside this; the slow paths of the lab (tarpits) are not used here.
constexpr int kBoundMs = 15000;
constexpr int kListenerMs = 8000;

// Catches one batch of datagrams on UDP port 40000 and prints, one line each, the sender, the
// destination address from the IP header, and the payload in hex. A datagram "end" closes it.
const char kListener[] = R"PY(
import socket, struct, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.setsockopt(socket.IPPROTO_IP, 8, 1)  # IP_PKTINFO
s.bind(("0.0.0.0", 40000))
print("ready", flush=True)
deadline = time.monotonic() + float(sys.argv[1])
for _ in range(64):
    left = deadline - time.monotonic()
    if left <= 0:
        break
    s.settimeout(left)
    try:
        data, anc, flags, src = s.recvmsg(4096, 64)
    except socket.timeout:
        break
    dst = "?"
    for level, kind, value in anc:
        if level == socket.IPPROTO_IP and kind == 8 and len(value) >= 12:
            dst = socket.inet_ntoa(value[8:12])
    if data == b"end":
        print("end", flush=True)
        break
    print(src[0], dst, data.hex(), flush=True)
)PY";

struct THost
{
    QString sIp;
    QString sName;
    QString sNetns;
    QByteArray oMac;
};

QMutex g_oLogMutex;
QStringList g_lsLog;
QtMessageHandler g_pPreviousHandler = nullptr;
QLoggingCategory::CategoryFilter g_pPreviousFilter = nullptr;

// ctest turns the program's debug lines off through QT_LOGGING_RULES, which outranks
// setFilterRules; the failure messages are what this test reads, so a filter turns them back on.
void EnableRemoteDebug(QLoggingCategory *io_pCategory)
{
    if (g_pPreviousFilter)
        g_pPreviousFilter(io_pCategory);
    if (qstrcmp(io_pCategory->categoryName(), "vistrel.remote") == 0)
        io_pCategory->setEnabled(QtDebugMsg, true);
}

void CatchLog(QtMsgType i_eType, const QMessageLogContext &i_rContext, const QString &i_sText)
{
    if (i_rContext.category && qstrcmp(i_rContext.category, "vistrel.remote") == 0) {
        QMutexLocker oLock(&g_oLogMutex);
        g_lsLog << i_sText;
    }
    if (g_pPreviousHandler)
        g_pPreviousHandler(i_eType, i_rContext, i_sText);
}

QStringList TakeLog()
{
    QMutexLocker oLock(&g_oLogMutex);
    QStringList lsLog;
    lsLog.swap(g_lsLog);
    return lsLog;
}

CShutdownQuery::TParamsPtr Params(const QString &i_sUser, const QString &i_sPassword)
{
    auto pParams = CShutdownQuery::TParamsPtr::create();
    pParams->insert(CShutdownQuery::ParamBatch, 1);
    if (!i_sUser.isNull()) {
        pParams->insert(CShutdownQuery::ParamLogin, i_sUser);
        pParams->insert(CShutdownQuery::ParamPassword, i_sPassword);
    }
    pParams->insert(CShutdownQuery::ParamMessage, QStringLiteral("lab test"));
    pParams->insert(CShutdownQuery::ParamTimeout, 30);
    pParams->insert(CShutdownQuery::ParamForce, false);
    pParams->insert(CShutdownQuery::ParamReboot, false);
    return pParams;
}

} // namespace

class TestRemoteLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wakeOnLan_data();
    void wakeOnLan();
    void shutdown_data();
    void shutdown();
    void abort_data();
    void abort();

private:
    const THost *Host(const QString &i_sRole) const;
    bool StartListener(const THost &i_rHost, QString *o_pWhy);

    QString m_sSkip;
    QHostAddress m_oScanner;
    QHash<QString, THost> m_mHosts; // by role: "smb", "nosmb", "wake1".."wake3"
    std::unique_ptr<QProcess> m_pListener;
};

const THost *TestRemoteLab::Host(const QString &i_sRole) const
{
    const auto it = m_mHosts.constFind(i_sRole);
    return it == m_mHosts.constEnd() ? nullptr : &*it;
}

void TestRemoteLab::initTestCase()
{
    if (!QFile::exists(LabTablePath())) {
        m_sSkip = QStringLiteral("the test network is not up (no %1)").arg(LabTablePath());
        return;
    }
    const QList<TLabRow> lRows = ReadLabTable();
    QVERIFY2(!lRows.isEmpty(), "the host table is empty");
    for (const char *pColumn : {"ip", "mac", "name", "netbios_name", "services", "netns"})
        QVERIFY2(lRows.first().contains(QLatin1String(pColumn)), pColumn);
    QList<THost> lWakeable;
    for (const TLabRow &mRow : lRows) {
        THost oHost{mRow.value(QStringLiteral("ip")),
                    mRow.value(QStringLiteral("name")),
                    mRow.value(QStringLiteral("netns")),
                    QByteArray::fromHex(
                        mRow.value(QStringLiteral("mac")).toLatin1())}; // fromHex skips the colons
        const QString sServices = mRow.value(QStringLiteral("services"));
        if (oHost.sNetns == QLatin1String("vnl-scan"))
            m_oScanner = QHostAddress(oHost.sIp);
        if (oHost.sNetns.isEmpty() || oHost.oMac.size() != MWol::kMacSize)
            continue;
        if (sServices.contains(QLatin1String("smbd:445"))
            && !m_mHosts.contains(QStringLiteral("smb")))
            m_mHosts.insert(QStringLiteral("smb"), oHost);
        // A Windows-looking host (it answers NetBIOS) that has no SMB port open.
        if (!mRow.value(QStringLiteral("netbios_name")).isEmpty()
            && !sServices.contains(QLatin1String(":445"))
            && sServices.contains(QLatin1String("nmbd:137"))
            && !m_mHosts.contains(QStringLiteral("nosmb")))
            m_mHosts.insert(QStringLiteral("nosmb"), oHost);
        if (oHost.sIp.startsWith(QLatin1String("198.18.0.")) && lWakeable.size() < 3
            && !sServices.contains(QLatin1String("dnsmasq")))
            lWakeable << oHost;
    }
    QVERIFY2(Host(QStringLiteral("smb")) && Host(QStringLiteral("nosmb")) && lWakeable.size() == 3,
             "the host table lacks a Samba host, a host without SMB or three wakeable hosts");
    for (int i = 0; i < lWakeable.size(); ++i)
        m_mHosts.insert(QStringLiteral("wake%1").arg(i + 1), lWakeable.at(i));

    bool fInLab = false;
    const auto lAddresses = QNetworkInterface::allAddresses();
    for (const QHostAddress &rAddress : lAddresses)
        fInLab = fInLab || (!m_oScanner.isNull() && rAddress.isEqual(m_oScanner));
    if (!fInLab) {
        m_sSkip = QStringLiteral("not inside the lab's scanner namespace (run through ctest)");
        return;
    }
    g_pPreviousHandler = qInstallMessageHandler(CatchLog);
    g_pPreviousFilter = QLoggingCategory::installFilter(EnableRemoteDebug);
}

void TestRemoteLab::init()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    TakeLog();
}

void TestRemoteLab::cleanup()
{
    if (m_pListener && m_pListener->state() != QProcess::NotRunning) {
        m_pListener->kill();
        m_pListener->waitForFinished(3000);
    }
    m_pListener.reset();
}

bool TestRemoteLab::StartListener(const THost &i_rHost, QString *o_pWhy)
{
    m_pListener = std::make_unique<QProcess>();
    m_pListener->setProcessChannelMode(QProcess::SeparateChannels);
    // "ip netns exec" replaces itself with the listener, so killing this process kills it.
    m_pListener->start(QStringLiteral("ip"),
                       {QStringLiteral("netns"),
                        QStringLiteral("exec"),
                        i_rHost.sNetns,
                        QStringLiteral("python3"),
                        QStringLiteral("-c"),
                        QString::fromLatin1(kListener),
                        QString::number(kListenerMs / 1000)});
    if (!m_pListener->waitForStarted(3000)) {
        *o_pWhy = QStringLiteral("cannot start a listener in %1: %2")
                      .arg(i_rHost.sNetns, m_pListener->errorString());
        return false;
    }
    QElapsedTimer oTimer;
    oTimer.start();
    while (!m_pListener->canReadLine() && oTimer.elapsed() < 5000
           && m_pListener->state() == QProcess::Running)
        m_pListener->waitForReadyRead(500);
    if (m_pListener->readLine().trimmed() != "ready") {
        *o_pWhy = QStringLiteral("the listener in %1 did not start: %2")
                      .arg(i_rHost.sNetns,
                           QString::fromLocal8Bit(m_pListener->readAllStandardError().trimmed()));
        return false;
    }
    return true;
}

void TestRemoteLab::wakeOnLan_data()
{
    QTest::addColumn<QStringList>("targets"); // roles of the hosts whose MACs are sent
    QTest::addColumn<bool>("shortMac");
    QTest::newRow("one host gets its 102-byte packet on 255.255.255.255")
        << QStringList{QStringLiteral("wake1")} << false;
    QTest::newRow("three rows give three packets in order")
        << QStringList{QStringLiteral("wake1"), QStringLiteral("wake2"), QStringLiteral("wake3")}
        << false;
    QTest::newRow("short MAC sends nothing, the next row still goes")
        << QStringList{QStringLiteral("wake2")} << true;
}

void TestRemoteLab::wakeOnLan()
{
    QFETCH(QStringList, targets);
    QFETCH(bool, shortMac);
    // The listener sits in the namespace of the first target, as its network card would.
    const THost &rListenerHost = *Host(targets.first());
    QString sWhy;
    if (!StartListener(rListenerHost, &sWhy))
        QSKIP(qPrintable(sWhy));

    TOwnedThread pThread(new QThread);
    auto *pWol = new MWol;
    pWol->moveToThread(pThread.get());
    connect(pThread.get(), &QThread::finished, pWol, &QObject::deleteLater);
    pThread->start();

    QStringList lsExpected;
    if (shortMac)
        QMetaObject::invokeMethod(
            pWol, [pWol] { pWol->OnWakeOnLan(QByteArray("\x02\x5e", 2)); }, Qt::QueuedConnection);
    for (const QString &sRole : qAsConst(targets)) {
        const QByteArray oMac = Host(sRole)->oMac;
        QByteArray oPacket(6, char(0xFF));
        for (int i = 0; i < 16; ++i)
            oPacket += oMac;
        lsExpected << QStringLiteral("%1 255.255.255.255 %2")
                          .arg(m_oScanner.toString(), QString::fromLatin1(oPacket.toHex()));
        QMetaObject::invokeMethod(
            pWol, [pWol, oMac] { pWol->OnWakeOnLan(oMac); }, Qt::QueuedConnection);
    }
    // Sent last from the same thread: once it arrives, every packet before it has too.
    const QHostAddress oListener(rListenerHost.sIp);
    QMetaObject::invokeMethod(
        pWol,
        [oListener] {
            QUdpSocket oMarker;
            oMarker.writeDatagram(QByteArray("end"), oListener, MWol::kPort);
        },
        Qt::QueuedConnection);

    QVERIFY2(m_pListener->waitForFinished(kListenerMs + 2000), "the listener did not finish");
    QStringList lsLines =
        QString::fromLatin1(m_pListener->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!lsLines.isEmpty() && lsLines.last() == QLatin1String("end"),
             qPrintable(QStringLiteral("the end marker never arrived; got: ")
                        + lsLines.join(QLatin1Char('|')) + QStringLiteral("; log: ")
                        + TakeLog().join(QLatin1Char('|'))));
    lsLines.removeLast();
    QCOMPARE(lsLines, lsExpected);
    for (const QString &sLine : qAsConst(lsLines))
        QCOMPARE(sLine.section(QLatin1Char(' '), 2).size(), 2 * MWol::kPacketSize);
}

void TestRemoteLab::shutdown_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<bool>("byName");
    QTest::addColumn<QString>("user"); // null: no logon
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("reason"); // what the log must say about the failure

    QTest::newRow("Samba host by address refuses the call: access denied")
        << QStringLiteral("smb") << false << QString() << 5 << QStringLiteral("ACCESS_DENIED");
    QTest::newRow("Samba host by lab DNS name, then address: access denied")
        << QStringLiteral("smb") << true << QString() << 5 << QStringLiteral("ACCESS_DENIED");
    QTest::newRow("unknown account logs on as guest and is still refused")
        << QStringLiteral("smb") << false << QStringLiteral("nosuchuser") << 5
        << QStringLiteral("ACCESS_DENIED");
    QTest::newRow("host without SMB fails fast: bad network path")
        << QStringLiteral("nosmb") << false << QString() << 53
        << QStringLiteral("CONNECTION_REFUSED");
}

void TestRemoteLab::shutdown()
{
    QFETCH(QString, role);
    QFETCH(bool, byName);
    QFETCH(QString, user);
    QFETCH(int, result);
    QFETCH(QString, reason);
    const THost &rHost = *Host(role);
    if (byName && rHost.sName.isEmpty())
        QSKIP("the Samba host has no DNS name in the lab");

    // Through a pool, as the shutdown results dialog runs it, so that a hang shows as a time-out.
    QThreadPool oPool;
    auto *pQuery = new CShutdownQuery(Params(user, QStringLiteral("wrong")),
                                      byName ? rHost.sName : QString(),
                                      rHost.sIp,
                                      nullptr);
    QSignalSpy oSpy(pQuery, &CShutdownQuery::ShutdownDone);
    QElapsedTimer oTimer;
    oTimer.start();
    oPool.start(pQuery);
    QVERIFY2(oSpy.count() == 1 || oSpy.wait(kBoundMs), "the shutdown request did not end in time");
    const qint64 nMs = oTimer.elapsed();
    QCOMPARE(oSpy.at(0).at(2).toInt(), result);
    QVERIFY2(nMs < kBoundMs, qPrintable(QString::number(nMs)));
    if (role == QLatin1String("nosmb"))
        QVERIFY2(nMs < 5000, qPrintable(QStringLiteral("took %1 ms").arg(nMs)));
    const QString sLog = TakeLog().join(QLatin1Char('\n'));
    QVERIFY2(sLog.contains(reason), qPrintable(sLog));
    QVERIFY2(sLog.contains(QStringLiteral("shutdown of")) && sLog.contains(rHost.sIp)
                 && sLog.contains(QStringLiteral("failed: %1").arg(result)),
             qPrintable(sLog));
}

void TestRemoteLab::abort_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("logon");
    QTest::addColumn<int>("limitMs");
    // Refused anonymously, Samba's client gives no reason at all: a general failure.
    QTest::newRow("Samba host refuses an anonymous abort: general failure")
        << QStringLiteral("smb") << 31 << false << kBoundMs;
    // The abort goes out with the account of an earlier logon, which Samba answers plainly.
    QTest::newRow("Samba host refuses the abort after a logon: access denied")
        << QStringLiteral("smb") << 5 << true << kBoundMs;
    QTest::newRow("host without SMB fails fast") << QStringLiteral("nosmb") << 53 << false << 5000;
}

void TestRemoteLab::abort()
{
    QFETCH(QString, role);
    QFETCH(int, result);
    QFETCH(bool, logon);
    QFETCH(int, limitMs);
    const THost &rHost = *Host(role);
    const QString sUnc = QStringLiteral("\\\\") + rHost.sIp;
    std::unique_ptr<IRemoteShutdownApi> pApi = IRemoteShutdownApi::Create();
    pApi->DropConnections(sUnc, rHost.sIp);
    if (logon)
        QCOMPARE(pApi->Logon(sUnc, QStringLiteral("nosuchuser"), QStringLiteral("wrong")), 0);

    // On a thread of its own and reached by a queued call, as in the windowed program.
    TOwnedThread pThread(new QThread);
    auto *pAbort = new MRemoteShutdown;
    pAbort->moveToThread(pThread.get());
    connect(pThread.get(), &QThread::finished, pAbort, &QObject::deleteLater);
    QSignalSpy oSpy(pAbort, &MRemoteShutdown::EmitAbortDone);
    pThread->start();
    const int nIp = int(QHostAddress(rHost.sIp).toIPv4Address());
    QElapsedTimer oTimer;
    oTimer.start();
    QMetaObject::invokeMethod(
        pAbort, [pAbort, nIp] { pAbort->OnShutdownAbort(nIp); }, Qt::QueuedConnection);
    QVERIFY2(oSpy.wait(kBoundMs), "the abort did not end in time");
    const qint64 nMs = oTimer.elapsed();
    QVERIFY2(nMs < limitMs, qPrintable(QStringLiteral("took %1 ms").arg(nMs)));
    QCOMPARE(oSpy.at(0).at(0).toUInt(), QHostAddress(rHost.sIp).toIPv4Address());
    QCOMPARE(oSpy.at(0).at(1).toInt(), result);
    const QString sLog = TakeLog().join(QLatin1Char('\n'));
    QVERIFY2(
        sLog.contains(
            QStringLiteral("abort of shutdown on \"%1\" failed: %2").arg(rHost.sIp).arg(result)),
        qPrintable(sLog));
}

QTEST_GUILESS_MAIN(TestRemoteLab)
#include "tst_RemoteLab.moc"
