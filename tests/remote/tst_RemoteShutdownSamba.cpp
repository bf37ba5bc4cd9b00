// SPDX-License-Identifier: GPL-3.0-or-later
// Shutdown and abort end to end against a Samba server started by this test on 127.0.0.1 of its
// own loopback namespace. The server's shutdown scripts only append a line to a log file, so the
// test sees which requests reached it, with which account (uid 0 for root, 65534 for guest).
#include "CSambaPeer.h"
#include "CShutdownQuery.h"
#include "MRemoteShutdown.h"
#include "NamespaceGuard.h"

#include <QtTest>

namespace {

CShutdownQuery::TParamsPtr
Params(const QString &i_sUser, const QString &i_sPassword, const QString &i_sMessage)
{
    auto pParams = CShutdownQuery::TParamsPtr::create();
    pParams->insert(CShutdownQuery::ParamBatch, 1);
    if (!i_sUser.isNull()) {
        pParams->insert(CShutdownQuery::ParamLogin, i_sUser);
        pParams->insert(CShutdownQuery::ParamPassword, i_sPassword);
    }
    pParams->insert(CShutdownQuery::ParamMessage, i_sMessage);
    pParams->insert(CShutdownQuery::ParamTimeout, 45);
    pParams->insert(CShutdownQuery::ParamForce, true);
    pParams->insert(CShutdownQuery::ParamReboot, true);
    return pParams;
}

} // namespace

class TestRemoteShutdownSamba : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void shutdown_data();
    void shutdown();
    void abortAfterLogonUsesTheSameAccount();
    void abortWithoutLogonIsAnonymous();

private:
    QStringList LogLines() const { return m_oPeer.LogLines(); }

    QString m_sSkip;
    CSambaPeer m_oPeer;
};

void TestRemoteShutdownSamba::initTestCase()
{
    if (!InOwnLoopbackNamespace(&m_sSkip) || !CSambaPeer::Available(&m_sSkip))
        return;
    QString sWhy;
    QVERIFY2(m_oPeer.Start(&sWhy), qPrintable(sWhy));
}

void TestRemoteShutdownSamba::cleanupTestCase()
{
    m_oPeer.Stop();
}

void TestRemoteShutdownSamba::init()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QVERIFY(m_oPeer.ClearLog());
}

void TestRemoteShutdownSamba::shutdown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("logLine");

    const QString sServer = QStringLiteral("127.0.0.1");
    const QString sRoot = QStringLiteral("root");
    const QString sPassword = QString::fromLatin1(CSambaPeer::kPassword);
    QTest::newRow("logon as root, unknown name: the address is used")
        << QStringLiteral("no-such-machine") << sServer << sRoot << sPassword << true
        << QStringLiteral("0 shutdown going_down_now -r -f");
    QTest::newRow("name of the server, its address")
        << QStringLiteral("localhost") << sServer << sRoot << sPassword << true
        << QStringLiteral("0 shutdown going_down_now -r -f");
    // The name now leads to the server, the selected address to no machine: nothing may reach
    // the server, with or without a logon.
    QTest::newRow("name that moved to another machine is not asked, logon")
        << QStringLiteral("localhost") << QStringLiteral("127.0.0.2") << sRoot << sPassword << false
        << QString();
    QTest::newRow("name that moved to another machine is not asked, guest")
        << QStringLiteral("localhost") << QStringLiteral("127.0.0.2") << QString() << QString()
        << false << QString();
    QTest::newRow("wrong password fails and reaches no script")
        << QStringLiteral("no-such-machine") << sServer << sRoot << QStringLiteral("wrong") << false
        << QString();
    QTest::newRow("no logon goes out as guest")
        << QStringLiteral("no-such-machine") << sServer << QString() << QString() << true
        << QStringLiteral("65534 shutdown going_down_now -r -f");
}

void TestRemoteShutdownSamba::shutdown()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, succeeds);
    QFETCH(QString, logLine);

    CShutdownQuery oQuery(
        Params(user, password, QStringLiteral("going down now")), name, address, nullptr);
    oQuery.setAutoDelete(false);
    const int nResult = oQuery.Execute();
    QCOMPARE(nResult == 0, succeeds);
    const QStringList lsLines = LogLines();
    if (logLine.isEmpty())
        QVERIFY2(lsLines.isEmpty(), qPrintable(lsLines.join(QLatin1Char('|'))));
    else
        QCOMPARE(lsLines, QStringList{logLine});
}

void TestRemoteShutdownSamba::abortAfterLogonUsesTheSameAccount()
{
    CShutdownQuery oQuery(
        Params(QStringLiteral("root"), QString::fromLatin1(CSambaPeer::kPassword), QString()),
        QString(),
        QStringLiteral("127.0.0.1"),
        nullptr);
    oQuery.setAutoDelete(false);
    QCOMPARE(oQuery.Execute(), 0);
    MRemoteShutdown oAbort;
    QSignalSpy oSpy(&oAbort, &MRemoteShutdown::EmitAbortDone);
    oAbort.OnShutdownAbort(0x7F000001);
    QCOMPARE(oSpy.count(), 1);
    QCOMPARE(oSpy.at(0).at(1).toInt(), 0);
    QCOMPARE(LogLines(),
             (QStringList{QStringLiteral("0 shutdown -r -f"), QStringLiteral("0 abort")}));
}

void TestRemoteShutdownSamba::abortWithoutLogonIsAnonymous()
{
    CShutdownQuery oQuery(Params(QString(), QString(), QStringLiteral("x")),
                          QString(),
                          QStringLiteral("127.0.0.1"),
                          nullptr);
    oQuery.setAutoDelete(false);
    QCOMPARE(oQuery.Execute(), 0);
    MRemoteShutdown oAbort;
    oAbort.OnShutdownAbort(0x7F000001);
    QCOMPARE(
        LogLines(),
        (QStringList{QStringLiteral("65534 shutdown x -r -f"), QStringLiteral("65534 abort")}));
}

QTEST_GUILESS_MAIN(TestRemoteShutdownSamba)
#include "tst_RemoteShutdownSamba.moc"
