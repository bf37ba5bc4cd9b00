// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInventoryStore.h"
#include "CPostgresServer.h"
#include "CScanResult.h"

#include <QHostAddress>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

namespace {

const quint32 kNet = QHostAddress(QStringLiteral("198.19.23.0")).toIPv4Address();

// "10=a1:alpha:http,ftp": the host .10 alive with MAC 02:00:00:00:00:a1, the name alpha and
// those services; "10=-" has no MAC. Hosts are separated by spaces.
QList<CScanResult> Hosts(const QString &i_sHosts)
{
    QList<CScanResult> lResults;
    for (const QString &sHost : i_sHosts.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList lsHost = sHost.split(QLatin1Char('='));
        const QStringList lsParts = lsHost.value(1).split(QLatin1Char(':'));
        CScanResult oResult;
        oResult.set_ip(kNet + lsHost.at(0).toUInt());
        oResult.set_status(EHostStatus::Alive);
        if (lsParts.value(0) != QLatin1String("-"))
            oResult.set_mac(QByteArray::fromHex(
                "02000000" + lsParts.value(0).toLatin1().rightJustified(4, '0')));
        oResult.set_name(lsParts.value(1));
        const QStringList lsServices = lsParts.value(2).split(QLatin1Char(','));
        oResult.set_has_http(lsServices.contains(QStringLiteral("http")));
        oResult.set_has_ftp(lsServices.contains(QStringLiteral("ftp")));
        lResults << oResult;
    }
    return lResults;
}

CInventoryStore::TScan Scan(const QDateTime &i_oTime,
                            const QString &i_sSite = QStringLiteral("lab"))
{
    CInventoryStore::TScan oScan;
    oScan.oStarted = i_oTime;
    oScan.oEnded = i_oTime.addSecs(5);
    oScan.vRanges = {TIpRange{kNet, kNet + 255}};
    oScan.sProbes = QStringLiteral("http,ftp");
    oScan.sSite = i_sSite;
    oScan.sMachine = QStringLiteral("collector");
    oScan.sVersion = QStringLiteral("test");
    return oScan;
}

// "kind .ip old>new", sorted, joined by "; ".
QString Summary(const CInventoryEvents &i_lEvents)
{
    QStringList lsEvents;
    for (const CInventoryEvent &oEvent : i_lEvents) {
        QString sIp = oEvent.sIp;
        sIp.remove(QStringLiteral("198.19.23"));
        QString sLine = oEvent.sKind + QLatin1Char(' ') + sIp;
        if (oEvent.sKind != QLatin1String("new") && oEvent.sKind != QLatin1String("back")
            && oEvent.sKind != QLatin1String("gone"))
            sLine += QLatin1Char(' ') + QString(oEvent.sOld).remove(QStringLiteral("198.19.23"))
                     + QLatin1Char('>') + QString(oEvent.sNew).remove(QStringLiteral("198.19.23"));
        lsEvents << sLine;
    }
    lsEvents.sort();
    return lsEvents.join(QStringLiteral("; "));
}

qint64 Count(const CInventoryStore &i_rStore, const QString &i_sSql)
{
    QSqlQuery oQuery(i_rStore.Database());
    if (!oQuery.exec(i_sSql) || !oQuery.next())
        return -1;
    return oQuery.value(0).toLongLong();
}

} // namespace

class TestCInventoryStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void events_data();
    void events();
    void unscannedAddressesAreNotMissed();
    void failedRecordingKeepsNothing();
    void retentionDropsObservationsOnly();
    void forgetDevice();
    void deviceHistory();
    void newerSchemaRefused();
    void damagedSqliteKeptAside();
    void collectorsAtOnce();
    void serverStoppedMidWatch();

private:
    QString NewLocation();
    bool Postgres() const;

    QTemporaryDir m_oDir;
    std::unique_ptr<CPostgresServer> m_pServer;
    QString m_sServerError;
    int m_nDatabases = 0;
    QString m_sLocation;
    std::unique_ptr<CInventoryStore> m_pStore;
    QDateTime m_oTime;
};

void TestCInventoryStore::initTestCase_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

void TestCInventoryStore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_oDir.isValid());
    m_pServer = std::make_unique<CPostgresServer>();
    m_sServerError = m_pServer->Start();
    if (!m_sServerError.isEmpty())
        qWarning("PostgreSQL cases are skipped: %s", qPrintable(m_sServerError));
}

