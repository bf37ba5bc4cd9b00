// SPDX-License-Identifier: GPL-3.0-or-later
#include "IpRanges.h"

#include <algorithm>
#include <new>

namespace {

// 64-bit so that a range ending at 255.255.255.255 cannot overflow the adjacency test.
bool AreDisjoint(const TIpRange &i_oA, const TIpRange &i_oB)
{
    return quint64(i_oA.last) + 1 < i_oB.first || quint64(i_oB.last) + 1 < i_oA.first;
}

void Widen(TIpRange &io_oInto, const TIpRange &i_oFrom)
{
    io_oInto.first = std::min(io_oInto.first, i_oFrom.first);
    io_oInto.last = std::max(io_oInto.last, i_oFrom.last);
}

} // namespace

bool IpRanges::Assign(const TIpRange *i_pRanges, quint32 i_nCount, bool i_fSort)
{
    QVector<TIpRange> vRanges;
    if (i_pRanges && i_nCount > 0) {
        try {
            vRanges = QVector<TIpRange>(i_pRanges, i_pRanges + i_nCount);
        } catch (const std::bad_alloc &) {
            return false;
        }
    }
    return Assign(vRanges, i_fSort);
}

bool IpRanges::Assign(const QVector<TIpRange> &i_vRanges, bool i_fSort)
{
    QVector<TIpRange> vRanges = i_vRanges;
    for (TIpRange &oRange : vRanges) {
        if (oRange.last < oRange.first)
            std::swap(oRange.first, oRange.last);
    }

    if (i_fSort) {
        // Sorting first lets one sweep merge everything; the pairwise passes below would be
        // quadratic on a large range file and give the same set of ranges.
        std::stable_sort(vRanges.begin(), vRanges.end(), [](const TIpRange &a, const TIpRange &b) {
            return a.first < b.first;
        });
        QVector<TIpRange> vMerged;
        vMerged.reserve(vRanges.size());
        for (const TIpRange &oRange : qAsConst(vRanges)) {
            if (!vMerged.isEmpty() && !AreDisjoint(vMerged.last(), oRange))
                Widen(vMerged.last(), oRange);
            else
                vMerged.append(oRange);
        }
        vRanges = vMerged;
    } else {
        // Keeps the order of first appearance: a later range is folded into the earlier one.
        bool fRemoved = true;
        while (fRemoved) {
            fRemoved = false;
            for (int j = 1; j < vRanges.size(); ++j) {
                for (int k = 0; k < j; ++k) {
                    if (AreDisjoint(vRanges[j], vRanges[k]))
                        continue;
                    Widen(vRanges[k], vRanges[j]);
                    vRanges.remove(j);
                    --j;
                    fRemoved = true;
                    break;
                }
            }
        }
    }
    vRanges.squeeze();
    m_vRanges = vRanges;
    m_fSorted = i_fSort;
    return true;
}

void IpRanges::Clear()
{
    m_vRanges.clear();
    m_fSorted = false;
}

quint64 IpRanges::Total() const
{
    quint64 nTotal = 0;
    for (const TIpRange &oRange : m_vRanges)
        nTotal += quint64(oRange.last) - oRange.first + 1;
    return nTotal;
}

bool IpRanges::AddressAt(quint64 i_nPosition, quint32 *o_pAddress) const
{
    for (const TIpRange &oRange : m_vRanges) {
        const quint64 nSize = quint64(oRange.last) - oRange.first + 1;
        if (i_nPosition < nSize) {
            if (o_pAddress)
                *o_pAddress = static_cast<quint32>(oRange.first + i_nPosition);
            return true;
        }
        i_nPosition -= nSize;
    }
    return false;
}
