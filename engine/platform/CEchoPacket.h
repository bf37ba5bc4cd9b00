// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Builds ICMP echo requests and recognises the reply to one of them. Pure byte work, no
// sockets, so that the matching rules can be tested without a network.
class CEchoPacket final
{
public:
    static constexpr std::size_t kDataBytes = 8;
    static constexpr std::uint8_t kDataByte = 0xFF;

    // What a reply must carry to answer our request.
    struct TExpect
    {
        std::uint32_t nIp = 0;  // the address we pinged, host byte order
        std::uint16_t nId = 0;  // identifier of our request
        std::uint16_t nSeq = 0; // sequence number of our request
        // Raw sockets deliver the IP header first and every ICMP packet of the machine, so
        // the identifier must be checked; ping sockets strip the header and the kernel
        // replaces the identifier with the socket's own and delivers only that socket's replies.
        bool fIpHeader = false;
        bool fCheckId = false;
    };

    // An echo request (ICMP header and 8 data bytes of 0xFF) with its checksum filled in.
    static std::vector<std::uint8_t> Request(std::uint16_t i_nId, std::uint16_t i_nSeq);

    // The Internet checksum (one's complement of the one's complement sum of 16-bit words).
    static std::uint16_t Checksum(const std::uint8_t *i_pData, std::size_t i_nSize);

    // True when the i_nSize bytes at i_pData, received from i_nFromIp (host byte order), are the
    // echo reply to the request described by i_rExpect. Any malformed input gives false.
    static bool IsReply(const std::uint8_t *i_pData,
                        std::size_t i_nSize,
                        std::uint32_t i_nFromIp,
                        const TExpect &i_rExpect);
};
