// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CNetAccount.h"

#include <QList>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class CCfgData;
class QSettings;

// Handle to the scan settings. Copies share one block with no copy-on-write: every handle copied
// from one CCfg reads and writes the same store. Getters read the store at each call, so a change
// saved by the options dialog is seen by the next probe; only the three view filters are cached.
//
// Getters and setters may be called from any thread at once. The view filter caches are meant for
// the main thread only. Without an organization name (the console program) there is no store:
// every key reads as its default and nothing is written to disk.
class CCfg
{
public:
    CCfg();

    // A handle of its own holding what a scan reads (probes, ports, threads, accuracy, the
    // account) as they are now, with no store behind it: a change saved later does not reach it.
    // The scanner takes one when the settings arrive and hands it with each address, so a host is
    // probed with one set of settings from start to end and a change applies from the next host.
    CCfg ScanSnapshot() const;

    int thread_count() const;
    void set_thread_count(int i_nCount);
    bool scan_http() const;
    void set_scan_http(bool i_fOn);
    bool scan_https() const;
    void set_scan_https(bool i_fOn);
    bool scan_shares() const;
    void set_scan_shares(bool i_fOn);
    bool scan_ftp() const;
    void set_scan_ftp(bool i_fOn);
    bool scan_netbios() const;
    void set_scan_netbios(bool i_fOn);
    bool scan_username() const;
    void set_scan_username(bool i_fOn);
    bool high_accuracy() const;
    void set_high_accuracy(bool i_fOn);
    // The liveness sweep's pace, in requests per second. At the default the sweep may send a
    // short burst ahead of it; any other value is a flat rate. Values outside kMin..kMax read as
    // the default.
    static constexpr int kDefaultSweepRate = 4000;
    static constexpr int kMinSweepRate = 1;
    static constexpr int kMaxSweepRate = 100000;
    int sweep_rate() const;
    void set_sweep_rate(int i_nPerSecond);
    QList<int> ortavo_ports() const;
    void set_ortavo_ports(const QList<int> &i_lnPorts);

    // A port besides 80 and 443 asked for a web page.
    struct TWebPort
    {
        int nPort = 0;
        bool fHttps = false;
        bool operator==(const TWebPort &i_o) const
        {
            return nPort == i_o.nPort && fHttps == i_o.fHttps;
        }
    };
    // The extra web ports, none by default; a list that does not read (see ParseWebPorts) is
    // none.
    QList<TWebPort> web_ports() const;
    void set_web_ports(const QList<TWebPort> &i_lPorts);
    // Reads "8080, 8443s": port numbers 1-65535 separated by commas (blanks around them
    // allowed), an "s" after one for HTTPS; a port given twice counts once, at most 16 ports.
    // Empty text is no port. False, and o_plPorts untouched, for anything else.
    static bool ParseWebPorts(const QString &i_sText, QList<TWebPort> *o_plPorts);
    // The text ParseWebPorts() reads back: "8080,8443s".
    static QString WebPortsText(const QList<TWebPort> &i_lPorts);

    // The network account. Login and domain are stored in the settings; the password only in
    // memory, shared by every handle for this session (the windowed program fills it from the
    // secret store, the console from its /u: file).
    TNetAccount net_account() const;
    void set_net_account(const TNetAccount &i_oAccount);
    // A clear-text password an older version left in the settings, erased there by this call;
    // empty when there is none. The caller moves it to the secret store.
    QString TakeLegacyPassword();
    // The entry of the secret store that holds the account's password.
    static QString NetAccountSecretKey();

    // The shutdown dialog's choices; an unset message reads as a null string.
    int shutdown_timeout(int i_nDefault) const;
    void set_shutdown_timeout(int i_nSeconds);
    QString shutdown_message() const;
    void set_shutdown_message(const QString &i_sMessage);
    bool shutdown_force() const;
    void set_shutdown_force(bool i_fOn);
    bool shutdown_reboot() const;
    void set_shutdown_reboot(bool i_fOn);
    // The port last used to connect an Ortavo viewer; 0 when none was.
    int ortavo_connect_port() const;
    void set_ortavo_connect_port(int i_nPort);
    // The user interface language chosen ("en_US", "ru", ...); empty: the system's.
    QString locale() const;
    void set_locale(const QString &i_sCode);

    // The windowed program records every finished scan in the inventory unless this is off.
    bool record_scans() const;
    void set_record_scans(bool i_fOn);
    // A PostgreSQL URL for the window's inventory; empty for the embedded store.
    QString inventory_store() const;
    void set_inventory_store(const QString &i_sLocation);

    bool show_alive() const;
    void set_show_alive(bool i_fShow);
    bool show_dead() const;
    void set_show_dead(bool i_fShow);
    bool show_unknown() const;
    void set_show_unknown(bool i_fShow);

    // Raw access for the windows' own state ("State/..."): geometry, columns, history.
    QVariant Value(const QString &i_sKey, const QVariant &i_vDefault = QVariant()) const;
    void SetValue(const QString &i_sKey, const QVariant &i_vValue);
    // Names of the groups directly below a group, e.g. the columns under "State/ScanTab/Headers".
    QStringList ChildGroups(const QString &i_sGroup) const;
    void Sync();
    bool HasStore() const;

private:
    bool ReadBool(const char *i_pKey, bool i_fDefault) const;
    bool CachedFilter(QVariant &io_vCache, const char *i_pKey, bool i_fDefault) const;

    QSharedPointer<CCfgData> d;
};

Q_DECLARE_METATYPE(CCfg)
