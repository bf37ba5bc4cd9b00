// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IArpProbe.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads what the Linux kernel knows about its IPv4 neighbours: the text of /proc/net/arp and
// the rtnetlink neighbour messages it sends to listeners. Parsing only; the caller owns the
// sockets and files.
class CNeighbourTable final
{
public:
    enum class EState
    {
        None,     // nothing about the address, or resolution still under way
        Resolved, // the kernel holds a hardware address for it
        Failed,   // resolution gave up
    };

    // The entry of i_nIp (host byte order) in the text of /proc/net/arp. Resolved only for a
    // complete entry with a non-zero address; incomplete and failed ones give None, since the
    // table does not tell them apart.
    static EState
    FindInProcText(const std::string &i_sText, std::uint32_t i_nIp, TMacAddress &o_rMac);

    // Scans a buffer of rtnetlink messages for news about i_nIp (host byte order). The last
    // message about the address wins. Truncated or malformed messages end the scan.
    static EState FindInNetlink(const std::uint8_t *i_pData,
                                std::size_t i_nSize,
                                std::uint32_t i_nIp,
                                TMacAddress &o_rMac);
};
