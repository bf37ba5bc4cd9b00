// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSecureExecution.h"

#include <cstdlib>
#include <cstring>

#include <sys/auxv.h>

namespace {

// Each names a folder or list from which code is loaded: Qt's plugin folders and platform
// theme (the GTK theme loads GTK modules), GTK's and GIO's module lists, and the GL and Vulkan
// driver folders, whose loaders check set-user-ID but not file capabilities.
const char *const kUnsafeVariables[] = {
    "QT_PLUGIN_PATH",
    "QT_QPA_PLATFORM_PLUGIN_PATH",
    "QT_QPA_PLATFORMTHEME",
    "QT_QPA_GENERIC_PLUGINS",
    "QT_STYLE_OVERRIDE",
    "GTK_MODULES",
    "GTK3_MODULES",
    "GTK_PATH",
    "GTK_EXE_PREFIX",
    "GTK_IM_MODULE_FILE",
    "GIO_EXTRA_MODULES",
    "GIO_MODULE_DIR",
    "LIBGL_DRIVERS_PATH",
    "__EGL_VENDOR_LIBRARY_DIRS",
    "__EGL_VENDOR_LIBRARY_FILENAMES",
    "VK_ICD_FILENAMES",
};

bool IsUnsafeOption(const char *i_pArgument)
{
    // Qt reads its options with one dash or two.
    return std::strcmp(i_pArgument, "-platformpluginpath") == 0
           || std::strcmp(i_pArgument, "--platformpluginpath") == 0;
}

} // namespace

bool CSecureExecution::IsSecure()
{
    return getauxval(AT_SECURE) != 0;
}

int CSecureExecution::RemoveUnsafeEnvironment()
{
    int nRemoved = 0;
    for (const char *pName : kUnsafeVariables) {
        if (std::getenv(pName)) {
            unsetenv(pName);
            ++nRemoved;
        }
    }
    return nRemoved;
}

int CSecureExecution::RemoveUnsafeArguments(int &io_nArgc, char **io_ppArgv)
{
    int nRemoved = 0;
    int nKept = io_nArgc > 0 ? 1 : 0;
    for (int i = 1; i < io_nArgc; ++i) {
        if (IsUnsafeOption(io_ppArgv[i])) {
            ++nRemoved;
            ++i; // its value
            continue;
        }
        io_ppArgv[nKept++] = io_ppArgv[i];
    }
    for (int i = nKept; i < io_nArgc; ++i)
        io_ppArgv[i] = nullptr;
    io_nArgc = nKept;
    return nRemoved;
}
