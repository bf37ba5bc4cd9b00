// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInventoryStore.h"

#include "CScanResult.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcInventory, "app.inventory")

namespace {

// SQLite's result codes for a file that is not, or no longer, a sound database.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;
// Serialises recordings (and schema changes) of every collector writing to one PostgreSQL
// database: two sites never share devices, but a site name given twice must not split one.
constexpr qint64 kPostgresLockKey = 0x5653544c494e56; // "VSTLINV"

QAtomicInteger<int> s_nConnections;

// Also never null: a null text is bound as SQL NULL, and every text column is NOT NULL.
QString Bounded(const QString &i_sText)
{
    return i_sText.isNull() ? QStringLiteral("") : i_sText.left(CInventoryStore::kMaxTextChars);
}

QString IpText(quint32 i_nIp)
{
    return QHostAddress(i_nIp).toString();
}

QString MacText(const CScanResult &i_oResult)
{
    return Bounded(i_oResult.HasMac() ? i_oResult.MacText().toLower() : QString());
}

QString RangesText(const QVector<TIpRange> &i_vRanges)
{
    QStringList lsRanges;
    for (const TIpRange &oRange : i_vRanges)
        lsRanges << (oRange.first == oRange.last
                         ? IpText(oRange.first)
                         : IpText(oRange.first) + QLatin1Char('-') + IpText(oRange.last));
    return lsRanges.join(QLatin1Char(','));
}

bool InRanges(const QVector<TIpRange> &i_vRanges, quint32 i_nIp)
{
    return std::any_of(i_vRanges.cbegin(), i_vRanges.cend(), [i_nIp](const TIpRange &i_oRange) {
        return i_nIp >= i_oRange.first && i_nIp <= i_oRange.last;
    });
}

// What the services probes found, in one comparable text.
QString ServicesText(const CScanResult &i_oResult)
{
    QStringList lsParts;
    if (i_oResult.has_http())
        lsParts << QStringLiteral("http");
    if (i_oResult.has_https())
        lsParts << QStringLiteral("https");
    if (i_oResult.has_ftp())
        lsParts << QStringLiteral("ftp");
    QStringList lsPorts;
    for (const qint32 nPort : i_oResult.ortavo_ports())
        lsPorts << QString::number(nPort);
    if (!lsPorts.isEmpty())
        lsParts << QStringLiteral("ports ") + lsPorts.join(QLatin1Char(' '));
    QStringList lsShares = i_oResult.shares();
    lsShares.sort();
    if (!lsShares.isEmpty())
        lsParts << QStringLiteral("shares ") + lsShares.join(QLatin1Char(' '));
    if (!i_oResult.http_title().isEmpty())
        lsParts << QStringLiteral("title ") + i_oResult.http_title();
    return Bounded(lsParts.join(QStringLiteral(", ")));
}

QString NameOf(const CScanResult &i_oResult)
{
    return Bounded(i_oResult.name().isEmpty() ? i_oResult.netbiosname() : i_oResult.name());
}

QString StoredTime(const QDateTime &i_oTime)
{
    return i_oTime.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

// Schema steps: entry n brings a store from version n to n + 1. "%ID" and "%BLOB" are the
// dialect's key column and byte type.
const QList<QStringList> &Migrations()
{
    static const QList<QStringList> s_llsSteps{
        {
            QStringLiteral("CREATE TABLE scans (id %ID, started TEXT NOT NULL, ended TEXT NOT "
                           "NULL, ranges TEXT NOT NULL, probes TEXT NOT NULL, site TEXT NOT NULL, "
                           "machine TEXT NOT NULL, version TEXT NOT NULL, hosts_alive INTEGER NOT "
                           "NULL)"),
            QStringLiteral("CREATE INDEX scans_site_started ON scans (site, started)"),
            QStringLiteral(
                "CREATE TABLE devices (id %ID, site TEXT NOT NULL, dkey TEXT NOT NULL, "
                "mac TEXT NOT NULL, ip TEXT NOT NULL, ip_num BIGINT NOT NULL, name TEXT "
                "NOT NULL, vendor TEXT NOT NULL, services TEXT NOT NULL, probes TEXT NOT "
                "NULL, state TEXT NOT NULL, missed INTEGER NOT NULL, first_seen TEXT NOT "
                "NULL, last_seen TEXT NOT NULL, UNIQUE (site, dkey))"),
            QStringLiteral("CREATE TABLE observations (scan_id BIGINT NOT NULL REFERENCES scans "
                           "(id) ON DELETE CASCADE, device_id BIGINT NOT NULL REFERENCES devices "
                           "(id) ON DELETE CASCADE, ip TEXT NOT NULL, status TEXT NOT NULL, mac "
                           "TEXT NOT NULL, name TEXT NOT NULL, netbios_name TEXT NOT NULL, "
                           "netbios_group TEXT NOT NULL, user_name TEXT NOT NULL, services TEXT "
                           "NOT NULL, ports TEXT NOT NULL, shares TEXT NOT NULL, title TEXT NOT "
                           "NULL)"),
            QStringLiteral("CREATE INDEX observations_scan ON observations (scan_id, device_id)"),
            QStringLiteral("CREATE INDEX observations_device ON observations (device_id)"),
            QStringLiteral("CREATE TABLE addresses (device_id BIGINT NOT NULL REFERENCES devices "
                           "(id) ON DELETE CASCADE, ip TEXT NOT NULL, first_seen TEXT NOT NULL, "
                           "last_seen TEXT NOT NULL, UNIQUE (device_id, ip))"),
            QStringLiteral("CREATE TABLE names (device_id BIGINT NOT NULL REFERENCES devices (id) "
                           "ON DELETE CASCADE, name TEXT NOT NULL, first_seen TEXT NOT NULL, "
                           "last_seen TEXT NOT NULL, UNIQUE (device_id, name))"),
            QStringLiteral("CREATE TABLE events (id %ID, scan_id BIGINT NOT NULL, device_id "
                           "BIGINT NOT NULL REFERENCES devices (id) ON DELETE CASCADE, time TEXT "
                           "NOT NULL, kind TEXT NOT NULL, ip TEXT NOT NULL, mac TEXT NOT NULL, "
                           "old_value TEXT, new_value TEXT, site TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX events_device ON events (device_id)"),
            QStringLiteral("CREATE INDEX events_time ON events (time)"),
            QStringLiteral("CREATE VIEW vistrel_devices AS SELECT mac, ip, name, vendor, "
                           "first_seen, last_seen, site FROM devices"),
            QStringLiteral("CREATE VIEW vistrel_events AS SELECT time, kind, ip, mac, old_value, "
                           "new_value, site FROM events"),
        },
    };
    return s_llsSteps;
}

} // namespace

struct CInventoryStore::TDevice
{
    qint64 nId = 0;
    QString sKey;
    QString sMac;
    QString sIp;
    quint32 nIp = 0;
    QString sName;
    QString sServices;
    QString sProbes;
    QString sVendor;
    QString sState;
    int nMissed = 0;
    bool fSeen = false;
    bool fChanged = false;
};

CInventoryStore::CInventoryStore()
    : m_sConnection(
        QStringLiteral("vistrel-inventory-%1").arg(s_nConnections.fetchAndAddOrdered(1)))
{
}

CInventoryStore::~CInventoryStore()
{
    Close();
}

QString CInventoryStore::DefaultSqlitePath()
{
    // The windowed program's AppDataLocation (organization "brenmark", application "vistrel"),
    // spelled out so that the console, which sets neither, records into the same store.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("brenmark/vistrel/inventory.sqlite"));
}

bool CInventoryStore::CheckLocation(const QString &i_sLocation, QString *o_psMessage)
{
    if (i_sLocation == QLatin1String("default"))
        return true;
    if (i_sLocation.startsWith(QLatin1String("sqlite:"))) {
        if (i_sLocation.size() > 7)
            return true;
        *o_psMessage = QStringLiteral("The SQLite store needs a file name: sqlite:PATH");
        return false;
    }
    if (i_sLocation.startsWith(QLatin1String("postgresql://"))) {
        const QUrl oUrl(i_sLocation, QUrl::StrictMode);
        if (!oUrl.isValid() || oUrl.path().size() < 2) {
            *o_psMessage =
                QStringLiteral("Invalid PostgreSQL store (postgresql://user@host:port/database)");
            return false;
        }
        if (!oUrl.password().isEmpty()) {
            *o_psMessage = QStringLiteral("A password is never taken on the command line: put it "
                                          "in ~/.pgpass");
            return false;
        }
        return true;
    }
    *o_psMessage =
        QStringLiteral("Unknown store (default, sqlite:PATH or postgresql://user@host:port/db)");
    return false;
}

QSqlDatabase CInventoryStore::Database() const
{
    return QSqlDatabase::database(m_sConnection, false);
}

bool CInventoryStore::IsOpen() const
{
    return QSqlDatabase::contains(m_sConnection) && Database().isOpen();
}

void CInventoryStore::Close()
{
    m_fInTransaction = false;
    if (!QSqlDatabase::contains(m_sConnection))
        return;
    {
        QSqlDatabase oDb = Database();
        oDb.close();
    }
    QSqlDatabase::removeDatabase(m_sConnection);
}

void CInventoryStore::SetVendorLookup(std::function<QString(const QByteArray &)> i_fnLookup)
{
    m_fnVendor = std::move(i_fnLookup);
}

QString CInventoryStore::Message(const QString &i_sWhat, const QString &i_sDetail) const
{
    return QStringLiteral("Inventory store %1: %2: %3").arg(m_sLocation, i_sWhat, i_sDetail);
}

bool CInventoryStore::Open(const QString &i_sLocation, QString *o_psError, QString *o_psWarning)
{
    Close();
    m_sLocation = i_sLocation;
    if (!CheckLocation(i_sLocation, o_psError))
        return false;
    m_fPostgres = i_sLocation.startsWith(QLatin1String("postgresql://"));
    if (m_fPostgres)
        return OpenPostgres(i_sLocation, o_psError);
    const QString sPath =
        i_sLocation == QLatin1String("default") ? DefaultSqlitePath() : i_sLocation.mid(7);
    return OpenSqlite(sPath, o_psError, o_psWarning);
}

bool CInventoryStore::OpenSqlite(const QString &i_sPath, QString *o_psError, QString *o_psWarning)
{
    if (!QDir().mkpath(QFileInfo(i_sPath).absolutePath())) {
        *o_psError =
            Message(QStringLiteral("cannot open"), QStringLiteral("the folder cannot be made"));
        return false;
    }
    for (int nTry = 0; nTry < 2; ++nTry) {
        {
            QSqlDatabase oDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_sConnection);
            oDb.setDatabaseName(i_sPath);
            // Another collector or the window may be writing: wait for it rather than fail.
            oDb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
            if (!oDb.open())
                *o_psError = Message(QStringLiteral("cannot open"), oDb.lastError().text());
        }
        bool fDamaged = false;
        if (FinishOpen(o_psError, &fDamaged))
            return true;
        if (!fDamaged || nTry > 0)
            return false;
        // Kept for whoever wants to rescue it; the scans to come need a store that works.
        const QString sAside =
            i_sPath + QStringLiteral(".damaged-")
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (!QFile::rename(i_sPath, sAside)) {
            *o_psError = Message(QStringLiteral("damaged and cannot be moved aside"), *o_psError);
            return false;
        }
        for (const char *pSuffix : {"-wal", "-shm"}) {
            if (QFile::exists(i_sPath + QLatin1String(pSuffix)))
                QFile::rename(i_sPath + QLatin1String(pSuffix), sAside + QLatin1String(pSuffix));
        }
        const QString sWarning =
            QStringLiteral("Inventory store %1 was damaged (%2); it was kept as %3 and a new one "
                           "was started")
                .arg(i_sPath, *o_psError, sAside);
        if (o_psWarning)
            *o_psWarning = sWarning;
        else
            qCWarning(lcInventory).noquote() << sWarning;
        o_psError->clear();
    }
    return false;
}

