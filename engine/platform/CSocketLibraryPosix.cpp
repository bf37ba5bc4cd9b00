// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSocketLibrary.h"

#include <csignal>

bool CSocketLibrary::Start()
{
    // A peer that closes while we write must give EPIPE, not end the scan.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void CSocketLibrary::Cleanup() {}
