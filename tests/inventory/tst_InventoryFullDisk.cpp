// SPDX-License-Identifier: GPL-3.0-or-later
// Runs as root in a mount namespace of its own (unshare -m, see CMakeLists.txt) and mounts a
// small file system there; it refuses to mount anything in the machine's own namespace.
#include "../helpers/PrivateMount.h"
#include "CInventoryStore.h"
#include "CScanResult.h"

#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

using PrivateMount::InPrivateMountNamespace;
using PrivateMount::Run;

QList<CScanResult> Hosts(int i_nRound)
{
    QList<CScanResult> lResults;
    for (quint32 i = 1; i < 255; ++i) {
        CScanResult oResult;
        oResult.set_ip(0xC6131700u + i); // 198.19.23.i
        oResult.set_status(EHostStatus::Alive);
        // Names that change every round: every scan adds history as well as observations.
        oResult.set_name(QStringLiteral("host-%1-%2-").arg(i).arg(i_nRound)
                         + QString(200, QLatin1Char('n')));
        lResults << oResult;
    }
    return lResults;
}

} // namespace

class TestInventoryFullDisk : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsWhatWasStored();
};

void TestInventoryFullDisk::fullDiskKeepsWhatWasStored()
{
    if (!InPrivateMountNamespace())
        QSKIP("needs a mount namespace of its own: run through unshare -m --propagation private");
    QTemporaryDir oRoot;
    QVERIFY(oRoot.isValid());
    const QString sDir = oRoot.filePath(QStringLiteral("place"));
    QVERIFY(QDir().mkpath(sDir));
    QVERIFY(Run(QStringLiteral("mount"),
                {QStringLiteral("-t"),
                 QStringLiteral("tmpfs"),
                 QStringLiteral("-o"),
                 QStringLiteral("size=2m"),
                 QStringLiteral("vistrel-fault"),
                 sDir}));
    const auto Unmount = qScopeGuard([&sDir] {
        Run(QStringLiteral("umount"), {QStringLiteral("-l"), sDir});
    });
    const QString sFiller = QDir(sDir).filePath(QStringLiteral("filler"));
    {
        QFile oFiller(sFiller);
        QVERIFY(oFiller.open(QIODevice::WriteOnly));
        oFiller.write(QByteArray(1024 * 1024, 'f'));
    }
    const QString sLocation =
        QStringLiteral("sqlite:") + QDir(sDir).filePath(QStringLiteral("s.sqlite"));

    CInventoryStore oStore;
    QString sError;
    QVERIFY2(oStore.Open(sLocation, &sError), qPrintable(sError));
    const QDateTime oTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    CInventoryStore::TScan oScan;
    oScan.vRanges = {TIpRange{0xC6131700u, 0xC61317FFu}};
    oScan.sSite = QStringLiteral("lab");
    int nRecorded = 0;
    bool fFull = false;
    for (int i = 0; i < 200 && !fFull; ++i) {
        oScan.oStarted = oTime.addSecs(3600 * i);
        oScan.oEnded = oScan.oStarted.addSecs(10);
        CInventoryEvents lEvents;
        if (oStore.RecordScan(oScan, Hosts(i), &lEvents, &sError))
            ++nRecorded;
        else
            fFull = true;
    }
    QVERIFY2(fFull, "the file system never filled up");
    QVERIFY(nRecorded > 0);
    QVERIFY2(sError.contains(QStringLiteral("not recorded"))
                 && sError.contains(QStringLiteral("full")),
             qPrintable(sError));

    // Room again: the same store takes the next scan, and holds every scan it said it recorded.
    QVERIFY(QFile::remove(sFiller));
    CInventoryEvents lEvents;
    oScan.oStarted = oTime.addSecs(3600 * 300);
    oScan.oEnded = oScan.oStarted.addSecs(10);
    QVERIFY2(oStore.RecordScan(oScan, Hosts(300), &lEvents, &sError), qPrintable(sError));
    oStore.Close();
    CInventoryStore oReopened;
    QVERIFY2(oReopened.Open(sLocation, &sError), qPrintable(sError));
    QSqlQuery oCount(oReopened.Database());
    QVERIFY(oCount.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM scans"))
            && oCount.next());
    QCOMPARE(oCount.value(0).toInt(), nRecorded + 1);
    QVERIFY(oCount.exec(QStringLiteral("SELECT COUNT(*) FROM observations")) && oCount.next());
    QCOMPARE(oCount.value(0).toInt(), (nRecorded + 1) * 254);
}

QTEST_GUILESS_MAIN(TestInventoryFullDisk)
#include "tst_InventoryFullDisk.moc"
