// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExtrasLog.h"

#include <QtGlobal>

#include <mutex>

Q_LOGGING_CATEGORY(lcGuiExtras, "vistrel.gui.extras", QtWarningMsg)

static void InitResourcesOnce()
{
    Q_INIT_RESOURCE(gui_extras);
}

void InitGuiExtrasResources()
{
    static std::once_flag s_oOnce;
    std::call_once(s_oOnce, InitResourcesOnce);
}
