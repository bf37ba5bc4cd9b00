// SPDX-License-Identifier: GPL-3.0-or-later
// Comparison with the last scan and MAC vendors on the test network, which is only read: the
// console scans it twice from the scanner's namespace, and between the scans the record of the
// first one is edited to stand for a network in which one host had another MAC address, one
// host was not there and the absent 198.18.0.99 was.
#include "../netlab/LabTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct THost
{
    QString sChange;
    QStringList lsChanged;
    QString sMac;
    QString sVendor;
};

} // namespace

class TestConsoleCompareLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void compareMarksMacChangeNewAndGone();

private:
    bool Scan(QMap<QString, THost> &o_rmHosts, QString &o_rsError);

    QTemporaryDir m_oHome;
    QString m_sRanges;
    QString m_sRegistry;
};

void TestConsoleCompareLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    QVERIFY(m_oHome.isValid());
    m_sRanges = m_oHome.filePath(QStringLiteral("ranges.txt"));
    QFile oRanges(m_sRanges);
    QVERIFY(oRanges.open(QIODevice::WriteOnly));
    oRanges.write("198.18.0.10-198.18.0.13\n198.18.0.99\n");
    oRanges.close();
    m_sRegistry = m_oHome.filePath(QStringLiteral("oui.csv"));
    QFile oRegistry(m_sRegistry);
    QVERIFY(oRegistry.open(QIODevice::WriteOnly));
    oRegistry.write("Registry,Assignment,Organization Name,Organization Address\n"
                    "MA-L,025E00,\"Netlab, Test Org\",Nowhere\n");
}

bool TestConsoleCompareLab::Scan(QMap<QString, THost> &o_rmHosts, QString &o_rsError)
{
    QProcess oProcess;
    oProcess.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"),
                    QStringLiteral("exec"),
                    QStringLiteral("vnl-scan"),
                    QStringLiteral("env"),
                    QStringLiteral("HOME=") + m_oHome.path(),
                    QStringLiteral(VISTREL_CONSOLE_BIN),
                    QStringLiteral("/s:") + m_sRanges,
                    QStringLiteral("/o:jsonl"),
                    QStringLiteral("/c:on"),
                    QStringLiteral("/p:none"),
                    QStringLiteral("/n:none"),
                    QStringLiteral("/v:") + m_sRegistry});
    if (!oProcess.waitForFinished(120000) || oProcess.exitCode() != 0) {
        oProcess.kill();
        oProcess.waitForFinished(5000);
        o_rsError = QStringLiteral("the console failed: ")
                    + QString::fromLocal8Bit(oProcess.readAllStandardError());
        return false;
    }
    const QList<QByteArray> lbaLines = oProcess.readAllStandardOutput().split('\n');
    for (const QByteArray &baLine : lbaLines) {
        if (baLine.isEmpty())
            continue;
        const QJsonObject oHost = QJsonDocument::fromJson(baLine).object();
        if (oHost.isEmpty()) {
            o_rsError = QStringLiteral("not JSON: ") + QString::fromUtf8(baLine);
            return false;
        }
        THost oEntry;
        oEntry.sChange = oHost.value(QStringLiteral("change")).toString();
        for (const QJsonValue &vWhat : oHost.value(QStringLiteral("changed")).toArray())
            oEntry.lsChanged << vWhat.toString();
        oEntry.sMac = oHost.value(QStringLiteral("mac")).toString();
        oEntry.sVendor = oHost.value(QStringLiteral("vendor")).toString();
        o_rmHosts.insert(oHost.value(QStringLiteral("ip")).toString(), oEntry);
    }
    return true;
}

void TestConsoleCompareLab::compareMarksMacChangeNewAndGone()
{
    QMap<QString, THost> mFirst;
    QString sError;
    QVERIFY2(Scan(mFirst, sError), qPrintable(sError));
    QCOMPARE(mFirst.size(), 5);
    for (const char *pIp : {"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"}) {
        const THost oHost = mFirst.value(QLatin1String(pIp));
        QVERIFY2(oHost.sChange == QLatin1String("new"), pIp);
        QVERIFY2(oHost.sVendor == QLatin1String("Netlab, Test Org"), pIp);
    }
    QCOMPARE(mFirst.value(QStringLiteral("198.18.0.11")).sMac, QStringLiteral("02:5E:00:00:00:0B"));
    QCOMPARE(mFirst.value(QStringLiteral("198.18.0.99")).sChange, QStringLiteral("unchanged"));
    QCOMPARE(mFirst.value(QStringLiteral("198.18.0.99")).sVendor, QString());

    const QString sRecord = m_oHome.filePath(QStringLiteral("vistrel_LastScan.xml"));
    QFile oRecord(sRecord);
    QVERIFY(oRecord.open(QIODevice::ReadOnly));
    QByteArray baRecord = oRecord.readAll();
    oRecord.close();
    QCOMPARE(baRecord.count("<row "), 4);
    QVERIFY(baRecord.contains("mac=\"02:5E:00:00:00:0B\""));
    baRecord.replace("mac=\"02:5E:00:00:00:0B\"", "mac=\"02:5E:00:00:00:FB\"");
    const int nRow = baRecord.indexOf("\r\n\t<row ip=\"198.18.0.12\"");
    const int nRowEnd = baRecord.indexOf("</row>", nRow) + 6;
    QVERIFY(nRow > 0 && nRowEnd > nRow);
    baRecord.remove(nRow, nRowEnd - nRow);
    baRecord.replace("\r\n</Vistrel>",
                     "\r\n\t<row ip=\"198.18.0.99\" status=\"alive\" mac=\"02:5E:00:00:00:63\" "
                     "has_http=\"0\" has_https=\"0\" has_ftp=\"0\">\r\n\t</row>\r\n</Vistrel>");
    QVERIFY(oRecord.open(QIODevice::WriteOnly | QIODevice::Truncate));
    oRecord.write(baRecord);
    oRecord.close();

    QMap<QString, THost> mSecond;
    QVERIFY2(Scan(mSecond, sError), qPrintable(sError));
    QCOMPARE(mSecond.size(), 5);
    QCOMPARE(mSecond.value(QStringLiteral("198.18.0.11")).sChange, QStringLiteral("changed"));
    QVERIFY(mSecond.value(QStringLiteral("198.18.0.11")).lsChanged.contains(QStringLiteral("mac")));
    QCOMPARE(mSecond.value(QStringLiteral("198.18.0.12")).sChange, QStringLiteral("new"));
    QCOMPARE(mSecond.value(QStringLiteral("198.18.0.99")).sChange, QStringLiteral("gone"));
    // Names may come late from announcements; the MAC addresses of the others stay the same.
    for (const char *pIp : {"198.18.0.10", "198.18.0.13"}) {
        const THost oHost = mSecond.value(QLatin1String(pIp));
        QVERIFY2(oHost.sChange == QLatin1String("unchanged")
                     || oHost.sChange == QLatin1String("changed"),
                 pIp);
        QVERIFY2(!oHost.lsChanged.contains(QStringLiteral("mac")), pIp);
    }
}

QTEST_GUILESS_MAIN(TestConsoleCompareLab)
#include "tst_ConsoleCompareLab.moc"
