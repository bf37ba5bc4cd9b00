// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetBiosName.h"

#include <cstring>

CNetBiosName CNetBiosName::FromEntry(const char *i_pEntry)
{
    constexpr int kNameBytes = 15;
    CNetBiosName oName;
    const void *pZero = std::memchr(i_pEntry, 0, kNameBytes);
    const int nNameSize =
        pZero ? static_cast<int>(static_cast<const char *>(pZero) - i_pEntry) : kNameBytes;
    oName.m_baName = QByteArray(i_pEntry, nNameSize);
    oName.m_nSuffix = static_cast<quint8>(i_pEntry[15]);
    const quint8 nFlags = static_cast<quint8>(i_pEntry[16]);
    oName.m_fGroup = (nFlags & 0x80) != 0;
    oName.m_nOwnerNodeType = static_cast<quint8>((nFlags >> 5) & 0x03);
    oName.m_fDeregistering = (nFlags & 0x10) != 0;
    oName.m_fConflict = (nFlags & 0x08) != 0;
    oName.m_fActive = (nFlags & 0x04) != 0;
    oName.m_fPermanent = (nFlags & 0x02) != 0;
    // The second flag byte is reserved and carries nothing.
    return oName;
}
