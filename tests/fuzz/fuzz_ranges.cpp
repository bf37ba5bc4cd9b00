// SPDX-License-Identifier: GPL-3.0-or-later
// Range text from the user and range files from anywhere: no crash, and what a list hands out
// always equals what it counts.
#include "CIpList.h"
#include "IpRangeReaders.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    IpRanges oRanges;
    QString sError;
    const bool fLoaded = LoadRangesFromData(&oRanges, baData, &sError);
    if (fLoaded != sError.isEmpty() || (fLoaded && oRanges.Total() == 0))
        std::abort();
    if (!fLoaded && !sError.startsWith(QLatin1String("Reading from file: ")))
        std::abort();

    const QString sText = QString::fromUtf8(baData);
    TIpRange oRange;
    if (ParseRange(sText, &oRange) && oRange.first > oRange.last)
        std::abort();
    if (ParseCidr(sText, &oRange) && oRange.first == 0 && oRange.last == 0)
        std::abort();
    IpRanges oList;
    if (ParseRangeList(sText, &oList) && oList.Count() == 0)
        std::abort();

    CIpList oScope;
    oScope.SetFromText(sText);
    // Bounded: a huge range from the text is counted, not walked to the end.
    quint32 nTaken = 0;
    while (nTaken < 100000 && oScope.TakeNext())
        ++nTaken;
    if (oScope.Count() <= 100000 && nTaken != oScope.Count())
        std::abort();
    return 0;
}