bool CInventoryStore::OpenPostgres(const QString &i_sUrl, QString *o_psError)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *o_psError = Message(QStringLiteral("cannot open"),
                             QStringLiteral("Qt's PostgreSQL driver is missing (Debian package "
                                            "libqt5sql5-psql)"));
        return false;
    }
    const QUrl oUrl(i_sUrl, QUrl::StrictMode);
    const QUrlQuery oQuery(oUrl);
    {
        QSqlDatabase oDb = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_sConnection);
        // libpq takes the password from ~/.pgpass (or PGPASSFILE) when none is given here.
        oDb.setHostName(oQuery.hasQueryItem(QStringLiteral("host"))
                            ? oQuery.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                            : oUrl.host());
        if (oUrl.port() > 0)
            oDb.setPort(oUrl.port());
        oDb.setUserName(oUrl.userName());
        oDb.setDatabaseName(oUrl.path().mid(1));
        if (!m_sPassword.isEmpty())
            oDb.setPassword(m_sPassword);
        oDb.setConnectOptions(QStringLiteral("connect_timeout=5"));
        if (!oDb.open())
            *o_psError = Message(QStringLiteral("cannot open"), oDb.lastError().text().trimmed());
    }
    bool fDamaged = false;
    return FinishOpen(o_psError, &fDamaged);
}

