// SPDX-License-Identifier: GPL-3.0-or-later
// The order of logon and shutdown calls for one machine, against a stand-in for the operating
// system's calls; and the input checks of the real Linux calls, which refuse before running
// anything.
#include "CFakeRemoteShutdownApi.h"
#include "CShutdownQuery.h"
#include "MRemoteShutdown.h"

#include <QtTest>

namespace {

CShutdownQuery::TParamsPtr Params(bool i_fLogon)
{
    auto pParams = CShutdownQuery::TParamsPtr::create();
    pParams->insert(CShutdownQuery::ParamBatch, 1);
    if (i_fLogon) {
        pParams->insert(CShutdownQuery::ParamLogin, QStringLiteral("admin"));
        pParams->insert(CShutdownQuery::ParamPassword, QStringLiteral("pw"));
    }
    pParams->insert(CShutdownQuery::ParamMessage, QStringLiteral("bye"));
    pParams->insert(CShutdownQuery::ParamTimeout, 30);
    pParams->insert(CShutdownQuery::ParamForce, true);
    pParams->insert(CShutdownQuery::ParamReboot, false);
    return pParams;
}

} // namespace

class TestCShutdownQuery : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void callOrder_data();
    void callOrder();
    void doneSignalCarriesMachineTokenAndResult();
    void abortUsesDottedAddress();
    void linuxRefusesAllButAddresses_data();
    void linuxRefusesAllButAddresses();
};

void TestCShutdownQuery::cleanup()
{
    IRemoteShutdownApi::SetFactory({});
}

void TestCShutdownQuery::callOrder_data()
{
    QTest::addColumn<bool>("logon");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("failing"); // calls answered with error 53
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("result");

    const QString sArgs = QStringLiteral("msg=bye(1) t=30 f=1 r=0");
    const QString sIp = QStringLiteral("10.0.0.1");
    // A name can lead to another machine since the scan: only the selected address is asked.
    QTest::newRow("the address is asked, never the name")
        << false << QStringLiteral("pc1") << sIp << QStringList{}
        << QStringList{QStringLiteral("Drop pc1 10.0.0.1"),
                       QStringLiteral("Args 10.0.0.1 ") + sArgs,
                       QStringLiteral("Shutdown 10.0.0.1")}
        << 0;
    QTest::newRow("a refusing address is not retried by name")
        << false << QStringLiteral("pc1") << sIp << QStringList{QStringLiteral("Shutdown 10.0.0.1")}
        << QStringList{QStringLiteral("Drop pc1 10.0.0.1"),
                       QStringLiteral("Args 10.0.0.1 ") + sArgs,
                       QStringLiteral("Shutdown 10.0.0.1")}
        << 53;
    QTest::newRow("empty name") << false << QString() << sIp << QStringList{}
                                << QStringList{QStringLiteral("Drop  10.0.0.1"),
                                               QStringLiteral("Args 10.0.0.1 ") + sArgs,
                                               QStringLiteral("Shutdown 10.0.0.1")}
                                << 0;
    QTest::newRow("logon to the address, backslashes added")
        << true << QStringLiteral("\\\\pc1") << sIp << QStringList{}
        << QStringList{QStringLiteral("Drop \\\\pc1 10.0.0.1"),
                       QStringLiteral("Logon \\\\10.0.0.1 admin/pw"),
                       QStringLiteral("Args 10.0.0.1 ") + sArgs,
                       QStringLiteral("Shutdown 10.0.0.1")}
        << 0;
    QTest::newRow("logon refused: no shutdown, logon error")
        << true << QStringLiteral("pc1") << sIp
        << QStringList{QStringLiteral("Logon \\\\10.0.0.1 admin/pw")}
        << QStringList{QStringLiteral("Drop pc1 10.0.0.1"),
                       QStringLiteral("Logon \\\\10.0.0.1 admin/pw")}
        << 53;
    QTest::newRow("no address: nothing is asked")
        << true << QStringLiteral("pc1") << QString() << QStringList{} << QStringList{} << 87;
    QTest::newRow("a name in place of the address: nothing is asked")
        << false << QStringLiteral("pc1") << QStringLiteral("pc1.lan") << QStringList{}
        << QStringList{} << 87;
}

void TestCShutdownQuery::callOrder()
{
    QFETCH(bool, logon);
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QStringList, failing);
    QFETCH(QStringList, expected);
    QFETCH(int, result);
    auto pState = InstallFakeShutdownApi();
    for (const QString &sCall : failing)
        pState->mResults.insert(sCall, 53);
    CShutdownQuery oQuery(Params(logon), name, address, nullptr);
    oQuery.setAutoDelete(false);
    QCOMPARE(oQuery.Execute(), result);
    QCOMPARE(pState->Calls(), expected);
}

void TestCShutdownQuery::doneSignalCarriesMachineTokenAndResult()
{
    auto pState = InstallFakeShutdownApi();
    pState->mResults.insert(QStringLiteral("Shutdown 10.0.0.1"), 5);
    pState->mResults.insert(QStringLiteral("Shutdown pc9"), 53);
    int nToken = 0;
    auto *pQuery = new CShutdownQuery(
        Params(false), QStringLiteral("pc9"), QStringLiteral("10.0.0.1"), &nToken);
    QSignalSpy oSpy(pQuery, &CShutdownQuery::ShutdownDone);
    pQuery->setAutoDelete(false);
    pQuery->run();
    QCOMPARE(oSpy.count(), 1);
    QCOMPARE(oSpy.at(0).at(0).toString(), QStringLiteral("pc9"));
    QCOMPARE(oSpy.at(0).at(1).value<void *>(), static_cast<void *>(&nToken));
    QCOMPARE(oSpy.at(0).at(2).toInt(), 5);
    delete pQuery;
}

void TestCShutdownQuery::abortUsesDottedAddress()
{
    auto pState = InstallFakeShutdownApi();
    MRemoteShutdown oAbort;
    QSignalSpy oSpy(&oAbort, &MRemoteShutdown::EmitAbortDone);
    oAbort.OnShutdownAbort(int(0xC0A80A05u));
    QCOMPARE(pState->Calls(), QStringList{QStringLiteral("Abort 192.168.10.5")});
    QCOMPARE(oSpy.count(), 1);
    QCOMPARE(oSpy.at(0).at(0).toUInt(), 0xC0A80A05u);
}

void TestCShutdownQuery::linuxRefusesAllButAddresses_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("leading dash would read as an option") << QStringLiteral("-s/etc/passwd");
    QTest::newRow("slash would change the share path") << QStringLiteral("host/C$");
    QTest::newRow("blank inside the name") << QStringLiteral("my host");
    QTest::newRow("percent") << QStringLiteral("a%b");
    QTest::newRow("empty") << QString();
    // Only addresses are taken: a name is refused before any program runs, however it resolves.
    QTest::newRow("name that resolves") << QStringLiteral("localhost");
    QTest::newRow("short form of an address") << QStringLiteral("127.1");
}

void TestCShutdownQuery::linuxRefusesAllButAddresses()
{
    QFETCH(QString, name);
    std::unique_ptr<IRemoteShutdownApi> pApi = IRemoteShutdownApi::Create();
    QCOMPARE(pApi->Shutdown(name, {}), 87);
    QCOMPARE(pApi->Abort(name), 87);
    QCOMPARE(pApi->Logon(QStringLiteral("\\\\") + name, QStringLiteral("u"), QStringLiteral("p")),
             87);
}

QTEST_GUILESS_MAIN(TestCShutdownQuery)
#include "tst_CShutdownQuery.moc"
