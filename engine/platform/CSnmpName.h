// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <memory>

// Asks a host's SNMP agent for its system name (system.sysName.0) with one SNMPv1 GET, community
// "public", by default 3000 ms time-out and one retry, so an absent agent costs about 6 s. Safe to
// call from every scan worker at once: each call uses its own session. Reads no MIB files and
// writes nothing to the terminal.
class CSnmpName final
{
public:
    // Prepares the SNMP library. Optional: the first query does it too, but a program that
    // calls it from main, before its workers start, keeps the library's one-time set-up off
    // the scan threads.
    static void Startup();

    // i_nIp is host byte order. io_pnLength holds the capacity of o_pBuffer on entry and the
    // number of bytes written (without the terminating zero) on return. At most capacity - 1
    // bytes of the name are copied, then a zero byte. Returns nonzero when the agent answered
    // with an OCTET STRING; 0 on any failure (no agent, time-out, other value type, bad
    // arguments), with the length set to 0.
    // i_nWaitMs is one wait for the answer, i_nRetries how often the request is sent again.
    // One query in two steps, so that the request can be on its way while the caller does
    // something else (the reverse DNS lookup): Start() sends it, Finish() waits for the answer
    // as QuerySysName does, the first wait counted from the send. A query never finished is
    // dropped with its socket.
    class CQuery final
    {
    public:
        CQuery();
        ~CQuery();
        CQuery(const CQuery &) = delete;
        CQuery &operator=(const CQuery &) = delete;

        // False when nothing could be sent; Finish() then fails at once.
        bool Start(quint32 i_nIp);
        // The arguments and the result as for QuerySysName.
        int Finish(char *o_pBuffer, int *io_pnLength, int i_nWaitMs, int i_nRetries);

    private:
        struct TState;
        std::unique_ptr<TState> m_pState;
    };

    static int QuerySysName(
        quint32 i_nIp, char *o_pBuffer, int *io_pnLength, int i_nWaitMs = 3000, int i_nRetries = 1);
};
