// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDescriptorLimit.h"

quint64 CDescriptorLimit::RaiseToHard()
{
    return 0;
}

quint64 CDescriptorLimit::Current()
{
    return 0;
}
