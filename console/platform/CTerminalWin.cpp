// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTerminal.h"

#include <cstdio>

#include <io.h>

bool CTerminal::IsStdErrTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

bool CTerminal::IsStdOutTerminal()
{
    return _isatty(_fileno(stdout)) != 0;
}

void CTerminal::WriteStdErr(const QByteArray &i_baText)
{
    std::fwrite(i_baText.constData(), 1, static_cast<size_t>(i_baText.size()), stderr);
    std::fflush(stderr);
}
