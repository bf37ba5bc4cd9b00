// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery on the test network with and without the liveness sweep: the console program scans
// every address of the lab's table (on-link hosts, one that drops echo requests, one behind the
// router that only echo can find, absent ones on and off the link) from the scanner's
// namespace, once with the sweep and once with each worker asking on its own, liveness probes
// only. Both runs must give each address the same line, and the line the table expects.
#include "../helpers/ConsoleTable.h"
#include "../netlab/LabTable.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Address -> the console's line for it, its fields trimmed.
QMap<QString, QString> Scan(const QString &i_sRangeFile, bool i_fSweep, QString &o_rsError)
{
    QMap<QString, QString> mLines;
    QProcess oProcess;
    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    oEnv.insert(QStringLiteral("VISTREL_LIVENESS_ONLY"), QStringLiteral("1"));
    oEnv.insert(QStringLiteral("VISTREL_SWEEP"),
                i_fSweep ? QStringLiteral("1") : QStringLiteral("0"));
    oProcess.setProcessEnvironment(oEnv);
    oProcess.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"),
                    QStringLiteral("exec"),
                    QStringLiteral("vnl-scan"),
                    QStringLiteral(VISTREL_CONSOLE_BIN),
                    QStringLiteral("/s:") + i_sRangeFile});
    if (!oProcess.waitForFinished(120000) || oProcess.exitCode() != 0) {
        oProcess.kill();
        oProcess.waitForFinished();
        o_rsError =
            QStringLiteral("console failed: ") + QString::fromUtf8(oProcess.readAllStandardError());
        return mLines;
    }
    for (const QStringList &lsFields : ConsoleRows(oProcess.readAllStandardOutput())) {
        if (lsFields.size() >= 6)
            mLines.insert(lsFields.at(2), lsFields.join(QStringLiteral(" | ")));
    }
    return mLines;
}

// The console prints bytes as bare hexadecimal separated by dots ("2.5e.0.0.0.a").
QString ConsoleMac(const QString &i_sColonMac)
{
    if (i_sColonMac.isEmpty())
        return QStringLiteral("0.0.0.0.0.0");
    QStringList lsBytes;
    for (const QString &sByte : i_sColonMac.split(QLatin1Char(':')))
        lsBytes << QString::number(sByte.toUInt(nullptr, 16), 16);
    return lsBytes.join(QLatin1Char('.'));
}

} // namespace

class TestSweepLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void host_data();
    void host();

private:
    QMap<QString, QString> m_mWith;
    QMap<QString, QString> m_mWithout;
};

void TestSweepLab::initTestCase()
{
    if (!QFile::exists(LabTablePath()))
        QSKIP("the test network is not up (no /run/vistrel-netlab/hosts.tsv)");
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    QFile oRanges(oDir.filePath(QStringLiteral("ranges.txt")));
    QVERIFY(oRanges.open(QIODevice::WriteOnly));
    for (const TLabRow &mRow : ReadLabTable())
        oRanges.write(mRow.value(QStringLiteral("ip")).toUtf8() + '\n');
    oRanges.close();
    QString sError;
    m_mWith = Scan(oRanges.fileName(), true, sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
    m_mWithout = Scan(oRanges.fileName(), false, sError);
    QVERIFY2(sError.isEmpty(), qPrintable(sError));
}

void TestSweepLab::host_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("mac");
    for (const TLabRow &mRow : ReadLabTable()) {
        QTest::addRow("%s: %s",
                      qPrintable(mRow.value(QStringLiteral("ip"))),
                      qPrintable(mRow.value(QStringLiteral("notes"))))
            << mRow.value(QStringLiteral("ip")) << mRow.value(QStringLiteral("expect_status"))
            << mRow.value(QStringLiteral("mac"));
    }
}

void TestSweepLab::host()
{
    QFETCH(QString, ip);
    QFETCH(QString, status);
    QFETCH(QString, mac);
    QVERIFY2(m_mWith.contains(ip), "no line with the sweep");
    QCOMPARE(m_mWith.value(ip), m_mWithout.value(ip));
    const QStringList lsFields = m_mWith.value(ip).split(QLatin1Char('|'));
    QCOMPARE(lsFields.at(0).trimmed(), status);
    QCOMPARE(lsFields.at(5).trimmed(), ConsoleMac(mac));
}

QTEST_GUILESS_MAIN(TestSweepLab)
#include "tst_SweepLab.moc"
