// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QHostAddress;

// A TCP connection test with a time limit of our own: the system's connect time-out (minutes
// on Linux) would stall a worker on every host that drops SYNs. Blocking, no event loop needed.
class CTcpConnect final
{
public:
    // Long enough for a LAN connect that needs one SYN retransmission (sent after 1 s).
    static constexpr int TimeoutMs = 3000;

    // True when the host accepted the connection in time. The connection is closed at once.
    static bool Accepts(const QHostAddress &i_oHost, quint16 i_nPort, int i_nTimeoutMs = TimeoutMs);
};
