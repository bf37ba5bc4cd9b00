// SPDX-License-Identifier: GPL-3.0-or-later
// The console against the test network's hostile /24 (198.18.2.0/24, see tests/netlab), which
// the test adds to the running lab and takes out again, with every probe: pages that expand
// entities, endless chunks, headers and gzip bombs, tarpits, SNMP names that forge a host line,
// NetBIOS names full of escape sequences, NetBIOS answers sent by a neighbour and unit ids that are
// not the MAC address. One scan; each test reads what it left. Nothing here measures speed or
// memory (bench/hostile.sh does): the bounds below only keep a hang or a blow-up from taking the
// machine down with the test.
#include "../netlab/LabTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString kHostileTable = QStringLiteral("/run/vistrel-netlab/hostile.tsv");
const QString kScanBus =
    QStringLiteral("unix:path=/run/vistrel-netlab/vnl-scan/dbus/system_bus_socket");
constexpr int kAddresses = 254;
// Far above any scan of the /24 on a loaded machine, sanitizers included.
constexpr int kHangMs = 420000;
// A scanner past this much resident memory is killed before it takes the machine with it.
constexpr qint64 kRssKillKiB = 3LL * 1024 * 1024;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimit = false; // sanitizers reserve terabytes of address space
#else
constexpr bool kAddressSpaceLimit = true;
#endif

qint64 ResidentKiB(qint64 i_nPid)
{
    QFile oStatus(QStringLiteral("/proc/%1/status").arg(i_nPid));
    if (!oStatus.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray baStatus = oStatus.readAll();
    const int nAt = baStatus.indexOf("VmRSS:");
    if (nAt < 0)
        return 0;
    const int nEnd = baStatus.indexOf('\n', nAt);
    return baStatus.mid(nAt + 6, nEnd - nAt - 6).replace("kB", "").trimmed().toLongLong();
}

// "02:5E:00:00:02:02" as the console prints it: "2.5e.0.0.2.2".
QString ConsoleMac(const QString &i_sMac)
{
    QStringList lsBytes;
    for (const QString &sByte : i_sMac.split(QLatin1Char(':')))
        lsBytes << QString::number(sByte.toUInt(nullptr, 16), 16);
    return lsBytes.join(QLatin1Char('.'));
}

} // namespace

class TestConsoleHostileLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void scanEndsWithStatusZero();
    void outputHasOneLinePerAddress();
    void outputHasNoControlCharacters();
    void macIsTheArpAnswer_data();
    void macIsTheArpAnswer();
    void netBiosNameComesFromTheHostAsked_data();
    void netBiosNameComesFromTheHostAsked();

private:
    // The fields of the line of i_sIp, split at " | "; empty when there is no such line.
    QStringList LineOf(const QString &i_sIp) const;

    bool m_fHostileAdded = false;
    QList<TLabRow> m_lRows;
    QTemporaryDir m_oDir;
    QString m_sEnd;
    QByteArray m_baOutput;
    QStringList m_lsLines;
};

void TestConsoleHostileLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    if (!QFile::exists(kHostileTable)) {
        QProcess oUp;
        oUp.setProcessChannelMode(QProcess::ForwardedChannels);
        oUp.start(QStringLiteral(VISTREL_NETLAB_SCRIPT), {QStringLiteral("hostile-up")});
        QVERIFY2(oUp.waitForFinished(120000), "netlab.sh hostile-up did not finish in 120 s");
        if (oUp.exitCode() == 77)
            QSKIP("the hostile /24 needs root");
        QCOMPARE(oUp.exitCode(), 0);
        m_fHostileAdded = true;
    }
    m_lRows = ReadLabTable(kHostileTable);
    QCOMPARE(m_lRows.size(), kAddresses);
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sFailed = mRow.value(QStringLiteral("failed"));
        QVERIFY2(sFailed.isEmpty(),
                 qPrintable(mRow.value(QStringLiteral("ip"))
                            + QStringLiteral(": peer not running: ") + sFailed
                            + QStringLiteral(" (see /run/vistrel-netlab/failures.tsv)")));
    }
    QVERIFY(m_oDir.isValid());
    const QString sOut = m_oDir.filePath(QStringLiteral("hostile.txt"));
    QDir().mkpath(m_oDir.filePath(QStringLiteral("home")));

    QStringList lsArgs = {QStringLiteral("netns"),
                          QStringLiteral("exec"),
                          QStringLiteral("vnl-scan"),
                          QStringLiteral("env"),
                          QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS=") + kScanBus,
                          QStringLiteral("HOME=") + m_oDir.filePath(QStringLiteral("home"))};
    if (kAddressSpaceLimit)
        lsArgs << QStringLiteral("prlimit") << QStringLiteral("--as=4294967296")
               << QStringLiteral("--");
    lsArgs << QStringLiteral(VISTREL_CONSOLE_BIN) << QStringLiteral("/r:198.18.2.0/24")
           << QStringLiteral("/p:all") << QStringLiteral("/f:") + sOut;
    QProcess oProcess;
    oProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    oProcess.setStandardOutputFile(QProcess::nullDevice());
    oProcess.start(QStringLiteral("ip"), lsArgs);
    QVERIFY2(oProcess.waitForStarted(10000), qPrintable(oProcess.errorString()));
    QElapsedTimer oTimer;
    oTimer.start();
    while (!oProcess.waitForFinished(100)) {
        if (oTimer.elapsed() > kHangMs) {
            m_sEnd = QStringLiteral("was still running after %1 s").arg(kHangMs / 1000);
            break;
        }
        const qint64 nRss = ResidentKiB(oProcess.processId());
        if (nRss > kRssKillKiB) {
            m_sEnd = QStringLiteral("was killed at %1 MiB resident").arg(nRss / 1024);
            break;
        }
    }
    if (!m_sEnd.isEmpty()) {
        oProcess.kill();
        oProcess.waitForFinished(10000);
    } else if (oProcess.exitStatus() != QProcess::NormalExit) {
        m_sEnd = QStringLiteral("died (%1)").arg(oProcess.errorString());
    } else if (oProcess.exitCode() != 0) {
        m_sEnd = QStringLiteral("ended with exit status %1").arg(oProcess.exitCode());
    }
    QFile oOut(sOut);
    if (oOut.open(QIODevice::ReadOnly))
        m_baOutput = oOut.readAll();
    // A reader sees a line wherever a line feed is; only CR LF pairs may end one.
    for (const QByteArray &baLine : m_baOutput.split('\n'))
        m_lsLines << QString::fromUtf8(baLine.endsWith('\r') ? baLine.chopped(1) : baLine);
}

void TestConsoleHostileLab::cleanupTestCase()
{
    if (!m_fHostileAdded)
        return;
    QProcess oDown;
    oDown.setProcessChannelMode(QProcess::ForwardedChannels);
    oDown.start(QStringLiteral(VISTREL_NETLAB_SCRIPT), {QStringLiteral("hostile-down")});
    QVERIFY(oDown.waitForFinished(60000));
    QCOMPARE(oDown.exitCode(), 0);
}

QStringList TestConsoleHostileLab::LineOf(const QString &i_sIp) const
{
    for (const QString &sLine : m_lsLines) {
        const QStringList lsFields = sLine.split(QStringLiteral(" | "));
        if (lsFields.contains(i_sIp))
            return lsFields;
    }
    return {};
}

void TestConsoleHostileLab::scanEndsWithStatusZero()
{
    QVERIFY2(m_sEnd.isEmpty(), qPrintable(QStringLiteral("the console ") + m_sEnd));
}

void TestConsoleHostileLab::outputHasOneLinePerAddress()
{
    QVERIFY2(!m_baOutput.isEmpty(), "the output file is empty");
    QVERIFY2(m_lsLines.first().startsWith(QStringLiteral("Status | Name | IP | ")),
             qPrintable(m_lsLines.first().left(200)));
    QSet<QString> stScanned;
    for (const TLabRow &mRow : qAsConst(m_lRows))
        stScanned << mRow.value(QStringLiteral("ip"));
    // Free text may hold " | " (names are the peers' to choose), so a line is known by the one
    // field that is a scanned address; a line with none, or with two, was forged.
    QMap<QString, int> mSeen;
    QStringList lsForged;
    for (int i = 1; i < m_lsLines.size(); ++i) {
        // A host without a name shows its address as its name too.
        QSet<QString> stIps;
        for (const QString &sField : m_lsLines.at(i).split(QStringLiteral(" | "))) {
            if (stScanned.contains(sField))
                stIps << sField;
        }
        if (stIps.size() == 1)
            ++mSeen[*stIps.begin()];
        else
            lsForged << m_lsLines.at(i).left(120);
    }
    QVERIFY2(
        lsForged.isEmpty(),
        qPrintable(QStringLiteral("%1 lines name no scanned address, e.g. ").arg(lsForged.size())
                   + lsForged.value(0)));
    QStringList lsMissing;
    for (const QString &sIp : qAsConst(stScanned)) {
        if (mSeen.value(sIp) != 1)
            lsMissing << QStringLiteral("%1 (%2 lines)").arg(sIp).arg(mSeen.value(sIp));
    }
    lsMissing.sort();
    QVERIFY2(lsMissing.isEmpty(), qPrintable(lsMissing.mid(0, 10).join(QStringLiteral(", "))));
    QCOMPARE(m_lsLines.size(), kAddresses + 1);
}

