// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IArpProbe.h"

#include <cstddef>
#include <cstdint>

// Builds ARP requests for Ethernet and IPv4 and recognises the reply from one host. Works on
// the ARP message alone (what follows the Ethernet header). Pure byte work, no sockets.
class CArpPacket final
{
public:
    static constexpr std::size_t kMessageBytes = 28;
    using TMessage = std::array<std::uint8_t, kMessageBytes>;

    // A who-has request for i_nTargetIp from us (addresses in host byte order).
    static TMessage
    Request(const TMacAddress &i_rOwnMac, std::uint32_t i_nOwnIp, std::uint32_t i_nTargetIp);

    // True when the message is an Ethernet/IPv4 ARP reply sent by i_nTargetIp; o_rMac then holds
    // the sender's hardware address. Malformed or foreign messages give false.
    static bool IsReplyFrom(const std::uint8_t *i_pData,
                            std::size_t i_nSize,
                            std::uint32_t i_nTargetIp,
                            TMacAddress &o_rMac);

    // True when the message is an Ethernet/IPv4 ARP reply; o_rnSenderIp (host byte order) and
    // o_rMac then hold who sent it. Malformed messages give false.
    static bool ReadReply(const std::uint8_t *i_pData,
                          std::size_t i_nSize,
                          std::uint32_t &o_rnSenderIp,
                          TMacAddress &o_rMac);
};
