// SPDX-License-Identifier: GPL-3.0-or-later
// The console's command line, split at NUL bytes into arguments. Range files, vendor registry
// files and event programs are left out: a fuzzer must not look at arbitrary paths.
#include "VConsole.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    QStringList lsArguments;
    for (const QByteArray &baArgument : baData.split('\0')) {
        const QString sArgument = QString::fromUtf8(baArgument);
        if (sArgument.size() > 1
            && (sArgument.at(1) == QLatin1Char('s') || sArgument.at(1) == QLatin1Char('v')
                || sArgument.at(1) == QLatin1Char('e')))
            continue;
        lsArguments << sArgument;
    }
    VConsole oConsole;
    QString sMessage;
    const bool fOk = oConsole.ParseArguments(lsArguments, sMessage);
    if (fOk != sMessage.isEmpty())
        std::abort();
    if (fOk && oConsole.Ranges().Count() == 0)
        std::abort();
    return 0;
}
