// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

// AddressSanitizer keeps freed blocks in quarantine and shadows every byte: peak memory is
// bounded in plain builds only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

// Far above what the console needs for one address, far below what reading either file costs.
constexpr qint64 kPeakBoundKiB = 80 * 1024;

void AppendBigEndian(QByteArray &io_baData, quint32 i_nValue)
{
    const quint32 nValue = qToBigEndian(i_nValue);
    io_baData.append(reinterpret_cast<const char *>(&nValue), sizeof nValue);
}

// A well-formed IP-to-MAC memory of at least i_nBytes: entries with a MAC and an empty name.
QByteArray LargeMemory(qint64 i_nBytes)
{
    const quint32 nEntries = quint32(i_nBytes / 32 + 1);
    QByteArray baEntry;
    AppendBigEndian(baEntry, 2);  // elements
    AppendBigEndian(baEntry, 12); // QByteArray
    baEntry.append('\0').append(QByteArray::fromHex("00000006001122334455"));
    AppendBigEndian(baEntry, 10); // QString
    baEntry.append('\0');
    AppendBigEndian(baEntry, 0);
    QByteArray baData;
    baData.reserve(int(4 + nEntries * (4 + baEntry.size())));
    AppendBigEndian(baData, nEntries);
    for (quint32 n = nEntries; n > 0; --n) {
        AppendBigEndian(baData, n);
        baData.append(baEntry);
    }
    return baData;
}

// A well-formed record of the last scan whose one host has a name of i_nLength characters.
QByteArray RecordWithLongName(int i_nLength)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel>\r\n\t<row ip=\"127.0.0.9\" "
           "status=\"alive\" name=\""
           + QByteArray(i_nLength, 'n') + "\"/>\r\n</Vistrel>";
}

} // namespace

// The console program loads the IP-to-MAC memory from the home directory at start. It changes
// no entry, so it must leave an existing file exactly as it was, and a damaged one must survive.
// Files far larger than the program writes are set aside unread, like damaged ones.
class TestConsoleMacMemory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void existingFileIsLeftUntouched();
    void missingFileIsCreatedEmpty();
    void damagedFileIsKeptAside();
    void oversizedFileIsSetAsideUnread_data();
    void oversizedFileIsSetAsideUnread();

private:
    // The exit status; o_pnPeakKiB (when given) receives the peak resident memory.
    int RunConsole(const QStringList &i_lsMore = {}, qint64 *o_pnPeakKiB = nullptr);
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

int TestConsoleMacMemory::RunConsole(const QStringList &i_lsMore, qint64 *o_pnPeakKiB)
{
    const QString sPeakFile = m_pHome->filePath(QStringLiteral("peak.txt"));
    QStringList lsCommand{QStringLiteral("exec")};
    if (o_pnPeakKiB)
        lsCommand << QStringLiteral("/usr/bin/time") << QStringLiteral("-f") << QStringLiteral("%M")
                  << QStringLiteral("-o") << sPeakFile;
    lsCommand << QStringLiteral(VISTREL_BINARY_DIR "/console/vistrel_console")
              << QStringLiteral("/r:127.0.0.1")
              << QStringLiteral("/f:") + m_pHome->filePath(QStringLiteral("out.txt"));
    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), m_pHome->path());
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.setWorkingDirectory(m_pHome->path());
    // Run inside the loopback namespace: the one address scanned is 127.0.0.1 there.
    oProcess.start(QStringLiteral(VISTREL_LOOPNS_SCRIPT), lsCommand + i_lsMore);
    if (!oProcess.waitForFinished(120000)) {
        oProcess.kill();
        oProcess.waitForFinished(5000);
        return -1;
    }
    if (o_pnPeakKiB) {
        bool fOk = false;
        *o_pnPeakKiB = ReadAll(sPeakFile).trimmed().toLongLong(&fOk);
        if (!fOk)
            *o_pnPeakKiB = -1;
        QFile::remove(sPeakFile);
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
    const QByteArray baFile =
        QByteArray::fromHex("000000010a000001000000020000000c0000000006001122334455"
                            "0000000a0000000006007000630031");
    Write(m_sMacFile, baFile);
    const QDateTime oWritten = QFileInfo(m_sMacFile).lastModified();
    const quint64 nChangedMs =
        QFileInfo(m_sMacFile).fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch();
    QTest::qWait(20); // let a rewrite show up in the timestamps
    QCOMPARE(RunConsole(), 0);
    QCOMPARE(ReadAll(m_sMacFile), baFile);
    QCOMPARE(QFileInfo(m_sMacFile).lastModified(), oWritten);
    QCOMPARE(quint64(QFileInfo(m_sMacFile)
                         .fileTime(QFileDevice::FileMetadataChangeTime)
                         .toMSecsSinceEpoch()),
             nChangedMs);
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

void TestConsoleMacMemory::oversizedFileIsSetAsideUnread_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("IP-to-MAC memory of 48 MiB")
        << QStringLiteral("vistrel_MAC.bin") << LargeMemory(48 * 1024 * 1024);
    QTest::newRow("last-scan record of 48 MiB")
        << QStringLiteral("vistrel_LastScan.xml") << RecordWithLongName(48 * 1024 * 1024);
    QTest::newRow("small last-scan record with a name of a million characters")
        << QStringLiteral("vistrel_LastScan.xml") << RecordWithLongName(1024 * 1024);
}

void TestConsoleMacMemory::oversizedFileIsSetAsideUnread()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    const QString sPath = m_pHome->filePath(fileName);
    Write(sPath, content);
    qint64 nPeakKiB = -1;
    QCOMPARE(RunConsole({QStringLiteral("/c:on")}, &nPeakKiB), 0);
    QVERIFY(nPeakKiB > 0);
    qInfo("peak resident memory: %lld KiB", nPeakKiB);
    if (kMemoryMeasurable)
        QVERIFY2(nPeakKiB < kPeakBoundKiB, qPrintable(QString::number(nPeakKiB)));
    QVERIFY2(ReadAll(sPath + QStringLiteral(".damaged")) == content, "not kept aside whole");
}

QTEST_GUILESS_MAIN(TestConsoleMacMemory)
#include "tst_ConsoleMacMemory.moc"
