// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSnmpName.h"

#include "CSnmpAnswerLinux.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

namespace {

constexpr long kTimeoutUs = 3000L * 1000L;
constexpr int kRetries = 1;
// system.sysName.0; numeric because Debian ships no MIB modules to translate names.
const oid kSysNameOid[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
char kCommunity[] = "public";

std::once_flag s_oInitOnce;

void InitLibrary()
{
    // MIB parsing and the library's configuration are not thread-safe; everything after this
    // uses only per-session calls, which are.
    // With no log handler at all the library falls back to stderr; a handler that drops
    // everything keeps the terminal clean.
    snmp_disable_log();
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_EMERG);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_NO_TOKEN_WARNINGS, 1);
    // Only numeric OIDs are used: point the MIB path nowhere, so that init_snmp reads no MIB
    // file, and keep it quiet about the modules it therefore cannot find.
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, "/nonexistent");
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
    init_snmp("vistrel");
}

} // namespace

void CSnmpName::Startup()
{
    std::call_once(s_oInitOnce, InitLibrary);
}

int CSnmpName::QuerySysName(quint32 i_nIp, char *o_pBuffer, int *io_pnLength)
{
    if (!io_pnLength)
        return 0;
    const int nCapacity = *io_pnLength;
    *io_pnLength = 0;
    if (i_nIp == 0 || !o_pBuffer || nCapacity <= 0)
        return 0;
    o_pBuffer[0] = '\0';
    Startup();

    QByteArray baPeer = QString::asprintf("%u.%u.%u.%u",
                                          (i_nIp >> 24) & 0xFF,
                                          (i_nIp >> 16) & 0xFF,
                                          (i_nIp >> 8) & 0xFF,
                                          i_nIp & 0xFF)
                            .toLatin1();
    netsnmp_session oSession;
    snmp_sess_init(&oSession);
    oSession.peername = baPeer.data();
    oSession.version = SNMP_VERSION_1;
    oSession.community = reinterpret_cast<u_char *>(kCommunity);
    oSession.community_len = std::strlen(kCommunity);
    oSession.timeout = kTimeoutUs;
    oSession.retries = kRetries;
    void *pSession = snmp_sess_open(&oSession);
    if (!pSession)
        return 0;

    int nResult = 0;
    netsnmp_pdu *pRequest = snmp_pdu_create(SNMP_MSG_GET);
    if (pRequest && snmp_add_null_var(pRequest, kSysNameOid, OID_LENGTH(kSysNameOid))) {
        netsnmp_pdu *pResponse = nullptr;
        // The request PDU belongs to the library from here on, answered or not.
        const int nStatus = snmp_sess_synch_response(pSession, pRequest, &pResponse);
        pRequest = nullptr;
        *io_pnLength = nCapacity;
        nResult = CSnmpAnswerLinux::TakeSysName(
            nStatus == STAT_SUCCESS, pResponse, o_pBuffer, io_pnLength);
        if (pResponse)
            snmp_free_pdu(pResponse);
    }
    if (pRequest)
        snmp_free_pdu(pRequest);
    snmp_sess_close(pSession);
    return nResult;
}
