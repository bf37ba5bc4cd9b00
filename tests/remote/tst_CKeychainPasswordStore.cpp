// SPDX-License-Identifier: GPL-3.0-or-later
// The real secret store. Where the desktop offers one, a password goes in and comes back; where
// it does not (CI), the write is reported as failed. In neither case may the password turn up in
// a settings file.
#include "../helpers/TestSettings.h"
#include "CKeychainPasswordStore.h"

#include <QDirIterator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestCKeychainPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writeReadRemove();

private:
    bool TreeContains(const QByteArray &i_oNeedle) const;

    QTemporaryDir m_oHome;
};

void TestCKeychainPasswordStore::initTestCase()
{
    QVERIFY(m_oHome.isValid());
    // Any settings file the library might write lands here, where the test can look at it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_oHome.path()));
    SettingsIn(m_oHome.path(), QStringLiteral("tst_CKeychainPasswordStore"));
}

bool TestCKeychainPasswordStore::TreeContains(const QByteArray &i_oNeedle) const
{
    QDirIterator it(m_oHome.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile oFile(it.next());
        if (oFile.open(QIODevice::ReadOnly) && oFile.readAll().contains(i_oNeedle))
            return true;
    }
    return false;
}

void TestCKeychainPasswordStore::writeReadRemove()
{
    const QString sService =
        QStringLiteral("vistrel-test-%1").arg(QCoreApplication::applicationPid());
    const QString sKey = QStringLiteral("remote_shutdown_pass");
    const QString sPassword =
        QStringLiteral("Kc-Test-Pa55-%1").arg(QCoreApplication::applicationPid());
    CKeychainPasswordStore oStore(sService);

    QSignalSpy oWritten(&oStore, &IPasswordStore::EmitWriteDone);
    oStore.Write(sKey, sPassword);
    QVERIFY(oWritten.wait(20000));
    const bool fStored = oWritten.at(0).at(1).toBool();
    QCOMPARE(oWritten.at(0).at(0).toString(), sKey);

    QSignalSpy oRead(&oStore, &IPasswordStore::EmitPasswordRead);
    oStore.Read(sKey);
    QVERIFY(oRead.wait(20000));
    QCOMPARE(oRead.at(0).at(2).toBool(), fStored);
    QCOMPARE(oRead.at(0).at(1).toString(), fStored ? sPassword : QString());
    QVERIFY(!TreeContains(sPassword.toUtf8()));

    if (fStored) {
        oWritten.clear();
        oStore.Write(sKey, QString());
        QVERIFY(oWritten.wait(20000));
        QVERIFY(oWritten.at(0).at(1).toBool());
        oRead.clear();
        oStore.Read(sKey);
        QVERIFY(oRead.wait(20000));
        QVERIFY(!oRead.at(0).at(2).toBool());
    } else {
        qInfo("no secret store here: the password was refused and not kept");
    }
}

QTEST_GUILESS_MAIN(TestCKeychainPasswordStore)
#include "tst_CKeychainPasswordStore.moc"
