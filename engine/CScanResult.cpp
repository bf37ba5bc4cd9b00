// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanResult.h"

#include <QSharedData>

#include <algorithm>

// What the results tree reads of every row each time it lays itself out (address, status and the
// resources that become child rows) comes first, so that it shares a cache line or two: with tens
// of thousands of rows the tree's layout is bound by reaching these blocks.
class CScanResultData : public QSharedData
{
public:
    quint32 nIp = 0;
    EHostStatus eStatus = EHostStatus::Unknown;
    bool fHasHttp = false;
    bool fHasHttps = false;
    bool fHasFtp = false;
    QStringList lsShares;
    QList<qint32> lnOrtavoPorts;
    QList<CScanResult::TWebServer> lWebServers;
    qint32 nScanId = -1;
    qint32 nScanSize = 0;
    EAliveBy eAliveBy = EAliveBy::None;
    QString sHttpTitle;
    QString sName;
    QString sNetbiosName;
    QString sNetbiosGroup;
    QString sUser;
    QByteArray baMac = QByteArray(6, '\0');
};

CScanResult::CScanResult()
    : d(new CScanResultData)
{
}

CScanResult::CScanResult(const CScanResult &i_oOther) = default;
CScanResult &CScanResult::operator=(const CScanResult &i_oOther) = default;
CScanResult::~CScanResult() = default;

qint32 CScanResult::scan_id() const
{
    return d->nScanId;
}
void CScanResult::set_scan_id(qint32 i_nId)
{
    d->nScanId = i_nId;
}
qint32 CScanResult::scan_size() const
{
    return d->nScanSize;
}
void CScanResult::set_scan_size(qint32 i_nSize)
{
    d->nScanSize = i_nSize;
}
quint32 CScanResult::ip() const
{
    return d->nIp;
}
void CScanResult::set_ip(quint32 i_nIp)
{
    d->nIp = i_nIp;
}
EHostStatus CScanResult::status() const
{
    return d->eStatus;
}
void CScanResult::set_status(EHostStatus i_eStatus)
{
    d->eStatus = i_eStatus;
}
void CScanResult::set_status(qint32 i_nStatus)
{
    d->eStatus = static_cast<EHostStatus>(i_nStatus);
}
bool CScanResult::has_http() const
{
    return d->fHasHttp;
}
void CScanResult::set_has_http(bool i_fHas)
{
    d->fHasHttp = i_fHas;
}
QString CScanResult::http_title() const
{
    return d->sHttpTitle;
}
void CScanResult::set_http_title(const QString &i_sTitle)
{
    d->sHttpTitle = i_sTitle;
}
bool CScanResult::has_https() const
{
    return d->fHasHttps;
}
void CScanResult::set_has_https(bool i_fHas)
{
    d->fHasHttps = i_fHas;
}
QString CScanResult::name() const
{
    return d->sName;
}
void CScanResult::set_name(const QString &i_sName)
{
    d->sName = i_sName;
}
QStringList CScanResult::shares() const
{
    return d->lsShares;
}
void CScanResult::set_shares(const QStringList &i_lsShares)
{
    d->lsShares = i_lsShares;
}
bool CScanResult::has_ftp() const
{
    return d->fHasFtp;
}
void CScanResult::set_has_ftp(bool i_fHas)
{
    d->fHasFtp = i_fHas;
}
QString CScanResult::netbiosname() const
{
    return d->sNetbiosName;
}
void CScanResult::set_netbiosname(const QString &i_sName)
{
    d->sNetbiosName = i_sName;
}
QString CScanResult::netbiosgroup() const
{
    return d->sNetbiosGroup;
}
void CScanResult::set_netbiosgroup(const QString &i_sGroup)
{
    d->sNetbiosGroup = i_sGroup;
}
QString CScanResult::user() const
{
    return d->sUser;
}
void CScanResult::set_user(const QString &i_sUser)
{
    d->sUser = i_sUser;
}
QList<qint32> CScanResult::ortavo_ports() const
{
    return d->lnOrtavoPorts;
}
void CScanResult::set_ortavo_ports(const QList<qint32> &i_lnPorts)
{
    d->lnOrtavoPorts = i_lnPorts;
}
EAliveBy CScanResult::alive_by() const
{
    return d->eAliveBy;
}
void CScanResult::set_alive_by(EAliveBy i_eBy)
{
    d->eAliveBy = i_eBy;
}
int CScanResult::ResourceCount() const
{
    return int(d->fHasHttp) + int(d->fHasHttps) + int(d->fHasFtp) + d->lWebServers.size()
           + d->lnOrtavoPorts.size() + d->lsShares.size();
}
QList<CScanResult::TWebServer> CScanResult::web_servers() const
{
    return d->lWebServers;
}
void CScanResult::set_web_servers(const QList<TWebServer> &i_lServers)
{
    d->lWebServers = i_lServers;
}
QByteArray CScanResult::mac() const
{
    return d->baMac;
}