void TestCInventoryStore::cleanupTestCase()
{
    m_pStore.reset();
    m_pServer.reset();
}

bool TestCInventoryStore::Postgres() const
{
    QFETCH_GLOBAL(QString, backend);
    return backend == QLatin1String("postgresql");
}

QString TestCInventoryStore::NewLocation()
{
    ++m_nDatabases;
    if (!Postgres())
        return QStringLiteral("sqlite:")
               + m_oDir.filePath(QStringLiteral("s%1.sqlite").arg(m_nDatabases));
    const QString sName = QStringLiteral("t%1").arg(m_nDatabases);
    CInventoryStore oAdmin;
    QString sError;
    // The maintenance database is a store too, harmlessly: it only hands out new ones.
    if (!oAdmin.Open(m_pServer->Url(), &sError))
        return QString();
    QSqlQuery oCreate(oAdmin.Database());
    if (!oCreate.exec(QStringLiteral("CREATE DATABASE ") + sName))
        return QString();
    return m_pServer->Url(sName);
}

void TestCInventoryStore::init()
{
    if (Postgres() && !m_sServerError.isEmpty())
        QSKIP("no PostgreSQL server");
    m_sLocation = NewLocation();
    QVERIFY(!m_sLocation.isEmpty());
    m_pStore = std::make_unique<CInventoryStore>();
    QString sError;
    QVERIFY2(m_pStore->Open(m_sLocation, &sError), qPrintable(sError));
    m_oTime = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
}

void TestCInventoryStore::cleanup()
{
    m_pStore.reset();
}

void TestCInventoryStore::events_data()
{
    QTest::addColumn<QStringList>("scans");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("first sight is new") << QStringList{QStringLiteral("10=a1 11=-")}
                                        << QStringList{QStringLiteral("new .10; new .11")};
    QTest::newRow("gone only after two missed scans, back once")
        << QStringList{QStringLiteral("10=a1 11=a2"),
                       QStringLiteral("10=a1"),
                       QStringLiteral("10=a1"),
                       QStringLiteral("10=a1"),
                       QStringLiteral("10=a1 11=a2"),
                       QStringLiteral("10=a1 11=a2")}
        << QStringList{QStringLiteral("new .10; new .11"),
                       QString(),
                       QStringLiteral("gone .11"),
                       QString(),
                       QStringLiteral("back .11"),
                       QString()};
    QTest::newRow("one missed scan is no news")
        << QStringList{QStringLiteral("10=a1"), QString(), QStringLiteral("10=a1"), QString()}
        << QStringList{QStringLiteral("new .10"), QString(), QString(), QString()};
    QTest::newRow("a MAC at a new address") << QStringList{QStringLiteral("10=a1"),
                                                           QStringLiteral("20=a1"),
                                                           QStringLiteral("20=a1"),
                                                           QStringLiteral("20=a1")}
                                            << QStringList{QStringLiteral("new .10"),
                                                           QStringLiteral("ip-changed .20 .10>.20"),
                                                           QString(),
                                                           QString()};
    QTest::newRow("another MAC at an address, the first not gone")
        << QStringList{QStringLiteral("10=a1"),
                       QStringLiteral("10=b2"),
                       QStringLiteral("10=b2"),
                       QStringLiteral("10=b2")}
        << QStringList{QStringLiteral("new .10"),
                       QStringLiteral("mac-changed .10 02:00:00:00:00:a1>02:00:00:00:00:b2"),
                       QString(),
                       QString()};
    QTest::newRow("one MAC answering at two addresses is judged once")
        << QStringList{QStringLiteral("10=a1 11=a1"), QStringLiteral("10=a1 11=a1")}
        << QStringList{QStringLiteral("new .10"), QString()};
    QTest::newRow("a MAC learnt later is the same device")
        << QStringList{QStringLiteral("10=-"), QStringLiteral("10=a1"), QStringLiteral("10=-")}
        << QStringList{QStringLiteral("new .10"), QString(), QString()};
    QTest::newRow("name changed; a missing name is no change")
        << QStringList{QStringLiteral("10=a1:alpha"),
                       QStringLiteral("10=a1:"),
                       QStringLiteral("10=a1:beta")}
        << QStringList{
               QStringLiteral("new .10"), QString(), QStringLiteral("name-changed .10 alpha>beta")};
    QTest::newRow("services changed")
        << QStringList{QStringLiteral("10=a1::http"),
                       QStringLiteral("10=a1::http"),
                       QStringLiteral("10=a1::http,ftp")}
        << QStringList{QStringLiteral("new .10"),
                       QString(),
                       QStringLiteral("services-changed .10 http>http, ftp")};
}

