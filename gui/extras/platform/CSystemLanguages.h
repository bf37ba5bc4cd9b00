// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>

// The operating system's table of languages: lower-case code ("ru", "ru_ru") -> the language's
// name in its own tongue. Built anew at each call; main thread or any thread, no shared state
// outside the call except where the system API forces it (the Windows callback has no context).
QMap<QString, QString> SystemLanguageTable();
