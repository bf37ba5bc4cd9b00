// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EHostStatus.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

class CScanResultData;

// What one scan worker found about one host. An implicitly shared value: copies share one
// block until a setter detaches. Handles cross threads only by value (queued signals).
// The address is host byte order, first dotted number in the most significant byte.
class CScanResult
{
public:
    CScanResult();
    CScanResult(const CScanResult &i_oOther);
    CScanResult &operator=(const CScanResult &i_oOther);
    ~CScanResult();

    qint32 scan_id() const;
    void set_scan_id(qint32 i_nId);
    qint32 scan_size() const;
    void set_scan_size(qint32 i_nSize);
    quint32 ip() const;
    void set_ip(quint32 i_nIp);
    EHostStatus status() const;
    void set_status(EHostStatus i_eStatus);
    void set_status(qint32 i_nStatus);
    // The probe that found the host alive; EAliveBy::None when it is not, or nobody said.
    EAliveBy alive_by() const;
    void set_alive_by(EAliveBy i_eBy);
    bool has_http() const;
    void set_has_http(bool i_fHas);
    QString http_title() const;
    void set_http_title(const QString &i_sTitle);
    bool has_https() const;
    void set_has_https(bool i_fHas);
    QString name() const;
    void set_name(const QString &i_sName);
    QStringList shares() const;
    void set_shares(const QStringList &i_lsShares);
    bool has_ftp() const;
    void set_has_ftp(bool i_fHas);
    QString netbiosname() const;
    void set_netbiosname(const QString &i_sName);
    QString netbiosgroup() const;
    void set_netbiosgroup(const QString &i_sGroup);
    QString user() const;
    void set_user(const QString &i_sUser);
    QList<qint32> ortavo_ports() const;
    void set_ortavo_ports(const QList<qint32> &i_lnPorts);
    // A web server on a port other than 80 and 443, asked as the settings listed them.
    struct TWebServer
    {
        qint32 nPort = 0;
        bool fHttps = false;
        // The page's title; null when it had none.
        QString sTitle;
        bool operator==(const TWebServer &i_o) const
        {
            return nPort == i_o.nPort && fHttps == i_o.fHttps && sTitle == i_o.sTitle;
        }
    };
    // The extra ports that answered, in the order the settings list them.
    QList<TWebServer> web_servers() const;
    void set_web_servers(const QList<TWebServer> &i_lServers);
    // Six bytes in wire order; all zero when unknown. Other lengths are padded or cut to six.
    QByteArray mac() const;
    void set_mac(const QByteArray &i_baMac);

    bool IsAlive() const { return status() == EHostStatus::Alive; }
    // The resources found, each counted once: HTTP, HTTPS, FTP, every web server on another
    // port, every Ortavo port and every share. Reads no list out, for callers that ask per row.
    int ResourceCount() const;
    QString IpText() const;
    // "%1:%2:%3:%4:%5:%6", two upper-case hexadecimal digits per byte.
    QString MacText() const;
    bool HasMac() const;

private:
    QSharedDataPointer<CScanResultData> d;
};

QString IpToText(quint32 i_nIp);
// Six bytes as "%1:%2:%3:%4:%5:%6", two upper-case hexadecimal digits each; missing bytes (an
// empty MAC) count as zeros. Six 0xFF bytes give an empty text when i_fEmptyIfBroadcast is set,
// else they are shown as zeros.
QString MacToText(const QByteArray &i_baMac, bool i_fEmptyIfBroadcast = false);

// Reads a MAC address as people copy it: six bytes of one or two hexadecimal digits separated by
// ':' or by '-' (02:5e:00:00:00:2a, 02-5E-00-00-00-2A), three groups of four digits separated by
// '.' (025E.0000.002A), or twelve bare digits; blanks around it are ignored. Anything else reads
// as nothing and leaves *o_pbaMac as it was.
bool TextToMac(const QString &i_sText, QByteArray *o_pbaMac);

Q_DECLARE_METATYPE(CScanResult)
