// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTerminal.h"

#include <cstdio>

#include <unistd.h>

bool CTerminal::IsStdErrTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool CTerminal::IsStdOutTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

void CTerminal::WriteStdErr(const QByteArray &i_baText)
{
    std::fwrite(i_baText.constData(), 1, static_cast<size_t>(i_baText.size()), stderr);
    std::fflush(stderr);
}
