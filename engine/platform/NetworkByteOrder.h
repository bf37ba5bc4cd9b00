// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Big-endian (network order) fields of packets that are built or read byte by byte. The callers
// check the length first; these never do.
inline std::uint16_t Read16(const std::uint8_t *i_pData)
{
    return static_cast<std::uint16_t>((i_pData[0] << 8) | i_pData[1]);
}

inline std::uint32_t Read32(const std::uint8_t *i_pData)
{
    return (std::uint32_t{i_pData[0]} << 24) | (std::uint32_t{i_pData[1]} << 16)
           | (std::uint32_t{i_pData[2]} << 8) | std::uint32_t{i_pData[3]};
}

inline void Put16(std::uint8_t *o_pData, std::uint16_t i_nValue)
{
    o_pData[0] = static_cast<std::uint8_t>(i_nValue >> 8);
    o_pData[1] = static_cast<std::uint8_t>(i_nValue);
}

inline void Put32(std::uint8_t *o_pData, std::uint32_t i_nValue)
{
    o_pData[0] = static_cast<std::uint8_t>(i_nValue >> 24);
    o_pData[1] = static_cast<std::uint8_t>(i_nValue >> 16);
    o_pData[2] = static_cast<std::uint8_t>(i_nValue >> 8);
    o_pData[3] = static_cast<std::uint8_t>(i_nValue);
}
