// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalSubnets.h"

#include <QHostAddress>
#include <QString>

#include <memory>

#include <winsock2.h>
#include <iphlpapi.h>

namespace {

bool ReadIpv4(const char *i_pText, quint32 *o_pAddress)
{
    const QString sText = QString::fromLatin1(i_pText);
    if (sText.isEmpty())
        return false;
    QHostAddress oAddress;
    if (!oAddress.setAddress(sText) || oAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    *o_pAddress = oAddress.toIPv4Address();
    return true;
}

} // namespace

QVector<CLocalSubnets::TAddressMask> CLocalSubnets::List()
{
    QVector<TAddressMask> vList;
    ULONG nSize = 0;
    if (GetAdaptersInfo(nullptr, &nSize) != ERROR_BUFFER_OVERFLOW || nSize == 0)
        return vList;
    std::unique_ptr<unsigned char[]> pBuffer(new unsigned char[nSize]);
    auto *pAdapter = reinterpret_cast<IP_ADAPTER_INFO *>(pBuffer.get());
    if (GetAdaptersInfo(pAdapter, &nSize) != NO_ERROR)
        return vList;
    for (; pAdapter; pAdapter = pAdapter->Next) {
        for (const IP_ADDR_STRING *pEntry = &pAdapter->IpAddressList; pEntry; pEntry = pEntry->Next) {
            TAddressMask oSubnet;
            if (ReadIpv4(pEntry->IpAddress.String, &oSubnet.address)
                && ReadIpv4(pEntry->IpMask.String, &oSubnet.mask))
                vList.append(oSubnet);
        }
    }
    return vList;
}
