// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"

#include <QList>

class CCfg;
class CScanResult;

// Which of the configured remote-administration ports accept a TCP connection. Blocking, on
// the calling thread; all ports are tried at once, so the probe costs at most
// CTcpConnect::TimeoutMs, or the shorter connect time-out of i_oTimeouts.
class COrtavoProbe final
{
public:
    // With a non-empty port list: tries every port in list order and stores the ones that
    // accepted, in that order, in ortavo_ports (an empty list when none did). With an empty
    // port list the result is left as it was.
    static void ProbeHost(CScanResult &io_oResult,
                          const CCfg &i_oCfg,
                          const TProbeTimeouts &i_oTimeouts = TProbeTimeouts());
    // Most connects one host is asked at once.
    static constexpr int kMostPorts = 4;
    // The ports of i_lnPorts that accept, in list order.
    static QList<qint32>
    OpenPorts(quint32 i_nIp, const QList<int> &i_lnPorts, const TProbeTimeouts &i_oTimeouts);
};
