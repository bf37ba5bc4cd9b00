// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanItem.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

class MIpMacDataStorage;

// Compares a scan with the one before it. The previous scan is kept as a results XML file of the
// alive hosts last seen, beside the IP-to-MAC memory; each comparing scan replaces the entries of
// the addresses it scanned and keeps the others, so scans of different ranges do not erase each
// other. A MAC address missing from the record is taken from the IP-to-MAC memory.
//
// A plain object of the main thread.
class CScanComparison final
{
public:
    enum class EChange
    {
        New,       // alive now, not alive in the last scan
        Gone,      // alive in the last scan, not now
        Changed,   // alive in both, with a different MAC address, name, services or shares
        Unchanged, // alive in both with the same details, or alive in neither
    };

    struct TMark
    {
        EChange eChange = EChange::Unchanged;
        QStringList lsChanged; // "mac", "name", "services", "shares" for a changed host

        QString Word() const;
        // The word, and for a changed host what changed: "changed: mac, name".
        QString Text() const;
    };

    static QString RecordFileName() { return QStringLiteral("vistrel_LastScan.xml"); }
    // The largest record read or written: some 65,000 hosts, a /16 all alive. Reading a record
    // costs about eight times its size.
    static constexpr qint64 kMaxRecordBytes = 16 * 1024 * 1024;
    // The record's path beside the IP-to-MAC memory file.
    static QString RecordPathBeside(const QString &i_sMacMemoryPath);

    // Reads the record. A missing file is an empty record. A damaged one, one larger than
    // kMaxRecordBytes or beyond the results reader's limits (CFavoritesContentHandler), is
    // renamed aside with ".damaged" unread and gives an empty record; o_psWarning then says so.
    void Load(const QString &i_sPath, QString *o_psWarning = nullptr);
    // Takes the alive hosts of the last scan from elsewhere (the inventory); Save() then has
    // nothing to write.
    void SetPrevious(const QList<CScanResult> &i_lPrevious);
    // Marks one result of the current scan and takes it into the next record. i_pMemory may be
    // null.
    TMark Compare(const CScanResult &i_oResult, const MIpMacDataStorage *i_pMemory);
    // Writes the next record atomically. When it would be larger than kMaxRecordBytes it keeps
    // only the hosts of this scan, and fails when even those are too many. False with
    // o_psError set when it could not be written; the previous record is then as it was.
    // o_psNote, when given, says when hosts of earlier scans were left out.
    bool Save(QString *o_psError = nullptr, QString *o_psNote = nullptr) const;

    int PreviousCount() const { return m_mPrevious.size(); }
    QString Path() const { return m_sPath; }

private:
    QString m_sPath;
    QMap<quint32, CScanItem> m_mPrevious;
    QMap<quint32, CScanItem> m_mAliveNow;
    QSet<quint32> m_stScanned;
};
