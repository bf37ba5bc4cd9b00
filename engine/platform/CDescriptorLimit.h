// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// How many descriptors (files, sockets, pipes, event notifiers) the process may hold open at
// once. Every scan worker needs some for as long as it runs and more while it probes; past the
// limit the toolkit cannot give a new thread its event notifier and ends the process, so the
// scanner sizes its pool by this limit.
//
// Linux: the soft RLIMIT_NOFILE, which may be raised up to the hard one without privilege.
// Windows: sockets and handles have no such per-process limit; both calls report none.
class CDescriptorLimit final
{
public:
    // Raises the soft limit to the hard limit. Call once at start, on the main thread, before
    // any worker exists. Returns the limit now in force, 0 when there is none.
    static quint64 RaiseToHard();
    // The limit in force, 0 when there is none.
    static quint64 Current();
};
