// SPDX-License-Identifier: GPL-3.0-or-later
#include "CShutdownQuery.h"

#include "IRemoteShutdownApi.h"
#include "IpRangeReaders.h"
#include "RemoteLog.h"

#include <utility>

CShutdownQuery::CShutdownQuery(TParamsPtr i_pParams,
                               const QString &i_sMachine,
                               const QString &i_sAddress,
                               void *i_pData)
    : m_pParams(std::move(i_pParams))
    , m_sMachine(i_sMachine)
    , m_sAddress(i_sAddress)
    , m_pData(i_pData)
{
    setAutoDelete(true);
}

void CShutdownQuery::run()
{
    const int nResult = Execute();
    emit ShutdownDone(m_sMachine, m_pData, nResult);
}

int CShutdownQuery::Execute()
{
    if (!m_pParams) {
        qCWarning(lcRemote) << "shutdown query without parameters";
        return 87; // ERROR_INVALID_PARAMETER
    }
    const TParams &rParams = *m_pParams;
    // Every request goes to the address the user selected, never to the name: a name can have
    // moved to another machine since the scan. The name is only shown.
    quint32 nIp = 0;
    if (!ParseIpv4Address(m_sAddress, &nIp) || nIp == 0) {
        qCDebug(lcRemote) << "shutdown of" << m_sMachine << "without an address";
        return 87; // ERROR_INVALID_PARAMETER
    }
    std::unique_ptr<IRemoteShutdownApi> pApi = IRemoteShutdownApi::Create();
    // A connection left from an earlier logon would keep its old account.
    pApi->DropConnections(m_sMachine, m_sAddress);

    if (rParams.contains(ParamLogin)) {
        const QString sUser = rParams.value(ParamLogin).toString();
        const QString sPassword = rParams.value(ParamPassword).toString();
        const int nLogon = pApi->Logon(QStringLiteral("\\\\") + m_sAddress, sUser, sPassword);
        if (nLogon != 0) {
            qCDebug(lcRemote) << "logon to" << m_sMachine << m_sAddress << "failed:" << nLogon;
            return nLogon;
        }
    }

    IRemoteShutdownApi::TShutdown oShutdown;
    oShutdown.fHasMessage = rParams.contains(ParamMessage);
    oShutdown.sMessage = rParams.value(ParamMessage).toString();
    oShutdown.nTimeoutSec = rParams.value(ParamTimeout).toUInt();
    oShutdown.fForce = rParams.value(ParamForce).toBool();
    oShutdown.fReboot = rParams.value(ParamReboot).toBool();

    // The logon connection stays: a later abort of this machine goes out with the same account.
    const int nResult = pApi->Shutdown(m_sAddress, oShutdown);
    if (nResult != 0)
        qCDebug(lcRemote) << "shutdown of" << m_sMachine << m_sAddress << "failed:" << nResult;
    return nResult;
}