bool CInventoryStore::FinishOpen(QString *o_psError, bool *o_pfDamaged)
{
    *o_pfDamaged = false;
    if (!IsOpen()) {
        Close();
        return false;
    }
    if (PrepareSchema(o_psError, o_pfDamaged))
        return true;
    Close();
    return false;
}

QString CInventoryStore::Ddl(const QString &i_sSql) const
{
    QString sSql = i_sSql;
    sSql.replace(QLatin1String("%ID"),
                 m_fPostgres ? QLatin1String("BIGSERIAL PRIMARY KEY")
                             : QLatin1String("INTEGER PRIMARY KEY"));
    return sSql;
}

bool CInventoryStore::Exec(QSqlQuery &io_rQuery, QString *o_psError)
{
    if (io_rQuery.exec())
        return true;
    *o_psError = io_rQuery.lastError().text().trimmed();
    // PostgreSQL refuses everything in a failed transaction, even freeing the prepared
    // statements of the queries still in scope: end it now, not when they are gone.
    if (m_fPostgres && m_fInTransaction)
        Rollback();
    return false;
}

bool CInventoryStore::Exec(const QString &i_sSql, QString *o_psError)
{
    QSqlQuery oQuery(Database());
    if (oQuery.exec(i_sSql))
        return true;
    *o_psError = oQuery.lastError().text().trimmed();
    return false;
}

bool CInventoryStore::Begin(QString *o_psError)
{
    if (m_fPostgres) {
        m_fInTransaction = Exec(QStringLiteral("BEGIN"), o_psError);
        return m_fInTransaction
               && Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kPostgresLockKey),
                       o_psError);
    }
    // The write lock from the start: a reader turned writer half-way could find it taken.
    m_fInTransaction = Exec(QStringLiteral("BEGIN IMMEDIATE"), o_psError);
    return m_fInTransaction;
}

bool CInventoryStore::Commit(QString *o_psError)
{
    if (!m_fInTransaction) {
        *o_psError = QStringLiteral("the transaction was rolled back");
        return false;
    }
    // A COMMIT that fails in SQLite (a full disk) leaves the transaction open for ROLLBACK.
    if (!Exec(QStringLiteral("COMMIT"), o_psError))
        return false;
    m_fInTransaction = false;
    return true;
}

void CInventoryStore::Rollback()
{
    if (!m_fInTransaction)
        return;
    m_fInTransaction = false;
    QString sIgnored;
    if (!Exec(QStringLiteral("ROLLBACK"), &sIgnored))
        qCDebug(lcInventory) << "rollback:" << sIgnored;
}

