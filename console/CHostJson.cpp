// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostJson.h"

#include "CScanResult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray CHostJson::Line(const CScanResult &i_oResult, const THostExtras &i_oExtras)
{
    QJsonObject oHost;
    oHost.insert(QStringLiteral("ip"), i_oResult.IpText());
    oHost.insert(QStringLiteral("status"), HostStatusText(i_oResult.status()));
    oHost.insert(QStringLiteral("alive_by"), AliveByText(i_oResult.alive_by()));
    oHost.insert(QStringLiteral("name"), i_oResult.name());
    oHost.insert(QStringLiteral("netbios_name"), i_oResult.netbiosname());
    oHost.insert(QStringLiteral("netbios_group"), i_oResult.netbiosgroup());
    oHost.insert(QStringLiteral("mac"), i_oResult.HasMac() ? i_oResult.MacText() : QString());
    oHost.insert(QStringLiteral("user"), i_oResult.user());
    oHost.insert(QStringLiteral("http_title"), i_oResult.http_title());

    QJsonArray aServices;
    if (i_oResult.has_http())
        aServices.append(QStringLiteral("http"));
    if (i_oResult.has_https())
        aServices.append(QStringLiteral("https"));
    if (i_oResult.has_ftp())
        aServices.append(QStringLiteral("ftp"));
    oHost.insert(QStringLiteral("services"), aServices);
    QJsonArray aPorts;
    for (const qint32 nPort : i_oResult.ortavo_ports())
        aPorts.append(nPort);
    oHost.insert(QStringLiteral("ortavo_ports"), aPorts);
    oHost.insert(QStringLiteral("shares"), QJsonArray::fromStringList(i_oResult.shares()));
    QJsonArray aWeb;
    for (const CScanResult::TWebServer &oServer : i_oResult.web_servers())
        aWeb.append(QJsonObject{{QStringLiteral("port"), oServer.nPort},
                                {QStringLiteral("https"), oServer.fHttps},
                                {QStringLiteral("title"), oServer.sTitle}});
    oHost.insert(QStringLiteral("web"), aWeb);

    if (i_oExtras.fVendor)
        oHost.insert(QStringLiteral("vendor"), i_oExtras.sVendor);
    if (i_oExtras.fChange) {
        oHost.insert(QStringLiteral("change"), i_oExtras.sChange);
        oHost.insert(QStringLiteral("changed"), QJsonArray::fromStringList(i_oExtras.lsChanged));
    }
    return QJsonDocument(oHost).toJson(QJsonDocument::Compact) + '\n';
}
