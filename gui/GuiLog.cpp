// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiLog.h"

Q_LOGGING_CATEGORY(lcGui, "vistrel.gui")
