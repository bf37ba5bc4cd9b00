// SPDX-License-Identifier: GPL-3.0-or-later
// The console program's liveness verdicts, run the way a user runs it but inside the loopback
// namespace of the test suite (`ip netns exec`, so that its hosts file and its resolver, which
// answers nothing, apply). Loopback has no hardware address: hosts are alive by ICMP echo.
#include "../helpers/ConsoleTable.h"

#include <QProcess>
#include <QtTest>

namespace {

struct THost
{
    QString sStatus;
    QString sName;
    QString sMac;
};

// One entry per address; the first line is the column titles.
bool RunConsole(const QString &i_sRange, QMap<QString, THost> &o_rmHosts, QString &o_rsError)
{
    const QString sNs = qEnvironmentVariable("VISTREL_LOOPNS", QStringLiteral("vtest-lo"));
    QProcess oProcess;
    oProcess.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"),
                    QStringLiteral("exec"),
                    sNs,
                    QStringLiteral(VISTREL_CONSOLE_BIN),
                    QStringLiteral("/r:") + i_sRange});
    if (!oProcess.waitForFinished(60000)) {
        oProcess.kill();
        oProcess.waitForFinished();
        o_rsError = QStringLiteral("the console program did not finish");
        return false;
    }
    if (oProcess.exitStatus() != QProcess::NormalExit || oProcess.exitCode() != 0) {
        o_rsError = QStringLiteral("exit %1: %2")
                        .arg(oProcess.exitCode())
                        .arg(QString::fromLocal8Bit(oProcess.readAllStandardError()));
        return false;
    }
    for (const QStringList &lsFields : ConsoleRows(oProcess.readAllStandardOutput())) {
        if (lsFields.size() < 6) {
            o_rsError = QStringLiteral("bad line: ") + lsFields.join(QStringLiteral(" | "));
            return false;
        }
        o_rmHosts.insert(lsFields.at(2), THost{lsFields.at(0), lsFields.at(1), lsFields.at(5)});
    }
    return true;
}

} // namespace

class TestConsoleLiveness : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data();
    void verdicts();
};

void TestConsoleLiveness::verdicts_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");

    const QString sAlive = QStringLiteral("alive");
    QTest::newRow("127.0.0.1 is alive, named by the hosts file")
        << QStringLiteral("127.0.0.1") << QStringLiteral("127.0.0.1") << sAlive
        << QStringLiteral("localhost") << 1;
    QTest::newRow("every address of a loopback range is alive")
        << QStringLiteral("127.0.0.1-127.0.0.8") << QStringLiteral("127.0.0.8") << sAlive
        << QString() << 8;
    QTest::newRow("loopback by prefix") << QStringLiteral("127.0.3.0/28")
                                        << QStringLiteral("127.0.3.5") << sAlive << QString() << 14;
    // Nothing routes there from the loopback namespace, so nothing is sent at all.
    QTest::newRow("an address without a route stays unknown")
        << QStringLiteral("198.18.255.254") << QStringLiteral("198.18.255.254")
        << QStringLiteral("unknown") << QString() << 1;
}

void TestConsoleLiveness::verdicts()
{
    QFETCH(QString, range);
    QFETCH(QString, ip);
    QFETCH(QString, status);
    QFETCH(QString, name);
    QFETCH(int, count);

    QMap<QString, THost> mHosts;
    QString sError;
    QVERIFY2(RunConsole(range, mHosts, sError), qPrintable(sError));
    QCOMPARE(mHosts.size(), count);
    for (auto it = mHosts.cbegin(); it != mHosts.cend(); ++it) {
        QCOMPARE(it->sStatus, status);
        // No MAC over loopback or for silent hosts.
        QCOMPARE(it->sMac, QStringLiteral("0.0.0.0.0.0"));
    }
    QVERIFY(mHosts.contains(ip));
    // The resolver of the namespace answers nothing; a failed lookup leaves the name empty.
    QCOMPARE(mHosts.value(ip).sName, name);
}

QTEST_GUILESS_MAIN(TestConsoleLiveness)
#include "tst_ConsoleLiveness.moc"
