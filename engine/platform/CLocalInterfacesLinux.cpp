// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalInterfaces.h"

#include <cstring>
#include <unordered_map>
#include <utility>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>

namespace {

std::uint32_t Ipv4Of(const sockaddr *i_pAddress)
{
    sockaddr_in oAddress;
    std::memcpy(&oAddress, i_pAddress, sizeof oAddress);
    return ntohl(oAddress.sin_addr.s_addr);
}

unsigned FlagsOf(unsigned i_nSystemFlags)
{
    unsigned nFlags = 0;
    const std::pair<unsigned, TLocalInterface::EFlag> aMap[] = {
        {IFF_UP, TLocalInterface::Up},
        {IFF_RUNNING, TLocalInterface::Running},
        {IFF_LOOPBACK, TLocalInterface::Loopback},
        {IFF_POINTOPOINT, TLocalInterface::PointToPoint},
        {IFF_BROADCAST, TLocalInterface::Broadcast},
        {IFF_MULTICAST, TLocalInterface::Multicast},
        {IFF_NOARP, TLocalInterface::NoArp},
    };
    for (const auto &rPair : aMap) {
        if (i_nSystemFlags & rPair.first)
            nFlags |= rPair.second;
    }
    return nFlags;
}

// An address added with a label ("eth0:1") is listed under the label; the link is the part
// before the colon.
std::string LinkName(const char *i_pName)
{
    const std::string sName(i_pName ? i_pName : "");
    return sName.substr(0, sName.find(':'));
}

} // namespace

std::vector<TLocalInterface> CLocalInterfaces::List()
{
    std::vector<TLocalInterface> vList;
    ifaddrs *pList = nullptr;
    if (getifaddrs(&pList) != 0)
        return vList;
    for (const ifaddrs *p = pList; p; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET)
            continue;
        TLocalInterface oEntry;
        oEntry.sName = p->ifa_name ? p->ifa_name : "";
        oEntry.nAddress = Ipv4Of(p->ifa_addr);
        if (p->ifa_netmask && p->ifa_netmask->sa_family == AF_INET)
            oEntry.nMask = Ipv4Of(p->ifa_netmask);
        oEntry.nFlags = FlagsOf(p->ifa_flags);
        // An address given without one lists itself as its broadcast address.
        if ((p->ifa_flags & IFF_BROADCAST) && p->ifa_broadaddr
            && p->ifa_broadaddr->sa_family == AF_INET
            && Ipv4Of(p->ifa_broadaddr) != oEntry.nAddress)
            oEntry.nBroadcast = Ipv4Of(p->ifa_broadaddr);
        vList.push_back(oEntry);
    }
    // Every link once, so that a machine with many interfaces costs one pass over each list.
    std::unordered_map<std::string, const ifaddrs *> mLinks;
    for (const ifaddrs *p = pList; p; p = p->ifa_next) {
        if (p->ifa_addr && p->ifa_addr->sa_family == AF_PACKET && p->ifa_name)
            mLinks.emplace(p->ifa_name, p);
    }
    for (TLocalInterface &rEntry : vList) {
        const auto it = mLinks.find(LinkName(rEntry.sName.c_str()));
        if (it == mLinks.end())
            continue;
        sockaddr_ll oLink;
        std::memcpy(&oLink, it->second->ifa_addr, sizeof oLink);
        rEntry.nIndex = static_cast<unsigned>(oLink.sll_ifindex);
        if (oLink.sll_hatype == ARPHRD_ETHER && oLink.sll_halen == 6) {
            TMacAddress aMac;
            std::memcpy(aMac.data(), oLink.sll_addr, aMac.size());
            rEntry.oMac = aMac;
        }
    }
    freeifaddrs(pList);
    return vList;
}
