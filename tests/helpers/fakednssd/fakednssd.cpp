// SPDX-License-Identifier: GPL-3.0-or-later
// A DNS Service Discovery library for tests: it exports the five calls the scanner uses, with
// the same signatures and contracts as the real library (a pollable socket per connection,
// reply handlers called only from inside DNSServiceProcessResult, shared connections), and a
// few FakeDnsSd_* controls through which a test announces services or breaks connections.
// Built without DNSServiceBrowse (FAKE_DNSSD_WITHOUT_BROWSE) it stands for an incomplete library.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

struct _DNSServiceRef_t;
using DNSServiceRef = _DNSServiceRef_t *;
using DNSServiceFlags = uint32_t;
using DNSServiceErrorType = int32_t;
using DNSServiceBrowseReply = void (*)(DNSServiceRef,
                                       DNSServiceFlags,
                                       uint32_t,
                                       DNSServiceErrorType,
                                       const char *,
                                       const char *,
                                       const char *,
                                       void *);

namespace {

constexpr DNSServiceErrorType kNoError = 0;
constexpr DNSServiceErrorType kUnknown = -65537;
constexpr DNSServiceErrorType kBadParam = -65540;
constexpr DNSServiceErrorType kUnsupported = -65544;
constexpr DNSServiceFlags kShareConnection = 0x4000;
constexpr DNSServiceFlags kAdd = 0x2;

struct TEvent
{
    DNSServiceRef pBrowse;
    std::string sName;
    std::string sDomain;
    DNSServiceErrorType nError;
    bool fNullName;
};

} // namespace

struct _DNSServiceRef_t
{
    _DNSServiceRef_t *pConnection = nullptr; // the ref that owns the socket; itself for primaries
    int anFds[2] = {-1, -1};                 // [0] read by the caller, [1] written by announcements
    std::string sRegType;                    // empty for a bare shared connection
    DNSServiceBrowseReply pfnReply = nullptr;
    void *pContext = nullptr;
    std::deque<TEvent> qEvents;
};

namespace {

std::mutex s_oMutex;
std::vector<DNSServiceRef> s_vRefs;
std::string s_sLog;
bool s_fRefuseShared = false;
bool s_fNoDaemon = false;

DNSServiceRef NewConnection()
{
    auto *pRef = new _DNSServiceRef_t;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pRef->anFds) != 0) {
        delete pRef;
        return nullptr;
    }
    pRef->pConnection = pRef;
    s_vRefs.push_back(pRef);
    return pRef;
}

bool Known(DNSServiceRef i_pRef)
{
    for (DNSServiceRef p : s_vRefs)
        if (p == i_pRef)
            return true;
    return false;
}

void Log(const std::string &i_sEntry)
{
    if (!s_sLog.empty())
        s_sLog += ',';
    s_sLog += i_sEntry;
}

} // namespace

FAKE_EXPORT DNSServiceErrorType DNSServiceCreateConnection(DNSServiceRef *o_pRef)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!o_pRef)
        return kBadParam;
    if (s_fNoDaemon)
        return kUnknown;
    if (s_fRefuseShared)
        return kUnsupported;
    *o_pRef = NewConnection();
    return *o_pRef ? kNoError : kUnknown;
}

#ifndef FAKE_DNSSD_WITHOUT_BROWSE
FAKE_EXPORT DNSServiceErrorType DNSServiceBrowse(DNSServiceRef *io_pRef,
                                                 DNSServiceFlags i_nFlags,
                                                 uint32_t,
                                                 const char *i_szRegType,
                                                 const char *,
                                                 DNSServiceBrowseReply i_pfnReply,
                                                 void *i_pContext)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!io_pRef || !i_szRegType || !i_pfnReply)
        return kBadParam;
    if (s_fNoDaemon)
        return kUnknown;
    DNSServiceRef pRef = nullptr;
    if (i_nFlags & kShareConnection) {
        if (s_fRefuseShared)
            return kUnsupported;
        DNSServiceRef pConnection = *io_pRef;
        if (!Known(pConnection) || pConnection->pConnection != pConnection)
            return kBadParam;
        pRef = new _DNSServiceRef_t;
        pRef->pConnection = pConnection;
        s_vRefs.push_back(pRef);
    } else {
        pRef = NewConnection();
        if (!pRef)
            return kUnknown;
    }
    pRef->sRegType = i_szRegType;
    pRef->pfnReply = i_pfnReply;
    pRef->pContext = i_pContext;
    *io_pRef = pRef;
    return kNoError;
}
#endif

FAKE_EXPORT int DNSServiceRefSockFD(DNSServiceRef i_pRef)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!Known(i_pRef))
        return -1;
    return i_pRef->pConnection->anFds[0];
}

