// SPDX-License-Identifier: GPL-3.0-or-later
#include "CArpPacket.h"

#include "NetworkByteOrder.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kHardwareEthernet = 1;
constexpr std::uint16_t kProtocolIpv4 = 0x0800;
constexpr std::uint16_t kOpRequest = 1;
constexpr std::uint16_t kOpReply = 2;

} // namespace

CArpPacket::TMessage
CArpPacket::Request(const TMacAddress &i_rOwnMac, std::uint32_t i_nOwnIp, std::uint32_t i_nTargetIp)
{
    TMessage aMessage{};
    Put16(&aMessage[0], kHardwareEthernet);
    Put16(&aMessage[2], kProtocolIpv4);
    aMessage[4] = 6;
    aMessage[5] = 4;
    Put16(&aMessage[6], kOpRequest);
    std::copy(i_rOwnMac.begin(), i_rOwnMac.end(), aMessage.begin() + 8);
    Put32(&aMessage[14], i_nOwnIp);
    // Target hardware address stays zero: that is what we ask for.
    Put32(&aMessage[24], i_nTargetIp);
    return aMessage;
}

bool CArpPacket::IsReplyFrom(const std::uint8_t *i_pData,
                             std::size_t i_nSize,
                             std::uint32_t i_nTargetIp,
                             TMacAddress &o_rMac)
{
    std::uint32_t nSender = 0;
    TMacAddress aMac{};
    if (!ReadReply(i_pData, i_nSize, nSender, aMac) || nSender != i_nTargetIp)
        return false;
    o_rMac = aMac;
    return true;
}

bool CArpPacket::ReadReply(const std::uint8_t *i_pData,
                           std::size_t i_nSize,
                           std::uint32_t &o_rnSenderIp,
                           TMacAddress &o_rMac)
{
    if (!i_pData || i_nSize < kMessageBytes)
        return false;
    if (Read16(i_pData) != kHardwareEthernet || Read16(i_pData + 2) != kProtocolIpv4
        || i_pData[4] != 6 || i_pData[5] != 4 || Read16(i_pData + 6) != kOpReply)
        return false;
    o_rnSenderIp = Read32(i_pData + 14);
    std::copy(i_pData + 8, i_pData + 14, o_rMac.begin());
    return true;
}
