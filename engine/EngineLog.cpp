// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineLog.h"

Q_LOGGING_CATEGORY(lcEngine, "vistrel.engine", QtWarningMsg)
