// SPDX-License-Identifier: GPL-3.0-or-later
// The page title taken from the first bytes of a web server's answer, with its Content-Type
// header: whatever a device serves, the title stays short, single-line and free of control
// characters, and never ends in half a surrogate pair.
#include "CHtmlTitle.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void CheckTitle(const QString &i_sTitle)
{
    if (i_sTitle.size() > CHtmlTitle::MaxTitleChars)
        std::abort();
    if (i_sTitle.isEmpty())
        return;
    if (i_sTitle.front().isSpace() || i_sTitle.back().isSpace()
        || QChar(i_sTitle.back()).isHighSurrogate())
        std::abort();
    for (const QChar c : i_sTitle) {
        if (c.category() == QChar::Other_Control || c == QLatin1Char('\n')
            || c == QLatin1Char('\r'))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    // An input whose first line starts with "ct:" carries a Content-Type header in that line.
    QByteArray baContentType;
    QByteArray baBody = baData;
    if (baData.startsWith("ct:")) {
        const int nEnd = baData.indexOf('\n');
        baContentType = baData.mid(3, nEnd < 0 ? -1 : nEnd - 3);
        baBody = nEnd < 0 ? QByteArray() : baData.mid(nEnd + 1);
    }
    CheckTitle(CHtmlTitle::FromBody(baBody, baContentType));
    CheckTitle(CHtmlTitle::Clean(QString::fromUtf8(baData)));
    return 0;
}
