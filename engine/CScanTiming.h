// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

// How long a scan has run, how fast it goes and how long it may still take, as both programs
// show it while scanning, and a rough time for a scan not started yet. Plain arithmetic on what
// the caller measured; thread-free.
class CScanTiming final
{
public:
    CScanTiming() = delete;

    // "m:ss", or "h:mm:ss" from an hour on.
    static QString Duration(qint64 i_nMs);
    // Hosts done a second so far, with a decimal below ten; empty before the first second, when
    // a rate says little. i_oLocale formats the number (the console's is the C locale).
    static QString
    PerSecond(qint64 i_nDone, qint64 i_nElapsedMs, const QLocale &i_oLocale = QLocale::c());
    // The time left at the rate so far; -1 when there is no fair guess (nothing done, all done,
    // or under a second in, when only the hosts that answer at once are done).
    static qint64 LeftMs(qint64 i_nDone, qint64 i_nTotal, qint64 i_nElapsedMs);
    // About how long a scan of i_nAddresses takes when the liveness sweep asks i_nRatePerSecond
    // addresses a second: the sweep sends up to two requests to each (a second ARP request to a
    // silent one), and on an empty or sparse range the sweep is what takes the time.
    static qint64 EstimateMs(quint64 i_nAddresses, int i_nRatePerSecond);
};
