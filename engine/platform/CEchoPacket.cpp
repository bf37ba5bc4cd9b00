// SPDX-License-Identifier: GPL-3.0-or-later
#include "CEchoPacket.h"

#include "NetworkByteOrder.h"

namespace {

constexpr std::uint8_t kTypeEchoReply = 0;
constexpr std::uint8_t kTypeEchoRequest = 8;
constexpr std::size_t kIcmpHeaderBytes = 8;
constexpr std::size_t kMinIpHeaderBytes = 20;
constexpr std::uint8_t kProtocolIcmp = 1;

} // namespace

std::vector<std::uint8_t> CEchoPacket::Request(std::uint16_t i_nId, std::uint16_t i_nSeq)
{
    std::vector<std::uint8_t> vPacket(kIcmpHeaderBytes + kDataBytes, kDataByte);
    vPacket[0] = kTypeEchoRequest;
    vPacket[1] = 0;
    vPacket[2] = 0;
    vPacket[3] = 0;
    vPacket[4] = static_cast<std::uint8_t>(i_nId >> 8);
    vPacket[5] = static_cast<std::uint8_t>(i_nId);
    vPacket[6] = static_cast<std::uint8_t>(i_nSeq >> 8);
    vPacket[7] = static_cast<std::uint8_t>(i_nSeq);
    const std::uint16_t nSum = Checksum(vPacket.data(), vPacket.size());
    vPacket[2] = static_cast<std::uint8_t>(nSum >> 8);
    vPacket[3] = static_cast<std::uint8_t>(nSum);
    return vPacket;
}

std::uint16_t CEchoPacket::Checksum(const std::uint8_t *i_pData, std::size_t i_nSize)
{
    std::uint32_t nSum = 0;
    std::size_t i = 0;
    for (; i + 1 < i_nSize; i += 2)
        nSum += Read16(i_pData + i);
    if (i < i_nSize)
        nSum += std::uint32_t{i_pData[i]} << 8;
    while (nSum >> 16)
        nSum = (nSum & 0xFFFF) + (nSum >> 16);
    return static_cast<std::uint16_t>(~nSum);
}

bool CEchoPacket::IsReply(const std::uint8_t *i_pData,
                          std::size_t i_nSize,
                          std::uint32_t i_nFromIp,
                          const TExpect &i_rExpect)
{
    if (!i_pData || i_nFromIp != i_rExpect.nIp)
        return false;
    const std::uint8_t *pIcmp = i_pData;
    std::size_t nIcmpSize = i_nSize;
    if (i_rExpect.fIpHeader) {
        if (i_nSize < kMinIpHeaderBytes || (i_pData[0] >> 4) != 4)
            return false;
        const std::size_t nHeader = std::size_t{i_pData[0] & 0x0Fu} * 4;
        if (nHeader < kMinIpHeaderBytes || nHeader > i_nSize || i_pData[9] != kProtocolIcmp
            || Read32(i_pData + 12) != i_rExpect.nIp)
            return false;
        pIcmp = i_pData + nHeader;
        nIcmpSize = i_nSize - nHeader;
    }
    if (nIcmpSize < kIcmpHeaderBytes + kDataBytes)
        return false;
    if (pIcmp[0] != kTypeEchoReply || pIcmp[1] != 0)
        return false;
    if (i_rExpect.fCheckId && Read16(pIcmp + 4) != i_rExpect.nId)
        return false;
    if (Read16(pIcmp + 6) != i_rExpect.nSeq)
        return false;
    for (std::size_t i = 0; i < kDataBytes; ++i) {
        if (pIcmp[kIcmpHeaderBytes + i] != kDataByte)
            return false;
    }
    return true;
}
