// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

#include <linux/filter.h>
#include <sys/socket.h>

// Attaches a classic BPF program to a socket, so that the kernel drops what the program refuses
// before it wakes the reader. Packets queued before the call still arrive: readers test what
// they get all the same. False when the kernel refuses the program.
template <std::size_t N> bool AttachSocketFilter(int i_nFd, sock_filter (&i_raCode)[N])
{
    static_assert(N > 0 && N <= 0xFFFF, "a program of at most 65535 instructions");
    const sock_fprog oProgram{static_cast<unsigned short>(N), i_raCode};
    return setsockopt(i_nFd, SOL_SOCKET, SO_ATTACH_FILTER, &oProgram, sizeof oProgram) == 0;
}