void TestCInventoryStore::events()
{
    QFETCH(QStringList, scans);
    QFETCH(QStringList, events);
    for (int i = 0; i < scans.size(); ++i) {
        CInventoryEvents lEvents;
        QString sError;
        QVERIFY2(m_pStore->RecordScan(
                     Scan(m_oTime.addSecs(3600 * i)), Hosts(scans.at(i)), &lEvents, &sError),
                 qPrintable(sError));
        QCOMPARE(Summary(lEvents), events.at(i));
    }
    // The views people query show the same events, each once.
    qint64 nEvents = 0;
    for (const QString &sEvents : qAsConst(events))
        nEvents += sEvents.isEmpty() ? 0 : sEvents.count(QLatin1Char(';')) + 1;
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_events")), nEvents);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM scans")), scans.size());
}

void TestCInventoryStore::unscannedAddressesAreNotMissed()
{
    CInventoryEvents lEvents;
    QString sError;
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime), Hosts(QStringLiteral("10=a1 200=a2")), &lEvents, &sError));
    CInventoryStore::TScan oLower = Scan(m_oTime.addSecs(60));
    oLower.vRanges = {TIpRange{kNet, kNet + 127}};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(m_pStore->RecordScan(oLower, Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
        QCOMPARE(Summary(lEvents), QString());
    }
    // Another site's scans judge only that site's devices.
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime.addSecs(120), QStringLiteral("other")), {}, &lEvents, &sError));
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime.addSecs(180), QStringLiteral("other")), {}, &lEvents, &sError));
    QCOMPARE(Summary(lEvents), QString());
}

void TestCInventoryStore::failedRecordingKeepsNothing()
{
    CInventoryEvents lEvents;
    QString sError;
    QVERIFY(m_pStore->RecordScan(Scan(m_oTime), Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
    // A statement that fails half-way through, as a full disk or a lost server makes one fail.
    QSqlQuery oBreak(m_pStore->Database());
    QVERIFY(oBreak.exec(QStringLiteral("CREATE TABLE hold (x INTEGER)")));
    QVERIFY(oBreak.exec(QStringLiteral("DROP TABLE names")));
    QVERIFY(!m_pStore->RecordScan(
        Scan(m_oTime.addSecs(60)), Hosts(QStringLiteral("10=a1:alpha 11=a2")), &lEvents, &sError));
    QVERIFY(sError.contains(QStringLiteral("not recorded")));
    QVERIFY(lEvents.isEmpty());
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM scans")), 1);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM devices")), 1);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM observations")), 1);
}

void TestCInventoryStore::retentionDropsObservationsOnly()
{
    CInventoryEvents lEvents;
    QString sError;
    m_pStore->SetRetentionDays(30);
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime), Hosts(QStringLiteral("10=a1 11=a2")), &lEvents, &sError));
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime.addDays(29)), Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM observations")), 3);
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime.addDays(31)), Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM scans")), 2);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM observations")), 2);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_devices")), 2);
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_events")), 3);
}

void TestCInventoryStore::forgetDevice()
{
    CInventoryEvents lEvents;
    QString sError;
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime), Hosts(QStringLiteral("10=a1:alpha 11=a2")), &lEvents, &sError));
    const qint64 nId =
        Count(*m_pStore, QStringLiteral("SELECT id FROM devices WHERE ip = '198.19.23.10'"));
    QVERIFY2(m_pStore->ForgetDevice(nId, &sError), qPrintable(sError));
    for (const char *pTable : {"devices", "observations", "addresses", "names", "events"})
        QCOMPARE(
            Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(pTable))),
            QByteArray(pTable) == "names" ? 0 : 1);
    // Forgotten means never seen: the next sight is new again.
    QVERIFY(m_pStore->RecordScan(
        Scan(m_oTime.addSecs(60)), Hosts(QStringLiteral("10=a1 11=a2")), &lEvents, &sError));
    QCOMPARE(Summary(lEvents), QStringLiteral("new .10"));
}

