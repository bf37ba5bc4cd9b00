// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNeighbourTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace {

constexpr unsigned kAtfComplete = 0x2;
constexpr std::size_t kNlAlign = 4;

std::size_t Align(std::size_t i_nSize)
{
    return (i_nSize + kNlAlign - 1) & ~(kNlAlign - 1);
}

bool ParseMac(const std::string &i_sText, TMacAddress &o_rMac)
{
    unsigned anByte[6];
    char cEnd = 0;
    if (std::sscanf(i_sText.c_str(),
                    "%2x:%2x:%2x:%2x:%2x:%2x%c",
                    &anByte[0],
                    &anByte[1],
                    &anByte[2],
                    &anByte[3],
                    &anByte[4],
                    &anByte[5],
                    &cEnd)
        != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        o_rMac[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(anByte[i]);
    return true;
}

bool IsZero(const TMacAddress &i_rMac)
{
    for (std::uint8_t nByte : i_rMac) {
        if (nByte != 0)
            return false;
    }
    return true;
}

} // namespace

CNeighbourTable::EState CNeighbourTable::FindInProcText(const std::string &i_sText,
                                                        std::uint32_t i_nIp,
                                                        TMacAddress &o_rMac)
{
    std::istringstream oLines(i_sText);
    std::string sLine;
    std::getline(oLines, sLine); // column titles
    while (std::getline(oLines, sLine)) {
        std::istringstream oFields(sLine);
        std::string sIp, sType, sFlags, sMac;
        if (!(oFields >> sIp >> sType >> sFlags >> sMac))
            continue;
        in_addr oAddr{};
        if (inet_pton(AF_INET, sIp.c_str(), &oAddr) != 1 || ntohl(oAddr.s_addr) != i_nIp)
            continue;
        const unsigned long nFlags = std::strtoul(sFlags.c_str(), nullptr, 16);
        TMacAddress aMac{};
        if ((nFlags & kAtfComplete) && ParseMac(sMac, aMac) && !IsZero(aMac)) {
            o_rMac = aMac;
            return EState::Resolved;
        }
        return EState::None;
    }
    return EState::None;
}

CNeighbourTable::EState CNeighbourTable::FindInNetlink(const std::uint8_t *i_pData,
                                                       std::size_t i_nSize,
                                                       std::uint32_t i_nIp,
                                                       TMacAddress &o_rMac)
{
    EState eState = EState::None;
    std::size_t nAt = 0;
    while (i_pData && nAt + sizeof(nlmsghdr) <= i_nSize) {
        nlmsghdr oHeader;
        std::memcpy(&oHeader, i_pData + nAt, sizeof oHeader);
        if (oHeader.nlmsg_len < sizeof oHeader || oHeader.nlmsg_len > i_nSize - nAt)
            break;
        const std::uint8_t *pBody = i_pData + nAt + Align(sizeof oHeader);
        const std::size_t nBody =
            oHeader.nlmsg_len
            - std::min(oHeader.nlmsg_len, static_cast<std::uint32_t>(Align(sizeof oHeader)));
        if ((oHeader.nlmsg_type == RTM_NEWNEIGH || oHeader.nlmsg_type == RTM_DELNEIGH)
            && nBody >= sizeof(ndmsg)) {
            ndmsg oNeigh;
            std::memcpy(&oNeigh, pBody, sizeof oNeigh);
            bool fOurs = false;
            bool fHaveMac = false;
            TMacAddress aMac{};
            std::size_t nAttr = Align(sizeof oNeigh);
            while (oNeigh.ndm_family == AF_INET && nAttr + sizeof(rtattr) <= nBody) {
                rtattr oAttr;
                std::memcpy(&oAttr, pBody + nAttr, sizeof oAttr);
                if (oAttr.rta_len < sizeof oAttr || oAttr.rta_len > nBody - nAttr)
                    break;
                const std::uint8_t *pValue = pBody + nAttr + Align(sizeof oAttr);
                const std::size_t nValue = oAttr.rta_len - Align(sizeof oAttr);
                if (oAttr.rta_type == NDA_DST && nValue == 4) {
                    std::uint32_t nDst;
                    std::memcpy(&nDst, pValue, 4);
                    fOurs = ntohl(nDst) == i_nIp;
                } else if (oAttr.rta_type == NDA_LLADDR && nValue == 6) {
                    std::memcpy(aMac.data(), pValue, 6);
                    fHaveMac = !IsZero(aMac);
                }
                nAttr += Align(oAttr.rta_len);
            }
            if (fOurs) {
                constexpr unsigned kKnown =
                    NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;
                if (oHeader.nlmsg_type == RTM_NEWNEIGH && (oNeigh.ndm_state & kKnown) && fHaveMac) {
                    o_rMac = aMac;
                    eState = EState::Resolved;
                } else if (oHeader.nlmsg_type == RTM_NEWNEIGH && (oNeigh.ndm_state & NUD_FAILED)) {
                    eState = EState::Failed;
                }
            }
        }
        nAt += Align(oHeader.nlmsg_len);
    }
    return eState;
}
