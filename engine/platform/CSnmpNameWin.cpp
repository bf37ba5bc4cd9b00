// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSnmpName.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

// The SNMP headers need the Windows types first.
// clang-format off
#include <windows.h>
#include <snmp.h>
#include <mgmtapi.h>
// clang-format on

void CSnmpName::Startup() {}

// The management API has no way to send now and wait later: the query runs whole in Finish().
struct CSnmpName::CQuery::TState
{
    quint32 nIp = 0;
};

CSnmpName::CQuery::CQuery() = default;
CSnmpName::CQuery::~CQuery() = default;

bool CSnmpName::CQuery::Start(quint32 i_nIp)
{
    m_pState.reset();
    if (i_nIp == 0)
        return false;
    m_pState = std::make_unique<TState>();
    m_pState->nIp = i_nIp;
    return true;
}

int CSnmpName::CQuery::Finish(char *o_pBuffer, int *io_pnLength, int i_nWaitMs, int i_nRetries)
{
    const quint32 nIp = m_pState ? m_pState->nIp : 0;
    m_pState.reset();
    if (nIp == 0) {
        if (io_pnLength)
            *io_pnLength = 0;
        return 0;
    }
    return QuerySysName(nIp, o_pBuffer, io_pnLength, i_nWaitMs, i_nRetries);
}

int CSnmpName::QuerySysName(
    quint32 i_nIp, char *o_pBuffer, int *io_pnLength, int i_nWaitMs, int i_nRetries)
{
    if (!io_pnLength)
        return 0;
    const int nCapacity = *io_pnLength;
    *io_pnLength = 0;
    if (i_nIp == 0 || !o_pBuffer || nCapacity <= 0)
        return 0;
    o_pBuffer[0] = '\0';

    QByteArray baAgent = QString::asprintf("%u.%u.%u.%u",
                                           (i_nIp >> 24) & 0xFF,
                                           (i_nIp >> 16) & 0xFF,
                                           (i_nIp >> 8) & 0xFF,
                                           i_nIp & 0xFF)
                             .toLatin1();
    char szCommunity[] = "public";
    LPSNMP_MGR_SESSION pSession = SnmpMgrOpen(baAgent.data(), szCommunity, i_nWaitMs, i_nRetries);
    if (!pSession)
        return 0;

    auto *pBinding = static_cast<SnmpVarBind *>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
    if (!pBinding) {
        SnmpMgrClose(pSession);
        return 0;
    }
    std::memset(pBinding, 0, sizeof(SnmpVarBind));
    char szOid[] = "system.sysName.0";
    if (!SnmpMgrStrToOid(szOid, &pBinding->name)) {
        SnmpUtilVarBindFree(pBinding);
        SnmpUtilMemFree(pBinding);
        SnmpMgrClose(pSession);
        return 0;
    }
    pBinding->value.asnType = ASN_NULL;
    SnmpVarBindList oList;
    oList.list = pBinding;
    oList.len = 1;

    int nResult = 0;
    AsnInteger32 nErrorStatus = 0;
    AsnInteger32 nErrorIndex = 0;
    if (SnmpMgrRequest(pSession, SNMP_PDU_GET, &oList, &nErrorStatus, &nErrorIndex)
        && oList.len == 1 && oList.list && oList.list[0].value.asnType == ASN_OCTETSTRING) {
        const AsnOctetString &oValue = oList.list[0].value.asnValue.string;
        const size_t nCopy =
            std::min(static_cast<size_t>(oValue.length), static_cast<size_t>(nCapacity - 1));
        if (nCopy > 0 && oValue.stream)
            std::memcpy(o_pBuffer, oValue.stream, nCopy);
        o_pBuffer[nCopy] = '\0';
        *io_pnLength = static_cast<int>(nCopy);
        nResult = 1;
    }
    SnmpUtilVarBindListFree(&oList);
    SnmpMgrClose(pSession);
    return nResult;
}