bool CInventoryStore::PrepareSchema(QString *o_psError, bool *o_pfDamaged)
{
    *o_pfDamaged = false;
    QSqlDatabase oDb = Database();
    if (!m_fPostgres) {
        QSqlQuery oCheck(oDb);
        // The first read of a file that is not a database fails here; damage further in is
        // found by the check.
        if (!oCheck.exec(QStringLiteral("PRAGMA quick_check")) || !oCheck.next()
            || oCheck.value(0).toString() != QLatin1String("ok")) {
            const int nCode = oCheck.lastError().nativeErrorCode().toInt();
            *o_pfDamaged = !oCheck.lastError().isValid() || nCode == kSqliteCorrupt
                           || nCode == kSqliteNotADatabase;
            *o_psError = oCheck.lastError().isValid() ? oCheck.lastError().text().trimmed()
                                                      : oCheck.value(0).toString();
            return false;
        }
        oCheck.finish();
        QString sError;
        // WAL: readers (the window, a report) never wait for a recording, and a crash leaves
        // the last committed scan whole.
        if (!Exec(QStringLiteral("PRAGMA journal_mode=WAL"), &sError)
            || !Exec(QStringLiteral("PRAGMA synchronous=NORMAL"), &sError)
            || !Exec(QStringLiteral("PRAGMA foreign_keys=ON"), &sError)) {
            *o_psError = Message(QStringLiteral("cannot be set up"), sError);
            return false;
        }
    }
    QString sError;
    if (!Begin(&sError)) {
        *o_psError = Message(QStringLiteral("cannot be read"), sError);
        return false;
    }
    int nVersion = 0;
    if (oDb.tables().contains(QStringLiteral("vistrel_meta"))) {
        QSqlQuery oVersion(oDb);
        oVersion.prepare(QStringLiteral("SELECT value FROM vistrel_meta WHERE key = ?"));
        oVersion.addBindValue(QStringLiteral("schema_version"));
        if (!Exec(oVersion, &sError) || !oVersion.next()) {
            Rollback();
            *o_psError = Message(QStringLiteral("has no schema version"), sError);
            return false;
        }
        nVersion = oVersion.value(0).toInt();
    } else if (!Exec(QStringLiteral("CREATE TABLE vistrel_meta (key TEXT PRIMARY KEY, value TEXT "
                                    "NOT NULL)"),
                     &sError)) {
        Rollback();
        *o_psError = Message(QStringLiteral("cannot be set up"), sError);
        return false;
    }
    if (nVersion > kSchemaVersion) {
        Rollback();
        *o_psError = QStringLiteral("Inventory store %1 was written by a newer version of Vistrel "
                                    "(schema %2; this version knows up to %3); it is left as it "
                                    "is")
                         .arg(m_sLocation)
                         .arg(nVersion)
                         .arg(kSchemaVersion);
        return false;
    }
    for (int nStep = nVersion; nStep < kSchemaVersion; ++nStep) {
        for (const QString &sSql : Migrations().at(nStep)) {
            if (!Exec(Ddl(sSql), &sError)) {
                Rollback();
                *o_psError = Message(QStringLiteral("cannot be upgraded"), sError);
                return false;
            }
        }
    }
    if (nVersion != kSchemaVersion) {
        QSqlQuery oSet(oDb);
        oSet.prepare(nVersion == 0
                         ? QStringLiteral("INSERT INTO vistrel_meta (value, key) VALUES (?, ?)")
                         : QStringLiteral("UPDATE vistrel_meta SET value = ? WHERE key = ?"));
        oSet.addBindValue(QString::number(kSchemaVersion));
        oSet.addBindValue(QStringLiteral("schema_version"));
        if (!Exec(oSet, &sError)) {
            Rollback();
            *o_psError = Message(QStringLiteral("cannot be upgraded"), sError);
            return false;
        }
    }
    if (!Commit(&sError)) {
        Rollback();
        *o_psError = Message(QStringLiteral("cannot be set up"), sError);
        return false;
    }
    return true;
}

bool CInventoryStore::RecordScan(const TScan &i_oScan,
                                 const QList<CScanResult> &i_lResults,
                                 CInventoryEvents *o_plEvents,
                                 QString *o_psError)
{
    o_plEvents->clear();
    if (!IsOpen() || (m_fPostgres && !Exec(QStringLiteral("SELECT 1"), o_psError))) {
        // The server may be back: the scans to come should not be lost for one restart.
        const QString sLocation = m_sLocation;
        if (!Open(sLocation, o_psError))
            return false;
    }
    QString sError;
    if (!Begin(&sError)) {
        *o_psError = Message(QStringLiteral("the scan was not recorded"), sError);
        return false;
    }
    if (!RecordInTransaction(i_oScan, i_lResults, o_plEvents, &sError) || !Commit(&sError)) {
        Rollback();
        o_plEvents->clear();
        *o_psError = Message(QStringLiteral("the scan was not recorded"), sError);
        return false;
    }
    return true;
}

