// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the node status answer parser and the step that copies its findings into
// a scan result. Any input must parse without reading past its end, and what is parsed must
// fit in what was received.

#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetBiosScanStep.h"
#include "CScanResult.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *i_pData, std::size_t i_nSize)
{
    if (i_nSize > static_cast<std::size_t>(CNetBiosQuery::kReceiveBufferSize))
        return 0;
    const int nSize = static_cast<int>(i_nSize);
    // Take the id from the input half of the time, so that most inputs get past the id check.
    const quint16 nId = (nSize >= 2 && (i_pData[nSize - 1] & 1))
                            ? static_cast<quint16>(i_pData[0] | i_pData[1] << 8)
                            : 0;
    CNetBiosNodeStatus oStatus;
    const ENetBiosError eKind =
        CNetBiosQuery::ParseAnswer(reinterpret_cast<const char *>(i_pData), nSize, nId, oStatus);
    const int nNames = oStatus.names().size();
    if (nNames > 255
        || (nSize >= CNetBiosQuery::kMinAnswerSize
            && nNames > (nSize - CNetBiosQuery::kMinAnswerSize) / 18))
        std::abort();
    if (oStatus.unit_id_present()
        && nSize < CNetBiosQuery::kMinAnswerSize + 18 * nNames + CNetBiosQuery::kStatisticsSize)
        std::abort();
    if (eKind != ENetBiosError::None && (nNames != 0 || oStatus.unit_id_present()))
        std::abort();

    CScanResult oResult;
    oResult.set_mac(QByteArray("\x02\x00\x00\x00\x00\x01", 6));
    CNetBiosScanStep::Apply(oStatus, oResult);
    if (oResult.mac().size() != 6)
        std::abort();
    return 0;
}
