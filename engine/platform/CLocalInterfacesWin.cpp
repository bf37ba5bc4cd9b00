// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalInterfaces.h"

#include <cstring>
#include <memory>

// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

namespace {

// The adapter list grows between the two calls when an adapter appears; a few tries cover it.
constexpr int kTries = 3;
constexpr ULONG kInitialBytes = 16 * 1024;

std::uint32_t MaskOf(unsigned i_nPrefix)
{
    if (i_nPrefix == 0)
        return 0;
    if (i_nPrefix >= 32)
        return 0xFFFFFFFFu;
    return 0xFFFFFFFFu << (32 - i_nPrefix);
}

unsigned FlagsOf(const IP_ADAPTER_ADDRESSES &i_rAdapter)
{
    unsigned nFlags = 0;
    if (i_rAdapter.OperStatus == IfOperStatusUp)
        nFlags |= TLocalInterface::Up | TLocalInterface::Running;
    // As Windows' own broadcast rules: every adapter but loopback and dial-up links broadcasts.
    if (i_rAdapter.IfType == IF_TYPE_SOFTWARE_LOOPBACK)
        nFlags |= TLocalInterface::Loopback;
    else if (i_rAdapter.IfType == IF_TYPE_PPP || i_rAdapter.IfType == IF_TYPE_TUNNEL)
        nFlags |= TLocalInterface::PointToPoint | TLocalInterface::NoArp;
    else
        nFlags |= TLocalInterface::Broadcast;
    if (!(i_rAdapter.Flags & IP_ADAPTER_NO_MULTICAST))
        nFlags |= TLocalInterface::Multicast;
    return nFlags;
}

} // namespace

std::vector<TLocalInterface> CLocalInterfaces::List()
{
    std::vector<TLocalInterface> vList;
    ULONG nSize = kInitialBytes;
    std::unique_ptr<unsigned char[]> pBuffer;
    ULONG nResult = ERROR_BUFFER_OVERFLOW;
    const ULONG nFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    for (int nTry = 0; nTry < kTries && nResult == ERROR_BUFFER_OVERFLOW; ++nTry) {
        pBuffer.reset(new unsigned char[nSize]);
        nResult = GetAdaptersAddresses(AF_INET,
                                       nFlags,
                                       nullptr,
                                       reinterpret_cast<IP_ADAPTER_ADDRESSES *>(pBuffer.get()),
                                       &nSize);
    }
    if (nResult != NO_ERROR)
        return vList;
    for (const auto *pAdapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(pBuffer.get());
         pAdapter;
         pAdapter = pAdapter->Next) {
        std::optional<TMacAddress> oMac;
        if (pAdapter->PhysicalAddressLength == 6 && pAdapter->IfType != IF_TYPE_SOFTWARE_LOOPBACK) {
            TMacAddress aMac;
            std::memcpy(aMac.data(), pAdapter->PhysicalAddress, aMac.size());
            oMac = aMac;
        }
        for (const IP_ADAPTER_UNICAST_ADDRESS *pUnicast = pAdapter->FirstUnicastAddress; pUnicast;
             pUnicast = pUnicast->Next) {
            const sockaddr *pAddress = pUnicast->Address.lpSockaddr;
            if (!pAddress || pAddress->sa_family != AF_INET
                || pUnicast->Address.iSockaddrLength < static_cast<INT>(sizeof(sockaddr_in)))
                continue;
            sockaddr_in oAddress;
            std::memcpy(&oAddress, pAddress, sizeof oAddress);
            TLocalInterface oEntry;
            oEntry.sName = pAdapter->AdapterName ? pAdapter->AdapterName : "";
            oEntry.nIndex = pAdapter->IfIndex;
            oEntry.nAddress = ntohl(oAddress.sin_addr.s_addr);
            oEntry.nMask = MaskOf(pUnicast->OnLinkPrefixLength);
            oEntry.nFlags = FlagsOf(*pAdapter);
            // /31 and /32 have no broadcast address of their own.
            if (oEntry.Has(TLocalInterface::Broadcast) && oEntry.nMask < 0xFFFFFFFEu)
                oEntry.nBroadcast = oEntry.nAddress | ~oEntry.nMask;
            oEntry.oMac = oMac;
            vList.push_back(oEntry);
        }
    }
    return vList;
}