bool CInventoryStore::RecordInTransaction(const TScan &i_oScan,
                                          const QList<CScanResult> &i_lResults,
                                          CInventoryEvents *o_plEvents,
                                          QString *o_psError)
{
    QSqlDatabase oDb = Database();
    const QString sNow = StoredTime(i_oScan.oEnded);
    const QString sSite = Bounded(i_oScan.sSite);
    const QString sProbes = Bounded(i_oScan.sProbes);

    QList<CScanResult> lAlive;
    for (const CScanResult &oResult : i_lResults) {
        if (oResult.IsAlive())
            lAlive << oResult;
    }

    QSqlQuery oScan(oDb);
    oScan.prepare(QStringLiteral("INSERT INTO scans (started, ended, ranges, probes, site, "
                                 "machine, version, hosts_alive) VALUES (?, ?, ?, ?, ?, ?, ?, ?) "
                                 "RETURNING id"));
    oScan.addBindValue(StoredTime(i_oScan.oStarted));
    oScan.addBindValue(sNow);
    oScan.addBindValue(Bounded(RangesText(i_oScan.vRanges)));
    oScan.addBindValue(sProbes);
    oScan.addBindValue(sSite);
    oScan.addBindValue(Bounded(i_oScan.sMachine));
    oScan.addBindValue(Bounded(i_oScan.sVersion));
    oScan.addBindValue(lAlive.size());
    if (!Exec(oScan, o_psError) || !oScan.next())
        return false;
    const qint64 nScanId = oScan.value(0).toLongLong();
    oScan.finish();

    QList<TDevice> lDevices;
    QHash<QString, int> hByKey;
    {
        QSqlQuery oLoad(oDb);
        oLoad.setForwardOnly(true);
        oLoad.prepare(QStringLiteral("SELECT id, dkey, mac, ip, ip_num, name, services, probes, "
                                     "state, missed FROM devices WHERE site = ?"));
        oLoad.addBindValue(sSite);
        if (!Exec(oLoad, o_psError))
            return false;
        while (oLoad.next()) {
            TDevice oDevice;
            oDevice.nId = oLoad.value(0).toLongLong();
            oDevice.sKey = oLoad.value(1).toString();
            oDevice.sMac = oLoad.value(2).toString();
            oDevice.sIp = oLoad.value(3).toString();
            oDevice.nIp = static_cast<quint32>(oLoad.value(4).toLongLong());
            oDevice.sName = oLoad.value(5).toString();
            oDevice.sServices = oLoad.value(6).toString();
            oDevice.sProbes = oLoad.value(7).toString();
            oDevice.sState = oLoad.value(8).toString();
            oDevice.nMissed = oLoad.value(9).toInt();
            hByKey.insert(oDevice.sKey, lDevices.size());
            lDevices << oDevice;
        }
    }
    // The device that last answered at each address and is not known to be away.
    QHash<quint32, int> hPresentAt;
    for (int i = 0; i < lDevices.size(); ++i) {
        if (lDevices.at(i).sState != QLatin1String("gone")
            && lDevices.at(i).sState != QLatin1String("replaced"))
            hPresentAt.insert(lDevices.at(i).nIp, i);
    }

    // Events and observations name their device by its index here: new devices get their key
    // only when they are inserted, together, after the loop.
    QList<int> lnEventDevices;
    const auto AddEvent = [&](const QString &i_sKind,
                              int i_nDevice,
                              const QString &i_sIp,
                              const QString &i_sOld,
                              const QString &i_sNew) {
        CInventoryEvent oEvent;
        oEvent.sKind = i_sKind;
        oEvent.oTime = i_oScan.oEnded;
        oEvent.sIp = i_sIp;
        oEvent.sMac = lDevices.at(i_nDevice).sMac;
        oEvent.sOld = i_sOld;
        oEvent.sNew = i_sNew;
        oEvent.sSite = sSite;
        o_plEvents->append(oEvent);
        lnEventDevices << i_nDevice;
    };
    QVector<QVariantList> vObservations;
    QList<int> lnObservationDevices;
    QList<int> lnNewDevices;

    for (const CScanResult &oResult : qAsConst(lAlive)) {
        const QString sMac = MacText(oResult);
        const QString sIp = Bounded(oResult.IpText());
        const QString sName = NameOf(oResult);
        const QString sServices = ServicesText(oResult);
        const QString sKey = sMac.isEmpty() ? QStringLiteral("ip:") + sIp : sMac;
        int nIndex = hByKey.value(sKey, -1);
        const int nPresent = hPresentAt.value(oResult.ip(), -1);
        if (nIndex < 0 && nPresent >= 0) {
            TDevice &rPresent = lDevices[nPresent];
            // An address whose MAC was not learnt before (or not now) is the same device.
            if (rPresent.sMac.isEmpty() || sMac.isEmpty()) {
                nIndex = nPresent;
                if (rPresent.sMac.isEmpty() && !sMac.isEmpty()) {
                    hByKey.remove(rPresent.sKey);
                    rPresent.sKey = sKey;
                    rPresent.sMac = sMac;
                    hByKey.insert(sKey, nIndex);
                    rPresent.fChanged = true;
                }
            }
        }
        bool fMacChanged = false;
        if (!sMac.isEmpty() && nPresent >= 0 && nPresent != nIndex
            && !lDevices.at(nPresent).sMac.isEmpty() && !lDevices.at(nPresent).fSeen) {
            // Another MAC answers at this address: the one there before is not gone, it was
            // taken over (or is being impersonated), and that is the one event to raise.
            TDevice &rBefore = lDevices[nPresent];
            rBefore.sState = QStringLiteral("replaced");
            rBefore.fChanged = true;
            fMacChanged = true;
        }
        const QString sMacBefore = nPresent >= 0 ? lDevices.at(nPresent).sMac : QString();
        if (nIndex < 0) {
            TDevice oDevice;
            oDevice.sKey = sKey;
            oDevice.sMac = sMac;
            oDevice.sIp = sIp;
            oDevice.nIp = oResult.ip();
            oDevice.sName = sName;
            oDevice.sServices = sServices;
            oDevice.sProbes = sProbes;
            oDevice.sState = QStringLiteral("up");
            oDevice.sVendor =
                Bounded(m_fnVendor && oResult.HasMac() ? m_fnVendor(oResult.mac()) : QString());
            oDevice.fSeen = true;
            nIndex = lDevices.size();
            lDevices << oDevice;
            hByKey.insert(sKey, nIndex);
            lnNewDevices << nIndex;
            if (fMacChanged)
                AddEvent(QStringLiteral("mac-changed"), nIndex, sIp, sMacBefore, sMac);
            else
                AddEvent(QStringLiteral("new"), nIndex, sIp, QString(), sIp);
        } else if (!lDevices.at(nIndex).fSeen) {
            TDevice &rDevice = lDevices[nIndex];
            if (fMacChanged) {
                AddEvent(QStringLiteral("mac-changed"), nIndex, sIp, sMacBefore, sMac);
            } else if (rDevice.sState == QLatin1String("gone")
                       || rDevice.sState == QLatin1String("replaced")) {
                AddEvent(QStringLiteral("back"), nIndex, sIp, QString(), sIp);
            }
            if (rDevice.sIp != sIp)
                AddEvent(QStringLiteral("ip-changed"), nIndex, sIp, rDevice.sIp, sIp);
            // A name that did not come this time is a lost answer, not a change.
            const bool fNameChanged = !sName.isEmpty() && sName != rDevice.sName;
            if (fNameChanged && !rDevice.sName.isEmpty())
                AddEvent(QStringLiteral("name-changed"), nIndex, sIp, rDevice.sName, sName);
            // Scans that asked other probes find other services: no change in that.
            if (rDevice.sProbes == sProbes && rDevice.sServices != sServices) {
                AddEvent(
                    QStringLiteral("services-changed"), nIndex, sIp, rDevice.sServices, sServices);
            }
            rDevice.fChanged = rDevice.fChanged || rDevice.sIp != sIp || fNameChanged
                               || rDevice.sServices != sServices || rDevice.sProbes != sProbes;
            rDevice.sIp = sIp;
            rDevice.nIp = oResult.ip();
            if (!sName.isEmpty())
                rDevice.sName = sName;
            rDevice.sServices = sServices;
            rDevice.sProbes = sProbes;
            rDevice.fSeen = true;
        }
        // A device seen at a second address of the same scan (a router answering for several)
        // is recorded there, but judged once.
        QStringList lsPorts;
        for (const qint32 nPort : oResult.ortavo_ports())
            lsPorts << QString::number(nPort);
        QStringList lsServices;
        if (oResult.has_http())
            lsServices << QStringLiteral("http");
        if (oResult.has_https())
            lsServices << QStringLiteral("https");
        if (oResult.has_ftp())
            lsServices << QStringLiteral("ftp");
        vObservations << QVariantList{nScanId,
                                      qint64(0),
                                      sIp,
                                      Bounded(HostStatusText(oResult.status())),
                                      sMac,
                                      Bounded(oResult.name()),
                                      Bounded(oResult.netbiosname()),
                                      Bounded(oResult.netbiosgroup()),
                                      Bounded(oResult.user()),
                                      Bounded(lsServices.join(QLatin1Char(','))),
                                      Bounded(lsPorts.join(QLatin1Char(','))),
                                      Bounded(oResult.shares().join(QLatin1Char(','))),
                                      Bounded(oResult.http_title())};
        lnObservationDevices << nIndex;
    }

    for (int i = 0; i < lDevices.size(); ++i) {
        TDevice &rDevice = lDevices[i];
        if (rDevice.fSeen || !InRanges(i_oScan.vRanges, rDevice.nIp)
            || (rDevice.sState != QLatin1String("up") && rDevice.sState != QLatin1String("missed")))
            continue;
        // One lost answer is no news; the second scan in a row that misses it is.
        ++rDevice.nMissed;
        rDevice.sState =
            rDevice.nMissed >= kMissesForGone ? QStringLiteral("gone") : QStringLiteral("missed");
        rDevice.fChanged = true;
        if (rDevice.sState == QLatin1String("gone"))
            AddEvent(QStringLiteral("gone"), i, rDevice.sIp, rDevice.sIp, QString());
    }

    // Many rows per statement: a round trip to a database server per row would cost seconds
    // on a /16.
    {
        QVector<QVariantList> vRows;
        for (const int nIndex : qAsConst(lnNewDevices)) {
            const TDevice &rDevice = lDevices.at(nIndex);
            vRows << QVariantList{sSite,
                                  rDevice.sKey,
                                  rDevice.sMac,
                                  rDevice.sIp,
                                  static_cast<qint64>(rDevice.nIp),
                                  rDevice.sName,
                                  rDevice.sVendor,
                                  rDevice.sServices,
                                  rDevice.sProbes,
                                  rDevice.sState,
                                  0,
                                  sNow,
                                  sNow};
        }
        QVector<QVariantList> vKeys;
        if (!InsertRows(QStringLiteral("devices (site, dkey, mac, ip, ip_num, name, vendor, "
                                       "services, probes, state, missed, first_seen, last_seen)"),
                        vRows,
                        QStringLiteral(" RETURNING id, dkey"),
                        &vKeys,
                        o_psError))
            return false;
        for (const QVariantList &lKey : qAsConst(vKeys))
            lDevices[hByKey.value(lKey.at(1).toString())].nId = lKey.at(0).toLongLong();
    }
    for (int i = 0; i < vObservations.size(); ++i)
        vObservations[i][1] = lDevices.at(lnObservationDevices.at(i)).nId;
    if (!InsertRows(QStringLiteral("observations (scan_id, device_id, ip, status, mac, name, "
                                   "netbios_name, netbios_group, user_name, services, ports, "
                                   "shares, title)"),
                    vObservations,
                    QString(),
                    nullptr,
                    o_psError))
        return false;

    QSqlQuery oUpdate(oDb);
    oUpdate.prepare(
        QStringLiteral("UPDATE devices SET dkey = ?, mac = ?, ip = ?, ip_num = ?, name = ?, "
                       "services = ?, probes = ?, state = ?, missed = ? WHERE id = ?"));
    for (const TDevice &rDevice : qAsConst(lDevices)) {
        if (!rDevice.fChanged || rDevice.nId == 0)
            continue;
        oUpdate.addBindValue(rDevice.sKey);
        oUpdate.addBindValue(rDevice.sMac);
        oUpdate.addBindValue(rDevice.sIp);
        oUpdate.addBindValue(static_cast<qint64>(rDevice.nIp));
        oUpdate.addBindValue(rDevice.sName);
        oUpdate.addBindValue(rDevice.sServices);
        oUpdate.addBindValue(rDevice.sProbes);
        oUpdate.addBindValue(rDevice.sState);
        oUpdate.addBindValue(rDevice.nMissed);
        oUpdate.addBindValue(rDevice.nId);
        if (!Exec(oUpdate, o_psError))
            return false;
    }

    // What this scan saw, from its observations in the store, in a few statements.
    static const QString s_sChosenName =
        QStringLiteral("(CASE WHEN o.name <> '' THEN o.name ELSE o.netbios_name END)");
    const QStringList lsSeenSql{
        QStringLiteral("UPDATE devices SET last_seen = CAST(? AS TEXT), state = 'up', missed = 0 "
                       "WHERE id IN (SELECT o.device_id FROM observations o WHERE o.scan_id = ?)"),
        QStringLiteral("UPDATE addresses SET last_seen = CAST(? AS TEXT) WHERE EXISTS (SELECT 1 "
                       "FROM observations o WHERE o.scan_id = ? AND o.device_id = "
                       "addresses.device_id AND o.ip = addresses.ip)"),
        QStringLiteral("INSERT INTO addresses (device_id, ip, first_seen, last_seen) SELECT "
                       "DISTINCT o.device_id, o.ip, CAST(? AS TEXT), CAST(? AS TEXT) FROM "
                       "observations o WHERE o.scan_id = ? AND NOT EXISTS (SELECT 1 FROM "
                       "addresses a WHERE a.device_id = o.device_id AND a.ip = o.ip)"),
        QStringLiteral("UPDATE names SET last_seen = CAST(? AS TEXT) WHERE EXISTS (SELECT 1 FROM "
                       "observations o WHERE o.scan_id = ? AND o.device_id = names.device_id "
                       "AND %1 = names.name)")
            .arg(s_sChosenName),
        QStringLiteral("INSERT INTO names (device_id, name, first_seen, last_seen) SELECT "
                       "DISTINCT o.device_id, %1, CAST(? AS TEXT), CAST(? AS TEXT) FROM "
                       "observations o WHERE o.scan_id = ? AND %1 <> '' AND NOT EXISTS (SELECT 1 "
                       "FROM names n WHERE n.device_id = o.device_id AND n.name = %1)")
            .arg(s_sChosenName),
    };
    for (const QString &sSql : lsSeenSql) {
        QSqlQuery oSeen(oDb);
        oSeen.prepare(sSql);
        for (int i = sSql.count(QLatin1Char('?')) - 1; i > 0; --i)
            oSeen.addBindValue(sNow);
        oSeen.addBindValue(nScanId);
        if (!Exec(oSeen, o_psError))
            return false;
    }

    QVector<QVariantList> vEvents;
    for (int i = 0; i < o_plEvents->size(); ++i) {
        const CInventoryEvent &rEvent = o_plEvents->at(i);
        vEvents << QVariantList{
            nScanId,
            lDevices.at(lnEventDevices.at(i)).nId,
            sNow,
            rEvent.sKind,
            rEvent.sIp,
            rEvent.sMac,
            rEvent.sOld.isEmpty() ? QVariant(QVariant::String) : QVariant(rEvent.sOld),
            rEvent.sNew.isEmpty() ? QVariant(QVariant::String) : QVariant(rEvent.sNew),
            sSite};
    }
    if (!InsertRows(QStringLiteral("events (scan_id, device_id, time, kind, ip, mac, old_value, "
                                   "new_value, site)"),
                    vEvents,
                    QString(),
                    nullptr,
                    o_psError))
        return false;

    if (m_nRetentionDays > 0) {
        QSqlQuery oPrune(oDb);
        oPrune.prepare(QStringLiteral("DELETE FROM scans WHERE started < ? AND site = ?"));
        oPrune.addBindValue(StoredTime(i_oScan.oEnded.addDays(-m_nRetentionDays)));
        oPrune.addBindValue(sSite);
        if (!Exec(oPrune, o_psError))
            return false;
    }
    return true;
}

