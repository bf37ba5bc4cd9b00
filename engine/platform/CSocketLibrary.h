// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The system socket library's start and clean-up, once per process, before any socket is made.
// Windows needs Windows Sockets 2.2 started; POSIX systems have nothing to start.
class CSocketLibrary final
{
public:
    static bool Start();
    static void Cleanup();
};
