// SPDX-License-Identifier: GPL-3.0-or-later
#include "CIpList.h"

#include "IpRangeReaders.h"

#include <QSharedData>
#include <QStringList>

#include <algorithm>

class CIpListData : public QSharedData
{
public:
    QVector<TIpRange> vRanges;
    qint32 nCurrentRange = 0;
    std::optional<quint32> oCurrent;
    quint32 nTotal = 0;
};

namespace {

bool IsEdgeOctet(quint32 i_nAddress)
{
    const quint32 nOctet = i_nAddress & 0xFF;
    return nOctet == 0 || nOctet == 255;
}

bool IsCountable(quint32 i_nFirst, quint32 i_nLast)
{
    return i_nFirst != 0 && i_nFirst <= i_nLast;
}

// Addresses in [0, x] whose last octet is 1..254.
quint64 InnerUpTo(quint64 i_nX)
{
    const quint64 nBlocks = (i_nX + 1) / 256;
    const quint64 nRest = (i_nX + 1) % 256;
    return nBlocks * 254 + (nRest == 0 ? 0 : std::min<quint64>(nRest - 1, 254));
}

std::optional<quint32> ReadPiece(const QString &i_sText)
{
    quint32 nAddress = 0;
    if (!ParseIpv4Address(i_sText.trimmed(), &nAddress) || nAddress == 0)
        return std::nullopt;
    return nAddress;
}

} // namespace

CIpList::CIpList()
    : d(new CIpListData)
{
}

CIpList::CIpList(const IpRanges &i_oRanges)
    : d(new CIpListData)
{
    for (const TIpRange &oRange : i_oRanges.Ranges())
        AddRange(oRange.first, oRange.last);
}

CIpList::CIpList(const CIpList &i_oOther) = default;
CIpList &CIpList::operator=(const CIpList &i_oOther) = default;
CIpList::~CIpList() = default;

quint32 CIpList::CountRange(quint32 i_nFirst, quint32 i_nLast)
{
    if (!IsCountable(i_nFirst, i_nLast))
        return 0;
    quint64 nCount = InnerUpTo(i_nLast) - InnerUpTo(quint64(i_nFirst) - 1);
    if (IsEdgeOctet(i_nFirst))
        ++nCount;
    if (i_nLast != i_nFirst && IsEdgeOctet(i_nLast))
        ++nCount;
    return static_cast<quint32>(nCount);
}

void CIpList::AddRange(quint32 i_nFirst, quint32 i_nLast)
{
    d->vRanges.append(TIpRange{i_nFirst, i_nLast});
    d->nTotal += CountRange(i_nFirst, i_nLast);
    // Only the range under the cursor may set it: TakeNext() steps to later ranges itself.
    if (!d->oCurrent && d->vRanges.size() == d->nCurrentRange + 1 && IsCountable(i_nFirst, i_nLast))
        d->oCurrent = i_nFirst;
}

quint32 CIpList::Count() const
{
    return d->nTotal;
}

void CIpList::Detach()
{
    d.detach();
}

std::optional<quint32> CIpList::TakeNext()
{
    // Ranges that count nothing are passed over, so that what is handed out always equals
    // Count() and a front end waiting for Count() results cannot end early.
    while (!d->oCurrent) {
        if (d->nCurrentRange + 1 >= d->vRanges.size())
            return std::nullopt;
        ++d->nCurrentRange;
        const TIpRange &oRange = d->vRanges.at(d->nCurrentRange);
        if (IsCountable(oRange.first, oRange.last))
            d->oCurrent = oRange.first;
    }
    const quint32 nResult = *d->oCurrent;
    const quint32 nLast = d->vRanges.at(d->nCurrentRange).last;
    quint32 nNext = nResult;
    d->oCurrent.reset();
    for (;;) {
        ++nNext;
        if (nNext == 0 || nNext > nLast)
            break;
        if (nNext == nLast || !IsEdgeOctet(nNext)) {
            d->oCurrent = nNext;
            break;
        }
    }
    return nResult;
}

bool CIpList::SetFromText(const QString &i_sText)
{
    QString sText = i_sText;
    sText.remove(QLatin1Char('\n'))
        .remove(QLatin1Char('\r'))
        .remove(QLatin1Char('\t'))
        .remove(QLatin1Char(' '));

    d->vRanges.clear();
    d->nTotal = 0;
    const QStringList lsParts = sText.split(QLatin1Char(','), Qt::KeepEmptyParts);
    for (const QString &sPart : lsParts) {
        const QStringList lsPieces = sPart.split(QLatin1Char('-'), Qt::KeepEmptyParts);
        const std::optional<quint32> oFirst = ReadPiece(lsPieces.value(0));
        if (!oFirst)
            continue;
        quint32 nLast = *oFirst;
        if (lsPieces.size() > 1) {
            // A second piece that is no address would make a range from 0.0.0.0 whose count
            // is 0 while it hands out addresses; such a part is skipped instead.
            const std::optional<quint32> oLast = ReadPiece(lsPieces.at(1));
            if (!oLast)
                continue;
            nLast = *oLast;
        }
        // A reversed pair would count 0 yet hand out its first address: swap it.
        d->vRanges.append(TIpRange{std::min(*oFirst, nLast), std::max(*oFirst, nLast)});
        d->nTotal += CountRange(d->vRanges.last().first, d->vRanges.last().last);
    }
    d->nCurrentRange = 0;
    d->oCurrent.reset();
    if (!d->vRanges.isEmpty())
        d->oCurrent = d->vRanges.first().first;
    return !d->vRanges.isEmpty();
}

QVector<TIpRange> CIpList::Ranges() const
{
    return d->vRanges;
}
