// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"
#include "INetResources.h"

#include <QString>
#include <QStringList>

#include <optional>

class CCfg;
class CScanResult;

// The shared folders and logged-on user probes. Both need the host's name (from the naming
// steps): a host without one gets neither. Blocking, on the worker thread; the waits are bounded
// by the platform layer (INetResources).
class CNetResourceProbe final
{
public:
    // Both probes log on with the configured network account (anonymous, or the user's own
    // logon, without one).
    // Stores the share list, empty when the host did not answer or refused.
    static void ProbeShares(CScanResult &io_oResult,
                            const CCfg &i_oCfg,
                            INetResources &io_oNet,
                            const TProbeTimeouts &i_oTimeouts = TProbeTimeouts());
    // Stores the first logged-on user; leaves user as it was when there is none or on failure.
    static void ProbeUser(CScanResult &io_oResult,
                          const CCfg &i_oCfg,
                          INetResources &io_oNet,
                          const TProbeTimeouts &i_oTimeouts = TProbeTimeouts());

    // Whom the two probes ask and how.
    struct TAsk
    {
        QString sName; // the host's name: nothing is asked without one
        quint32 nIp = 0;
        INetResources::TCredentials oCredentials;
        TProbeTimeouts oTimeouts;
    };

    // What the two probes ask, apart from writing it: nothing without a name (the result stays
    // as it was), else the cleaned share list (empty on failure) or the user, if any.
    static std::optional<QStringList> AskShares(const TAsk &i_rAsk, INetResources &io_oNet);
    static std::optional<QString> AskUser(const TAsk &i_rAsk, INetResources &io_oNet);
};
