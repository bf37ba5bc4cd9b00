// SPDX-License-Identifier: GPL-3.0-or-later
// Saving when the disk says no: a full file system, a read-only folder, a read-only file, an
// unwritable home folder; and a console run stopped by a signal halfway. Nothing crashes, the
// user's existing files survive byte for byte, and the console tells the user when its output
// did not reach the file.
//
// Runs as root in a mount namespace of its own (unshare -m, see CMakeLists.txt) and mounts
// small file systems there; it refuses to mount anything in the machine's own namespace.
#include "../helpers/PrivateMount.h"
#include "MIpMacDataStorage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <unistd.h>

namespace {

using PrivateMount::InPrivateMountNamespace;
using PrivateMount::Run;

QByteArray ReadAll(const QString &i_sPath)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
}

bool WriteAll(const QString &i_sPath, const QByteArray &i_baData)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::WriteOnly) && oFile.write(i_baData) == i_baData.size()
           && oFile.flush();
}

// Fills the file system holding i_sDir until it refuses one more byte.
bool FillUp(const QString &i_sDir)
{
    QFile oFiller(QDir(i_sDir).filePath(QStringLiteral("filler")));
    if (!oFiller.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray baChunk(4096, 'f');
    for (int i = 0; i < 100000; ++i) {
        if (oFiller.write(baChunk) != baChunk.size())
            break;
    }
    for (int i = 0; i < 4096; ++i) {
        if (oFiller.write("f", 1) != 1)
            return true;
    }
    return false;
}

QByteArray OneEntryMemory()
{
    MIpMacDataStorage::TMemory mMemory;
    mMemory.insert(0x0A000001, {QByteArray("\x00\x11\x22\x33\x44\x55", 6), QStringLiteral("pc1")});
    return MIpMacDataStorage::SerializeMemory(mMemory);
}

// A small record of the last scan, as the console writes it.
QByteArray OneHostRecord()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel>\r\n\t<row "
                             "ip=\"198.18.0.9\" status=\"alive\" name=\"pc9\"/>\r\n</Vistrel>");
}

// True once the process catches both SIGINT and SIGTERM (bits 2 and 15 of SigCgt): from then on
// a signal reaches the program's own handling rather than ending it before it has started.
bool CatchesStopSignals(qint64 i_nPid)
{
    QFile oStatus(QStringLiteral("/proc/%1/status").arg(i_nPid));
    if (!oStatus.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &baLine : oStatus.readAll().split('\n')) {
        if (!baLine.startsWith("SigCgt:"))
            continue;
        bool fOk = false;
        const quint64 nMask = baLine.mid(7).trimmed().toULongLong(&fOk, 16);
        const quint64 nWanted = (quint64(1) << (SIGINT - 1)) | (quint64(1) << (SIGTERM - 1));
        return fOk && (nMask & nWanted) == nWanted;
    }
    return false;
}

enum class EPlace
{
    FullDisk,
    ReadOnlyFolder,
    ReadOnlyFile,
    Writable
};

} // namespace

class TestSaveFaults final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void macMemorySave_data();
    void macMemorySave();
    void consoleOutput_data();
    void consoleOutput();
    void recordOnFullDisk();
    void consoleInterrupted_data();
    void consoleInterrupted();

private:
    // A fresh folder for one case, prepared as i_ePlace says, holding i_sFile with i_baData
    // (when given) from before the fault.
    QString Prepare(EPlace i_ePlace, const QString &i_sFile, const QByteArray &i_baData);
    // The same with several files from before the fault; a read-only file is the first one.
    QString Prepare(EPlace i_ePlace, const QMap<QString, QByteArray> &i_mFiles);

    std::unique_ptr<QTemporaryDir> m_pRoot;
    QStringList m_lsMounts;
};

void TestSaveFaults::initTestCase()
{
    if (!InPrivateMountNamespace())
        QSKIP("needs a mount namespace of its own: run through unshare -m --propagation private");
    QVERIFY(QFileInfo::exists(QStringLiteral(VISTREL_CONSOLE_BIN)));
}

void TestSaveFaults::cleanup()
{
    while (!m_lsMounts.isEmpty())
        Run(QStringLiteral("umount"), {QStringLiteral("-l"), m_lsMounts.takeLast()});
    m_pRoot.reset();
}

QString TestSaveFaults::Prepare(EPlace i_ePlace, const QString &i_sFile, const QByteArray &i_baData)
{
    QMap<QString, QByteArray> mFiles;
    mFiles.insert(i_sFile, i_baData);
    return Prepare(i_ePlace, mFiles);
}

