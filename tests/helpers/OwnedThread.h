// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThread>

#include <memory>

// Ends a test's thread the orderly way: its event loop quits, the thread is waited for.
struct TThreadStop
{
    void operator()(QThread *i_pThread) const
    {
        i_pThread->quit();
        i_pThread->wait();
        delete i_pThread;
    }
};

using TOwnedThread = std::unique_ptr<QThread, TThreadStop>;