void CScanResult::set_mac(const QByteArray &i_baMac)
{
    QByteArray baMac = i_baMac.left(6);
    baMac.append(QByteArray(6 - baMac.size(), '\0'));
    d->baMac = baMac;
}

QString CScanResult::IpText() const
{
    return IpToText(d->nIp);
}
QString CScanResult::MacText() const
{
    return MacToText(d->baMac);
}
bool CScanResult::HasMac() const
{
    return d->baMac.count('\0') != d->baMac.size();
}

QString IpToText(quint32 i_nIp)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(i_nIp >> 24)
        .arg((i_nIp >> 16) & 0xFF)
        .arg((i_nIp >> 8) & 0xFF)
        .arg(i_nIp & 0xFF);
}

QString MacToText(const QByteArray &i_baMac, bool i_fEmptyIfBroadcast)
{
    if (i_baMac.size() >= 6 && i_baMac.left(6).count('\xFF') == 6)
        return i_fEmptyIfBroadcast ? QString() : MacToText(QByteArray(6, '\0'));
    QStringList lsBytes;
    for (int i = 0; i < 6; ++i) {
        const auto nByte = static_cast<quint8>(i < i_baMac.size() ? i_baMac.at(i) : 0);
        lsBytes << QStringLiteral("%1").arg(nByte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return lsBytes.join(QLatin1Char(':'));
}

bool TextToMac(const QString &i_sText, QByteArray *o_pbaMac)
{
    const QString sText = i_sText.trimmed();
    // Longer texts are no MAC in any form; checked first so nothing below works on a huge text.
    if (sText.isEmpty() || sText.size() > 17)
        return false;
    QString sHex;
    const auto IsHex = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
               || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
               || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    };
    const auto AllHex = [&IsHex](const QString &i_sPart) {
        return std::all_of(i_sPart.cbegin(), i_sPart.cend(), IsHex);
    };
    for (const QChar cSeparator : {QLatin1Char(':'), QLatin1Char('-'), QLatin1Char('.')}) {
        if (!sText.contains(cSeparator))
            continue;
        const QStringList lsParts = sText.split(cSeparator);
        const bool fDotted = cSeparator == QLatin1Char('.');
        if (lsParts.size() != (fDotted ? 3 : 6))
            return false;
        for (const QString &sPart : lsParts) {
            const bool fSize =
                fDotted ? sPart.size() == 4 : (sPart.size() == 1 || sPart.size() == 2);
            if (!fSize || !AllHex(sPart))
                return false;
            sHex += sPart.size() == 1 ? QLatin1Char('0') + sPart : sPart;
        }
        break;
    }
    if (sHex.isEmpty()) {
        if (sText.size() != 12 || !AllHex(sText))
            return false;
        sHex = sText;
    }
    *o_pbaMac = QByteArray::fromHex(sHex.toLatin1());
    return o_pbaMac->size() == 6;
}
