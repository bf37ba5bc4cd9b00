// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CResultsXml.h"
#include "CScanItem.h"
#include "VResultsBackend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Builders and comparisons shared by the results tests.
namespace TestItems {

inline quint32 Ip(int a, int b, int c, int d)
{
    return (quint32(a) << 24) | (quint32(b) << 16) | (quint32(c) << 8) | quint32(d);
}

inline CScanResult Result(quint32 i_nIp, EHostStatus i_eStatus, const QString &i_sName = QString())
{
    CScanResult oResult;
    oResult.set_ip(i_nIp);
    oResult.set_status(i_eStatus);
    oResult.set_name(i_sName);
    return oResult;
}

// The three hosts of tests/data/results/three_hosts.xml.
inline QList<CScanItem> ThreeHosts()
{
    CScanResult oA =
        Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("a&b \"c\" <d> 'e'"));
    oA.set_netbiosname(QStringLiteral("PC1"));
    oA.set_netbiosgroup(QStringLiteral("WORKGROUP"));
    oA.set_mac(QByteArray::fromHex("001122aabbcc"));
    oA.set_user(QStringLiteral("bob"));
    oA.set_has_http(true);
    oA.set_http_title(QStringLiteral("Home"));
    oA.set_has_ftp(true);
    oA.set_shares({QStringLiteral("C$"), QStringLiteral("Docs & more")});
    oA.set_ortavo_ports({4899, 4900});

    CScanResult oB = Result(Ip(10, 0, 0, 2), EHostStatus::Dead);
    oB.set_mac(QByteArray(6, '\xFF'));

    CScanResult oC = Result(Ip(192, 168, 0, 1), EHostStatus::Unknown, QStringLiteral("Пётр"));
    oC.set_status(7); // no status attribute is written for it
    oC.set_has_https(true);
    return {CScanItem(oA, QStringLiteral("note")),
            CScanItem(oB),
            CScanItem(oC, QStringLiteral("multi\r\nline\ttab"))};
}

// The probe that found a host alive and its web servers on other ports, when it has them.
inline QString AliveByAndWeb(const CScanResult &i_oResult)
{
    QString sText;
    if (i_oResult.alive_by() != EAliveBy::None)
        sText += QStringLiteral("|by ") + AliveByText(i_oResult.alive_by());
    for (const CScanResult::TWebServer &oServer : i_oResult.web_servers())
        sText += QStringLiteral("|web %1%2 %3")
                     .arg(oServer.nPort)
                     .arg(oServer.fHttps ? QStringLiteral("s") : QString())
                     .arg(oServer.sTitle.isNull() ? QStringLiteral("(null)") : oServer.sTitle);
    return sText;
}

// Every field that the results XML carries, as one comparable text.
inline QString Describe(const CScanItem &i_oItem)
{
    const CScanResult &o = i_oItem.result();
    QStringList lsPorts;
    for (const qint32 nPort : o.ortavo_ports())
        lsPorts << QString::number(nPort);
    return QStringList{o.IpText(),
                       QString::number(int(o.status())),
                       o.name(),
                       o.netbiosname(),
                       o.netbiosgroup(),
                       QString::fromLatin1(o.mac().toHex()),
                       o.user(),
                       QString::number(o.has_http()),
                       o.http_title(),
                       QString::number(o.has_https()),
                       QString::number(o.has_ftp()),
                       i_oItem.comments(),
                       o.shares().join(QLatin1Char('/')),
                       lsPorts.join(QLatin1Char('/'))}
               .join(QLatin1Char('|'))
           + AliveByAndWeb(o);
}

inline QStringList Describe(const QList<CScanItem> &i_lItems)
{
    QStringList ls;
    for (const CScanItem &oItem : i_lItems)
        ls << Describe(oItem);
    return ls;
}

} // namespace TestItems

// What a save of the model writes: nothing for an empty model, else the export of its items (all,
// or those of the given shown rows).
inline QString ModelXml(const VResultsBackend &i_oModel,
                        const QString &i_sXsl = QString(),
                        const QVector<int> &i_vRows = {},
                        bool i_fIncludeHidden = false)
{
    if (i_oModel.ItemCount() == 0)
        return QString();
    return CResultsXml::Export(i_oModel.ItemsForExport(i_vRows, i_fIncludeHidden), i_sXsl);
}
