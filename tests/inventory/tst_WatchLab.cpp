// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInventoryStore.h"
#include "CPostgresServer.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// A watch of a small LAN of namespaces (198.19.23.0/24 on a bridge of their own) while hosts go
// down and up, change their MAC address and appear: each change is told exactly once, on
// standard output, to the event program and in the store, in both kinds of store.
class TestWatchLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void watch_data();
    void watch();
    void serverStoppedMidWatch();
    void compareWithStore();

private:
    static bool Ip(const QStringList &i_lsArguments);
    static bool AddHost(const QString &i_sName, int i_nHost, const QString &i_sMac);
    static void TearDown();
    // Reads the watch's standard output until a line of kind i_sKind for i_sIp arrives.
    bool WaitForEvent(QProcess &io_rWatch, const QString &i_sKind, const QString &i_sIp);

    QList<QJsonObject> m_lEvents;
    QByteArray m_baPartial;
};

namespace {

const QString kSwitch = QStringLiteral("vinv-sw");
const QString kScanner = QStringLiteral("vinv-scan");
const QStringList kHosts{
    QStringLiteral("vinv-h2"), QStringLiteral("vinv-h3"), QStringLiteral("vinv-h4")};

} // namespace

bool TestWatchLab::Ip(const QStringList &i_lsArguments)
{
    QProcess oIp;
    oIp.start(QStringLiteral("ip"), i_lsArguments);
    if (!oIp.waitForFinished(10000) || oIp.exitCode() != 0) {
        qWarning("ip %s: %s",
                 qPrintable(i_lsArguments.join(QLatin1Char(' '))),
                 oIp.readAllStandardError().constData());
        return false;
    }
    return true;
}

bool TestWatchLab::AddHost(const QString &i_sName, int i_nHost, const QString &i_sMac)
{
    const QString sPort = QStringLiteral("p%1").arg(i_nHost);
    return Ip({QStringLiteral("netns"), QStringLiteral("add"), i_sName})
           && Ip({QStringLiteral("-n"),
                  i_sName,
                  QStringLiteral("link"),
                  QStringLiteral("add"),
                  QStringLiteral("eth0"),
                  QStringLiteral("type"),
                  QStringLiteral("veth"),
                  QStringLiteral("peer"),
                  QStringLiteral("name"),
                  sPort,
                  QStringLiteral("netns"),
                  kSwitch})
           && (i_sMac.isEmpty()
               || Ip({QStringLiteral("-n"),
                      i_sName,
                      QStringLiteral("link"),
                      QStringLiteral("set"),
                      QStringLiteral("eth0"),
                      QStringLiteral("address"),
                      i_sMac}))
           && Ip({QStringLiteral("-n"),
                  kSwitch,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  sPort,
                  QStringLiteral("master"),
                  QStringLiteral("br0"),
                  QStringLiteral("up")})
           && Ip({QStringLiteral("-n"),
                  i_sName,
                  QStringLiteral("addr"),
                  QStringLiteral("add"),
                  QStringLiteral("198.19.23.%1/24").arg(i_nHost),
                  QStringLiteral("dev"),
                  QStringLiteral("eth0")})
           && Ip({QStringLiteral("-n"),
                  i_sName,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  QStringLiteral("lo"),
                  QStringLiteral("up")})
           && Ip({QStringLiteral("-n"),
                  i_sName,
                  QStringLiteral("link"),
                  QStringLiteral("set"),
                  QStringLiteral("eth0"),
                  QStringLiteral("up")});
}

void TestWatchLab::TearDown()
{
    QStringList lsNames = kHosts;
    lsNames << kScanner << kSwitch;
    for (const QString &sName : qAsConst(lsNames)) {
        if (!QFile::exists(QStringLiteral("/run/netns/") + sName))
            continue;
        QProcess oPids;
        oPids.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("pids"), sName});
        oPids.waitForFinished(5000);
        for (const QByteArray &baPid : oPids.readAllStandardOutput().split('\n')) {
            if (baPid.toInt() > 0)
                ::kill(baPid.toInt(), SIGKILL);
        }
        Ip({QStringLiteral("netns"), QStringLiteral("del"), sName});
    }
    QDir(QStringLiteral("/etc/netns/") + kScanner).removeRecursively();
}

