// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteLog.h"

Q_LOGGING_CATEGORY(lcRemote, "vistrel.remote", QtWarningMsg)
