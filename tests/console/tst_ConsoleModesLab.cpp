// SPDX-License-Identifier: GPL-3.0-or-later
// The default mode and high accuracy find the same on the test network: the console scans the
// lab's first /24 and its hosts beyond (one routed) with every probe, once in each mode, and
// every field of every address must agree. The default mode's shorter waits and its probes
// asked all at once may only cost the name of the SNMP agent that answers after 1.5 s, which
// high accuracy waits for and the default mode's one 1 s wait on the link does not.
#include "../netlab/LabTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kScanBus =
    QStringLiteral("unix:path=/run/vistrel-netlab/vnl-scan/dbus/system_bus_socket");
const QString kSlowAgent = QStringLiteral("198.18.0.32");
// Far above a scan of the /24 with high accuracy on a loaded machine, sanitizers included.
constexpr int kHangMs = 240000;

using THosts = QMap<QString, QJsonObject>;

} // namespace

class TestConsoleModesLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bothModesScannedEveryAddress();
    void firewalledHostsAreAliveAndBare_data();
    void firewalledHostsAreAliveAndBare();
    void everyFieldAgrees();
    void slowAgentIsNamedOnlyWithHighAccuracy();
    void hostsOwnNameWithoutAnyRecord();
    void aliveByTheProbeThatAnswered_data();
    void aliveByTheProbeThatAnswered();
    void webServersOnOtherPorts();
    void announcedNameOfTheFirstHostScanned();

private:
    bool Scan(bool i_fHighAccuracy, THosts &o_rmHosts, QString &o_rsError);

    QTemporaryDir m_oDir;
    QList<TLabRow> m_lRows;
    THosts m_mFast;
    THosts m_mAccurate;
};

bool TestConsoleModesLab::Scan(bool i_fHighAccuracy, THosts &o_rmHosts, QString &o_rsError)
{
    const QString sOut =
        m_oDir.filePath(i_fHighAccuracy ? QStringLiteral("accurate") : QStringLiteral("fast"));
    QDir().mkpath(sOut + QStringLiteral(".home"));
    QProcess oProcess;
    oProcess.setStandardOutputFile(QProcess::nullDevice());
    oProcess.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"),
                    QStringLiteral("exec"),
                    QStringLiteral("vnl-scan"),
                    QStringLiteral("env"),
                    QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS=") + kScanBus,
                    QStringLiteral("HOME=") + sOut + QStringLiteral(".home"),
                    QStringLiteral(VISTREL_CONSOLE_BIN),
                    QStringLiteral("/s:") + m_oDir.filePath(QStringLiteral("ranges.txt")),
                    QStringLiteral("/p:all"),
                    QStringLiteral("/x:8080,8443s,8081"),
                    QStringLiteral("/a:") + (i_fHighAccuracy ? "on" : "off"),
                    QStringLiteral("/o:jsonl"),
                    QStringLiteral("/f:") + sOut + QStringLiteral(".jsonl")});
    if (!oProcess.waitForFinished(kHangMs)) {
        oProcess.kill();
        oProcess.waitForFinished(5000);
        o_rsError = QStringLiteral("the console did not end in %1 s").arg(kHangMs / 1000);
        return false;
    }
    const QByteArray baError = oProcess.readAllStandardError();
    if (oProcess.exitStatus() != QProcess::NormalExit || oProcess.exitCode() != 0
        || !baError.isEmpty()) {
        o_rsError = QStringLiteral("the console ended with status %1 and said: %2")
                        .arg(oProcess.exitCode())
                        .arg(QString::fromLocal8Bit(baError));
        return false;
    }
    QFile oFile(sOut + QStringLiteral(".jsonl"));
    if (!oFile.open(QIODevice::ReadOnly)) {
        o_rsError = QStringLiteral("no output file ") + oFile.fileName();
        return false;
    }
    for (const QByteArray &baLine : oFile.readAll().split('\n')) {
        if (baLine.trimmed().isEmpty())
            continue;
        const QJsonObject oHost = QJsonDocument::fromJson(baLine).object();
        const QString sIp = oHost.value(QStringLiteral("ip")).toString();
        if (sIp.isEmpty() || o_rmHosts.contains(sIp)) {
            o_rsError = QStringLiteral("a line without an address, or a second one for it: ")
                        + QString::fromUtf8(baLine);
            return false;
        }
        o_rmHosts.insert(sIp, oHost);
    }
    return true;
}

void TestConsoleModesLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    m_lRows = ReadLabTable();
    QVERIFY(!m_lRows.isEmpty());
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sIp = mRow.value(QStringLiteral("ip"));
        const QString sFailed = mRow.value(QStringLiteral("failed"));
        QVERIFY2(sFailed.isEmpty(),
                 qPrintable(sIp + QStringLiteral(": not running: ") + sFailed
                            + QStringLiteral(" (see /run/vistrel-netlab/failures.tsv)")));
    }
    QVERIFY(m_oDir.isValid());
    QFile oRanges(m_oDir.filePath(QStringLiteral("ranges.txt")));
    QVERIFY(oRanges.open(QIODevice::WriteOnly));
    oRanges.write("198.18.0.0/24\n198.18.1.5\n198.18.1.99\n198.19.1.10\n198.19.1.99\n");
    oRanges.close();
    QString sError;
    QVERIFY2(Scan(false, m_mFast, sError), qPrintable(QStringLiteral("default: ") + sError));
    QVERIFY2(Scan(true, m_mAccurate, sError), qPrintable(QStringLiteral("/a:on: ") + sError));
}

void TestConsoleModesLab::bothModesScannedEveryAddress()
{
    QCOMPARE(m_mFast.size(), 254 + 4);
    QCOMPARE(m_mAccurate.keys(), m_mFast.keys());
    // Nothing is compared unless the lab's table was found in the scans.
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sIp = mRow.value(QStringLiteral("ip"));
        if (!m_mFast.contains(sIp))
            continue;
        QCOMPARE(m_mFast.value(sIp).value(QStringLiteral("status")).toString(),
                 mRow.value(QStringLiteral("expect_status")));
    }
}

void TestConsoleModesLab::firewalledHostsAreAliveAndBare_data()
{
    QTest::addColumn<QString>("ip");
    QTest::newRow("drops all IP") << QStringLiteral("198.18.0.30");
    QTest::newRow("drops TCP") << QStringLiteral("198.18.0.31");
}

void TestConsoleModesLab::firewalledHostsAreAliveAndBare()
{
    QFETCH(QString, ip);
    const QJsonObject oHost = m_mFast.value(ip);
    QCOMPARE(oHost.value(QStringLiteral("status")).toString(), QStringLiteral("alive"));
    QCOMPARE(oHost.value(QStringLiteral("name")).toString(), ip);
    QCOMPARE(oHost.value(QStringLiteral("services")).toArray().size(), 0);
}

void TestConsoleModesLab::everyFieldAgrees()
{
    // Probes that found something in the lab must be part of the comparison.
    const QJsonObject oAlpha = m_mFast.value(QStringLiteral("198.18.0.10"));
    QVERIFY(!oAlpha.value(QStringLiteral("http_title")).toString().isEmpty());
    QVERIFY(!oAlpha.value(QStringLiteral("shares")).toArray().isEmpty());
    QVERIFY(!oAlpha.value(QStringLiteral("netbios_name")).toString().isEmpty());
    QVERIFY(!oAlpha.value(QStringLiteral("ortavo_ports")).toArray().isEmpty());
    QVERIFY(oAlpha.value(QStringLiteral("services")).toArray().size() >= 3);

    QStringList lsDifferences;
    for (auto it = m_mFast.cbegin(); it != m_mFast.cend(); ++it) {
        const QJsonObject oAccurate = m_mAccurate.value(it.key());
        QStringList lsKeys = it.value().keys() + oAccurate.keys();
        lsKeys.removeDuplicates();
        for (const QString &sKey : qAsConst(lsKeys)) {
            if (it.key() == kSlowAgent && sKey == QLatin1String("name"))
                continue;
            if (it.value().value(sKey) != oAccurate.value(sKey))
                lsDifferences << it.key() + QLatin1Char(' ') + sKey + QStringLiteral(": ")
                                     + QString::fromUtf8(
                                         QJsonDocument(QJsonArray{it.value().value(sKey),
                                                                  oAccurate.value(sKey)})
                                             .toJson(QJsonDocument::Compact));
        }
    }
    QVERIFY2(lsDifferences.isEmpty(),
             qPrintable(QStringLiteral("[default, high accuracy] differ: ")
                        + lsDifferences.join(QStringLiteral("; "))));
}

void TestConsoleModesLab::slowAgentIsNamedOnlyWithHighAccuracy()
{
    QString sSysName;
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        if (mRow.value(QStringLiteral("ip")) == kSlowAgent)
            sSysName = mRow.value(QStringLiteral("snmp_sysname"));
    }
    QVERIFY(!sSysName.isEmpty());
    QCOMPARE(m_mAccurate.value(kSlowAgent).value(QStringLiteral("name")).toString(), sSysName);
    QCOMPARE(m_mFast.value(kSlowAgent).value(QStringLiteral("name")).toString(), kSlowAgent);
}