FAKE_EXPORT DNSServiceErrorType DNSServiceProcessResult(DNSServiceRef i_pRef)
{
    TEvent oEvent;
    DNSServiceBrowseReply pfnReply = nullptr;
    void *pContext = nullptr;
    std::string sRegType;
    int nFd = -1;
    {
        std::lock_guard<std::mutex> oLock(s_oMutex);
        if (!Known(i_pRef) || i_pRef->pConnection != i_pRef)
            return kBadParam;
        nFd = i_pRef->anFds[0];
    }
    char cByte = 0;
    if (read(nFd, &cByte, 1) != 1)
        return kUnknown;
    {
        std::lock_guard<std::mutex> oLock(s_oMutex);
        if (!Known(i_pRef) || i_pRef->qEvents.empty())
            return kNoError;
        oEvent = i_pRef->qEvents.front();
        i_pRef->qEvents.pop_front();
        if (!Known(oEvent.pBrowse))
            return kNoError;
        pfnReply = oEvent.pBrowse->pfnReply;
        pContext = oEvent.pBrowse->pContext;
        sRegType = oEvent.pBrowse->sRegType;
    }
    pfnReply(oEvent.pBrowse,
             kAdd,
             1,
             oEvent.nError,
             oEvent.fNullName ? nullptr : oEvent.sName.c_str(),
             sRegType.c_str(),
             oEvent.sDomain.c_str(),
             pContext);
    return kNoError;
}

FAKE_EXPORT void DNSServiceRefDeallocate(DNSServiceRef i_pRef)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!Known(i_pRef))
        return;
    Log(i_pRef->sRegType.empty() ? std::string("connection") : i_pRef->sRegType);
    if (i_pRef->pConnection == i_pRef) {
        // Subordinate refs of a shared connection die with it, as in the real library.
        for (DNSServiceRef p : std::vector<DNSServiceRef>(s_vRefs))
            if (p != i_pRef && p->pConnection == i_pRef) {
                s_vRefs.erase(std::find(s_vRefs.begin(), s_vRefs.end(), p));
                delete p;
            }
        for (int nFd : i_pRef->anFds)
            if (nFd >= 0)
                close(nFd);
    }
    s_vRefs.erase(std::find(s_vRefs.begin(), s_vRefs.end(), i_pRef));
    delete i_pRef;
}

// Queues a browse reply on every live browse of i_szRegType; returns how many browses got it.
FAKE_EXPORT int FakeDnsSd_Announce(const char *i_szRegType,
                                   const char *i_szName,
                                   const char *i_szDomain,
                                   int i_nError)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    int nCount = 0;
    for (DNSServiceRef p : s_vRefs) {
        if (p->sRegType != i_szRegType)
            continue;
        DNSServiceRef pConnection = p->pConnection;
        pConnection->qEvents.push_back(TEvent{p,
                                              i_szName ? i_szName : "",
                                              i_szDomain ? i_szDomain : "",
                                              i_nError,
                                              i_szName == nullptr});
        const char cByte = 1;
        if (write(pConnection->anFds[1], &cByte, 1) == 1)
            ++nCount;
    }
    return nCount;
}

FAKE_EXPORT int FakeDnsSd_BrowseCount()
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    int nCount = 0;
    for (DNSServiceRef p : s_vRefs)
        if (!p->sRegType.empty())
            ++nCount;
    return nCount;
}

// Closes the daemon's side of every connection, as a daemon that goes away would.
FAKE_EXPORT void FakeDnsSd_Break()
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    for (DNSServiceRef p : s_vRefs)
        if (p->pConnection == p && p->anFds[1] >= 0) {
            close(p->anFds[1]);
            p->anFds[1] = -1;
        }
}

FAKE_EXPORT void FakeDnsSd_Configure(int i_fRefuseShared, int i_fNoDaemon)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    s_fRefuseShared = i_fRefuseShared != 0;
    s_fNoDaemon = i_fNoDaemon != 0;
    s_sLog.clear();
}

// Copies the deallocation log ("_sleep-proxy._udp,_workstation._tcp,connection") into o_szBuffer.
FAKE_EXPORT int FakeDnsSd_DeallocationLog(char *o_szBuffer, int i_nSize)
{
    std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!o_szBuffer || i_nSize <= 0)
        return -1;
    const size_t nCopy = std::min(s_sLog.size(), static_cast<size_t>(i_nSize - 1));
    std::memcpy(o_szBuffer, s_sLog.data(), nCopy);
    o_szBuffer[nCopy] = '\0';
    return static_cast<int>(s_vRefs.size());
}
