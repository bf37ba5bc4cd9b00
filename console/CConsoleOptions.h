// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CNetAccount.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

enum class EOutputFormat
{
    Text,
    Xml,
    Html,
    Csv,
    JsonLines,
};

enum class EVendorSource
{
    None,    // no vendor column
    Default, // the registry the system installs, with a warning when it is missing
    File,    // one registry file named on the command line
};

// The console's switches beyond the range, range file and output file: probe selection, output
// format, host filter, comparison with the last scan, MAC vendors, the inventory (store, site,
// watch interval, event program) and the network account. Each is "/x:value" with a lower-case
// letter of its own, so that none changes the meaning of the three original switches. A plain
// value, used on the main thread.
class CConsoleOptions final
{
public:
    static bool IsOptionSwitch(QChar i_cSwitch);
    // Lines appended to the usage text, one per switch, with examples.
    static QString UsageTail();

    // Reads one switch's trimmed value. False with o_rsMessage set when the value is not one the
    // switch takes.
    bool Parse(QChar i_cSwitch, const QString &i_sValue, QString &o_rsMessage);

    // Without "/o:", an output file named *.xml, *.html, *.csv or *.jsonl (in any case) gets that
    // format; other names keep text. False with o_rsMessage set when the format's stylesheet is
    // missing, as for "/o:". Called once the command line is read.
    bool ChooseFormatByFileName(const QString &i_sFileName, QString &o_rsMessage);
    static std::optional<EOutputFormat> FormatOfFileName(const QString &i_sFileName);

    // Writes the chosen probe settings into the scan settings; untouched settings keep theirs.
    void ApplyTo(CCfg &io_rCfg) const;

    EOutputFormat Format() const { return m_eFormat; }
    bool OnlyAlive() const { return m_fOnlyAlive; }
    bool Compare() const { return m_fCompare; }
    EVendorSource VendorSource() const { return m_eVendorSource; }
    QString VendorFile() const { return m_sVendorFile; }
    // "/d:": "default", "sqlite:PATH" or a postgresql:// URL; empty when not given.
    QString Store() const { return m_sStore; }
    // "/l:": the site recorded with each scan; empty when not given.
    QString Site() const { return m_sSite; }
    // "/w:": seconds between the end of one scan and the start of the next.
    std::optional<int> WatchSeconds() const { return m_onWatchSeconds; }
    // "/e:": the program run for each event, found on the search path when given without a
    // folder.
    QString EventProgram() const { return m_sEventProgram; }

    static constexpr int kMaxWatchSeconds = 7 * 24 * 3600;
    static constexpr int kMaxSiteChars = 128;
    // The format's stylesheet beside the program; empty for formats without one.
    QString XslFileName() const;

    static QStringList ProbeNames();
    // The probes the settings ask, as "http,ftp,shares;ports 4899": a scan that asked other
    // probes finds other services, and that is no change of the host.
    static QString ProbesText(const CCfg &i_rCfg);

    // Reads an authentication file in the Samba client form ("username = ...", "password = ...",
    // "domain = ...", one per line). False with o_rsMessage naming the file when it cannot be
    // read, holds no user name, or (on POSIX systems) group or other users have any access to it.
    static bool ReadAuthFile(const QString &i_sPath, TNetAccount &o_rAccount, QString &o_rsMessage);

private:
    bool ParseProbes(const QString &i_sValue, QString &o_rsMessage);
    bool ParsePorts(const QString &i_sValue, QString &o_rsMessage);
    bool ParseAuthFile(const QString &i_sValue, QString &o_rsMessage);
    bool SetFormat(EOutputFormat i_eFormat, QString &o_rsMessage);
    static std::optional<bool> OnOff(const QString &i_sValue);

    // Probe name -> on/off, only for the probes the command line chose.
    QHash<QString, bool> m_hProbes;
    std::optional<QList<int>> m_olnPorts;
    std::optional<QList<CCfg::TWebPort>> m_olWebPorts;
    std::optional<bool> m_ofHighAccuracy;
    std::optional<int> m_onThreads;
    std::optional<int> m_onSweepRate;
    EOutputFormat m_eFormat = EOutputFormat::Text;
    bool m_fFormatGiven = false;
    bool m_fOnlyAlive = false;
    bool m_fCompare = false;
    EVendorSource m_eVendorSource = EVendorSource::None;
    QString m_sVendorFile;
    QString m_sStore;
    QString m_sSite;
    std::optional<int> m_onWatchSeconds;
    QString m_sEventProgram;
    std::optional<TNetAccount> m_oAccount;
};
