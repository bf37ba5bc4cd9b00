// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// The organisations that own MAC address blocks, read from the IEEE registry files (MA-L, MA-M,
// MA-S and IAB, in their CSV or text form as Debian's ieee-data package installs them). The files
// are only read, never fetched: without them every lookup answers an empty text.
//
// A plain value; load once, then look up from any thread (lookups do not change it).
class CMacVendors final
{
public:
    // Where the registry is looked for by default: Debian's folder, then "ieee-data" beside the
    // program (for systems without such a package). The environment variable
    // VISTREL_IEEE_DATA_DIR, when set, names the one folder to use instead.
    static QStringList DefaultFolders();

    // Reads every registry file found in the first default folder that has any. False when none
    // was found or none held a single assignment.
    bool LoadDefault();
    // Reads the registry files of one folder: for each block size, the CSV form when present,
    // else the text form. False when nothing was read.
    bool LoadFolder(const QString &i_sFolder);
    // Reads one file in either form, adding to what was read before. False with o_psError set
    // when the file cannot be read or holds no assignment.
    bool LoadFile(const QString &i_sPath, QString *o_psError = nullptr);

    // Reads registry text in either form from memory, adding to what was read before. Returns
    // the number of assignments read.
    int LoadBytes(const QByteArray &i_baData);

    // The owner of the longest registered prefix of the MAC (36, 28 or 24 bits); empty when the
    // MAC is unknown (all zero, all 0xFF, not six bytes) or its block is not in the registry.
    QString Lookup(const QByteArray &i_baMac) const;

    int Count() const { return m_hOwners.size(); }
    QStringList LoadedFiles() const { return m_lsFiles; }

    // Exposed for the tests: one CSV record split into its fields (RFC 4180 quoting).
    static QStringList SplitCsvLine(const QString &i_sLine);

private:
    int ReadCsv(const QByteArray &i_baData);
    int ReadText(const QByteArray &i_baData);
    bool AddAssignment(const QString &i_sHexPrefix, const QString &i_sOwner);

    // Upper-case hexadecimal prefix of 6, 7 or 9 digits -> owner.
    QHash<QString, QString> m_hOwners;
    QStringList m_lsFiles;
};
