// SPDX-License-Identifier: GPL-3.0-or-later
// Comparison of a scan with the record of the one before, and the record that it leaves.
#include "CFavoritesContentHandler.h"
#include "CResultsXml.h"
#include "CScanComparison.h"
#include "MIpMacDataStorage.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr quint32 Ip(int i_nLast)
{
    return (10u << 24) | static_cast<quint32>(i_nLast);
}

CScanResult Host(int i_nLast,
                 EHostStatus i_eStatus,
                 const QByteArray &i_baMac = QByteArray(6, '\0'),
                 const QString &i_sName = QString())
{
    CScanResult oResult;
    oResult.set_ip(Ip(i_nLast));
    oResult.set_status(i_eStatus);
    oResult.set_mac(i_baMac);
    oResult.set_name(i_sName);
    return oResult;
}

const QByteArray g_baMacA = QByteArray::fromHex("0011223344aa");
const QByteArray g_baMacB = QByteArray::fromHex("0011223344bb");

} // namespace

class TestCScanComparison : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void marks_data();
    void marks();
    void missingRecordMakesEveryAliveHostNew();
    void macFromMemoryWhenTheRecordHasNone();
    void nextRecordKeepsOtherAddresses();
    void damagedRecordIsKeptAside();
    void recordStaysReadable();
    void markText();

private:
    void WriteRecord(const QList<CScanResult> &i_lResults);
    QList<CScanItem> ReadRecord();

    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_sRecord;
};

void TestCScanComparison::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    m_sRecord = CScanComparison::RecordPathBeside(m_pDir->filePath(MIpMacDataStorage::FileName()));
    QCOMPARE(m_sRecord, m_pDir->filePath(QStringLiteral("vistrel_LastScan.xml")));
}

