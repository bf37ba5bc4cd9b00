// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Start-up guard for a program that runs with more privilege than the user who starts it. The
// Linux package gives both programs the file capability cap_net_raw (raw sockets for ARP and
// ICMP echo); the kernel then runs them in secure-execution mode, in which the C library ignores
// LD_PRELOAD and friends, but Qt and the libraries its plugins bring in still load plugins and
// modules from folders named in the environment or on the command line. Run unchecked, any user
// could load code of their own into a process that can read every packet on the network.
//
// Call before the application object exists, on the main thread. Windows has no such mode: the
// calls there report no secure mode and change nothing.
class CSecureExecution final
{
public:
    // True when the kernel runs this process in secure-execution mode (it gained privilege when
    // the program was started).
    static bool IsSecure();

    // Removes the environment variables that name plugin or module folders. Returns how many
    // were set.
    static int RemoveUnsafeEnvironment();

    // Removes the command-line options with which the windowed program's toolkit would load
    // plugins from a folder ("-platformpluginpath" and its value), keeping argv null-terminated.
    // Returns how many options were removed.
    static int RemoveUnsafeArguments(int &io_nArgc, char **io_ppArgv);
};