QString TestSaveFaults::Prepare(EPlace i_ePlace, const QMap<QString, QByteArray> &i_mFiles)
{
    m_pRoot = std::make_unique<QTemporaryDir>();
    if (!m_pRoot->isValid())
        return QString();
    const QString sDir = m_pRoot->filePath(QStringLiteral("place"));
    if (!QDir().mkpath(sDir))
        return QString();
    const QString sPath = QDir(sDir).filePath(i_mFiles.firstKey());
    const bool fOwnFs = i_ePlace == EPlace::FullDisk || i_ePlace == EPlace::ReadOnlyFolder;
    if (fOwnFs) {
        if (!Run(QStringLiteral("mount"),
                 {QStringLiteral("-t"),
                  QStringLiteral("tmpfs"),
                  QStringLiteral("-o"),
                  QStringLiteral("size=64k"),
                  QStringLiteral("vistrel-fault"),
                  sDir}))
            return QString();
        m_lsMounts << sDir;
    }
    for (auto it = i_mFiles.cbegin(); it != i_mFiles.cend(); ++it) {
        if (!it.value().isNull() && !WriteAll(QDir(sDir).filePath(it.key()), it.value()))
            return QString();
    }
    switch (i_ePlace) {
    case EPlace::FullDisk:
        if (!FillUp(sDir))
            return QString();
        break;
    case EPlace::ReadOnlyFolder:
        if (!Run(QStringLiteral("mount"),
                 {QStringLiteral("-o"), QStringLiteral("remount,ro"), sDir}))
            return QString();
        break;
    case EPlace::ReadOnlyFile:
        if (!Run(QStringLiteral("mount"), {QStringLiteral("--bind"), sPath, sPath}))
            return QString();
        m_lsMounts << sPath;
        if (!Run(QStringLiteral("mount"),
                 {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), sPath}))
            return QString();
        break;
    case EPlace::Writable:
        break;
    }
    return sDir;
}

void TestSaveFaults::macMemorySave_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("newEntries");
    QTest::newRow("full disk, large file: save fails, old file intact, no temporary left")
        << int(EPlace::FullDisk) << 2000;
    // Qt's own commit() took a failed flush of a small file for success and left it empty.
    QTest::newRow("full disk, small file: save fails, old file intact, no temporary left")
        << int(EPlace::FullDisk) << 1;
    QTest::newRow("read-only home folder: save fails, old file intact")
        << int(EPlace::ReadOnlyFolder) << 1;
    QTest::newRow("read-only file in a writable folder: save fails, old file intact")
        << int(EPlace::ReadOnlyFile) << 1;
}

void TestSaveFaults::macMemorySave()
{
    QFETCH(int, place);
    QFETCH(int, newEntries);
    const QByteArray baBefore = OneEntryMemory();
    const QString sDir = Prepare(EPlace(place), MIpMacDataStorage::FileName(), baBefore);
    QVERIFY(!sDir.isEmpty());
    const QString sPath = QDir(sDir).filePath(MIpMacDataStorage::FileName());
    const QStringList lsBefore = QDir(sDir).entryList(QDir::Files | QDir::Hidden);
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(sPath);
        QCOMPARE(oMemory.Memory().size(), 1);
        for (int n = 0; n < newEntries; ++n)
            oMemory.SetMac(0x0A010000 + quint32(n), QByteArray("\x02\x00\x00\x00\x00\x01", 6));
        QVERIFY(!oMemory.Save());
        // Still to be saved: a later attempt, when there is room, may succeed.
        QVERIFY(oMemory.IsModified());
        // The destructor tries once more; that must fail just as quietly.
    }
    QCOMPARE(ReadAll(sPath), baBefore);
    QCOMPARE(QDir(sDir).entryList(QDir::Files | QDir::Hidden), lsBefore);
}

