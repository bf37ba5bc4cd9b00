// SPDX-License-Identifier: GPL-3.0-or-later
// The console program against the test network: every address of the lab's table is scanned
// from the scanner's namespace (`ip netns exec vnl-scan`, which also brings in the lab's own
// resolver), and status, MAC and name are held against the table and, in the same run, against
// arp-scan and the kernel's neighbour table of that namespace.
#include "../helpers/ConsoleTable.h"
#include "../netlab/LabTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

const QString g_sScanNs = QStringLiteral("vnl-scan");

QByteArray RunInLab(const QStringList &i_lsCommand, int i_nTimeoutMs, bool *o_pfOk = nullptr)
{
    QProcess oProcess;
    oProcess.start(QStringLiteral("ip"),
                   QStringList{QStringLiteral("netns"), QStringLiteral("exec"), g_sScanNs}
                       + i_lsCommand);
    const bool fOk = oProcess.waitForFinished(i_nTimeoutMs)
                     && oProcess.exitStatus() == QProcess::NormalExit && oProcess.exitCode() == 0;
    if (oProcess.state() != QProcess::NotRunning) {
        oProcess.kill();
        oProcess.waitForFinished();
    }
    if (o_pfOk)
        *o_pfOk = fOk;
    return oProcess.readAllStandardOutput();
}

// The console prints bytes as bare hexadecimal separated by dots ("2.5e.0.0.0.a").
QString ConsoleMacToColon(const QString &i_sMac)
{
    QStringList lsBytes;
    for (const QString &sByte : i_sMac.split(QLatin1Char('.'))) {
        bool fOk = false;
        const uint nByte = sByte.toUInt(&fOk, 16);
        lsBytes << (fOk ? QStringLiteral("%1").arg(nByte, 2, 16, QLatin1Char('0')).toUpper()
                        : QStringLiteral("??"));
    }
    return lsBytes.join(QLatin1Char(':'));
}

bool IsOnLabLan(const QString &i_sIp)
{
    return i_sIp.startsWith(QLatin1String("198.18."));
}

} // namespace

class TestLivenessLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void host_data();
    void host();
    void arpScanAgrees();

private:
    struct THost
    {
        QString sStatus;
        QString sName;
        QString sMac; // colon form
    };
    QMap<QString, THost> m_mHosts;
    QMap<QString, QString> m_mArpScan; // ip -> MAC, colon form
};

void TestLivenessLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv); start it with "
              "tests/netlab/netlab.sh up");
    const QList<TLabRow> lRows = ReadLabTable();
    QVERIFY(!lRows.isEmpty());

    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    QFile oRanges(oDir.filePath(QStringLiteral("ranges.txt")));
    QVERIFY(oRanges.open(QIODevice::WriteOnly));
    QFile oArpTargets(oDir.filePath(QStringLiteral("arp-targets.txt")));
    QVERIFY(oArpTargets.open(QIODevice::WriteOnly));
    for (const TLabRow &mRow : lRows) {
        oRanges.write(mRow.value(QStringLiteral("ip")).toUtf8() + '\n');
        if (IsOnLabLan(mRow.value(QStringLiteral("ip"))))
            oArpTargets.write(mRow.value(QStringLiteral("ip")).toUtf8() + '\n');
    }
    oRanges.close();
    oArpTargets.close();

    QElapsedTimer oTimer;
    oTimer.start();
    bool fOk = false;
    const QByteArray baOut =
        RunInLab({QStringLiteral(VISTREL_CONSOLE_BIN), QStringLiteral("/s:") + oRanges.fileName()},
                 300000,
                 &fOk);
    qInfo("console scan of %d lab addresses: %lld ms", int(lRows.size()), oTimer.elapsed());
    QVERIFY2(fOk, baOut.constData());
    for (const QStringList &lsFields : ConsoleRows(baOut)) {
        QVERIFY2(lsFields.size() >= 6, qPrintable(lsFields.join(QStringLiteral(" | "))));
        m_mHosts.insert(lsFields.at(2),
                        THost{lsFields.at(0), lsFields.at(1), ConsoleMacToColon(lsFields.at(5))});
    }
    QCOMPARE(m_mHosts.size(), lRows.size());

    // The peer in the same run, asking the same on-link addresses.
    const QByteArray baArp = RunInLab({QStringLiteral("arp-scan"),
                                       QStringLiteral("-I"),
                                       QStringLiteral("eth0"),
                                       QStringLiteral("-q"),
                                       QStringLiteral("-x"),
                                       QStringLiteral("-N"),
                                       QStringLiteral("-g"),
                                       QStringLiteral("-r"),
                                       QStringLiteral("2"),
                                       QStringLiteral("-t"),
                                       QStringLiteral("300"),
                                       QStringLiteral("--file=") + oArpTargets.fileName()},
                                      60000,
                                      &fOk);
    QVERIFY2(fOk, "arp-scan failed in the scanner's namespace");
    for (const QByteArray &baLine : baArp.split('\n')) {
        const QList<QByteArray> lbaFields = baLine.trimmed().split('\t');
        if (lbaFields.size() >= 2)
            m_mArpScan.insert(QString::fromLatin1(lbaFields.at(0)),
                              QString::fromLatin1(lbaFields.at(1)).toUpper());
    }
}