void TestWatchLab::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("network namespaces need root");
    TearDown();
    QVERIFY(Ip({QStringLiteral("netns"), QStringLiteral("add"), kSwitch}));
    QVERIFY(Ip({QStringLiteral("-n"),
                kSwitch,
                QStringLiteral("link"),
                QStringLiteral("add"),
                QStringLiteral("br0"),
                QStringLiteral("type"),
                QStringLiteral("bridge")}));
    QVERIFY(Ip({QStringLiteral("-n"),
                kSwitch,
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("br0"),
                QStringLiteral("up")}));
    // The scanner's namespace has no route out and a resolver that is not there.
    QVERIFY(QDir().mkpath(QStringLiteral("/etc/netns/") + kScanner));
    QFile oResolv(QStringLiteral("/etc/netns/%1/resolv.conf").arg(kScanner));
    QVERIFY(oResolv.open(QIODevice::WriteOnly));
    oResolv.write("nameserver 127.0.0.1\noptions timeout:1 attempts:1\n");
    oResolv.close();
    QVERIFY(AddHost(kScanner, 1, QString()));
    QVERIFY(AddHost(kHosts.at(0), 2, QStringLiteral("02:23:00:00:00:02")));
    QVERIFY(AddHost(kHosts.at(1), 3, QStringLiteral("02:23:00:00:00:03")));
}

void TestWatchLab::cleanupTestCase()
{
    if (geteuid() == 0)
        TearDown();
}

bool TestWatchLab::WaitForEvent(QProcess &io_rWatch, const QString &i_sKind, const QString &i_sIp)
{
    QElapsedTimer oTimer;
    oTimer.start();
    // Generous: a scan of the five addresses waits for ARP on the silent ones.
    while (oTimer.elapsed() < 120000) {
        for (const QJsonObject &oEvent : qAsConst(m_lEvents)) {
            if (oEvent.value(QStringLiteral("event")).toString() == i_sKind
                && oEvent.value(QStringLiteral("ip")).toString() == i_sIp)
                return true;
        }
        if (io_rWatch.state() == QProcess::NotRunning)
            return false;
        io_rWatch.waitForReadyRead(1000);
        m_baPartial += io_rWatch.readAllStandardOutput();
        int nEnd = 0;
        while ((nEnd = m_baPartial.indexOf('\n')) >= 0) {
            m_lEvents << QJsonDocument::fromJson(m_baPartial.left(nEnd)).object();
            m_baPartial.remove(0, nEnd + 1);
        }
    }
    return false;
}

void TestWatchLab::watch_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

