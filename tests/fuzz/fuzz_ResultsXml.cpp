// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the results XML reader in both modes must never crash, hang or leak,
// whatever the bytes (a Favorites file, an opened results file or a drop payload).
#include "CFavoritesContentHandler.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baXml(reinterpret_cast<const char *>(i_pData), int(i_nSize));
    QList<CScanItem> lItems;
    CFavoritesContentHandler::ReadItems(baXml, &lItems);
    CFavoritesContentHandler oAddresses(true);
    CFavoritesContentHandler::Parse(baXml, oAddresses);
    return 0;
}