void TestConsoleModesLab::hostsOwnNameWithoutAnyRecord()
{
    // No PTR, no agent, no announced service: the host's own responder names its address.
    int nChecked = 0;
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sOwnName = mRow.value(QStringLiteral("mdns_name"));
        if (sOwnName.isEmpty())
            continue;
        const QString sIp = mRow.value(QStringLiteral("ip"));
        QCOMPARE(m_mFast.value(sIp).value(QStringLiteral("name")).toString(), sOwnName);
        ++nChecked;
    }
    QVERIFY(nChecked > 0);
}

void TestConsoleModesLab::aliveByTheProbeThatAnswered_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("by");
    QTest::newRow("the scanner's own address")
        << QStringLiteral("198.18.0.2") << QStringLiteral("own");
    QTest::newRow("a host answering everything")
        << QStringLiteral("198.18.0.10") << QStringLiteral("arp");
    QTest::newRow("drops ICMP echo") << QStringLiteral("198.18.0.12") << QStringLiteral("arp");
    QTest::newRow("drops all IP") << QStringLiteral("198.18.0.30") << QStringLiteral("arp");
    QTest::newRow("drops TCP") << QStringLiteral("198.18.0.31") << QStringLiteral("arp");
    QTest::newRow("behind the router") << QStringLiteral("198.19.1.10") << QStringLiteral("icmp");
    QTest::newRow("absent") << QStringLiteral("198.18.0.99") << QString();
    QTest::newRow("absent behind the router") << QStringLiteral("198.19.1.99") << QString();
}

void TestConsoleModesLab::aliveByTheProbeThatAnswered()
{
    QFETCH(QString, ip);
    QFETCH(QString, by);
    for (const THosts *pmHosts : {&m_mFast, &m_mAccurate}) {
        QVERIFY2(pmHosts->contains(ip), "no line for this address");
        QCOMPARE(pmHosts->value(ip).value(QStringLiteral("alive_by")).toString(), by);
    }
}

void TestConsoleModesLab::webServersOnOtherPorts()
{
    // Asked on 8080, 8443 over TLS and 8081: only the lab's servers on the first two answer.
    int nFound = 0;
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sIp = mRow.value(QStringLiteral("ip"));
        if (mRow.value(QStringLiteral("expect_status")) != QLatin1String("alive"))
            continue;
        QJsonArray aExpected;
        const QStringList lsPorts =
            mRow.value(QStringLiteral("web_ports")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString sPort : lsPorts) {
            const bool fHttps = sPort.endsWith(QLatin1Char('s'));
            if (fHttps)
                sPort.chop(1);
            aExpected.append(
                QJsonObject{{QStringLiteral("port"), sPort.toInt()},
                            {QStringLiteral("https"), fHttps},
                            {QStringLiteral("title"), mRow.value(QStringLiteral("http_title"))}});
            ++nFound;
        }
        QCOMPARE(m_mFast.value(sIp).value(QStringLiteral("web")).toArray(), aExpected);
    }
    QVERIFY(nFound >= 2);
}

void TestConsoleModesLab::announcedNameOfTheFirstHostScanned()
{
    // A scan of the announced host alone names it at once, before the daemon's answer could
    // have been heard, unless the lookup waits for browsing to have run.
    QString sIp;
    QString sAnnounced;
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        if (!mRow.value(QStringLiteral("zeroconf_name")).isEmpty()
            && mRow.value(QStringLiteral("name")).isEmpty()
            && mRow.value(QStringLiteral("snmp_sysname")).isEmpty()) {
            sIp = mRow.value(QStringLiteral("ip"));
            sAnnounced = mRow.value(QStringLiteral("zeroconf_name"));
        }
    }
    QVERIFY(!sIp.isEmpty());
    QFile oRanges(m_oDir.filePath(QStringLiteral("ranges.txt")));
    QVERIFY(oRanges.open(QIODevice::WriteOnly));
    oRanges.write(sIp.toLatin1() + '\n');
    oRanges.close();
    THosts mHosts;
    QString sError;
    QVERIFY2(Scan(false, mHosts, sError), qPrintable(sError));
    QCOMPARE(mHosts.value(sIp).value(QStringLiteral("name")).toString(), sAnnounced);
}

QTEST_GUILESS_MAIN(TestConsoleModesLab)
#include "tst_ConsoleModesLab.moc"
