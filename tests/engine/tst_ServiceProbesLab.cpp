// SPDX-License-Identifier: GPL-3.0-or-later
// The service probes against the real servers and hostile peers of the test network, compared
// with the network's table of expected values, and the share lists cross-checked with Samba's
// own client in the same run. Runs in the scanner namespace (in_netlab.sh); skips without a lab.
#include "../netlab/LabTable.h"
#include "CCfg.h"
#include "CHostScan.h"
#include "CScanResult.h"
#include "CSmbPing.h"
#include "CTestPeer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

namespace {

const QHostAddress ScannerAddress(QStringLiteral("198.18.0.2"));

QStringList SplitList(const QString &i_sCell)
{
    return i_sCell.isEmpty() ? QStringList() : i_sCell.split(QLatin1Char(','));
}

// Our title reading takes titles from plain HTML too, where the table (written for an XML-only
// reading) expects none; its notes quote the title the page really has.
QString ExpectedTitle(const TLabRow &i_mRow)
{
    static const QRegularExpression s_reQuoted(QStringLiteral("<title>([^<]*)</title>"));
    const QRegularExpressionMatch oMatch = s_reQuoted.match(i_mRow.value(QStringLiteral("notes")));
    if (i_mRow.value(QStringLiteral("http_title")).isEmpty() && oMatch.hasMatch()
        && i_mRow.value(QStringLiteral("has_http")) == QLatin1String("1"))
        return oMatch.captured(1);
    return i_mRow.value(QStringLiteral("http_title"));
}

// Samba's client lists the shares anonymously; "-g" gives "type|name|comment" lines.
QStringList SmbClientShares(const QString &i_sIp)
{
    QProcess oProcess;
    oProcess.start(QStringLiteral("smbclient"),
                   {QStringLiteral("-L"),
                    i_sIp,
                    QStringLiteral("-N"),
                    QStringLiteral("-g"),
                    QStringLiteral("--option=clientusekerberos=off")});
    if (!oProcess.waitForFinished(20000)) {
        oProcess.kill();
        oProcess.waitForFinished();
        return {QStringLiteral("<smbclient timed out>")};
    }
    QStringList lsShares;
    const QStringList lsLines =
        QString::fromUtf8(oProcess.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &sLine : lsLines) {
        const QStringList lsParts = sLine.split(QLatin1Char('|'));
        if (lsParts.size() >= 2
            && (lsParts.at(0) == QLatin1String("Disk") || lsParts.at(0) == QLatin1String("IPC")
                || lsParts.at(0) == QLatin1String("Printer")))
            lsShares << lsParts.at(1);
    }
    return lsShares;
}

} // namespace

class TestServiceProbesLab final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hostsMatchTheTable_data();
    void hostsMatchTheTable();
    void smbNegotiateReachesSamba();

private:
    QHash<QString, CScanResult> m_mResults;
    QHash<QString, qint64> m_mMs;
    qint64 m_nScanMs = 0;
};

void TestServiceProbesLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (/run/vistrel-netlab/hosts.tsv is absent)");
    bool fInLab = false;
    for (const QHostAddress &oAddress : QNetworkInterface::allAddresses())
        fInLab = fInLab || oAddress == ScannerAddress;
    if (!fInLab)
        QSKIP(
            "not inside the test network's scanner namespace vnl-scan (run through in_netlab.sh)");

    // Every alive host at once, one worker each, as the scanner would run them.
    CCfg oCfg;
    oCfg.set_scan_https(true);
    oCfg.set_scan_username(true);
    oCfg.set_ortavo_ports({4899, 4900});
    std::vector<std::unique_ptr<QThread>> vThreads;
    QMutex oLock;
    const QList<TLabRow> lRows = ReadLabTable();
    for (const TLabRow &mRow : lRows) {
        if (mRow.value(QStringLiteral("expect_status")) != QLatin1String("alive"))
            continue;
        const QString sIp = mRow.value(QStringLiteral("ip"));
        CScanResult oResult;
        oResult.set_ip(QHostAddress(sIp).toIPv4Address());
        oResult.set_status(EHostStatus::Alive);
        // The naming probes are not under test here; the host gets the name they would find.
        QString sName = mRow.value(QStringLiteral("name"));
        for (const char *pColumn : {"mdns_name", "zeroconf_name", "snmp_sysname"}) {
            if (!mRow.value(QLatin1String(pColumn)).isEmpty())
                sName = mRow.value(QLatin1String(pColumn));
        }
        oResult.set_name(sName);
        vThreads.emplace_back(QThread::create([this, &oLock, oCfg, oResult, sIp]() mutable {
            QElapsedTimer oTimer;
            oTimer.start();
            CHostScan(oCfg).Run(oResult);
            QMutexLocker oGuard(&oLock);
            m_mResults.insert(sIp, oResult);
            m_mMs.insert(sIp, oTimer.elapsed());
        }));
    }
    QVERIFY(!vThreads.empty());
    QElapsedTimer oTimer;
    oTimer.start();
    const bool fAllEnded = RunAll(vThreads, 120000);
    m_nScanMs = oTimer.elapsed();
    QVERIFY(fAllEnded);
    qInfo("probed %d hosts in %lld ms", static_cast<int>(vThreads.size()), m_nScanMs);
}

