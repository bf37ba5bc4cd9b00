// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSecureExecution.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <vector>

#include <unistd.h>

class TestCSecureExecution : public QObject
{
    Q_OBJECT

private slots:
    void notSecureWhenStartedPlainly();
    void arguments_data();
    void arguments();
    void environment();
    void capabilityMakesTheGuardRun_data();
    void capabilityMakesTheGuardRun();
};

void TestCSecureExecution::notSecureWhenStartedPlainly()
{
    // ctest starts the test without gaining any privilege.
    QVERIFY(!CSecureExecution::IsSecure());
}

void TestCSecureExecution::arguments_data()
{
    QTest::addColumn<QStringList>("lsArgs");
    QTest::addColumn<QStringList>("lsExpected");
    QTest::addColumn<int>("nRemoved");

    QTest::newRow("plugin folder option and its value removed")
        << QStringList{"vistrel", "-platformpluginpath", "/tmp/p", "-style", "fusion"}
        << QStringList{"vistrel", "-style", "fusion"} << 1;
    QTest::newRow("two-dash form removed too")
        << QStringList{"vistrel", "--platformpluginpath", "/tmp/p"} << QStringList{"vistrel"} << 1;
    QTest::newRow("option as last argument without value")
        << QStringList{"vistrel", "-platform", "offscreen", "-platformpluginpath"}
        << QStringList{"vistrel", "-platform", "offscreen"} << 1;
    QTest::newRow("repeated option all removed")
        << QStringList{"vistrel", "-platformpluginpath", "/a", "x", "-platformpluginpath", "/b"}
        << QStringList{"vistrel", "x"} << 2;
    QTest::newRow("other options kept, program name kept")
        << QStringList{"vistrel", "-platformpluginpathX", "/r:127.0.0.1"}
        << QStringList{"vistrel", "-platformpluginpathX", "/r:127.0.0.1"} << 0;
    QTest::newRow("program name alone") << QStringList{"vistrel"} << QStringList{"vistrel"} << 0;
}

void TestCSecureExecution::arguments()
{
    QFETCH(QStringList, lsArgs);
    QFETCH(QStringList, lsExpected);
    QFETCH(int, nRemoved);

    std::vector<QByteArray> vStorage;
    for (const QString &sArg : lsArgs)
        vStorage.push_back(sArg.toUtf8());
    std::vector<char *> vArgv;
    for (QByteArray &baArg : vStorage)
        vArgv.push_back(baArg.data());
    vArgv.push_back(nullptr);
    int nArgc = static_cast<int>(lsArgs.size());

    QCOMPARE(CSecureExecution::RemoveUnsafeArguments(nArgc, vArgv.data()), nRemoved);
    QStringList lsResult;
    for (int i = 0; i < nArgc; ++i)
        lsResult << QString::fromUtf8(vArgv.at(static_cast<size_t>(i)));
    QCOMPARE(lsResult, lsExpected);
    QCOMPARE(vArgv.at(static_cast<size_t>(nArgc)), nullptr);
}

void TestCSecureExecution::environment()
{
    qputenv("QT_PLUGIN_PATH", "/tmp/plugins");
    qputenv("GTK_MODULES", "evil");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("GIO_EXTRA_MODULES");

    QCOMPARE(CSecureExecution::RemoveUnsafeEnvironment(), 2);
    QVERIFY(!qEnvironmentVariableIsSet("QT_PLUGIN_PATH"));
    QVERIFY(!qEnvironmentVariableIsSet("GTK_MODULES"));
    // Choosing a platform plugin by name only picks among the installed ones.
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("offscreen"));
    QCOMPARE(CSecureExecution::RemoveUnsafeEnvironment(), 0);
}

void TestCSecureExecution::capabilityMakesTheGuardRun_data()
{
    QTest::addColumn<bool>("fCapability");
    QTest::addColumn<QByteArray>("baExpected");

    QTest::newRow("with cap_net_raw: plugin folder and option dropped")
        << true << QByteArray("secure=1 plugin_path= argc=1\n");
    QTest::newRow("without: nothing changed")
        << false << QByteArray("secure=0 plugin_path=/tmp/plugins argc=3\n");
}

void TestCSecureExecution::capabilityMakesTheGuardRun()
{
    QFETCH(bool, fCapability);
    QFETCH(QByteArray, baExpected);

    const QString sSetcap = QStandardPaths::findExecutable(
        QStringLiteral("setcap"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    const QString sSetpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (geteuid() != 0 || sSetcap.isEmpty() || sSetpriv.isEmpty())
        QSKIP("needs root, setcap and setpriv to start a program with a file capability");

    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    QVERIFY(QFile::setPermissions(oDir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadOther | QFile::ExeOther));
    const QString sProbe = oDir.filePath(QStringLiteral("secure_execution_probe"));
    QVERIFY(QFile::copy(QStringLiteral(VISTREL_SECURE_PROBE), sProbe));
    QVERIFY(QFile::setPermissions(
        sProbe, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    if (fCapability) {
        const int nSetcap = QProcess::execute(sSetcap, {QStringLiteral("cap_net_raw+ep"), sProbe});
        if (nSetcap != 0)
            QSKIP("this file system keeps no file capabilities");
    }

    // As an unprivileged user, so that the capability is a gain and the kernel marks it.
    QProcess oProcess;
    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    oEnv.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral("/tmp/plugins"));
    oProcess.setProcessEnvironment(oEnv);
    oProcess.start(sSetpriv,
                   {QStringLiteral("--reuid=65534"),
                    QStringLiteral("--regid=65534"),
                    QStringLiteral("--clear-groups"),
                    sProbe,
                    QStringLiteral("-platformpluginpath"),
                    QStringLiteral("/tmp/plugins")});
    QVERIFY(oProcess.waitForFinished(10000));
    QCOMPARE(oProcess.exitCode(), 0);
    QCOMPARE(oProcess.readAllStandardOutput(), baExpected);
}

QTEST_GUILESS_MAIN(TestCSecureExecution)
#include "tst_CSecureExecution.moc"
