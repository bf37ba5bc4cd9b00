// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Threads for the tests of the Linux probes: one without the right to raw sockets, and many
// probing at once.

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Capabilities are per thread on Linux: the calling thread alone loses CAP_NET_RAW.
inline bool DropNetRawInThisThread()
{
    __user_cap_header_struct oHeader{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct aData[2] = {};
    if (syscall(SYS_capget, &oHeader, aData) != 0)
        return false;
    aData[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
    return syscall(SYS_capset, &oHeader, aData) == 0;
}

// Runs i_fnWork(i) for i below i_nThreads, each on a thread of its own; the threads start their
// work together, once all of them exist, and the call returns when all have ended.
inline void RunAllAtOnce(int i_nThreads, const std::function<void(int)> &i_fnWork)
{
    std::atomic<int> nReady{0};
    std::vector<std::thread> vThreads;
    for (int i = 0; i < i_nThreads; ++i) {
        vThreads.emplace_back([&, i] {
            ++nReady;
            while (nReady < i_nThreads)
                std::this_thread::yield();
            i_fnWork(i);
        });
    }
    for (std::thread &oThread : vThreads)
        oThread.join();
}
