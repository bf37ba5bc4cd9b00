// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CInventoryEvent.h"
#include "IpRanges.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>

class CScanResult;
class QSqlQuery;

// The inventory: every recorded scan, what each host showed in it, the devices derived from
// them (known by MAC where there is one, by address otherwise) with their address and name
// history, and the events worked out when a scan is recorded. Kept in SQLite (one file) or in a
// PostgreSQL database that several collectors, one per site, write to at the same time.
//
// Owns one Qt SQL connection of its own; used on the thread that created it. Every call that
// can fail returns false with a message for the user; a failed recording keeps nothing of the
// scan, and what was stored before is untouched.
class CInventoryStore final
{
public:
    // Raised whenever the layout changes; a migration step leads to it from every older one.
    static constexpr int kSchemaVersion = 1;
    static constexpr int kDefaultRetentionDays = 365;
    // Text kept from the network is cut at this many characters (it was cleaned before).
    static constexpr int kMaxTextChars = 512;
    // A device missed by this many scans of its address in a row is gone.
    static constexpr int kMissesForGone = 2;

    struct TScan
    {
        QDateTime oStarted;
        QDateTime oEnded;
        QVector<TIpRange> vRanges;
        QString sProbes;
        QString sSite;
        QString sMachine;
        QString sVersion;
    };

    // A value with its first and last sighting (an address or a name of a device).
    struct TSpan
    {
        QString sValue;
        QDateTime oFirstSeen;
        QDateTime oLastSeen;
    };

    // What the store knows of one device, for the window's History dialog.
    struct TDeviceHistory
    {
        qint64 nId = 0;
        QString sMac;
        QString sIp;
        QString sName;
        QString sVendor;
        // "up", "missed" (by the last scan), "gone" or "replaced" (another MAC took its address).
        QString sState;
        QDateTime oFirstSeen;
        QDateTime oLastSeen;
        QList<TSpan> lAddresses;  // oldest first
        QList<TSpan> lNames;      // oldest first
        CInventoryEvents lEvents; // oldest first
    };

    CInventoryStore();
    ~CInventoryStore();
    CInventoryStore(const CInventoryStore &) = delete;
    CInventoryStore &operator=(const CInventoryStore &) = delete;

    // Checks a location without opening it: "default", "sqlite:PATH" or
    // "postgresql://user@host:port/db" (also "?host=/socket/folder"). A password in the URL is
    // refused: it would show in the process list.
    static bool CheckLocation(const QString &i_sLocation, QString *o_psMessage);
    // The embedded store's file in the user's data folder, the same for both programs.
    static QString DefaultSqlitePath();

    // Opens the store, creating or upgrading its schema. A SQLite file that is not a sound
    // database is kept aside and a new one started, with o_psWarning saying where the old one
    // went. A store written by a newer version is refused and left as it is.
    bool Open(const QString &i_sLocation, QString *o_psError, QString *o_psWarning = nullptr);
    bool IsOpen() const;
    void Close();
    QString Location() const { return m_sLocation; }
    bool IsPostgres() const { return m_fPostgres; }

    void SetRetentionDays(int i_nDays) { m_nRetentionDays = i_nDays; }
    // A PostgreSQL password read from the secret store (the window reads it asynchronously
    // through IPasswordStore before opening); without one libpq reads ~/.pgpass or PGPASSFILE.
    // Kept in memory only, never logged.
    void SetPassword(const QString &i_sPassword) { m_sPassword = i_sPassword; }
    // Fills the vendor column of devices first seen from now on; none by default.
    void SetVendorLookup(std::function<QString(const QByteArray &)> i_fnLookup);

    // Records one finished scan and the hosts it saw (those not alive add nothing but their
    // absence), works out its events against the earlier scans of the same site and returns
    // them in o_plEvents. One transaction: all of it is stored, or none. Observations older
    // than the retention are dropped in the same transaction. A store whose server went away is
    // opened again first.
    bool RecordScan(const TScan &i_oScan,
                    const QList<CScanResult> &i_lResults,
                    CInventoryEvents *o_plEvents,
                    QString *o_psError);

    // The hosts of site i_sSite within i_vRanges that answered the last scan of them, as that
    // scan saw them: what a new scan of the site is compared with. Empty, with o_psError set,
    // when the store cannot be read.
    QList<CScanResult>
    LastAlive(const QString &i_sSite, const QVector<TIpRange> &i_vRanges, QString *o_psError);

    // The device of site i_sSite with MAC i_sMac ("aa:bb:..."), or when that is empty the one
    // last seen at i_sIp. False with o_psError empty when there is none, set when the store
    // cannot be read.
    bool DeviceHistory(const QString &i_sSite,
                       const QString &i_sIp,
                       const QString &i_sMac,
                       TDeviceHistory *o_pHistory,
                       QString *o_psError);

    // Removes a device with its history, observations and events.
    bool ForgetDevice(qint64 i_nDeviceId, QString *o_psError);

    // For people and tests that query the store themselves.
    QSqlDatabase Database() const;

private:
    struct TDevice;

    bool OpenSqlite(const QString &i_sPath, QString *o_psError, QString *o_psWarning);
    bool OpenPostgres(const QString &i_sUrl, QString *o_psError);
    // After the connection was made and opened: true with the schema ready, else the connection
    // is closed again, *o_pfDamaged telling whether the store itself is damaged.
    bool FinishOpen(QString *o_psError, bool *o_pfDamaged);
    bool PrepareSchema(QString *o_psError, bool *o_pfDamaged);
    bool Begin(QString *o_psError);
    bool Commit(QString *o_psError);
    void Rollback();
    bool Exec(QSqlQuery &io_rQuery, QString *o_psError);
    bool Exec(const QString &i_sSql, QString *o_psError);
    QString Ddl(const QString &i_sSql) const;
    bool RecordInTransaction(const TScan &i_oScan,
                             const QList<CScanResult> &i_lResults,
                             CInventoryEvents *o_plEvents,
                             QString *o_psError);
    QString Message(const QString &i_sWhat, const QString &i_sDetail) const;
    // INSERT INTO i_sInto VALUES (the rows, many per statement, every value bound), with
    // i_sReturning appended and its rows gathered into o_pvReturned when given.
    bool InsertRows(const QString &i_sInto,
                    const QVector<QVariantList> &i_vRows,
                    const QString &i_sReturning,
                    QVector<QVariantList> *o_pvReturned,
                    QString *o_psError);

    QString m_sConnection;
    QString m_sLocation;
    bool m_fPostgres = false;
    int m_nRetentionDays = kDefaultRetentionDays;
    QString m_sPassword;
    bool m_fInTransaction = false;
    std::function<QString(const QByteArray &)> m_fnVendor;
};
