// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSnmpAnswerLinux.h"

#include "CSnmpName.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

int CSnmpAnswerLinux::EmptyOutput(char *o_pBuffer, int *io_pnLength)
{
    if (!io_pnLength)
        return 0;
    const int nCapacity = *io_pnLength;
    *io_pnLength = 0;
    if (!o_pBuffer || nCapacity <= 0)
        return 0;
    o_pBuffer[0] = '\0';
    return nCapacity;
}

int CSnmpAnswerLinux::TakeSysName(bool i_fExchangeOk,
                                  const snmp_pdu *i_pResponse,
                                  char *o_pBuffer,
                                  int *io_pnLength)
{
    const int nCapacity = EmptyOutput(o_pBuffer, io_pnLength);
    if (nCapacity <= 0)
        return 0;
    const netsnmp_variable_list *pVar =
        (i_fExchangeOk && i_pResponse) ? i_pResponse->variables : nullptr;
    if (!pVar || pVar->next_variable || pVar->type != ASN_OCTET_STR
        || (!pVar->val.string && pVar->val_len != 0))
        return 0;
    const size_t nCopy = std::min(pVar->val_len, static_cast<size_t>(nCapacity - 1));
    if (nCopy > 0)
        std::memcpy(o_pBuffer, pVar->val.string, nCopy);
    o_pBuffer[nCopy] = '\0';
    *io_pnLength = static_cast<int>(nCopy);
    return 1;
}

int CSnmpAnswerLinux::TakeSysNameFromDatagram(const QByteArray &i_baDatagram,
                                              char *o_pBuffer,
                                              int *io_pnLength)
{
    CSnmpName::Startup();
    netsnmp_session oSession;
    snmp_sess_init(&oSession);
    oSession.version = SNMP_VERSION_1;
    netsnmp_pdu *pPdu = snmp_pdu_create(SNMP_MSG_RESPONSE);
    if (!pPdu) {
        if (io_pnLength)
            *io_pnLength = 0;
        return 0;
    }
    pPdu->version = SNMP_DEFAULT_VERSION;
    // The library's parser takes a writable buffer; it must not see past the datagram's end.
    std::vector<u_char> vData(i_baDatagram.begin(), i_baDatagram.end());
    const int nStatus = snmp_parse(nullptr, &oSession, pPdu, vData.data(), vData.size());
    const bool fAnswer = nStatus == 0 && pPdu->command == SNMP_MSG_RESPONSE;
    const int nResult = TakeSysName(fAnswer, pPdu, o_pBuffer, io_pnLength);
    snmp_free_pdu(pPdu);
    return nResult;
}
