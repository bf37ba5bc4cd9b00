// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalSubnets.h"

#include <memory>

// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

namespace {

// Dotted decimal as the adapter list writes it; inet_pton is missing before Vista.
bool ReadIpv4(const char *i_pText, std::uint32_t *o_pAddress)
{
    std::uint32_t nAddress = 0;
    int nFields = 0;
    const char *p = i_pText;
    while (nFields < 4) {
        if (*p < '0' || *p > '9')
            return false;
        unsigned nField = 0;
        int nDigits = 0;
        while (*p >= '0' && *p <= '9' && nDigits < 4) {
            nField = nField * 10 + unsigned(*p - '0');
            ++p;
            ++nDigits;
        }
        if (nField > 255)
            return false;
        nAddress = (nAddress << 8) | nField;
        ++nFields;
        if (nFields < 4 && *p++ != '.')
            return false;
    }
    if (*p != '\0')
        return false;
    *o_pAddress = nAddress;
    return true;
}

} // namespace

std::vector<CLocalSubnets::TAddressMask> CLocalSubnets::List()
{
    std::vector<TAddressMask> vList;
    ULONG nSize = 0;
    if (GetAdaptersInfo(nullptr, &nSize) != ERROR_BUFFER_OVERFLOW || nSize == 0)
        return vList;
    std::unique_ptr<unsigned char[]> pBuffer(new unsigned char[nSize]);
    auto *pAdapter = reinterpret_cast<IP_ADAPTER_INFO *>(pBuffer.get());
    if (GetAdaptersInfo(pAdapter, &nSize) != NO_ERROR)
        return vList;
    for (; pAdapter; pAdapter = pAdapter->Next) {
        for (const IP_ADDR_STRING *pEntry = &pAdapter->IpAddressList; pEntry;
             pEntry = pEntry->Next) {
            TAddressMask oSubnet;
            if (ReadIpv4(pEntry->IpAddress.String, &oSubnet.address)
                && ReadIpv4(pEntry->IpMask.String, &oSubnet.mask))
                vList.push_back(oSubnet);
        }
    }
    return vList;
}
