// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSecureExecution.h"

// A Windows program runs with the rights of the user who starts it; plugin folders are the
// user's own business there.
bool CSecureExecution::IsSecure()
{
    return false;
}

int CSecureExecution::RemoveUnsafeEnvironment()
{
    return 0;
}

int CSecureExecution::RemoveUnsafeArguments(int &, char **)
{
    return 0;
}
