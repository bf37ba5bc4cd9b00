// SPDX-License-Identifier: GPL-3.0-or-later
// With a Kerberos ticket and no account set, the resource probes use the ticket; an account
// overrides it. "klist" and "rpcclient" are stand-ins on PATH that record how they were run;
// the share lister is the real one, against a Samba server in the test's loopback namespace that
// knows no Kerberos: with the ticket it falls back to an anonymous listing, as before.
#include "CSambaPeer.h"
#include "INetResources.h"
#include "NamespaceGuard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

constexpr quint32 Loopback = 0x7F000001;

bool WriteScript(const QString &i_sPath, const QByteArray &i_baText)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::WriteOnly) && oFile.write(i_baText) == i_baText.size()
           && oFile.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                   | QFileDevice::ExeOwner);
}

} // namespace

class TestKerberosLogon final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void ticketUsedWithoutAccount_data();
    void ticketUsedWithoutAccount();

private:
    QString RunRecorded(const TNetAccount &i_oAccount, bool *o_pfListed);

    QString m_sSkip;
    QTemporaryDir m_oBin;
    CSambaPeer m_oPeer;
};

void TestKerberosLogon::initTestCase()
{
    if (!InOwnLoopbackNamespace(&m_sSkip) || !CSambaPeer::Available(&m_sSkip))
        return;
    QVERIFY(m_oBin.isValid());
    // rpcclient's stand-in: its arguments, whether it got the ticket's cache, and a user.
    QVERIFY(WriteScript(m_oBin.filePath(QStringLiteral("klist")), "#!/bin/sh\nexit 0\n"));
    QVERIFY(WriteScript(m_oBin.filePath(QStringLiteral("rpcclient")),
                        "#!/bin/sh\n{ echo \"$*\"; echo \"cache=${KRB5CCNAME:-none}\"; } > \""
                            + QFile::encodeName(m_oBin.filePath(QStringLiteral("calls")))
                            + "\"\necho carol\n"));
    qputenv("PATH", QFile::encodeName(m_oBin.path()) + ':' + qgetenv("PATH"));
    qputenv("KRB5CCNAME", "FILE:/tmp/vistrel-test-ccache");
    QString sWhy;
    QVERIFY2(m_oPeer.Start(&sWhy), qPrintable(sWhy));
}

void TestKerberosLogon::cleanupTestCase()
{
    m_oPeer.Stop();
}

QString TestKerberosLogon::RunRecorded(const TNetAccount &i_oAccount, bool *o_pfListed)
{
    QThread *pThread = QThread::create([&i_oAccount, o_pfListed]() {
        INetResources::Instance().LoggedOnUser(QStringLiteral("loopbox"), Loopback, i_oAccount, 0);
        *o_pfListed = INetResources::Instance()
                          .Shares(QStringLiteral("loopbox"), Loopback, i_oAccount, 0)
                          .has_value();
    });
    pThread->start();
    const bool fDone = pThread->wait(60000);
    delete pThread;
    QFile oCalls(m_oBin.filePath(QStringLiteral("calls")));
    if (!fDone || !oCalls.open(QIODevice::ReadOnly))
        return QString();
    const QString sCalls = QString::fromUtf8(oCalls.readAll());
    oCalls.remove();
    return sCalls;
}

void TestKerberosLogon::ticketUsedWithoutAccount_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<bool>("listed");
    QTest::newRow("no account: the ticket")
        << QString()
        << QStringLiteral("--use-kerberos=required --command=wkssvc_enumerateusers 0 127.0.0.1\n"
                          "cache=FILE:/tmp/vistrel-test-ccache\n")
        << true;
    QTest::newRow("account: never the ticket")
        << QStringLiteral("root")
        << QStringLiteral("--user=root --use-kerberos=off --command=wkssvc_enumerateusers 0 "
                          "127.0.0.1\ncache=none\n")
        << false;
}

void TestKerberosLogon::ticketUsedWithoutAccount()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QFETCH(QString, login);
    QFETCH(QString, calls);
    QFETCH(bool, listed);
    // A wrong password is refused: never an anonymous listing in its place.
    if (!listed)
        QTest::ignoreMessage(QtWarningMsg,
                             "127.0.0.1 refused to list its shares to " + login.toUtf8());
    bool fListed = !listed;
    QCOMPARE(RunRecorded({login, QString(), login.isEmpty() ? QString() : QStringLiteral("x")},
                         &fListed),
             calls);
    QCOMPARE(fListed, listed);
}

QTEST_GUILESS_MAIN(TestKerberosLogon)
#include "tst_KerberosLogon.moc"
