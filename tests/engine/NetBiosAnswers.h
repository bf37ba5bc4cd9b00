// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builders of node status answers for the NetBIOS tests: the layout a responder on the wire
// uses (RFC 1002 4.2.18), written byte by byte so that the tests do not share the parser's
// notion of offsets.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace NetBiosAnswers {

constexpr quint8 kGroup = 0x80;
constexpr quint8 kActive = 0x04;

struct TEntry
{
    QByteArray baName; // up to 15 bytes; padded with spaces
    quint8 nSuffix = 0;
    quint8 nFlags = kActive;
};

inline TEntry Unique(const QByteArray &i_baName, quint8 i_nSuffix)
{
    return {i_baName, i_nSuffix, kActive};
}

inline TEntry Group(const QByteArray &i_baName, quint8 i_nSuffix)
{
    return {i_baName, i_nSuffix, static_cast<quint8>(kGroup | kActive)};
}

inline QByteArray EntryBytes(const TEntry &i_oEntry)
{
    QByteArray ba = i_oEntry.baName.left(15);
    ba.append(QByteArray(15 - ba.size(), ' '));
    ba.append(static_cast<char>(i_oEntry.nSuffix));
    ba.append(static_cast<char>(i_oEntry.nFlags));
    ba.append('\0');
    return ba;
}

inline QByteArray WildcardName()
{
    QByteArray ba;
    ba.append('\x20');
    ba.append("CK");
    ba.append(QByteArray(30, 'A'));
    ba.append('\0');
    return ba;
}

inline QByteArray UnitIdStatistics(const QByteArray &i_baUnitId)
{
    QByteArray ba = i_baUnitId.left(6);
    ba.append(QByteArray(46 - ba.size(), '\0'));
    return ba;
}

// An answer to transaction i_nId (sent least significant byte first), declaring
// i_nDeclared names (or as many as given when negative), followed by i_baTail.
inline QByteArray Answer(quint16 i_nId,
                         const QList<TEntry> &i_lEntries,
                         const QByteArray &i_baTail = QByteArray(46, '\0'),
                         int i_nDeclared = -1)
{
    QByteArray ba;
    ba.append(static_cast<char>(i_nId & 0xFF));
    ba.append(static_cast<char>(i_nId >> 8));
    ba.append("\x84\x00\x00\x00\x00\x01\x00\x00\x00\x00", 10);
    ba.append(WildcardName());
    ba.append("\x00\x21\x00\x01\x00\x00\x00\x00", 8);
    QByteArray baData;
    const int nDeclared = i_nDeclared < 0 ? i_lEntries.size() : i_nDeclared;
    baData.append(static_cast<char>(nDeclared & 0xFF));
    for (const TEntry &oEntry : i_lEntries)
        baData.append(EntryBytes(oEntry));
    baData.append(i_baTail);
    ba.append(static_cast<char>((baData.size() >> 8) & 0xFF));
    ba.append(static_cast<char>(baData.size() & 0xFF));
    ba.append(baData);
    return ba;
}

// What nmbd sends for a host ALPHA in workgroup LABGROUP.
inline QByteArray SambaAnswer(quint16 i_nId)
{
    return Answer(i_nId,
                  {Unique("ALPHA", 0x00),
                   Unique("ALPHA", 0x03),
                   Unique("ALPHA", 0x20),
                   Group("LABGROUP", 0x00),
                   Group("LABGROUP", 0x1E)});
}

} // namespace NetBiosAnswers
