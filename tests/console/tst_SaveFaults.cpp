// SPDX-License-Identifier: GPL-3.0-or-later
// Saving when the disk says no: a full file system, a read-only folder, a read-only file, an
// unwritable home folder. Nothing crashes, the user's existing files survive byte for byte, and
// the console tells the user when its output did not reach the file.
//
// Runs as root in a mount namespace of its own (unshare -m, see CMakeLists.txt) and mounts
// small file systems there; it refuses to mount anything in the machine's own namespace.
#include "MIpMacDataStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// The wrappers (ip netns exec, unshare) replace themselves with the test, so its parent is
// whoever started them, still in the mount namespace the mounts must never reach.
bool InPrivateMountNamespace()
{
    const QString sOwn = QFileInfo(QStringLiteral("/proc/self/ns/mnt")).symLinkTarget();
    const QString sParent =
        QFileInfo(QStringLiteral("/proc/%1/ns/mnt").arg(getppid())).symLinkTarget();
    return !sOwn.isEmpty() && !sParent.isEmpty() && sOwn != sParent;
}

bool Run(const QString &i_sProgram, const QStringList &i_lsArguments)
{
    QProcess oProcess;
    oProcess.start(i_sProgram, i_lsArguments);
    return oProcess.waitForFinished(10000) && oProcess.exitStatus() == QProcess::NormalExit
           && oProcess.exitCode() == 0;
}

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

private:
    // A fresh folder for one case, prepared as i_ePlace says, holding i_sFile with i_baData
    // (when given) from before the fault.
    QString Prepare(EPlace i_ePlace, const QString &i_sFile, const QByteArray &i_baData);

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
    m_pRoot = std::make_unique<QTemporaryDir>();
    if (!m_pRoot->isValid())
        return QString();
    const QString sDir = m_pRoot->filePath(QStringLiteral("place"));
    if (!QDir().mkpath(sDir))
        return QString();
    const QString sPath = QDir(sDir).filePath(i_sFile);
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
    if (!i_baData.isNull() && !WriteAll(sPath, i_baData))
        return QString();
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

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_SaveFaults.moc"
