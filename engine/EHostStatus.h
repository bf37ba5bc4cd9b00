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
