// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Stored as a signed 32-bit value in results files; 0 and 1 are never produced.
enum class EHostStatus : qint32
{
    Alive = 2,
    Dead = 3,
    Unknown = 4,
};

// "alive", "dead" or "unknown"; any other value reads as "unknown".
QString HostStatusText(EHostStatus i_eStatus);

// Inverse of HostStatusText(); false for any other text.
bool HostStatusFromText(const QString &i_sText, EHostStatus *o_pStatus);

// Which probe found a host alive.
enum class EAliveBy
{
    None,       // not alive, or read from a file that did not say
    OwnAddress, // an address of this machine, alive without asking
    Arp,        // answered an ARP request
    Echo,       // answered an ICMP echo request
};

// "", "own", "arp" or "icmp": the word the results files carry.
QString AliveByText(EAliveBy i_eBy);

// Inverse of AliveByText(); any other text reads as EAliveBy::None.
EAliveBy AliveByFromText(const QString &i_sText);