void TestLivenessLab::host_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("laterNames");

    for (const TLabRow &mRow : ReadLabTable()) {
        const QString sIp = mRow.value(QStringLiteral("ip"));
        QStringList lsLater;
        for (const char *pColumn : {"snmp_sysname", "zeroconf_name", "mdns_name"}) {
            if (!mRow.value(QLatin1String(pColumn)).isEmpty())
                lsLater << mRow.value(QLatin1String(pColumn));
        }
        QTest::addRow("%s: %s", qPrintable(sIp), qPrintable(mRow.value(QStringLiteral("notes"))))
            << sIp << mRow.value(QStringLiteral("expect_status"))
            << mRow.value(QStringLiteral("mac")).toUpper() << mRow.value(QStringLiteral("name"))
            << lsLater;
    }
}

void TestLivenessLab::host()
{
    QFETCH(QString, ip);
    QFETCH(QString, status);
    QFETCH(QString, mac);
    QFETCH(QString, name);
    QFETCH(QStringList, laterNames);

    QVERIFY2(m_mHosts.contains(ip), "no line for this address");
    const THost oHost = m_mHosts.value(ip);
    QCOMPARE(oHost.sStatus, status);
    QCOMPARE(oHost.sMac, mac.isEmpty() ? QStringLiteral("00:00:00:00:00:00") : mac);
    if (status != QLatin1String("alive")) {
        QCOMPARE(oHost.sName, QString());
        return;
    }
    if (!name.isEmpty()) {
        QCOMPARE(oHost.sName, name);
    } else {
        // No PTR record: reverse DNS gives the dotted address; zeroconf or SNMP may name it later.
        QVERIFY2(oHost.sName == ip || laterNames.contains(oHost.sName), qPrintable(oHost.sName));
    }

    // The kernel's word, where it has one (ICMP and DNS traffic fill its table).
    const QByteArray baNeigh = RunInLab(
        {QStringLiteral("ip"), QStringLiteral("neigh"), QStringLiteral("show"), ip}, 10000);
    const QList<QByteArray> lbaWords = baNeigh.simplified().split(' ');
    const int nAt = lbaWords.indexOf("lladdr");
    if (nAt >= 0 && nAt + 1 < lbaWords.size() && !baNeigh.contains("FAILED")
        && !baNeigh.contains("INCOMPLETE"))
        QCOMPARE(QString::fromLatin1(lbaWords.at(nAt + 1)).toUpper(), oHost.sMac);
}

void TestLivenessLab::arpScanAgrees()
{
    // Every host arp-scan heard is alive here with the same MAC, and every host we found by
    // ARP was heard by arp-scan; the scanner's own address, whose MAC comes from the interface,
    // is not heard by anyone.
    QVERIFY(!m_mArpScan.isEmpty());
    QStringList lsOwn;
    for (const TLabRow &mRow : ReadLabTable()) {
        if (mRow.value(QStringLiteral("netns")) == QLatin1String("vnl-scan"))
            lsOwn << mRow.value(QStringLiteral("ip"));
    }
    QVERIFY(!lsOwn.isEmpty());
    for (auto it = m_mArpScan.cbegin(); it != m_mArpScan.cend(); ++it) {
        QVERIFY2(m_mHosts.contains(it.key()), qPrintable(it.key()));
        QCOMPARE(m_mHosts.value(it.key()).sStatus, QStringLiteral("alive"));
        QCOMPARE(m_mHosts.value(it.key()).sMac, it.value());
    }
    for (auto it = m_mHosts.cbegin(); it != m_mHosts.cend(); ++it) {
        if (it->sMac != QLatin1String("00:00:00:00:00:00") && !lsOwn.contains(it.key()))
            QVERIFY2(m_mArpScan.contains(it.key()), qPrintable(it.key()));
    }
}

QTEST_GUILESS_MAIN(TestLivenessLab)
#include "tst_LivenessLab.moc"