bool CInventoryStore::InsertRows(const QString &i_sInto,
                                 const QVector<QVariantList> &i_vRows,
                                 const QString &i_sReturning,
                                 QVector<QVariantList> *o_pvReturned,
                                 QString *o_psError)
{
    // A round trip per row would cost a server seconds on a /16, and SQLite a statement step
    // per row; 100 rows stay far below both bounds on values per statement.
    constexpr int nPerStatement = 100;
    QSqlDatabase oDb = Database();
    std::unique_ptr<QSqlQuery> pInsert;
    int nPreparedRows = 0;
    for (int nFirst = 0; nFirst < i_vRows.size(); nFirst += nPerStatement) {
        const int nRows = std::min<int>(nPerStatement, i_vRows.size() - nFirst);
        if (nRows != nPreparedRows) {
            const int nColumns = i_vRows.at(nFirst).size();
            QStringList lsMarks;
            for (int i = 0; i < nColumns; ++i)
                lsMarks << QStringLiteral("?");
            const QString sRow =
                QLatin1Char('(') + lsMarks.join(QStringLiteral(", ")) + QLatin1Char(')');
            QStringList lsRows;
            for (int i = 0; i < nRows; ++i)
                lsRows << sRow;
            pInsert = std::make_unique<QSqlQuery>(oDb);
            pInsert->setForwardOnly(true);
            if (!pInsert->prepare(QStringLiteral("INSERT INTO ") + i_sInto
                                  + QStringLiteral(" VALUES ") + lsRows.join(QStringLiteral(", "))
                                  + i_sReturning)) {
                *o_psError = pInsert->lastError().text().trimmed();
                return false;
            }
            nPreparedRows = nRows;
        }
        for (int i = nFirst; i < nFirst + nRows; ++i) {
            for (const QVariant &vValue : i_vRows.at(i))
                pInsert->addBindValue(vValue);
        }
        if (!Exec(*pInsert, o_psError))
            return false;
        while (o_pvReturned && pInsert->next()) {
            QVariantList lRow;
            for (int i = 0; i < pInsert->record().count(); ++i)
                lRow << pInsert->value(i);
            *o_pvReturned << lRow;
        }
    }
    return true;
}

