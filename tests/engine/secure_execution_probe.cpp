// SPDX-License-Identifier: GPL-3.0-or-later
// Started by tst_CSecureExecution with a file capability: applies the programs' start-up guard
// and prints what a plugin loader would then see.
#include "CSecureExecution.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    const bool fSecure = CSecureExecution::IsSecure();
    if (fSecure) {
        CSecureExecution::RemoveUnsafeEnvironment();
        CSecureExecution::RemoveUnsafeArguments(argc, argv);
    }
    const char *pPluginPath = std::getenv("QT_PLUGIN_PATH");
    std::printf("secure=%d plugin_path=%s argc=%d\n",
                fSecure ? 1 : 0,
                pPluginPath ? pPluginPath : "",
                argc);
    return 0;
}
