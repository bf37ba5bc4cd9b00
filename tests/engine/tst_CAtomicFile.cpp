// SPDX-License-Identifier: GPL-3.0-or-later
// The save helper replaces a regular file whole, follows a link to its file, and never puts a
// file in place of a device. Full disks are tested in tests/console/tst_SaveFaults.
#include "CAtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &i_sPath)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
}

bool WriteAll(const QString &i_sPath, const QByteArray &i_baData)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::WriteOnly) && oFile.write(i_baData) == i_baData.size();
}

} // namespace

class TestCAtomicFile final : public QObject
{
    Q_OBJECT

private slots:
    void replacesWholeOrNotAtAll();
    void linkKeepsPointingAtItsFile();
    void pipeIsWrittenInPlace();
};

void TestCAtomicFile::replacesWholeOrNotAtAll()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPath = oDir.filePath(QStringLiteral("file.xml"));
    QVERIFY(WriteAll(sPath, "old"));
    {
        CAtomicFile oFile(sPath);
        QVERIFY(oFile.Open());
        QVERIFY(oFile.Write("half of the new"));
        // Until the commit the old file is what a reader sees.
        QCOMPARE(ReadAll(sPath), QByteArray("old"));
        oFile.Discard();
        QVERIFY(!oFile.Commit());
    }
    QCOMPARE(ReadAll(sPath), QByteArray("old"));
    {
        CAtomicFile oFile(sPath);
        QVERIFY(oFile.Open());
        QVERIFY(oFile.Write("dropped with the object"));
    }
    QCOMPARE(ReadAll(sPath), QByteArray("old"));
    QString sError;
    QVERIFY2(CAtomicFile::Save(sPath, "new", &sError), qPrintable(sError));
    QCOMPARE(ReadAll(sPath), QByteArray("new"));
    QCOMPARE(QDir(oDir.path()).entryList(QDir::Files | QDir::Hidden), {QStringLiteral("file.xml")});
}

void TestCAtomicFile::linkKeepsPointingAtItsFile()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sTarget = oDir.filePath(QStringLiteral("target.txt"));
    const QString sLink = oDir.filePath(QStringLiteral("link.txt"));
    QVERIFY(WriteAll(sTarget, "old"));
    QVERIFY(QFile::link(sTarget, sLink));
    QVERIFY(CAtomicFile::Save(sLink, "new"));
    QVERIFY(QFileInfo(sLink).isSymLink());
    QCOMPARE(ReadAll(sTarget), QByteArray("new"));
}

void TestCAtomicFile::pipeIsWrittenInPlace()
{
    // Renaming a finished file over a pipe or a device (/dev/null) would replace it for every
    // program that uses it.
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    const QString sPipe = oDir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(sPipe).constData(), 0600), 0);
    const int nReader = ::open(QFile::encodeName(sPipe).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(nReader >= 0);
    QString sError;
    const bool fSaved = CAtomicFile::Save(sPipe, "bytes", &sError);
    char aBuffer[16] = {};
    const ssize_t nRead = ::read(nReader, aBuffer, sizeof aBuffer);
    ::close(nReader);
    QVERIFY2(fSaved, qPrintable(sError));
    QCOMPARE(QByteArray(aBuffer, int(nRead)), QByteArray("bytes"));
    QVERIFY(!QFileInfo(sPipe).isFile());
    QCOMPARE(QDir(oDir.path()).entryList(QDir::System | QDir::Files | QDir::Hidden),
             {QStringLiteral("pipe")});
}

QTEST_GUILESS_MAIN(TestCAtomicFile)
#include "tst_CAtomicFile.moc"
