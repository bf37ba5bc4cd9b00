// SPDX-License-Identifier: GPL-3.0-or-later
#include "ActionsLog.h"

Q_LOGGING_CATEGORY(lcActions, "vistrel.actions", QtWarningMsg)