void TestCScanComparison::WriteRecord(const QList<CScanResult> &i_lResults)
{
    QList<CScanItem> lItems;
    for (const CScanResult &oResult : i_lResults)
        lItems << CScanItem(oResult);
    QFile oFile(m_sRecord);
    QVERIFY(oFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    oFile.write(CResultsXml::Document(lItems).toUtf8());
}

QList<CScanItem> TestCScanComparison::ReadRecord()
{
    QFile oFile(m_sRecord);
    QList<CScanItem> lItems;
    if (!oFile.open(QIODevice::ReadOnly)
        || !CFavoritesContentHandler::ReadItems(oFile.readAll(), &lItems))
        return {};
    return lItems;
}

void TestCScanComparison::marks_data()
{
    QTest::addColumn<CScanResult>("before");
    QTest::addColumn<CScanResult>("now");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("changed");
    const CScanResult oAlive = Host(1, EHostStatus::Alive, g_baMacA, QStringLiteral("pc1"));
    QTest::newRow("same host again is unchanged")
        << oAlive << oAlive << "unchanged" << QStringList();
    QTest::newRow("dead before, alive now is new")
        << Host(1, EHostStatus::Dead) << oAlive << "new" << QStringList();
    QTest::newRow("alive before, dead now is gone")
        << oAlive << Host(1, EHostStatus::Dead, g_baMacA) << "gone" << QStringList();
    QTest::newRow("alive before, unknown now is gone")
        << oAlive << Host(1, EHostStatus::Unknown) << "gone" << QStringList();
    QTest::newRow("silent in both is unchanged")
        << Host(1, EHostStatus::Unknown) << Host(1, EHostStatus::Dead) << "unchanged"
        << QStringList();
    QTest::newRow("other MAC address")
        << oAlive << Host(1, EHostStatus::Alive, g_baMacB, QStringLiteral("pc1")) << "changed"
        << QStringList{"mac"};
    QTest::newRow("MAC address no longer seen is no change")
        << oAlive << Host(1, EHostStatus::Alive, QByteArray(6, '\0'), QStringLiteral("pc1"))
        << "unchanged" << QStringList();
    QTest::newRow("other name and MAC")
        << oAlive << Host(1, EHostStatus::Alive, g_baMacB, QStringLiteral("pc2")) << "changed"
        << QStringList{"mac", "name"};
    CScanResult oWithHttp = oAlive;
    oWithHttp.set_has_http(true);
    QTest::newRow("web server appeared")
        << oAlive << oWithHttp << "changed" << QStringList{"services"};
    CScanResult oPorts = oAlive;
    oPorts.set_ortavo_ports({4899, 4900});
    CScanResult oPortsReordered = oAlive;
    oPortsReordered.set_ortavo_ports({4900, 4899});
    QTest::newRow("same ports in another order")
        << oPorts << oPortsReordered << "unchanged" << QStringList();
    QTest::newRow("port closed") << oPorts << oAlive << "changed" << QStringList{"services"};
    CScanResult oShares = oAlive;
    oShares.set_shares({QStringLiteral("docs")});
    QTest::newRow("share removed") << oShares << oAlive << "changed" << QStringList{"shares"};
}

void TestCScanComparison::marks()
{
    QFETCH(CScanResult, before);
    QFETCH(CScanResult, now);
    QFETCH(QString, word);
    QFETCH(QStringList, changed);
    WriteRecord({before});
    CScanComparison oComparison;
    QString sWarning;
    oComparison.Load(m_sRecord, &sWarning);
    QCOMPARE(sWarning, QString());
    QCOMPARE(oComparison.PreviousCount(), before.IsAlive() ? 1 : 0);
    const CScanComparison::TMark oMark = oComparison.Compare(now, nullptr);
    QCOMPARE(oMark.Word(), word);
    QCOMPARE(oMark.lsChanged, changed);
}

void TestCScanComparison::missingRecordMakesEveryAliveHostNew()
{
    CScanComparison oComparison;
    oComparison.Load(m_sRecord);
    QCOMPARE(oComparison.Compare(Host(1, EHostStatus::Alive), nullptr).Word(),
             QStringLiteral("new"));
    QCOMPARE(oComparison.Compare(Host(2, EHostStatus::Unknown), nullptr).Word(),
             QStringLiteral("unchanged"));
    QVERIFY(oComparison.Save());
    const QList<CScanItem> lItems = ReadRecord();
    QCOMPARE(lItems.size(), 1);
    QCOMPARE(lItems.first().result().ip(), Ip(1));
}

void TestCScanComparison::macFromMemoryWhenTheRecordHasNone()
{
    WriteRecord({Host(1, EHostStatus::Alive), Host(2, EHostStatus::Alive)});
    MIpMacDataStorage oMemory;
    oMemory.SetMac(Ip(1), g_baMacA);
    oMemory.SetMac(Ip(2), g_baMacA);
    CScanComparison oComparison;
    oComparison.Load(m_sRecord);
    QCOMPARE(oComparison.Compare(Host(1, EHostStatus::Alive, g_baMacB), &oMemory).lsChanged,
             QStringList{"mac"});
    QCOMPARE(oComparison.Compare(Host(2, EHostStatus::Alive, g_baMacA), &oMemory).Word(),
             QStringLiteral("unchanged"));
}

void TestCScanComparison::nextRecordKeepsOtherAddresses()
{
    WriteRecord({Host(1, EHostStatus::Alive, g_baMacA),
                 Host(2, EHostStatus::Alive),
                 Host(50, EHostStatus::Alive),
                 Host(60, EHostStatus::Dead)});
    CScanComparison oComparison;
    oComparison.Load(m_sRecord);
    QCOMPARE(oComparison.PreviousCount(), 3); // the dead host is not a previous alive host
    oComparison.Compare(Host(1, EHostStatus::Alive, g_baMacB), nullptr);
    oComparison.Compare(Host(2, EHostStatus::Dead), nullptr);
    oComparison.Compare(Host(3, EHostStatus::Alive), nullptr);
    QVERIFY(oComparison.Save());
    const QList<CScanItem> lItems = ReadRecord();
    QStringList lsIps;
    for (const CScanItem &oItem : lItems)
        lsIps << oItem.result().IpText();
    QCOMPARE(lsIps, (QStringList{"10.0.0.1", "10.0.0.3", "10.0.0.50"}));
    QCOMPARE(lItems.first().result().mac(), g_baMacB);
    QDir oDir(m_pDir->path());
    QCOMPARE(oDir.entryList(QDir::Files), QStringList{"vistrel_LastScan.xml"}); // no temporary left
}

void TestCScanComparison::recordStaysReadable()
{
    // Hosts with long titles, so that a few hundred fill a record.
    const auto Large = [](int i_nLast) {
        CScanResult oResult = Host(i_nLast, EHostStatus::Alive);
        oResult.set_http_title(QString(60000, QLatin1Char('t')));
        return oResult;
    };
    const int nRowBytes = CResultsXml::Row(CScanItem(Large(1))).toUtf8().size();
    const int nFull = int(CScanComparison::kMaxRecordBytes / nRowBytes);
    {
        CScanComparison oComparison;
        oComparison.Load(m_sRecord);
        for (int i = 1; i <= nFull * 3 / 4; ++i)
            oComparison.Compare(Large(i), nullptr);
        QVERIFY(oComparison.Save());
    }
    {
        // Together with the hosts kept from the first scan the record would be too large for
        // the next run to read: only this scan's hosts are kept.
        CScanComparison oComparison;
        oComparison.Load(m_sRecord);
        QCOMPARE(oComparison.PreviousCount(), nFull * 3 / 4);
        for (int i = 1; i <= nFull / 2; ++i)
            oComparison.Compare(Large(1000 + i), nullptr);
        QString sNote;
        QVERIFY(oComparison.Save(nullptr, &sNote));
        QVERIFY2(sNote.contains(QStringLiteral("keeps only the hosts of this scan")),
                 qPrintable(sNote));
    }
    QVERIFY(QFileInfo(m_sRecord).size() <= CScanComparison::kMaxRecordBytes);
    const QList<CScanItem> lKept = ReadRecord();
    QCOMPARE(lKept.size(), nFull / 2);
    QCOMPARE(lKept.first().result().ip(), Ip(1001));
    const QByteArray baKept = [this] {
        QFile oFile(m_sRecord);
        return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
    }();
    {
        // A scan whose own alive hosts are too many fails, and leaves the record as it was.
        CScanComparison oComparison;
        oComparison.Load(m_sRecord);
        for (int i = 1; i <= nFull + 1; ++i)
            oComparison.Compare(Large(2000 + i), nullptr);
        QString sError;
        QVERIFY(!oComparison.Save(&sError));
        QVERIFY2(sError.contains(QStringLiteral("more than the record holds")), qPrintable(sError));
    }
    QFile oFile(m_sRecord);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    QCOMPARE(oFile.readAll(), baKept);
}

void TestCScanComparison::damagedRecordIsKeptAside()
{
    const QByteArray baDamaged =
        "<?xml version=\"1.0\"?><Vistrel><row ip=\"10.0.0.1\" status=\"alive\"";
    QFile oFile(m_sRecord);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write(baDamaged);
    oFile.close();
    CScanComparison oComparison;
    QString sWarning;
    oComparison.Load(m_sRecord, &sWarning);
    QVERIFY(sWarning.contains(QStringLiteral("damaged")));
    QCOMPARE(oComparison.PreviousCount(), 0);
    QCOMPARE(oComparison.Compare(Host(1, EHostStatus::Alive), nullptr).Word(),
             QStringLiteral("new"));
    QFile oAside(m_sRecord + QStringLiteral(".damaged"));
    QVERIFY(oAside.open(QIODevice::ReadOnly));
    QCOMPARE(oAside.readAll(), baDamaged);
    QVERIFY(oComparison.Save());
    QCOMPARE(ReadRecord().size(), 1);
}

void TestCScanComparison::markText()
{
    CScanComparison::TMark oMark;
    oMark.eChange = CScanComparison::EChange::Changed;
    oMark.lsChanged = QStringList{"mac", "name"};
    QCOMPARE(oMark.Text(), QStringLiteral("changed: mac, name"));
    oMark.eChange = CScanComparison::EChange::Gone;
    oMark.lsChanged.clear();
    QCOMPARE(oMark.Text(), QStringLiteral("gone"));
}

QTEST_GUILESS_MAIN(TestCScanComparison)
#include "tst_CScanComparison.moc"
