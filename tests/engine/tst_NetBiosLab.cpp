// SPDX-License-Identifier: GPL-3.0-or-later
// The NetBIOS step against the test network: real nmbd hosts, compared with what nmblookup -A
// reports in the same run, hostile responders, and hosts with nothing on UDP 137.

#include "../netlab/LabTable.h"
#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetBiosScanStep.h"
#include "CScanResult.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

namespace {

const QString kServicesFile = QStringLiteral("/run/vistrel-netlab/services.tsv");
constexpr int kSlackMs = 1500;

using THost = TLabRow;

QByteArray MacBytes(const QString &i_sText)
{
    return QByteArray::fromHex(i_sText.toLatin1().replace(':', "").replace('-', ""));
}

bool InNamespace(const char *i_pNsPath)
{
    struct stat oOwn
    {
    };
    struct stat oWanted
    {
    };
    return ::stat("/proc/self/ns/net", &oOwn) == 0 && ::stat(i_pNsPath, &oWanted) == 0
           && oOwn.st_ino == oWanted.st_ino && oOwn.st_dev == oWanted.st_dev;
}

// Is the daemon behind i_sService on i_sIp still running? The lab's daemons have been seen to
// exit on their own; a dead one is a lab fault, not a finding about the scanner.
bool ServiceAlive(const QString &i_sIp, const QString &i_sService)
{
    const QList<THost> lServices = ReadLabTable(kServicesFile,
                                                {QStringLiteral("netns"),
                                                 QStringLiteral("ip"),
                                                 QStringLiteral("service"),
                                                 QStringLiteral("pid")});
    for (const THost &oService : lServices) {
        if (oService.value(QStringLiteral("ip")) == i_sIp
            && oService.value(QStringLiteral("service")) == i_sService)
            return QFile::exists(
                QStringLiteral("/proc/%1").arg(oService.value(QStringLiteral("pid"))));
    }
    return false;
}

struct TNmbLookup
{
    bool fAnswered = false;
    QStringList lsEntries; // "NAME <xx> U|G"
    QString sComputer;
    QString sGroup;
    QByteArray baMac;
};

TNmbLookup RunNmbLookup(const QString &i_sIp)
{
    TNmbLookup oLookup;
    QProcess oProcess;
    oProcess.start(QStringLiteral("nmblookup"), {QStringLiteral("-A"), i_sIp});
    if (!oProcess.waitForFinished(15000)) {
        oProcess.kill();
        oProcess.waitForFinished(2000);
        return oLookup;
    }
    static const QRegularExpression s_oEntry(
        QStringLiteral("^\\t(.{15}) <([0-9a-f]{2})> - +(<GROUP>)?"));
    static const QRegularExpression s_oMac(QStringLiteral("MAC Address = ([0-9A-F-]{17})"));
    const QStringList lsLines =
        QString::fromUtf8(oProcess.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &sLine : lsLines) {
        const QRegularExpressionMatch oEntry = s_oEntry.match(sLine);
        if (oEntry.hasMatch()) {
            oLookup.fAnswered = true;
            const QString sName = oEntry.captured(1).trimmed();
            const int nSuffix = oEntry.captured(2).toInt(nullptr, 16);
            const bool fGroup = !oEntry.captured(3).isEmpty();
            oLookup.lsEntries << QStringLiteral("%1 <%2> %3")
                                     .arg(sName)
                                     .arg(nSuffix, 2, 16, QLatin1Char('0'))
                                     .arg(fGroup ? QLatin1Char('G') : QLatin1Char('U'));
            if (nSuffix == 0 && !fGroup && oLookup.sComputer.isEmpty())
                oLookup.sComputer = sName;
            if (nSuffix == 0x1E && fGroup)
                oLookup.sGroup = sName;
        }
        const QRegularExpressionMatch oMac = s_oMac.match(sLine);
        if (oMac.hasMatch())
            oLookup.baMac = MacBytes(oMac.captured(1));
    }
    return oLookup;
}

// The name table as nmblookup prints it: control bytes (as in "\1\2__MSBROWSE__\2") become dots.
QStringList Entries(const CNetBiosNodeStatus &i_oStatus)
{
    QStringList ls;
    const QList<CNetBiosName> lNames = i_oStatus.names();
    for (const CNetBiosName &oName : lNames) {
        QByteArray baName = oName.name();
        for (char &c : baName) {
            if (static_cast<quint8>(c) < 0x20 || static_cast<quint8>(c) >= 0x7F)
                c = '.';
        }
        ls << QStringLiteral("%1 <%2> %3")
                  .arg(QString::fromLatin1(baName).trimmed())
                  .arg(int(oName.suffix()), 2, 16, QLatin1Char('0'))
                  .arg(oName.group() ? QLatin1Char('G') : QLatin1Char('U'));
    }
    return ls;
}

quint32 Ip(const QString &i_sIp)
{
    return QHostAddress(i_sIp).toIPv4Address();
}

} // namespace

class TestNetBiosLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nmbdHostsAgreeWithNmblookup_data();
    void nmbdHostsAgreeWithNmblookup();
    void scanStepOnLabHosts_data();
    void scanStepOnLabHosts();

private:
    QList<THost> m_lHosts;
};

void TestNetBiosLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("test network is not up: /run/vistrel-netlab/hosts.tsv is absent");
    if (!InNamespace("/run/netns/vnl-scan"))
        QFAIL("run inside the lab's scanner namespace: ip netns exec vnl-scan ...");
    m_lHosts = ReadLabTable();
    QVERIFY(!m_lHosts.isEmpty());
}

