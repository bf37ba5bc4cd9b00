// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for a node status answer as the query takes it: the check of who sent it,
// the parser, and the step that copies its findings into a scan result. Any input must parse
// without reading past its end, what is parsed must fit in what was received, a datagram from
// anyone but the host asked must leave no trace, and what reaches the result must be one
// clean line.

#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetBiosScanStep.h"
#include "CNetText.h"
#include "CScanResult.h"

#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

constexpr quint32 kAsked = 0xC6120203; // 198.18.2.3, only compared, never reached

bool IsCleanName(const QString &i_sName)
{
    if (i_sName.size() > CNetText::kMaxNameChars || i_sName != i_sName.trimmed())
        return false;
    for (const QChar c : i_sName) {
        if (CNetText::IsUnsafe(c.unicode()) || c.isSurrogate())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *i_pData, std::size_t i_nSize)
{
    if (i_nSize > static_cast<std::size_t>(CNetBiosQuery::kReceiveBufferSize))
        return 0;
    const int nSize = static_cast<int>(i_nSize);
    const std::uint8_t nLast = nSize > 0 ? i_pData[nSize - 1] : 0;
    // The last byte also picks the id and the sender, so that most inputs get past both checks:
    // bit 0 takes the id from the input, bit 1 sends from a neighbour (its address from the
    // input's second and third bytes), bit 2 from another port than the name service's.
    const quint16 nId =
        (nSize >= 2 && (nLast & 1)) ? static_cast<quint16>(i_pData[0] | i_pData[1] << 8) : 0;
    quint32 nFrom = kAsked;
    if (nLast & 2)
        nFrom = (kAsked & 0xFFFF0000u) | (nSize >= 4 ? (i_pData[2] << 8 | i_pData[3]) : 0);
    const quint16 nFromPort = (nLast & 4) ? static_cast<quint16>(137 + 1 + (nLast >> 3)) : 137;
    const bool fFromHost = nFrom == kAsked && nFromPort == 137;

    CNetBiosNodeStatus oStatus;
    const std::optional<ENetBiosError> oeVerdict =
        CNetBiosQuery::TakeAnswer(qToBigEndian(kAsked),
                                  qToBigEndian(nFrom),
                                  qToBigEndian(nFromPort),
                                  reinterpret_cast<const char *>(i_pData),
                                  nSize,
                                  nId,
                                  oStatus);
    if (oeVerdict.has_value() != fFromHost)
        std::abort();
    const int nNames = oStatus.names().size();
    if (!fFromHost
        && (nNames != 0 || oStatus.unit_id_present() || oStatus.computer_name_found()
            || oStatus.group_name_found()))
        std::abort();
    if (nNames > 255
        || (nSize >= CNetBiosQuery::kMinAnswerSize
            && nNames > (nSize - CNetBiosQuery::kMinAnswerSize) / 18))
        std::abort();
    if (oStatus.unit_id_present()
        && nSize < CNetBiosQuery::kMinAnswerSize + 18 * nNames + CNetBiosQuery::kStatisticsSize)
        std::abort();
    if (oeVerdict && *oeVerdict != ENetBiosError::None
        && (nNames != 0 || oStatus.unit_id_present()))
        std::abort();

    // Half the time ARP found nothing, so that the unit id may fill the MAC.
    const QByteArray baArpMac =
        (nLast & 0x80) ? QByteArray(6, '\0') : QByteArray("\x02\x00\x00\x00\x00\x01", 6);
    CScanResult oResult;
    oResult.set_mac(baArpMac);
    CNetBiosScanStep::Apply(oStatus, oResult);
    if (oResult.mac().size() != 6)
        std::abort();
    if (!(nLast & 0x80) && oResult.mac() != baArpMac)
        std::abort();
    if (!IsCleanName(oResult.netbiosname()) || !IsCleanName(oResult.netbiosgroup()))
        std::abort();
    return 0;
}
