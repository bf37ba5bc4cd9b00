// SPDX-License-Identifier: GPL-3.0-or-later
#include "COrtavoProbe.h"

#include "CCfg.h"
#include "CScanResult.h"
#include "CTcpConnect.h"

#include <QHostAddress>

void COrtavoProbe::ProbeHost(CScanResult &io_oResult,
                             const CCfg &i_oCfg,
                             const TProbeTimeouts &i_oTimeouts)
{
    const QList<int> lnPorts = i_oCfg.ortavo_ports();
    if (lnPorts.isEmpty())
        return;
    const QHostAddress oHost(io_oResult.ip());
    QList<qint32> lnOpen;
    for (const int nPort : lnPorts) {
        // The settings store is user-editable; a port outside 1..65535 is simply closed.
        if (nPort < 1 || nPort > 65535)
            continue;
        if (CTcpConnect::Accepts(
                oHost, static_cast<quint16>(nPort), i_oTimeouts.ConnectMs(CTcpConnect::TimeoutMs)))
            lnOpen.append(nPort);
    }
    io_oResult.set_ortavo_ports(lnOpen);
}