void TestSaveFaults::consoleOutput_data()
{
    QTest::addColumn<int>("outputPlace");
    QTest::addColumn<int>("homePlace");
    QTest::addColumn<QByteArray>("existingOutput");
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    const QString sOne = QStringLiteral("198.18.0.1");
    const QString sMany = QStringLiteral("198.18.0.1-198.18.7.254");
    QTest::newRow("output in a read-only folder: cannot open, status 5")
        << int(EPlace::ReadOnlyFolder) << int(EPlace::Writable) << QByteArray() << sOne << 5
        << QStringLiteral("Can not open file for output: ");
    QTest::newRow("read-only output file: cannot open, status 5, file intact")
        << int(EPlace::ReadOnlyFile) << int(EPlace::Writable) << QByteArray("keep me\r\n") << sOne
        << 5 << QStringLiteral("Can not open file for output: ");
    QTest::newRow("output on a full disk: cannot write, status 5")
        << int(EPlace::FullDisk) << int(EPlace::Writable) << QByteArray() << sMany << 5
        << QStringLiteral("Can not write file for output: ");
    QTest::newRow("output on a full disk: cannot write, status 5, previous file intact")
        << int(EPlace::FullDisk) << int(EPlace::Writable) << QByteArray("previous scan\r\n")
        << sMany << 5 << QStringLiteral("Can not write file for output: ");
    QTest::newRow("read-only home folder: scan and output as usual")
        << int(EPlace::Writable) << int(EPlace::ReadOnlyFolder) << QByteArray() << sOne << 0
        << QString();
    QTest::newRow("home folder on a full disk: scan and output as usual")
        << int(EPlace::Writable) << int(EPlace::FullDisk) << QByteArray() << sOne << 0 << QString();
}

void TestSaveFaults::consoleOutput()
{
    QFETCH(int, outputPlace);
    QFETCH(int, homePlace);
    QFETCH(QByteArray, existingOutput);
    QFETCH(QString, range);
    QFETCH(int, status);
    QFETCH(QString, message);

    // One of the two is the faulty place; the other a plain folder beside it.
    const bool fHomeFaulty = EPlace(homePlace) != EPlace::Writable;
    const QString sFaulty = Prepare(EPlace(fHomeFaulty ? homePlace : outputPlace),
                                    QStringLiteral("out.txt"),
                                    existingOutput.isEmpty() ? QByteArray() : existingOutput);
    QVERIFY(!sFaulty.isEmpty());
    const QString sPlain = m_pRoot->filePath(QStringLiteral("plain"));
    QVERIFY(QDir().mkpath(sPlain));
    const QString sHome = fHomeFaulty ? sFaulty : sPlain;
    const QString sOutput =
        QDir(fHomeFaulty ? sPlain : sFaulty).filePath(QStringLiteral("out.txt"));
    const QStringList lsHomeBefore = QDir(sHome).entryList(QDir::Files);

    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), sHome);
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.start(QStringLiteral(VISTREL_CONSOLE_BIN),
                   {QStringLiteral("/r:") + range, QStringLiteral("/f:") + sOutput});
    QVERIFY(oProcess.waitForFinished(60000));
    QCOMPARE(oProcess.exitStatus(), QProcess::NormalExit);
    const QString sStdOut = QString::fromUtf8(oProcess.readAllStandardOutput());
    QCOMPARE(oProcess.exitCode(), status);
    if (message.isEmpty()) {
        QCOMPARE(sStdOut, QString());
        const QByteArray baOut = ReadAll(sOutput);
        QVERIFY(baOut.startsWith("Status | Name | IP"));
        QVERIFY2(baOut.contains(" | 198.18.0.1 | "), baOut.constData());
        // The memory could not be written to the faulty home; nothing was left there either.
        QCOMPARE(QDir(sHome).entryList(QDir::Files), lsHomeBefore);
    } else {
        QCOMPARE(sStdOut, message + sOutput);
    }
    if (!existingOutput.isEmpty())
        QCOMPARE(ReadAll(sOutput), existingOutput);
}

void TestSaveFaults::recordOnFullDisk()
{
    // Both files of the home folder exist from an earlier run; then the disk fills up.
    QMap<QString, QByteArray> mFiles;
    mFiles.insert(QStringLiteral("vistrel_LastScan.xml"), OneHostRecord());
    mFiles.insert(MIpMacDataStorage::FileName(), OneEntryMemory());
    const QString sHome = Prepare(EPlace::FullDisk, mFiles);
    QVERIFY(!sHome.isEmpty());
    const QString sRecord = QDir(sHome).filePath(QStringLiteral("vistrel_LastScan.xml"));
    const QString sMemory = QDir(sHome).filePath(MIpMacDataStorage::FileName());
    const QString sOutput = m_pRoot->filePath(QStringLiteral("out.txt"));

    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), sHome);
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.start(QStringLiteral(VISTREL_CONSOLE_BIN),
                   {QStringLiteral("/r:198.18.0.1-198.18.0.20"),
                    QStringLiteral("/c:on"),
                    QStringLiteral("/f:") + sOutput});
    QVERIFY(oProcess.waitForFinished(60000));
    QCOMPARE(oProcess.exitStatus(), QProcess::NormalExit);
    const QString sStdErr = QString::fromLocal8Bit(oProcess.readAllStandardError());
    QVERIFY2(sStdErr.contains(QStringLiteral("The record of this scan could not be written to ")
                              + sRecord),
             qPrintable(sStdErr));
    QCOMPARE(oProcess.exitCode(), 5);
    QCOMPARE(ReadAll(sRecord), OneHostRecord());
    QCOMPARE(ReadAll(sMemory), OneEntryMemory());
    // The output itself was written in full.
    QVERIFY(ReadAll(sOutput).contains(" | 198.18.0.20 | "));
}

