// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// One change the store worked out when a scan was recorded: what happened to which device, with
// the value before and after where the kind has one. A plain value, safe to copy across threads.
struct CInventoryEvent
{
    // "new", "gone", "back", "ip-changed", "mac-changed", "name-changed", "services-changed".
    QString sKind;
    QDateTime oTime;
    QString sIp;
    // "aa:bb:cc:dd:ee:ff", empty for a device known by its address alone.
    QString sMac;
    QString sOld;
    QString sNew;
    QString sSite;

    // "KIND | TIME | IP | MAC | OLD | NEW | SITE", one line without a line break.
    QString Text() const;
    // {"event":…,"time":…,"ip":…,"mac":…,"old":…,"new":…,"site":…} with a line feed; old and
    // new are null where the kind has no such value.
    QByteArray JsonLine() const;

    static QString TimeText(const QDateTime &i_oTime);
};

using CInventoryEvents = QList<CInventoryEvent>;

Q_DECLARE_METATYPE(CInventoryEvent)
