// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcGuiExtras)

// Registers the compiled-in pictures of this library; safe to call any number of times. A static
// library drops the resource initialiser unless some code refers to it.
void InitGuiExtrasResources();