void TestNetBiosLab::nmbdHostsAgreeWithNmblookup_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("netbiosName");
    QTest::addColumn<QString>("netbiosGroup");
    int nRows = 0;
    for (const THost &oHost : qAsConst(m_lHosts)) {
        if (!oHost.value(QStringLiteral("services")).contains(QStringLiteral("nmbd:137")))
            continue;
        const QString sIp = oHost.value(QStringLiteral("ip"));
        QTest::newRow(qPrintable(QStringLiteral("nmbd on %1").arg(sIp)))
            << sIp << oHost.value(QStringLiteral("netbios_name"))
            << oHost.value(QStringLiteral("netbios_group"));
        ++nRows;
    }
    if (nRows == 0)
        QSKIP("no host of the test network runs nmbd");
}

void TestNetBiosLab::nmbdHostsAgreeWithNmblookup()
{
    QFETCH(QString, ip);
    QFETCH(QString, netbiosName);
    QFETCH(QString, netbiosGroup);
    if (!ServiceAlive(ip, QStringLiteral("nmbd:137")))
        QSKIP("the lab's nmbd on this host is not running");

    CNetBiosQuery oQuery;
    CNetBiosNodeStatus oStatus;
    QVERIFY(oQuery.Query(qToBigEndian(Ip(ip)), 3000, oStatus));
    const TNmbLookup oLookup = RunNmbLookup(ip);
    QVERIFY2(oLookup.fAnswered, "nmblookup -A got no answer");

    QCOMPARE(Entries(oStatus), oLookup.lsEntries);
    QCOMPARE(QString::fromLatin1(oStatus.computer_name()).trimmed(), oLookup.sComputer);
    QCOMPARE(QString::fromLatin1(oStatus.group_name()).trimmed(), oLookup.sGroup);
    QVERIFY(oStatus.unit_id_present());
    QCOMPARE(oStatus.unit_id().toHex(':'), oLookup.baMac.toHex(':'));
    QCOMPARE(oLookup.sComputer, netbiosName);
    QCOMPARE(oLookup.sGroup, netbiosGroup);
}

void TestNetBiosLab::scanStepOnLabHosts_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("service");
    QTest::addColumn<QByteArray>("arpMac");
    QTest::addColumn<QString>("netbiosName");
    QTest::addColumn<QString>("netbiosGroup");
    QTest::addColumn<QByteArray>("mac");
    for (const THost &oHost : qAsConst(m_lHosts)) {
        const QString sIp = oHost.value(QStringLiteral("ip"));
        QString sService;
        const QStringList lsServices =
            oHost.value(QStringLiteral("services")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &s : lsServices) {
            if (s.endsWith(QStringLiteral(":137")))
                sService = s;
        }
        // Lab hosts have no MAC of their own in the table when they are not on the link; the
        // scan step sees whatever ARP left, so any stand-in will do. A host that sends a real
        // unit id is asked twice: with ARP's answer, which the unit id never replaces, and
        // without one, where the unit id fills in.
        QByteArray baArp = MacBytes(oHost.value(QStringLiteral("mac")));
        if (baArp.size() != 6)
            baArp = QByteArray("\x02\x00\x00\x00\x00\x01", 6);
        const QByteArray baNetbiosMac = MacBytes(oHost.value(QStringLiteral("netbios_mac")));
        const bool fRealUnitId = baNetbiosMac.size() == 6 && baNetbiosMac != QByteArray(6, '\0')
                                 && baNetbiosMac != QByteArray(6, '\xFF');
        const QString sRow = sService.isEmpty() ? QStringLiteral("%1 without NetBIOS").arg(sIp)
                                                : QStringLiteral("%1 %2").arg(sIp, sService);
        QTest::newRow(qPrintable(sRow))
            << sIp << sService << baArp << oHost.value(QStringLiteral("netbios_name"))
            << oHost.value(QStringLiteral("netbios_group")) << baArp;
        if (fRealUnitId)
            QTest::newRow(qPrintable(sRow + QStringLiteral(", no ARP answer")))
                << sIp << sService << QByteArray(6, '\0')
                << oHost.value(QStringLiteral("netbios_name"))
                << oHost.value(QStringLiteral("netbios_group")) << baNetbiosMac;
    }
}

void TestNetBiosLab::scanStepOnLabHosts()
{
    QFETCH(QString, ip);
    QFETCH(QString, service);
    QFETCH(QByteArray, arpMac);
    QFETCH(QString, netbiosName);
    QFETCH(QString, netbiosGroup);
    QFETCH(QByteArray, mac);
    if (!service.isEmpty() && !ServiceAlive(ip, service))
        QSKIP("the lab's responder on this host is not running");

    CCfg oCfg;
    oCfg.set_high_accuracy(false);
    CScanResult oResult;
    oResult.set_ip(Ip(ip));
    oResult.set_status(EHostStatus::Alive);
    oResult.set_mac(arpMac);
    QElapsedTimer oTimer;
    oTimer.start();
    CNetBiosScanStep(oCfg).Run(oResult);
    const qint64 nElapsedMs = oTimer.elapsed();

    QVERIFY2(nElapsedMs < 500 + kSlackMs, qPrintable(QString::number(nElapsedMs)));
    QCOMPARE(oResult.netbiosname(), netbiosName);
    QCOMPARE(oResult.netbiosgroup(), netbiosGroup);
    QCOMPARE(oResult.mac().toHex(':'), mac.toHex(':'));
    if (netbiosName.isEmpty() && netbiosGroup.isEmpty())
        QVERIFY2(nElapsedMs >= 500 || !service.isEmpty(), qPrintable(QString::number(nElapsedMs)));
}

QTEST_GUILESS_MAIN(TestNetBiosLab)
#include "tst_NetBiosLab.moc"