void TestCInventoryStore::deviceHistory()
{
    CInventoryEvents lEvents;
    QString sError;
    const QStringList lsScans{QStringLiteral("10=a1:alpha 11=-:printer"),
                              QStringLiteral("10=a1:beta"),
                              QStringLiteral("20=a1:beta 11=-:printer")};
    for (int i = 0; i < lsScans.size(); ++i)
        QVERIFY(m_pStore->RecordScan(
            Scan(m_oTime.addSecs(60 * i)), Hosts(lsScans.at(i)), &lEvents, &sError));
    CInventoryStore::TDeviceHistory oHistory;
    QVERIFY2(m_pStore->DeviceHistory(QStringLiteral("lab"),
                                     QString(),
                                     QStringLiteral("02:00:00:00:00:A1"),
                                     &oHistory,
                                     &sError),
             qPrintable(sError));
    QCOMPARE(oHistory.sIp, QStringLiteral("198.19.23.20"));
    QCOMPARE(oHistory.sName, QStringLiteral("beta"));
    QCOMPARE(oHistory.sState, QStringLiteral("up"));
    QCOMPARE(oHistory.oFirstSeen, m_oTime.addSecs(5));
    QCOMPARE(oHistory.oLastSeen, m_oTime.addSecs(125));
    QCOMPARE(oHistory.lAddresses.size(), 2);
    QCOMPARE(oHistory.lAddresses.at(0).sValue, QStringLiteral("198.19.23.10"));
    QCOMPARE(oHistory.lAddresses.at(0).oLastSeen, m_oTime.addSecs(65));
    QCOMPARE(oHistory.lAddresses.at(1).sValue, QStringLiteral("198.19.23.20"));
    QCOMPARE(oHistory.lNames.size(), 2);
    QCOMPARE(oHistory.lNames.at(1).sValue, QStringLiteral("beta"));
    QStringList lsKinds;
    for (const CInventoryEvent &oEvent : qAsConst(oHistory.lEvents))
        lsKinds << oEvent.sKind;
    QCOMPARE(
        lsKinds,
        QStringList(
            {QStringLiteral("new"), QStringLiteral("name-changed"), QStringLiteral("ip-changed")}));
    // A device without a MAC is found by its address; the printer missed one scan only.
    QVERIFY(m_pStore->DeviceHistory(
        QStringLiteral("lab"), QStringLiteral("198.19.23.11"), QString(), &oHistory, &sError));
    QCOMPARE(oHistory.sName, QStringLiteral("printer"));
    QCOMPARE(oHistory.sMac, QString());
    QVERIFY(!m_pStore->DeviceHistory(
        QStringLiteral("lab"), QStringLiteral("198.19.23.99"), QString(), &oHistory, &sError));
    QVERIFY(sError.isEmpty());
}

void TestCInventoryStore::newerSchemaRefused()
{
    QSqlQuery oBump(m_pStore->Database());
    QVERIFY(oBump.exec(
        QStringLiteral("UPDATE vistrel_meta SET value = '99' WHERE key = 'schema_version'")));
    oBump.finish();
    m_pStore->Close();
    QString sError;
    QVERIFY(!m_pStore->Open(m_sLocation, &sError));
    QVERIFY2(sError.contains(QStringLiteral("newer version"))
                 && sError.contains(QStringLiteral("99")),
             qPrintable(sError));
    // Refused, not rewritten.
    CInventoryStore oPeek;
    QVERIFY(!oPeek.Open(m_sLocation, &sError));
    QVERIFY(sError.contains(QStringLiteral("schema 99")));
}