void TestWatchLab::watch()
{
    QFETCH(QString, backend);
    m_lEvents.clear();
    m_baPartial.clear();
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    CPostgresServer oServer;
    QString sStore = QStringLiteral("sqlite:") + oDir.filePath(QStringLiteral("watch.sqlite"));
    if (backend == QLatin1String("postgresql")) {
        const QString sError = oServer.Start();
        if (!sError.isEmpty())
            QSKIP(qPrintable(sError));
        sStore = oServer.Url();
    }
    // Hosts back to how the other backend's run found them.
    if (QFile::exists(QStringLiteral("/run/netns/") + kHosts.at(2)))
        QVERIFY(Ip({QStringLiteral("netns"), QStringLiteral("del"), kHosts.at(2)}));
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(1),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("address"),
                QStringLiteral("02:23:00:00:00:03")}));
    Ip({QStringLiteral("-n"),
        kScanner,
        QStringLiteral("neigh"),
        QStringLiteral("flush"),
        QStringLiteral("all")});

    const QString sLog = oDir.filePath(QStringLiteral("events.log"));
    const QString sProgram = oDir.filePath(QStringLiteral("on-event"));
    QFile oProgram(sProgram);
    QVERIFY(oProgram.open(QIODevice::WriteOnly));
    oProgram.write(
        QStringLiteral(
            "#!/bin/sh\necho \"$VISTREL_EVENT $VISTREL_IP $VISTREL_MAC $VISTREL_OLD $VISTREL_NEW "
            "$VISTREL_SITE\" >>'%1'\n")
            .arg(sLog)
            .toUtf8());
    oProgram.close();
    QVERIFY(oProgram.setPermissions(oProgram.permissions() | QFile::ExeOwner));

    QProcess oWatch;
    oWatch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    oWatch.start(QStringLiteral("ip"),
                 {QStringLiteral("netns"),
                  QStringLiteral("exec"),
                  kScanner,
                  QStringLiteral(VISTREL_CONSOLE_BIN),
                  QStringLiteral("/r:198.19.23.2-198.19.23.6"),
                  QStringLiteral("/w:1"),
                  QStringLiteral("/d:") + sStore,
                  QStringLiteral("/l:lab"),
                  QStringLiteral("/o:jsonl"),
                  QStringLiteral("/p:none"),
                  QStringLiteral("/n:none"),
                  QStringLiteral("/e:") + sProgram});
    QVERIFY(oWatch.waitForStarted(10000));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("new"), QStringLiteral("198.19.23.2")));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("new"), QStringLiteral("198.19.23.3")));

    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(0),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("down")}));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("gone"), QStringLiteral("198.19.23.2")));
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(0),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("up")}));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("back"), QStringLiteral("198.19.23.2")));

    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(1),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("address"),
                QStringLiteral("02:23:00:00:00:33")}));
    // The scanner's kernel would keep the old address until its entry ages out.
    QVERIFY(Ip({QStringLiteral("-n"),
                kScanner,
                QStringLiteral("neigh"),
                QStringLiteral("flush"),
                QStringLiteral("all")}));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("mac-changed"), QStringLiteral("198.19.23.3")));

    QVERIFY(AddHost(kHosts.at(2), 4, QStringLiteral("02:23:00:00:00:04")));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("new"), QStringLiteral("198.19.23.4")));
    // Two more rounds, in which nothing may be told again.
    const int nBefore = m_lEvents.size();
    QTest::qWait(6000);
    m_baPartial += oWatch.readAllStandardOutput();
    QCOMPARE(m_baPartial.count('\n'), 0);
    QCOMPARE(m_lEvents.size(), nBefore);

    QElapsedTimer oStop;
    oStop.start();
    ::kill(static_cast<pid_t>(oWatch.processId()), SIGTERM);
    QVERIFY(oWatch.waitForFinished(10000));
    qInfo("watch stopped %lld ms after SIGTERM", static_cast<long long>(oStop.elapsed()));
    QCOMPARE(oWatch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(oWatch.exitCode(), 0);

    QStringList lsSeen;
    for (const QJsonObject &oEvent : qAsConst(m_lEvents))
        lsSeen << oEvent.value(QStringLiteral("event")).toString() + QLatin1Char(' ')
                      + oEvent.value(QStringLiteral("ip")).toString();
    lsSeen.sort();
    const QStringList lsExpected{QStringLiteral("back 198.19.23.2"),
                                 QStringLiteral("gone 198.19.23.2"),
                                 QStringLiteral("mac-changed 198.19.23.3"),
                                 QStringLiteral("new 198.19.23.2"),
                                 QStringLiteral("new 198.19.23.3"),
                                 QStringLiteral("new 198.19.23.4")};
    QCOMPARE(lsSeen, lsExpected);

    QFile oLog(sLog);
    QVERIFY(oLog.open(QIODevice::ReadOnly));
    QStringList lsCalls;
    for (const QByteArray &baLine : oLog.readAll().split('\n')) {
        if (!baLine.isEmpty())
            lsCalls << QString::fromUtf8(baLine.split(' ').mid(0, 2).join(' '));
    }
    lsCalls.sort();
    QCOMPARE(lsCalls, lsExpected);

    CInventoryStore oStore;
    QString sError;
    QVERIFY2(oStore.Open(sStore, &sError), qPrintable(sError));
    QSqlQuery oEvents(oStore.Database());
    QVERIFY(oEvents.exec(
        QStringLiteral("SELECT kind, ip, site FROM vistrel_events ORDER BY kind, ip")));
    QStringList lsStored;
    while (oEvents.next()) {
        QCOMPARE(oEvents.value(2).toString(), QStringLiteral("lab"));
        lsStored << oEvents.value(0).toString() + QLatin1Char(' ') + oEvents.value(1).toString();
    }
    QCOMPARE(lsStored, lsExpected);
}

