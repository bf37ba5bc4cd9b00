// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetResourceProbe.h"

#include "CCfg.h"
#include "CNetText.h"
#include "CScanResult.h"

std::optional<QStringList> CNetResourceProbe::AskShares(const TAsk &i_rAsk, INetResources &io_oNet)
{
    const QString sName = i_rAsk.sName.trimmed();
    if (sName.isEmpty())
        return std::nullopt;
    QStringList lsShares =
        io_oNet.Shares(sName, i_rAsk.nIp, i_rAsk.oCredentials, i_rAsk.oTimeouts.nConnectMs)
            .value_or(QStringList());
    for (QString &sShare : lsShares)
        sShare = CNetText::Clean(sShare);
    return lsShares;
}

std::optional<QString> CNetResourceProbe::AskUser(const TAsk &i_rAsk, INetResources &io_oNet)
{
    const QString sName = i_rAsk.sName.trimmed();
    if (sName.isEmpty())
        return std::nullopt;
    if (const std::optional<QString> osUser = io_oNet.LoggedOnUser(
            sName, i_rAsk.nIp, i_rAsk.oCredentials, i_rAsk.oTimeouts.nConnectMs))
        return CNetText::CleanTrimmed(*osUser);
    return std::nullopt;
}

void CNetResourceProbe::ProbeShares(CScanResult &io_oResult,
                                    const CCfg &i_oCfg,
                                    INetResources &io_oNet,
                                    const TProbeTimeouts &i_oTimeouts)
{
    if (const std::optional<QStringList> olsShares = AskShares(
            TAsk{io_oResult.name(), io_oResult.ip(), i_oCfg.net_account(), i_oTimeouts}, io_oNet))
        io_oResult.set_shares(*olsShares);
}

void CNetResourceProbe::ProbeUser(CScanResult &io_oResult,
                                  const CCfg &i_oCfg,
                                  INetResources &io_oNet,
                                  const TProbeTimeouts &i_oTimeouts)
{
    if (const std::optional<QString> osUser = AskUser(
            TAsk{io_oResult.name(), io_oResult.ip(), i_oCfg.net_account(), i_oTimeouts}, io_oNet))
        io_oResult.set_user(*osUser);
}
