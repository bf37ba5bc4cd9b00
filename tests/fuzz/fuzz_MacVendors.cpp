// SPDX-License-Identifier: GPL-3.0-or-later
// MAC vendor registry text in either form, as a registry file named on the console's command
// line may hold anything.
#include "CMacVendors.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    CMacVendors oVendors;
    const int nRead = oVendors.LoadBytes(baData);
    if (nRead < 0 || (nRead == 0) != (oVendors.Count() == 0))
        std::abort();
    // Looking up any six bytes, or fewer, is safe whatever was read.
    (void)oVendors.Lookup(QByteArray::fromHex("025e000000aa"));
    (void)oVendors.Lookup(baData.left(6));
    return 0;
}
