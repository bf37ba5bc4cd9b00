// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostNaming.h"

#include "CNetText.h"
#include "CScanResult.h"
#include "CZeroconf.h"

#include <QByteArray>

#include <cstring>

namespace {

constexpr int kSnmpBufferSize = 1025;
// How long browsing has run before an announced name is looked up.
constexpr int kZeroconfSettleMs = 1000;

bool NameIsMissing(const CScanResult &i_oResult)
{
    const QString sName = i_oResult.name().trimmed();
    return sName.isEmpty() || sName == i_oResult.IpText();
}

} // namespace

void CHostNaming::NameFromDiscovery(CScanResult &io_oResult,
                                    const TProbeTimeouts &i_oTimeouts,
                                    CSnmpName::CQuery *io_pSnmp)
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
    if (!sZeroconfName.isEmpty())
        io_oResult.set_name(sZeroconfName);
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
