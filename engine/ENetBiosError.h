// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Why a node status query failed. The values are stable: they are what an error record carries.
enum class ENetBiosError : qint32
{
    None = 0,
    Socket = 1,    // creating or binding the UDP socket
    Send = 2,      // sending the request
    Receive = 3,   // waiting, receiving, or an empty answer
    Timeout = 4,   // no answer within the wait time
    TooSmall = 5,  // answer shorter than the fixed part before the name table
    InvalidId = 6, // answer carries another transaction id
};
