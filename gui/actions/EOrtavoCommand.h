// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QtGlobal>

// The modes of the Ortavo viewer. The values are fixed: they travel in signals and menu actions.
enum class EOrtavoCommand : qint32
{
    FullControl = 0,
    ViewOnly = 1,
    FileTransfer = 2,
    Telnet = 3,
    Shutdown = 4,
    VoiceChat = 5,
    TextChat = 6,
    SendMessage = 7,
};

Q_DECLARE_METATYPE(EOrtavoCommand)
