// SPDX-License-Identifier: GPL-3.0-or-later
#include "EHostStatus.h"

QString HostStatusText(EHostStatus i_eStatus)
{
    switch (i_eStatus) {
    case EHostStatus::Alive:
        return QStringLiteral("alive");
    case EHostStatus::Dead:
        return QStringLiteral("dead");
    case EHostStatus::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString AliveByText(EAliveBy i_eBy)
{
    switch (i_eBy) {
    case EAliveBy::OwnAddress:
        return QStringLiteral("own");
    case EAliveBy::Arp:
        return QStringLiteral("arp");
    case EAliveBy::Echo:
        return QStringLiteral("icmp");
    case EAliveBy::None:
        break;
    }
    return QString();
}

EAliveBy AliveByFromText(const QString &i_sText)
{
    for (const EAliveBy eBy : {EAliveBy::OwnAddress, EAliveBy::Arp, EAliveBy::Echo}) {
        if (i_sText == AliveByText(eBy))
            return eBy;
    }
    return EAliveBy::None;
}

bool HostStatusFromText(const QString &i_sText, EHostStatus *o_pStatus)
{
    EHostStatus eStatus;
    if (i_sText == QLatin1String("alive"))
        eStatus = EHostStatus::Alive;
    else if (i_sText == QLatin1String("dead"))
        eStatus = EHostStatus::Dead;
    else if (i_sText == QLatin1String("unknown"))
        eStatus = EHostStatus::Unknown;
    else
        return false;
    if (o_pStatus)
        *o_pStatus = eStatus;
    return true;
}