void TestCInventoryStore::damagedSqliteKeptAside()
{
    if (Postgres())
        QSKIP("a SQLite file only");
    m_pStore.reset();
    const QString sPath = m_oDir.filePath(QStringLiteral("damaged.sqlite"));
    QByteArray baJunk(8192, 'x');
    baJunk.prepend("SQLite format 3");
    QFile oFile(sPath);
    QVERIFY(oFile.open(QIODevice::WriteOnly));
    oFile.write(baJunk);
    oFile.close();
    CInventoryStore oStore;
    QString sError;
    QString sWarning;
    QVERIFY2(oStore.Open(QStringLiteral("sqlite:") + sPath, &sError, &sWarning),
             qPrintable(sError));
    QVERIFY2(sWarning.contains(QStringLiteral("damaged")), qPrintable(sWarning));
    const QStringList lsAside =
        QDir(m_oDir.path()).entryList({QStringLiteral("damaged.sqlite.damaged-*")});
    QCOMPARE(lsAside.size(), 1);
    QFile oAside(m_oDir.filePath(lsAside.first()));
    QVERIFY(oAside.open(QIODevice::ReadOnly));
    QCOMPARE(oAside.readAll(), baJunk);
    CInventoryEvents lEvents;
    QVERIFY(oStore.RecordScan(Scan(m_oTime), Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
    QCOMPARE(Summary(lEvents), QStringLiteral("new .10"));
}

void TestCInventoryStore::collectorsAtOnce()
{
    m_pStore.reset();
    constexpr int kCycles = 6;
    const auto Collector = [this](const QString &i_sSite, QString *o_psError) {
        CInventoryStore oStore;
        if (!oStore.Open(m_sLocation, o_psError))
            return;
        for (int i = 0; i < kCycles; ++i) {
            CInventoryEvents lEvents;
            // Both sites use the same private addresses: ARP does not cross their routers.
            if (!oStore.RecordScan(
                    Scan(m_oTime.addSecs(60 * i), i_sSite),
                    Hosts(i % 2 ? QStringLiteral("10=a1 11=a2") : QStringLiteral("10=a1 12=a3")),
                    &lEvents,
                    o_psError))
                return;
        }
    };
    QString sErrorA;
    QString sErrorB;
    std::thread oA(Collector, QStringLiteral("north"), &sErrorA);
    std::thread oB(Collector, QStringLiteral("south"), &sErrorB);
    oA.join();
    oB.join();
    QVERIFY2(sErrorA.isEmpty(), qPrintable(sErrorA));
    QVERIFY2(sErrorB.isEmpty(), qPrintable(sErrorB));
    CInventoryStore oStore;
    QString sError;
    QVERIFY(oStore.Open(m_sLocation, &sError));
    QCOMPARE(Count(oStore, QStringLiteral("SELECT COUNT(*) FROM scans")), 2 * kCycles);
    QCOMPARE(Count(oStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_devices")), 6);
    QCOMPARE(Count(oStore, QStringLiteral("SELECT COUNT(*) FROM observations")), 2 * 2 * kCycles);
    // Per site: three new, .12 gone once (missed twice by then)... and never an event twice.
    QCOMPARE(Count(oStore,
                   QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT site, kind, ip, time "
                                  "FROM vistrel_events) AS d")),
             Count(oStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_events")));
    QCOMPARE(
        Count(oStore, QStringLiteral("SELECT COUNT(*) FROM vistrel_events WHERE kind = 'new'")), 6);
}

void TestCInventoryStore::serverStoppedMidWatch()
{
    if (!Postgres())
        QSKIP("a database server only");
    CInventoryEvents lEvents;
    QString sError;
    QVERIFY(m_pStore->RecordScan(Scan(m_oTime), Hosts(QStringLiteral("10=a1")), &lEvents, &sError));
    m_pServer->Stop();
    QVERIFY(!m_pStore->RecordScan(
        Scan(m_oTime.addSecs(60)), Hosts(QStringLiteral("10=a1 11=a2")), &lEvents, &sError));
    QVERIFY(!sError.isEmpty());
    QVERIFY(lEvents.isEmpty());
    const QString sRun = m_pServer->Run();
    QVERIFY2(sRun.isEmpty(), qPrintable(sRun));
    QVERIFY2(
        m_pStore->RecordScan(
            Scan(m_oTime.addSecs(120)), Hosts(QStringLiteral("10=a1 11=a2")), &lEvents, &sError),
        qPrintable(sError));
    QCOMPARE(Summary(lEvents), QStringLiteral("new .11"));
    QCOMPARE(Count(*m_pStore, QStringLiteral("SELECT COUNT(*) FROM scans")), 2);
}

QTEST_GUILESS_MAIN(TestCInventoryStore)
#include "tst_CInventoryStore.moc"