void TestServiceProbesLab::hostsMatchTheTable_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("http");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("https");
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QStringList>("shares");
    QTest::addColumn<QList<qint32>>("ortavo");
    QTest::addColumn<QString>("user");
    for (const TLabRow &mRow : ReadLabTable()) {
        if (mRow.value(QStringLiteral("expect_status")) != QLatin1String("alive"))
            continue;
        QList<qint32> lnPorts;
        for (const QString &sPort : SplitList(mRow.value(QStringLiteral("ortavo_ports"))))
            lnPorts << sPort.toInt();
        const QString sIp = mRow.value(QStringLiteral("ip"));
        const QString sNote = mRow.value(QStringLiteral("notes")).left(60);
        QTest::newRow(qPrintable(sIp + QLatin1String(": ") + sNote))
            << sIp << mRow.value(QStringLiteral("name"))
            << (mRow.value(QStringLiteral("has_http")) == QLatin1String("1")) << ExpectedTitle(mRow)
            << (mRow.value(QStringLiteral("has_https")) == QLatin1String("1"))
            << (mRow.value(QStringLiteral("has_ftp")) == QLatin1String("1"))
            << SplitList(mRow.value(QStringLiteral("shares"))) << lnPorts
            << mRow.value(QStringLiteral("user"));
    }
}

void TestServiceProbesLab::hostsMatchTheTable()
{
    QFETCH(QString, ip);
    QFETCH(bool, http);
    QFETCH(QString, title);
    QFETCH(bool, https);
    QFETCH(bool, ftp);
    QFETCH(QStringList, shares);
    QFETCH(QList<qint32>, ortavo);
    QFETCH(QString, user);
    QVERIFY(m_mResults.contains(ip));
    const CScanResult oResult = m_mResults.value(ip);
    QCOMPARE(oResult.has_http(), http);
    QCOMPARE(oResult.http_title(), title);
    QCOMPARE(oResult.has_https(), https);
    QCOMPARE(oResult.has_ftp(), ftp);
    QCOMPARE(oResult.ortavo_ports(), ortavo);
    QCOMPARE(oResult.user(), user);
    QCOMPARE(oResult.shares(), shares);
    // Samba's own client, now, sees the same shares in the same order.
    if (!oResult.name().isEmpty() && !shares.isEmpty())
        QCOMPARE(oResult.shares(), SmbClientShares(ip));
    // Every wait is bounded: two web probes, an SMB negotiate, FTP, two port connects.
    QVERIFY2(m_mMs.value(ip) < 2000 + 2000 + 3000 + 500 + 2 * 3000 + 1000,
             qPrintable(QString::number(m_mMs.value(ip))));
}

void TestServiceProbesLab::smbNegotiateReachesSamba()
{
    // The hosts of the table that run smbd answer our negotiate; the silent 445 does not.
    for (const TLabRow &mRow : ReadLabTable()) {
        const QString sServices = mRow.value(QStringLiteral("services"));
        const bool fSmbd = sServices.contains(QLatin1String("smbd:445"));
        const bool fTarpit = sServices.contains(QLatin1String("tarpit:445"));
        if (!fSmbd && !fTarpit)
            continue;
        const QHostAddress oHost(mRow.value(QStringLiteral("ip")));
        QCOMPARE(CSmbPing::Answers(oHost, CSmbPing::Port, 2000), fSmbd);
    }
}

QTEST_GUILESS_MAIN(TestServiceProbesLab)
#include "tst_ServiceProbesLab.moc"
