// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostNaming.h"

#include "CMdnsMessage.h"
#include "CNetText.h"
#include "CScanResult.h"
#include "CUdpExchange.h"
#include "CZeroconf.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QtEndian>

#include <cstring>

namespace {

constexpr int kSnmpBufferSize = 1025;
// How long browsing has run before an announced name is looked up.
constexpr int kZeroconfSettleMs = 1000;
constexpr quint16 kMdnsPort = 5353;
// A whole mDNS message fits one Ethernet frame (RFC 6762, 17); a longer datagram is cut to
// this and then fails to parse.
constexpr int kMdnsBufferSize = 9000;

} // namespace

bool CHostNaming::NameIsMissing(const CScanResult &i_oResult)
{
    const QString sName = i_oResult.name().trimmed();
    return sName.isEmpty() || sName == i_oResult.IpText();
}

QString CHostNaming::MdnsName(quint32 i_nIp, int i_nWaitMs)
{
    const auto nId = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    const QByteArray baQuery = CMdnsMessage::ReverseQuery(nId, i_nIp);
    QByteArray baBuffer(kMdnsBufferSize, '\0');
    QByteArray baName;
    const quint32 nIpNet = qToBigEndian(i_nIp);
    const quint16 nPortNet = qToBigEndian(kMdnsPort);
    CUdpExchange::TRequest oRequest;
    oRequest.nAddrNet = nIpNet;
    oRequest.nPortNet = nPortNet;
    oRequest.pData = baQuery.constData();
    oRequest.nSize = baQuery.size();
    oRequest.nWaitMs = qMax(0, i_nWaitMs);
    // Most hosts run no responder and refuse the question: that ends the wait at once instead
    // of after its full time.
    oRequest.fConnected = true;
    CUdpExchange::Exchange(
        oRequest,
        baBuffer.data(),
        baBuffer.size(),
        [&](const char *i_pData, int i_nSize, quint32 i_nFromNet, quint16 i_nFromPortNet) {
            // A sleep proxy may answer for a host on a multicast question, never here: the
            // host was asked, so only the host answers.
            if (i_nFromNet != nIpNet || i_nFromPortNet != nPortNet)
                return false;
            baName = CMdnsMessage::PointedName(QByteArray(i_pData, i_nSize), nId, i_nIp);
            return !baName.isEmpty();
        });
    return NameFromMdnsBytes(baName);
}

QString CHostNaming::NameFromMdnsBytes(const QByteArray &i_baName)
{
    // Every name on the link ends in .local; without it the host reads as its announced
    // services name it, whichever of the two steps answered first.
    QByteArray baName = i_baName;
    if (baName.toLower().endsWith(".local"))
        baName.chop(6);
    return CNetText::CleanTrimmed(QString::fromUtf8(baName));
}

void CHostNaming::NameFromDiscovery(CScanResult &io_oResult,
                                    const TProbeTimeouts &i_oTimeouts,
                                    CSnmpName::CQuery *io_pSnmp,
                                    const std::function<QString()> &i_fnHostsOwnName)
{
    // Decided once, on the name reverse DNS left: a zeroconf name found below does not stop the
    // SNMP question, whose answer is the better name.
    if (!io_oResult.IsAlive() || !NameIsMissing(io_oResult))
        return;
    const quint32 nIp = io_oResult.ip();
    // Browsing starts with the first host's naming, unless the scan started it; SNMP is asked
    // first, so that its wait counts towards the browse's.
    CZeroconf *pZeroconf = CZeroconf::Instance();
    const QString sSnmpName = SnmpName(nIp, i_oTimeouts, io_pSnmp);
    if (!sSnmpName.isEmpty()) {
        io_oResult.set_name(sSnmpName);
        return;
    }
    pZeroconf->WaitBrowsedFor(kZeroconfSettleMs);
    const QString sZeroconfName = CNetText::Clean(pZeroconf->Lookup(nIp));
    if (!sZeroconfName.isEmpty()) {
        io_oResult.set_name(sZeroconfName);
        return;
    }
    const QString sOwnName = i_fnHostsOwnName ? i_fnHostsOwnName() : MdnsName(nIp);
    if (!sOwnName.isEmpty())
        io_oResult.set_name(sOwnName);
}

QString
CHostNaming::SnmpName(quint32 i_nIp, const TProbeTimeouts &i_oTimeouts, CSnmpName::CQuery *io_pSnmp)
{
    QByteArray baBuffer(kSnmpBufferSize, '\0');
    int nLength = baBuffer.size();
    const int nFound =
        io_pSnmp ? io_pSnmp->Finish(
            baBuffer.data(), &nLength, i_oTimeouts.nSnmpWaitMs, i_oTimeouts.nSnmpRetries)
                 : CSnmpName::QuerySysName(i_nIp,
                                           baBuffer.data(),
                                           &nLength,
                                           i_oTimeouts.nSnmpWaitMs,
                                           i_oTimeouts.nSnmpRetries);
    if (!nFound || nLength <= 0)
        return QString();
    return NameFromSnmpBytes(baBuffer.constData(), nLength);
}

QString CHostNaming::NameFromSnmpBytes(const char *i_pBytes, int i_nLength)
{
    if (!i_pBytes || i_nLength <= 0)
        return QString();
    // The name ends at a zero byte, as a C string would: a zero character inside a host name
    // would make the results unwritable as XML and cut it short elsewhere.
    const void *pZero = std::memchr(i_pBytes, '\0', static_cast<size_t>(i_nLength));
    const int nLength =
        pZero ? static_cast<int>(static_cast<const char *>(pZero) - i_pBytes) : i_nLength;
    return CNetText::CleanTrimmed(QString::fromLocal8Bit(i_pBytes, nLength));
}
