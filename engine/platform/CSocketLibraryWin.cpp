// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSocketLibrary.h"

#include <winsock2.h>

bool CSocketLibrary::Start()
{
    WSADATA oData;
    return WSAStartup(0x202, &oData) == 0;
}

void CSocketLibrary::Cleanup()
{
    WSACleanup();
}
