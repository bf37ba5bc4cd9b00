// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanTiming.h"

#include <QLatin1Char>

QString CScanTiming::Duration(qint64 i_nMs)
{
    const qint64 nSeconds = qMax<qint64>(0, i_nMs) / 1000;
    if (nSeconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(nSeconds / 3600)
            .arg(nSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(nSeconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(nSeconds / 60).arg(nSeconds % 60, 2, 10, QLatin1Char('0'));
}

QString CScanTiming::PerSecond(qint64 i_nDone, qint64 i_nElapsedMs, const QLocale &i_oLocale)
{
    if (i_nElapsedMs < 1000 || i_nDone < 0)
        return QString();
    const double dRate = double(i_nDone) * 1000.0 / double(i_nElapsedMs);
    return i_oLocale.toString(dRate, 'f', dRate < 10.0 ? 1 : 0);
}

qint64 CScanTiming::LeftMs(qint64 i_nDone, qint64 i_nTotal, qint64 i_nElapsedMs)
{
    // Workers finish hosts at a steady rate once the first ones are done, so the rate so far is
    // a fair guess.
    if (i_nDone <= 0 || i_nDone >= i_nTotal || i_nElapsedMs < 1000)
        return -1;
    return i_nElapsedMs * (i_nTotal - i_nDone) / i_nDone;
}

qint64 CScanTiming::EstimateMs(quint64 i_nAddresses, int i_nRatePerSecond)
{
    if (i_nRatePerSecond <= 0)
        return -1;
    return qint64(i_nAddresses * 2 * 1000 / quint64(i_nRatePerSecond));
}
