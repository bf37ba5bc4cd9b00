// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInventoryEvent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

QString CInventoryEvent::TimeText(const QDateTime &i_oTime)
{
    return i_oTime.toUTC().toString(Qt::ISODate);
}

QString CInventoryEvent::Text() const
{
    return QStringList{sKind, TimeText(oTime), sIp, sMac, sOld, sNew, sSite}.join(
        QStringLiteral(" | "));
}

QByteArray CInventoryEvent::JsonLine() const
{
    QJsonObject oEvent;
    oEvent.insert(QStringLiteral("event"), sKind);
    oEvent.insert(QStringLiteral("time"), TimeText(oTime));
    oEvent.insert(QStringLiteral("ip"), sIp);
    oEvent.insert(QStringLiteral("mac"), sMac);
    oEvent.insert(QStringLiteral("old"), sOld.isEmpty() ? QJsonValue() : QJsonValue(sOld));
    oEvent.insert(QStringLiteral("new"), sNew.isEmpty() ? QJsonValue() : QJsonValue(sNew));
    oEvent.insert(QStringLiteral("site"), sSite);
    return QJsonDocument(oEvent).toJson(QJsonDocument::Compact) + '\n';
}
