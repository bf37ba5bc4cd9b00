// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetResourceProbe.h"

#include "CCfg.h"
#include "CNetText.h"
#include "CScanResult.h"
#include "INetResources.h"

void CNetResourceProbe::ProbeShares(CScanResult &io_oResult,
                                    const CCfg &i_oCfg,
                                    INetResources &io_oNet,
                                    const TProbeTimeouts &i_oTimeouts)
{
    const QString sName = io_oResult.name().trimmed();
    if (sName.isEmpty())
        return;
    QStringList lsShares =
        io_oNet.Shares(sName, io_oResult.ip(), i_oCfg.net_account(), i_oTimeouts.nConnectMs)
            .value_or(QStringList());
    for (QString &sShare : lsShares)
        sShare = CNetText::Clean(sShare);
    io_oResult.set_shares(lsShares);
}

void CNetResourceProbe::ProbeUser(CScanResult &io_oResult,
                                  const CCfg &i_oCfg,
                                  INetResources &io_oNet,
                                  const TProbeTimeouts &i_oTimeouts)
{
    const QString sName = io_oResult.name().trimmed();
    if (sName.isEmpty())
        return;
    if (const std::optional<QString> osUser = io_oNet.LoggedOnUser(
            sName, io_oResult.ip(), i_oCfg.net_account(), i_oTimeouts.nConnectMs))
        io_oResult.set_user(CNetText::CleanTrimmed(*osUser));
}