QList<CScanResult> CInventoryStore::LastAlive(const QString &i_sSite,
                                              const QVector<TIpRange> &i_vRanges,
                                              QString *o_psError)
{
    QList<CScanResult> lResults;
    QSqlQuery oLast(Database());
    oLast.setForwardOnly(true);
    oLast.prepare(QStringLiteral(
        "SELECT d.ip_num, o.mac, o.name, o.netbios_name, o.netbios_group, o.user_name, "
        "o.services, o.ports, o.shares, o.title FROM devices d JOIN observations o ON "
        "o.device_id = d.id AND o.ip = d.ip WHERE d.site = ? AND d.state = 'up' AND o.scan_id = "
        "(SELECT MAX(l.scan_id) FROM observations l WHERE l.device_id = d.id)"));
    oLast.addBindValue(Bounded(i_sSite));
    if (!Exec(oLast, o_psError))
        return lResults;
    const auto List = [](const QString &i_sText) {
        return i_sText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    };
    while (oLast.next()) {
        const quint32 nIp = static_cast<quint32>(oLast.value(0).toLongLong());
        if (!InRanges(i_vRanges, nIp))
            continue;
        CScanResult oResult;
        oResult.set_ip(nIp);
        oResult.set_status(EHostStatus::Alive);
        oResult.set_mac(QByteArray::fromHex(oLast.value(1).toString().toLatin1()));
        oResult.set_name(oLast.value(2).toString());
        oResult.set_netbiosname(oLast.value(3).toString());
        oResult.set_netbiosgroup(oLast.value(4).toString());
        oResult.set_user(oLast.value(5).toString());
        const QStringList lsServices = List(oLast.value(6).toString());
        oResult.set_has_http(lsServices.contains(QStringLiteral("http")));
        oResult.set_has_https(lsServices.contains(QStringLiteral("https")));
        oResult.set_has_ftp(lsServices.contains(QStringLiteral("ftp")));
        QList<qint32> lnPorts;
        for (const QString &sPort : List(oLast.value(7).toString()))
            lnPorts << sPort.toInt();
        oResult.set_ortavo_ports(lnPorts);
        oResult.set_shares(List(oLast.value(8).toString()));
        oResult.set_http_title(oLast.value(9).toString());
        lResults << oResult;
    }
    return lResults;
}

