// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The console's standard error as a terminal: progress is only drawn where a person watches,
// never into a file or a pipe that a script reads. Main thread only.
class CTerminal final
{
public:
    CTerminal() = delete;

    static bool IsStdErrTerminal();
    static bool IsStdOutTerminal();
    // Writes the bytes to standard error unbuffered.
    static void WriteStdErr(const QByteArray &i_baText);
};