void TestSaveFaults::consoleInterrupted_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("output");

    QTest::newRow("SIGINT, text file: previous file kept, status 130")
        << SIGINT << QStringLiteral("out.txt");
    QTest::newRow("SIGTERM, text file: previous file kept, status 143")
        << SIGTERM << QStringLiteral("out.txt");
    QTest::newRow("SIGINT, XML file: previous file kept, status 130")
        << SIGINT << QStringLiteral("out.xml");
    QTest::newRow("SIGTERM, standard output: lines so far printed, status 143")
        << SIGTERM << QString();
}

void TestSaveFaults::consoleInterrupted()
{
    QFETCH(int, signal);
    QFETCH(QString, output);

    const QString sDir = Prepare(EPlace::Writable, QStringLiteral("none"), QByteArray());
    QVERIFY(!sDir.isEmpty());
    const QByteArray baPrevious("Status | Name | IP\r\nalive | pc | 198.18.0.9 | previous run");
    const QString sOutput = output.isEmpty() ? QString() : QDir(sDir).filePath(output);
    if (!sOutput.isEmpty())
        QVERIFY(WriteAll(sOutput, baPrevious));
    const QString sRecord = QDir(sDir).filePath(QStringLiteral("vistrel_LastScan.xml"));
    QVERIFY(WriteAll(sRecord, OneHostRecord()));

    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), sDir);
    oProcess.setProcessEnvironment(oEnvironment);
    // 65,534 addresses without a route: seconds of scanning, far more than the wait below.
    QStringList lsArguments{QStringLiteral("/r:198.18.0.0/16"), QStringLiteral("/c:on")};
    if (!sOutput.isEmpty())
        lsArguments << QStringLiteral("/f:") + sOutput;
    oProcess.start(QStringLiteral(VISTREL_CONSOLE_BIN), lsArguments);
    QVERIFY(oProcess.waitForStarted(10000));
    QElapsedTimer oWaited;
    oWaited.start();
    while (!CatchesStopSignals(oProcess.processId()) && oWaited.elapsed() < 15000
           && oProcess.state() == QProcess::Running)
        QTest::qWait(20);
    // Well into the scan: results have been written to the temporary file or standard output.
    QTest::qWait(500);
    QCOMPARE(oProcess.state(), QProcess::Running);
    QCOMPARE(::kill(pid_t(oProcess.processId()), signal), 0);
    QElapsedTimer oStopping;
    oStopping.start();
    QVERIFY(oProcess.waitForFinished(30000));
    qInfo("stopped %lld ms after the signal", oStopping.elapsed());
    QCOMPARE(oProcess.exitStatus(), QProcess::NormalExit);
    QCOMPARE(oProcess.exitCode(), 128 + signal);
    if (sOutput.isEmpty()) {
        const QByteArray baOut = oProcess.readAllStandardOutput();
        QVERIFY2(baOut.startsWith("Status | Name | IP") && baOut.contains(" | 198.18.0.1 | "),
                 baOut.left(200).constData());
    } else {
        QCOMPARE(ReadAll(sOutput), baPrevious);
    }
    // Half a scan does not replace the record of the last one either.
    QCOMPARE(ReadAll(sRecord), OneHostRecord());
    // Nothing else is left behind: no temporary file beside the output or the record.
    QStringList lsExpected{QStringLiteral("vistrel_LastScan.xml"), MIpMacDataStorage::FileName()};
    if (!sOutput.isEmpty())
        lsExpected << output;
    lsExpected.sort();
    QCOMPARE(QDir(sDir).entryList(QDir::Files | QDir::Hidden, QDir::Name), lsExpected);
}

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_SaveFaults.moc"