void TestWatchLab::serverStoppedMidWatch()
{
    m_lEvents.clear();
    m_baPartial.clear();
    CPostgresServer oServer;
    const QString sError = oServer.Start();
    if (!sError.isEmpty())
        QSKIP(qPrintable(sError));
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(0),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("up")}));
    QProcess oWatch;
    oWatch.start(QStringLiteral("ip"),
                 {QStringLiteral("netns"),
                  QStringLiteral("exec"),
                  kScanner,
                  QStringLiteral(VISTREL_CONSOLE_BIN),
                  QStringLiteral("/r:198.19.23.2-198.19.23.3"),
                  QStringLiteral("/w:0"),
                  QStringLiteral("/d:") + oServer.Url(),
                  QStringLiteral("/l:lab"),
                  QStringLiteral("/o:jsonl"),
                  QStringLiteral("/p:none"),
                  QStringLiteral("/n:none")});
    QVERIFY(oWatch.waitForStarted(10000));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("new"), QStringLiteral("198.19.23.2")));

    // While the server is away the host goes: the scans that miss it wait in the watch.
    oServer.Stop();
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(0),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("down")}));
    QElapsedTimer oAway;
    oAway.start();
    QByteArray baErrors;
    // Until more scans wait than the watch keeps: the oldest gives way, with a warning.
    while (!baErrors.contains("dropped") && oAway.elapsed() < 60000) {
        oWatch.waitForReadyRead(500);
        baErrors += oWatch.readAllStandardError();
    }
    QVERIFY2(baErrors.count("tried again after the next scan") >= 4, baErrors.constData());
    QVERIFY(oWatch.state() == QProcess::Running);
    const QString sRun = oServer.Run();
    QVERIFY2(sRun.isEmpty(), qPrintable(sRun));
    QVERIFY(WaitForEvent(oWatch, QStringLiteral("gone"), QStringLiteral("198.19.23.2")));
    ::kill(static_cast<pid_t>(oWatch.processId()), SIGTERM);
    QVERIFY(oWatch.waitForFinished(10000));
    QCOMPARE(oWatch.exitCode(), 0);
    QVERIFY(QProcess::execute(QStringLiteral("ip"),
                              {QStringLiteral("-n"),
                               kHosts.at(0),
                               QStringLiteral("link"),
                               QStringLiteral("set"),
                               QStringLiteral("eth0"),
                               QStringLiteral("up")})
            == 0);

    CInventoryStore oStore;
    QString sOpenError;
    QVERIFY2(oStore.Open(oServer.Url(), &sOpenError), qPrintable(sOpenError));
    QSqlQuery oCount(oStore.Database());
    QVERIFY(oCount.exec(QStringLiteral("SELECT kind, ip FROM vistrel_events ORDER BY kind, ip")));
    QStringList lsStored;
    while (oCount.next())
        lsStored << oCount.value(0).toString() + QLatin1Char(' ') + oCount.value(1).toString();
    QCOMPARE(lsStored,
             QStringList({QStringLiteral("gone 198.19.23.2"),
                          QStringLiteral("new 198.19.23.2"),
                          QStringLiteral("new 198.19.23.3")}));
}

// /c:on with a store compares with the store's last scan of each address, not with a file.
void TestWatchLab::compareWithStore()
{
    QTemporaryDir oHome;
    QVERIFY(oHome.isValid());
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(1),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("address"),
                QStringLiteral("02:23:00:00:00:03")}));
    Ip({QStringLiteral("-n"),
        kScanner,
        QStringLiteral("neigh"),
        QStringLiteral("flush"),
        QStringLiteral("all")});
    const QString sStore =
        QStringLiteral("/d:sqlite:") + oHome.filePath(QStringLiteral("s.sqlite"));
    const auto Marks = [&]() {
        QProcess oScan;
        QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
        oEnvironment.insert(QStringLiteral("HOME"), oHome.path());
        oScan.setProcessEnvironment(oEnvironment);
        oScan.start(QStringLiteral("ip"),
                    {QStringLiteral("netns"),
                     QStringLiteral("exec"),
                     kScanner,
                     QStringLiteral(VISTREL_CONSOLE_BIN),
                     QStringLiteral("/r:198.19.23.2-198.19.23.3"),
                     sStore,
                     QStringLiteral("/l:lab"),
                     QStringLiteral("/c:on"),
                     QStringLiteral("/o:jsonl"),
                     QStringLiteral("/p:none"),
                     QStringLiteral("/n:none")});
        QStringList lsMarks;
        if (!oScan.waitForFinished(60000) || oScan.exitCode() != 0)
            return lsMarks;
        for (const QByteArray &baLine : oScan.readAllStandardOutput().split('\n')) {
            const QJsonObject oLine = QJsonDocument::fromJson(baLine).object();
            if (oLine.contains(QStringLiteral("change")))
                lsMarks << oLine.value(QStringLiteral("ip")).toString() + QLatin1Char(' ')
                               + oLine.value(QStringLiteral("change")).toString();
        }
        lsMarks.sort();
        return lsMarks;
    };
    QCOMPARE(Marks(),
             QStringList({QStringLiteral("198.19.23.2 new"), QStringLiteral("198.19.23.3 new")}));
    QCOMPARE(Marks(),
             QStringList({QStringLiteral("198.19.23.2 unchanged"),
                          QStringLiteral("198.19.23.3 unchanged")}));
    QVERIFY(Ip({QStringLiteral("-n"),
                kHosts.at(1),
                QStringLiteral("link"),
                QStringLiteral("set"),
                QStringLiteral("eth0"),
                QStringLiteral("address"),
                QStringLiteral("02:23:00:00:00:33")}));
    QVERIFY(Ip({QStringLiteral("-n"),
                kScanner,
                QStringLiteral("neigh"),
                QStringLiteral("flush"),
                QStringLiteral("all")}));
    QCOMPARE(Marks(),
             QStringList(
                 {QStringLiteral("198.19.23.2 unchanged"), QStringLiteral("198.19.23.3 changed")}));
    QVERIFY(!QFile::exists(oHome.filePath(QStringLiteral("vistrel_LastScan.xml"))));
}

QTEST_GUILESS_MAIN(TestWatchLab)
#include "tst_WatchLab.moc"
