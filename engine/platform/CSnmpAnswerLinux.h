// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>

struct snmp_pdu;

// What the SNMP name query makes of an agent's answer. The answer comes from whatever listens on
// UDP port 161 of a scanned host, so every field of it is untrusted; kept apart from the query
// so that it can be fuzzed without a network.
class CSnmpAnswerLinux final
{
public:
    // Copies the sysName of a GET response into o_pBuffer when the exchange succeeded
    // (i_fExchangeOk) and the answer holds exactly one binding of type OCTET STRING. Contract of
    // CSnmpName::QuerySysName for the buffer and length: at most capacity - 1 bytes, then a zero
    // byte. Returns nonzero on success.
    static int
    TakeSysName(bool i_fExchangeOk, const snmp_pdu *i_pResponse, char *o_pBuffer, int *io_pnLength);

    // Empties the caller's buffer and length before anything can fail, as that contract asks,
    // and returns the capacity the length gave; 0 when there is nothing to write into.
    static int EmptyOutput(char *o_pBuffer, int *io_pnLength);

    // Decodes one SNMPv1 datagram as the library does for a session's answer and hands it to
    // TakeSysName. For the fuzzer and tests: the query itself receives through its session.
    static int
    TakeSysNameFromDatagram(const QByteArray &i_baDatagram, char *o_pBuffer, int *io_pnLength);
};
