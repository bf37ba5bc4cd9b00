// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDnsSdFunctions.h"
#include "CDnsSdLibrary.h"

#include <array>
#include <mutex>

// winsock2.h must come before windows.h, which would pull in winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

using namespace DnsSd;

namespace {

using TCreateConnection = TError(VISTREL_DNSSD_API *)(TRef *);
using TBrowse = TError(VISTREL_DNSSD_API *)(
    TRef *, TFlags, quint32, const char *, const char *, TBrowseReply, void *);
using TRefSockFD = TSocket(VISTREL_DNSSD_API *)(TRef);
using TProcessResult = TError(VISTREL_DNSSD_API *)(TRef);
using TRefDeallocate = void(VISTREL_DNSSD_API *)(TRef);

struct TLibrary
{
    std::mutex oMutex;
    HMODULE hModule = nullptr;
    std::array<FARPROC, FnCount> apFunctions{};
    std::array<bool, FnCount> afLookedUp{};
};

TLibrary &Library()
{
    static TLibrary s_oLibrary;
    return s_oLibrary;
}

FARPROC Function(EFunction i_eFunction)
{
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    if (!oLib.hModule)
        return nullptr;
    if (!oLib.afLookedUp[i_eFunction]) {
        oLib.apFunctions[i_eFunction] = GetProcAddress(oLib.hModule, kFunctionNames[i_eFunction]);
        oLib.afLookedUp[i_eFunction] = true;
    }
    return oLib.apFunctions[i_eFunction];
}

template <typename T> T As(FARPROC i_pFunction)
{
    return reinterpret_cast<T>(reinterpret_cast<void *>(i_pFunction));
}

const bool s_fLoadedAtStartup = CDnsSdLibrary::Load();

} // namespace

bool CDnsSdLibrary::Load(const QString &i_sPath)
{
    const QString sPath = i_sPath.isEmpty() ? QStringLiteral("dnssd.dll") : i_sPath;
    HMODULE hModule = LoadLibraryW(reinterpret_cast<const wchar_t *>(sPath.utf16()));
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    // Never FreeLibrary: a browse thread may still run inside the library while the process
    // ends, and unmapping code a thread executes would crash it on the way out.
    oLib.hModule = hModule;
    oLib.apFunctions.fill(nullptr);
    oLib.afLookedUp.fill(false);
    return hModule != nullptr;
}

bool CDnsSdLibrary::IsLoaded()
{
    Q_UNUSED(s_fLoadedAtStartup);
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    return oLib.hModule != nullptr;
}

TError CDnsSdLibrary::CreateConnection(TRef *o_pRef)
{
    FARPROC pFunction = Function(CreateConnectionFn);
    return pFunction ? As<TCreateConnection>(pFunction)(o_pRef) : kUnknown;
}

TError CDnsSdLibrary::Browse(TRef *io_pRef,
                             TFlags i_nFlags,
                             quint32 i_nInterface,
                             const char *i_szRegType,
                             const char *i_szDomain,
                             TBrowseReply i_pfnReply,
                             void *i_pContext)
{
    FARPROC pFunction = Function(BrowseFn);
    return pFunction ? As<TBrowse>(pFunction)(
               io_pRef, i_nFlags, i_nInterface, i_szRegType, i_szDomain, i_pfnReply, i_pContext)
                     : kUnknown;
}

TSocket CDnsSdLibrary::RefSockFD(TRef i_pRef)
{
    FARPROC pFunction = Function(RefSockFDFn);
    return pFunction ? As<TRefSockFD>(pFunction)(i_pRef) : -1;
}

TError CDnsSdLibrary::ProcessResult(TRef i_pRef)
{
    FARPROC pFunction = Function(ProcessResultFn);
    return pFunction ? As<TProcessResult>(pFunction)(i_pRef) : kUnknown;
}

void CDnsSdLibrary::RefDeallocate(TRef i_pRef)
{
    FARPROC pFunction = Function(RefDeallocateFn);
    if (pFunction)
        As<TRefDeallocate>(pFunction)(i_pRef);
}

int CDnsSdLibrary::WaitReadable(const TSocket *i_pSockets,
                                int i_nCount,
                                int i_nTimeoutMs,
                                bool *o_pfReadable)
{
    if (!i_pSockets || !o_pfReadable || i_nCount <= 0 || i_nCount > FD_SETSIZE)
        return -1;
    fd_set oSet;
    FD_ZERO(&oSet);
    for (int i = 0; i < i_nCount; ++i) {
        o_pfReadable[i] = false;
        FD_SET(static_cast<SOCKET>(i_pSockets[i]), &oSet);
    }
    timeval oTimeout;
    oTimeout.tv_sec = i_nTimeoutMs / 1000;
    oTimeout.tv_usec = (i_nTimeoutMs % 1000) * 1000;
    const int nReady = select(0, &oSet, nullptr, nullptr, &oTimeout);
    if (nReady <= 0)
        return nReady < 0 ? -1 : 0;
    int nReadable = 0;
    for (int i = 0; i < i_nCount; ++i) {
        if (FD_ISSET(static_cast<SOCKET>(i_pSockets[i]), &oSet)) {
            o_pfReadable[i] = true;
            ++nReadable;
        }
    }
    // A ready count with none of our sockets in the set means the wait itself went wrong.
    return nReadable > 0 ? nReadable : -1;
}
