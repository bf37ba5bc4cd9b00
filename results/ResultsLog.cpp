// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultsLog.h"

Q_LOGGING_CATEGORY(lcResults, "vistrel.results", QtWarningMsg)
