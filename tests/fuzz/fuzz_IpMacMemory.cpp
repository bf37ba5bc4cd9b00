// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the IP-to-MAC memory reader must never crash or allocate beyond what the
// file holds, whatever counts and lengths it claims.
#include "MIpMacDataStorage.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    QByteArray baData(reinterpret_cast<const char *>(i_pData), int(i_nSize));
    QBuffer oBuffer(&baData);
    oBuffer.open(QIODevice::ReadOnly);
    MIpMacDataStorage::TMemory mMemory;
    if (MIpMacDataStorage::ReadMemory(oBuffer, &mMemory)) {
        // Whatever was read must write back to a readable file.
        QByteArray baAgain = MIpMacDataStorage::SerializeMemory(mMemory);
        QBuffer oAgain(&baAgain);
        oAgain.open(QIODevice::ReadOnly);
        MIpMacDataStorage::TMemory mAgain;
        if (!MIpMacDataStorage::ReadMemory(oAgain, &mAgain) || mAgain.size() != mMemory.size())
            __builtin_trap();
    }
    return 0;
}