void TestConsoleHostileLab::outputHasNoControlCharacters()
{
    QVERIFY2(!m_baOutput.isEmpty(), "the output file is empty");
    QTextCodec::ConverterState oState;
    const QString sText = QTextCodec::codecForName("UTF-8")->toUnicode(
        m_baOutput.constData(), m_baOutput.size(), &oState);
    QCOMPARE(oState.invalidChars, 0);
    // Control characters (C0 but for the CR LF between lines, DEL, C1) in any line.
    static const QRegularExpression s_reControl(QStringLiteral("[\\x00-\\x1f\\x7f-\\x9f]"));
    QStringList lsBad;
    const QStringList lsLines = sText.split(QStringLiteral("\r\n"));
    for (const QString &sLine : lsLines) {
        const QRegularExpressionMatch oMatch = s_reControl.match(sLine);
        if (oMatch.hasMatch())
            lsBad << QStringLiteral("U+%1 in \"%2\"")
                         .arg(oMatch.captured().at(0).unicode(), 4, 16, QLatin1Char('0'))
                         .arg(sLine.left(80).toHtmlEscaped());
    }
    QVERIFY2(lsBad.isEmpty(),
             qPrintable(QStringLiteral("%1 lines, e.g. ").arg(lsBad.size()) + lsBad.value(0)));
}

void TestConsoleHostileLab::macIsTheArpAnswer_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        if (mRow.value(QStringLiteral("netbios_mac")).isEmpty())
            continue;
        const QString sIp = mRow.value(QStringLiteral("ip"));
        QTest::newRow(qPrintable(sIp + QStringLiteral(" sends unit id ")
                                 + mRow.value(QStringLiteral("netbios_mac"))))
            << sIp << mRow.value(QStringLiteral("mac"));
    }
}

// The node status statistics carry a unit id that is not this host's MAC address; the ARP
// answer for the address is the one to report.
void TestConsoleHostileLab::macIsTheArpAnswer()
{
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    const QStringList lsFields = LineOf(ip);
    QCOMPARE(lsFields.size(), 7);
    QCOMPARE(lsFields.at(5), ConsoleMac(mac));
}

void TestConsoleHostileLab::netBiosNameComesFromTheHostAsked_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("foreign");
    for (const TLabRow &mRow : qAsConst(m_lRows)) {
        const QString sForeign = mRow.value(QStringLiteral("netbios_foreign"));
        if (sForeign.isEmpty())
            continue;
        const QString sIp = mRow.value(QStringLiteral("ip"));
        QTest::newRow(qPrintable(sIp + QStringLiteral(", first answered for by ") + sForeign))
            << sIp << sForeign;
    }
}

// The neighbour answers first, from its own address, with its own names; the host asked
// answers after it.
void TestConsoleHostileLab::netBiosNameComesFromTheHostAsked()
{
    QFETCH(QString, ip);
    QFETCH(QString, foreign);
    const QStringList lsFields = LineOf(ip);
    QCOMPARE(lsFields.size(), 7);
    QVERIFY2(lsFields.at(3) != foreign, qPrintable(lsFields.join(QStringLiteral(" | "))));
    QVERIFY2(lsFields.at(4) != QLatin1String("SPOOFGRP"),
             qPrintable(lsFields.join(QStringLiteral(" | "))));
}

QTEST_GUILESS_MAIN(TestConsoleHostileLab)
#include "tst_ConsoleHostileLab.moc"
