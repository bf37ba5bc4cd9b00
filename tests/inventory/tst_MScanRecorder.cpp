// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInventoryStore.h"
#include "MScanRecorder.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestMScanRecorder : public QObject
{
    Q_OBJECT

private slots:
    void recordsFinishedScansOnly();
};

namespace {

CScanResult Result(quint32 i_nIp, bool i_fAlive, qint32 i_nScanSize)
{
    CScanResult oResult;
    oResult.set_ip(i_nIp);
    oResult.set_status(i_fAlive ? EHostStatus::Alive : EHostStatus::Dead);
    oResult.set_scan_size(i_nScanSize);
    return oResult;
}

} // namespace

void TestMScanRecorder::recordsFinishedScansOnly()
{
    QTemporaryDir oDir;
    QVERIFY(oDir.isValid());
    auto pStore = std::make_unique<CInventoryStore>();
    QString sError;
    QVERIFY(pStore->Open(QStringLiteral("sqlite:") + oDir.filePath(QStringLiteral("s.sqlite")),
                         &sError));
    MScanRecorder oRecorder(std::move(pStore), QStringLiteral("desk"));
    qRegisterMetaType<CInventoryEvents>("CInventoryEvents");
    QSignalSpy oRecorded(&oRecorder, &MScanRecorder::EmitRecorded);
    CIpList oScope;
    oScope.AddRange(0xC6131701u, 0xC6131703u);

    // Stopped half-way: nothing is kept, and late results of it change nothing.
    oRecorder.OnScanStarted(oScope);
    oRecorder.OnResult(Result(0xC6131701u, true, 3));
    oRecorder.OnScanStopped();
    oRecorder.OnResult(Result(0xC6131702u, true, 3));
    oRecorder.OnResult(Result(0xC6131703u, false, 3));
    QCOMPARE(oRecorded.count(), 0);

    oRecorder.OnScanStarted(oScope);
    oRecorder.OnResult(Result(0xC6131703u, false, 3));
    oRecorder.OnResult(Result(0xC6131701u, true, 3));
    QCOMPARE(oRecorded.count(), 0);
    oRecorder.OnResult(Result(0xC6131702u, true, 3));
    QCOMPARE(oRecorded.count(), 1);
    const auto lEvents = oRecorded.at(0).at(0).value<CInventoryEvents>();
    QCOMPARE(lEvents.size(), 2);
    QCOMPARE(lEvents.at(0).sSite, QStringLiteral("desk"));
    QSqlQuery oScans(oRecorder.Store()->Database());
    QVERIFY(oScans.exec(QStringLiteral("SELECT COUNT(*), MAX(hosts_alive) FROM scans"))
            && oScans.next());
    QCOMPARE(oScans.value(0).toInt(), 1);
    QCOMPARE(oScans.value(1).toInt(), 2);
}

QTEST_GUILESS_MAIN(TestMScanRecorder)
#include "tst_MScanRecorder.moc"
