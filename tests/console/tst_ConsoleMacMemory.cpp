// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The console program loads the IP-to-MAC memory from the home directory at start. It changes
// no entry, so it must leave an existing file exactly as it was, and a damaged one must survive.
class TestConsoleMacMemory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void existingFileIsLeftUntouched();
    void missingFileIsCreatedEmpty();
    void damagedFileIsKeptAside();

private:
    int RunConsole();
    QByteArray ReadAll(const QString &i_sPath);
    void Write(const QString &i_sPath, const QByteArray &i_baData);

    std::unique_ptr<QTemporaryDir> m_pHome;
    QString m_sMacFile;
};

void TestConsoleMacMemory::init()
{
    m_pHome = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pHome->isValid());
    m_sMacFile = m_pHome->filePath(QStringLiteral("vistrel_MAC.bin"));
}

int TestConsoleMacMemory::RunConsole()
{
    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), m_pHome->path());
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.setWorkingDirectory(m_pHome->path());
    // Run inside the loopback namespace: the one address scanned is 127.0.0.1 there.
    oProcess.start(QStringLiteral(VISTREL_LOOPNS_SCRIPT),
                   {QStringLiteral("exec"), QStringLiteral(VISTREL_BINARY_DIR "/console/vistrel_console"),
                    QStringLiteral("/r:127.0.0.1"), QStringLiteral("/f:") + m_pHome->filePath(QStringLiteral("out.txt"))});
    if (!oProcess.waitForFinished(120000)) {
        oProcess.kill();
        oProcess.waitForFinished(5000);
        return -1;
    }
    return oProcess.exitStatus() == QProcess::NormalExit ? oProcess.exitCode() : -2;
}

QByteArray TestConsoleMacMemory::ReadAll(const QString &i_sPath)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
}

void TestConsoleMacMemory::Write(const QString &i_sPath, const QByteArray &i_baData)
{
    QFile oFile(i_sPath);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    QCOMPARE(oFile.write(i_baData), qint64(i_baData.size()));
}

void TestConsoleMacMemory::existingFileIsLeftUntouched()
{
    const QByteArray baFile = QByteArray::fromHex("000000010a000001000000020000000c0000000006001122334455"
                                                  "0000000a0000000006007000630031");
    Write(m_sMacFile, baFile);
    const QDateTime oWritten = QFileInfo(m_sMacFile).lastModified();
    const quint64 nChangedMs = QFileInfo(m_sMacFile).fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch();
    QTest::qWait(20); // let a rewrite show up in the timestamps
    QCOMPARE(RunConsole(), 0);
    QCOMPARE(ReadAll(m_sMacFile), baFile);
    QCOMPARE(QFileInfo(m_sMacFile).lastModified(), oWritten);
    QCOMPARE(quint64(QFileInfo(m_sMacFile).fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch()), nChangedMs);
}

void TestConsoleMacMemory::missingFileIsCreatedEmpty()
{
    QCOMPARE(RunConsole(), 0);
    QCOMPARE(ReadAll(m_sMacFile), QByteArray(4, '\0'));
}

void TestConsoleMacMemory::damagedFileIsKeptAside()
{
    const QByteArray baDamaged = QByteArray::fromHex("00000005ffff");
    Write(m_sMacFile, baDamaged);
    QCOMPARE(RunConsole(), 0);
    QCOMPARE(ReadAll(m_sMacFile + QStringLiteral(".damaged")), baDamaged);
    QCOMPARE(ReadAll(m_sMacFile), QByteArray(4, '\0'));
}

QTEST_GUILESS_MAIN(TestConsoleMacMemory)
#include "tst_ConsoleMacMemory.moc"