bool CInventoryStore::DeviceHistory(const QString &i_sSite,
                                    const QString &i_sIp,
                                    const QString &i_sMac,
                                    TDeviceHistory *o_pHistory,
                                    QString *o_psError)
{
    o_psError->clear();
    *o_pHistory = TDeviceHistory();
    const auto Time = [](const QVariant &i_vTime) {
        return QDateTime::fromString(i_vTime.toString(), Qt::ISODateWithMs);
    };
    QSqlDatabase oDb = Database();
    {
        QSqlQuery oDevice(oDb);
        oDevice.setForwardOnly(true);
        const QString sColumns = QStringLiteral(
            "SELECT id, mac, ip, name, vendor, state, first_seen, last_seen FROM devices ");
        if (!i_sMac.isEmpty()) {
            oDevice.prepare(sColumns + QStringLiteral("WHERE site = ? AND dkey = ?"));
            oDevice.addBindValue(Bounded(i_sSite));
            oDevice.addBindValue(Bounded(i_sMac.toLower()));
        } else {
            oDevice.prepare(sColumns
                            + QStringLiteral("WHERE site = ? AND ip = ? ORDER BY last_seen DESC"));
            oDevice.addBindValue(Bounded(i_sSite));
            oDevice.addBindValue(Bounded(i_sIp));
        }
        if (!Exec(oDevice, o_psError) || !oDevice.next())
            return false;
        o_pHistory->nId = oDevice.value(0).toLongLong();
        o_pHistory->sMac = oDevice.value(1).toString();
        o_pHistory->sIp = oDevice.value(2).toString();
        o_pHistory->sName = oDevice.value(3).toString();
        o_pHistory->sVendor = oDevice.value(4).toString();
        o_pHistory->sState = oDevice.value(5).toString();
        o_pHistory->oFirstSeen = Time(oDevice.value(6));
        o_pHistory->oLastSeen = Time(oDevice.value(7));
    }
    const auto Spans = [&](const QString &i_sSql, QList<TSpan> *o_plSpans) {
        QSqlQuery oSpans(oDb);
        oSpans.setForwardOnly(true);
        oSpans.prepare(i_sSql);
        oSpans.addBindValue(o_pHistory->nId);
        if (!Exec(oSpans, o_psError))
            return false;
        while (oSpans.next())
            *o_plSpans << TSpan{
                oSpans.value(0).toString(), Time(oSpans.value(1)), Time(oSpans.value(2))};
        return true;
    };
    if (!Spans(QStringLiteral("SELECT ip, first_seen, last_seen FROM addresses WHERE device_id = ? "
                              "ORDER BY first_seen, ip"),
               &o_pHistory->lAddresses)
        || !Spans(QStringLiteral("SELECT name, first_seen, last_seen FROM names WHERE device_id = "
                                 "? ORDER BY first_seen, name"),
                  &o_pHistory->lNames))
        return false;
    QSqlQuery oEvents(oDb);
    oEvents.setForwardOnly(true);
    oEvents.prepare(QStringLiteral("SELECT time, kind, ip, mac, old_value, new_value, site FROM "
                                   "events WHERE device_id = ? ORDER BY id"));
    oEvents.addBindValue(o_pHistory->nId);
    if (!Exec(oEvents, o_psError))
        return false;
    while (oEvents.next()) {
        CInventoryEvent oEvent;
        oEvent.oTime = Time(oEvents.value(0));
        oEvent.sKind = oEvents.value(1).toString();
        oEvent.sIp = oEvents.value(2).toString();
        oEvent.sMac = oEvents.value(3).toString();
        oEvent.sOld = oEvents.value(4).toString();
        oEvent.sNew = oEvents.value(5).toString();
        oEvent.sSite = oEvents.value(6).toString();
        o_pHistory->lEvents << oEvent;
    }
    return true;
}

bool CInventoryStore::ForgetDevice(qint64 i_nDeviceId, QString *o_psError)
{
    QString sError;
    if (!Begin(&sError)) {
        *o_psError = Message(QStringLiteral("the device was not forgotten"), sError);
        return false;
    }
    QSqlQuery oForget(Database());
    oForget.prepare(QStringLiteral("DELETE FROM devices WHERE id = ?"));
    oForget.addBindValue(i_nDeviceId);
    if (!Exec(oForget, &sError) || !Commit(&sError)) {
        Rollback();
        *o_psError = Message(QStringLiteral("the device was not forgotten"), sError);
        return false;
    }
    return true;
}
