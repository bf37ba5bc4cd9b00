// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for a multicast DNS answer as the name lookups read it: the address records for
// a name, and the name a host gives for its own address, up to the text stored as its name. Any
// input must parse without reading past its end, give no name longer than DNS allows and no
// address 0, and what becomes a name must be one clean line.

#include "CHostNaming.h"
#include "CMdnsMessage.h"
#include "CNetText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr quint32 kAsked = 0xC612000E; // 198.18.0.14, only compared, never reached

bool IsCleanName(const QString &i_sName)
{
    if (i_sName.size() > CNetText::kMaxNameChars || i_sName != i_sName.trimmed())
        return false;
    // Names are UTF-8: a character beyond the first plane is a surrogate pair, never half of one.
    for (int i = 0; i < i_sName.size(); ++i) {
        const QChar c = i_sName.at(i);
        if (c.isHighSurrogate() && i + 1 < i_sName.size() && i_sName.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (CNetText::IsUnsafe(c.unicode()) || c.isSurrogate())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *i_pData, std::size_t i_nSize)
{
    if (i_nSize > 9000)
        return 0;
    // A detached copy of exactly the input's size: a read past the end is one past the
    // allocation, which AddressSanitizer sees.
    const QByteArray baPacket(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    // The id of the question is the input's own, so that most inputs get past the header.
    const quint16 nId =
        i_nSize >= 2 ? static_cast<quint16>(i_pData[0] << 8 | i_pData[1]) : quint16(0);

    const QByteArray baName = CMdnsMessage::PointedName(baPacket, nId, kAsked);
    if (baName.size() > 255)
        std::abort();
    // An answer to another question is never read.
    if (!CMdnsMessage::PointedName(baPacket, quint16(nId + 1), kAsked).isEmpty())
        std::abort();
    if (!IsCleanName(CHostNaming::NameFromMdnsBytes(baName)))
        std::abort();

    const QList<quint32> lnAddresses = CMdnsMessage::Addresses(baPacket, nId, "delta.local");
    // An address record takes at least 16 bytes: a name pointer, its fields and the address.
    if (lnAddresses.contains(0u) || lnAddresses.size() > baPacket.size() / 16)
        std::abort();
    return 0;
}
