// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDeadline.h"
#include "CSnmpAnswerLinux.h"
#include "CSnmpName.h"
#include "CUniqueFd.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <arpa/inet.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr std::uint16_t kSnmpPort = 161;
constexpr std::size_t kRequestBytes = 512;
constexpr std::size_t kResponseBytes = 65536;
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

namespace {

// The encoded request, or false. The library encodes back to front by default, leaving the
// message at the end of the buffer; forward encoding leaves it at the start.
bool BuildRequest(netsnmp_session &io_rSession,
                  netsnmp_pdu *i_pRequest,
                  std::vector<u_char> &o_rvPacket)
{
    size_t nSize = kRequestBytes;
    size_t nOffset = 0;
    auto *pBuffer = static_cast<u_char *>(std::calloc(1, nSize));
    if (!pBuffer)
        return false;
    const bool fBuilt = snmp_build(&pBuffer, &nSize, &nOffset, &io_rSession, i_pRequest) == 0
                        && nOffset > 0 && nOffset <= nSize;
    if (fBuilt) {
        const u_char *pStart = pBuffer + nSize - nOffset;
        if (*pStart != ASN_SEQUENCE + ASN_CONSTRUCTOR && *pBuffer == ASN_SEQUENCE + ASN_CONSTRUCTOR)
            pStart = pBuffer;
        o_rvPacket.assign(pStart, pStart + nOffset);
    }
    std::free(pBuffer);
    return fBuilt;
}

} // namespace

// The exchange runs on a UDP socket of our own, connected to the agent's port, so that the
// ICMP port-unreachable of a host without an agent ends the wait at once (an unconnected
// socket never sees it and would wait out every try). The library still encodes the request
// and decodes the answer; waits and tries are those of a library session (by default 3000 ms,
// one retry), the same request id.
struct CSnmpName::CQuery::TState
{
    explicit TState(int i_nFd)
        : oFd(i_nFd)
    {
    }
    CUniqueFd oFd;
    std::vector<u_char> vRequest;
    long nRequestId = 0;
    bool fRefused = false;
    std::chrono::steady_clock::time_point tSent;
};

CSnmpName::CQuery::CQuery() = default;
CSnmpName::CQuery::~CQuery() = default;

bool CSnmpName::CQuery::Start(quint32 i_nIp)
{
    m_pState.reset();
    if (i_nIp == 0)
        return false;
    CSnmpName::Startup();

    auto pState =
        std::make_unique<TState>(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!pState->oFd.valid())
        return false;
    netsnmp_session oSession;
    snmp_sess_init(&oSession);
    oSession.version = SNMP_VERSION_1;
    oSession.community = reinterpret_cast<u_char *>(kCommunity);
    oSession.community_len = std::strlen(kCommunity);
    {
        netsnmp_pdu *pRequest = snmp_pdu_create(SNMP_MSG_GET);
        if (!pRequest)
            return false;
        pRequest->version = SNMP_VERSION_1;
        pState->nRequestId = pRequest->reqid;
        const bool fBuilt = snmp_add_null_var(pRequest, kSysNameOid, OID_LENGTH(kSysNameOid))
                            && BuildRequest(oSession, pRequest, pState->vRequest);
        snmp_free_pdu(pRequest);
        if (!fBuilt)
            return false;
    }

    sockaddr_in oPeer{};
    oPeer.sin_family = AF_INET;
    oPeer.sin_port = htons(kSnmpPort);
    oPeer.sin_addr.s_addr = htonl(i_nIp);
    if (connect(pState->oFd.get(), reinterpret_cast<sockaddr *>(&oPeer), sizeof oPeer) != 0)
        return false;
    pState->tSent = std::chrono::steady_clock::now();
    if (send(pState->oFd.get(), pState->vRequest.data(), pState->vRequest.size(), 0) < 0
        && errno == ECONNREFUSED)
        pState->fRefused = true;
    m_pState = std::move(pState);
    return true;
}

int CSnmpName::CQuery::Finish(char *o_pBuffer, int *io_pnLength, int i_nWaitMs, int i_nRetries)
{
    const int nCapacity = CSnmpAnswerLinux::EmptyOutput(o_pBuffer, io_pnLength);
    if (nCapacity <= 0)
        return 0;
    const std::unique_ptr<TState> pState = std::move(m_pState);
    if (!pState || pState->fRefused)
        return 0;
    const int nFd = pState->oFd.get();

    std::vector<u_char> vResponse(kResponseBytes);
    for (int nTry = 0; nTry <= i_nRetries; ++nTry) {
        int nWaitMs = i_nWaitMs;
        if (nTry == 0) {
            // The first request went out at Start(): its wait runs from then.
            nWaitMs -= static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - pState->tSent)
                                            .count());
        } else if (send(nFd, pState->vRequest.data(), pState->vRequest.size(), 0) < 0
                   && errno == ECONNREFUSED) {
            return 0;
        }
        const CDeadline oDeadline(nWaitMs);
        // At least one look at the socket: an answer may be waiting since the first wait ran out.
        bool fLooked = false;
        while (!fLooked || !oDeadline.Passed()) {
            fLooked = true;
            pollfd oPoll{nFd, POLLIN, 0};
            if (poll(&oPoll, 1, oDeadline.RemainingMs()) < 0 && errno != EINTR)
                return 0;
            // Bounded by the deadline: a flood of foreign datagrams cannot keep us here.
            for (;;) {
                const ssize_t nRead = recv(nFd, vResponse.data(), vResponse.size(), MSG_DONTWAIT);
                if (nRead < 0) {
                    // No agent listens there; any other error may pass, as a lost packet would.
                    if (errno == ECONNREFUSED)
                        return 0;
                    break;
                }
                auto *pResponse = static_cast<netsnmp_pdu *>(std::calloc(1, sizeof(netsnmp_pdu)));
                if (!pResponse)
                    return 0;
                netsnmp_session oParse;
                snmp_sess_init(&oParse);
                oParse.version = SNMP_VERSION_1;
                int nResult = -1;
                if (snmp_parse(
                        nullptr, &oParse, pResponse, vResponse.data(), static_cast<size_t>(nRead))
                        == 0
                    && pResponse->command == SNMP_MSG_RESPONSE
                    && pResponse->version == SNMP_VERSION_1
                    && pResponse->reqid == pState->nRequestId) {
                    *io_pnLength = nCapacity;
                    nResult =
                        CSnmpAnswerLinux::TakeSysName(true, pResponse, o_pBuffer, io_pnLength);
                }
                snmp_free_pdu(pResponse);
                // The answer to our request ends the query, whatever it says.
                if (nResult >= 0)
                    return nResult;
                if (oDeadline.Passed())
                    break;
            }
        }
    }
    return 0;
}

int CSnmpName::QuerySysName(
    quint32 i_nIp, char *o_pBuffer, int *io_pnLength, int i_nWaitMs, int i_nRetries)
{
    if (!io_pnLength)
        return 0;
    if (i_nIp == 0 || !o_pBuffer || *io_pnLength <= 0) {
        *io_pnLength = 0;
        return 0;
    }
    CQuery oQuery;
    if (!oQuery.Start(i_nIp)) {
        *io_pnLength = 0;
        return 0;
    }
    return oQuery.Finish(o_pBuffer, io_pnLength, i_nWaitMs, i_nRetries);
}
