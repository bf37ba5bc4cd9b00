// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVector>

// One inclusive range of IPv4 addresses in host byte order.
struct TIpRange
{
    quint32 first = 0;
    quint32 last = 0;
};

// A normalised array of ranges: reversed pairs swapped, overlapping and adjacent ranges merged,
// optionally sorted. Addresses are never expanded, so a /9 costs one entry.
class IpRanges
{
public:
    IpRanges() = default;

    // Copies and normalises. Null or zero-length input leaves the array empty.
    // Returns false only when memory cannot be had.
    bool Assign(const TIpRange *i_pRanges, quint32 i_nCount, bool i_fSort);
    bool Assign(const QVector<TIpRange> &i_vRanges, bool i_fSort);
    void Clear();

    quint32 Count() const { return static_cast<quint32>(m_vRanges.size()); }
    bool IsSorted() const { return m_fSorted; }
    const TIpRange &At(quint32 i_nIndex) const { return m_vRanges.at(static_cast<int>(i_nIndex)); }
    const QVector<TIpRange> &Ranges() const { return m_vRanges; }

    // Every address counts here, .0 and .255 included. 64-bit: 0.0.0.0-255.255.255.255 is 2^32.
    quint64 Total() const;
    // The address at zero-based position n among all addresses of all ranges.
    bool AddressAt(quint64 i_nPosition, quint32 *o_pAddress) const;

private:
    QVector<TIpRange> m_vRanges;
    bool m_fSorted = false;
};
