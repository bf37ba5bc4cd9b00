// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDnsSdFunctions.h"
#include "CDnsSdLibrary.h"

#include <QByteArray>
#include <QFile>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <dlfcn.h>
#include <poll.h>

using namespace DnsSd;

namespace {

using TCreateConnection = TError (*)(TRef *);
using TBrowse =
    TError (*)(TRef *, TFlags, quint32, const char *, const char *, TBrowseReply, void *);
using TRefSockFD = int (*)(TRef);
using TProcessResult = TError (*)(TRef);
using TRefDeallocate = void (*)(TRef);

struct TLibrary
{
    std::mutex oMutex;
    void *pHandle = nullptr;
    // Avahi's compatibility layer has no shared connections: it refuses them and prints a
    // warning on stderr for each attempt. Knowing it is Avahi lets us refuse for it, silently.
    bool fAvahi = false;
    std::array<void *, FnCount> apFunctions{};
    std::array<bool, FnCount> afLookedUp{};
};

TLibrary &Library()
{
    static TLibrary s_oLibrary;
    return s_oLibrary;
}

void *Function(EFunction i_eFunction)
{
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    if (!oLib.pHandle)
        return nullptr;
    if (!oLib.afLookedUp[i_eFunction]) {
        oLib.apFunctions[i_eFunction] = dlsym(oLib.pHandle, kFunctionNames[i_eFunction]);
        oLib.afLookedUp[i_eFunction] = true;
    }
    return oLib.apFunctions[i_eFunction];
}

bool IsAvahi()
{
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    return oLib.pHandle && oLib.fAvahi;
}

template <typename T> T As(void *i_pFunction)
{
    return reinterpret_cast<T>(i_pFunction);
}

// Loaded before main, as the program's start-up expects the library to be there already.
const bool s_fLoadedAtStartup = CDnsSdLibrary::Load();

} // namespace

bool CDnsSdLibrary::Load(const QString &i_sPath)
{
    // Avahi's library announces on stderr that it is a compatibility layer, once per process;
    // the scanner's output must stay clean.
    setenv("AVAHI_COMPAT_NOWARN", "1", 0);
    const QByteArray baPath =
        i_sPath.isEmpty() ? QByteArray("libdns_sd.so.1") : QFile::encodeName(i_sPath);
    void *pHandle = dlopen(baPath.constData(), RTLD_NOW | RTLD_LOCAL);

    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    // The previous library stays mapped: a browse thread of an earlier run might still be
    // inside it, and unloading code that a thread executes would crash the process.
    oLib.pHandle = pHandle;
    oLib.fAvahi = pHandle && dlsym(pHandle, "avahi_warn_unsupported");
    oLib.apFunctions.fill(nullptr);
    oLib.afLookedUp.fill(false);
    return pHandle != nullptr;
}

bool CDnsSdLibrary::IsLoaded()
{
    Q_UNUSED(s_fLoadedAtStartup);
    TLibrary &oLib = Library();
    std::lock_guard<std::mutex> oLock(oLib.oMutex);
    return oLib.pHandle != nullptr;
}

TError CDnsSdLibrary::CreateConnection(TRef *o_pRef)
{
    void *pFunction = Function(CreateConnectionFn);
    if (!pFunction)
        return kUnknown;
    if (IsAvahi())
        return kUnsupported;
    return As<TCreateConnection>(pFunction)(o_pRef);
}

TError CDnsSdLibrary::Browse(TRef *io_pRef,
                             TFlags i_nFlags,
                             quint32 i_nInterface,
                             const char *i_szRegType,
                             const char *i_szDomain,
                             TBrowseReply i_pfnReply,
                             void *i_pContext)
{
    void *pFunction = Function(BrowseFn);
    if (!pFunction)
        return kUnknown;
    if ((i_nFlags & kShareConnection) && IsAvahi())
        return kUnsupported;
    return As<TBrowse>(pFunction)(
        io_pRef, i_nFlags, i_nInterface, i_szRegType, i_szDomain, i_pfnReply, i_pContext);
}

TSocket CDnsSdLibrary::RefSockFD(TRef i_pRef)
{
    void *pFunction = Function(RefSockFDFn);
    if (!pFunction)
        return -1;
    return As<TRefSockFD>(pFunction)(i_pRef);
}

TError CDnsSdLibrary::ProcessResult(TRef i_pRef)
{
    void *pFunction = Function(ProcessResultFn);
    if (!pFunction)
        return kUnknown;
    return As<TProcessResult>(pFunction)(i_pRef);
}

void CDnsSdLibrary::RefDeallocate(TRef i_pRef)
{
    void *pFunction = Function(RefDeallocateFn);
    if (pFunction)
        As<TRefDeallocate>(pFunction)(i_pRef);
}

int CDnsSdLibrary::WaitReadable(const TSocket *i_pSockets,
                                int i_nCount,
                                int i_nTimeoutMs,
                                bool *o_pfReadable)
{
    if (!i_pSockets || !o_pfReadable || i_nCount <= 0)
        return -1;
    // poll rather than select: select cannot watch a descriptor numbered FD_SETSIZE or above,
    // which a busy scanner with many sockets open may well hand out.
    std::vector<pollfd> vFds(static_cast<size_t>(i_nCount));
    for (int i = 0; i < i_nCount; ++i) {
        vFds[static_cast<size_t>(i)].fd = static_cast<int>(i_pSockets[i]);
        vFds[static_cast<size_t>(i)].events = POLLIN;
        vFds[static_cast<size_t>(i)].revents = 0;
        o_pfReadable[i] = false;
    }
    const int nReady = poll(vFds.data(), static_cast<nfds_t>(vFds.size()), i_nTimeoutMs);
    if (nReady < 0)
        return errno == EINTR ? 0 : -1;
    int nReadable = 0;
    for (int i = 0; i < i_nCount; ++i) {
        const short nEvents = vFds[static_cast<size_t>(i)].revents;
        if (nEvents & POLLNVAL)
            return -1;
        // A closed or failed connection reads as end of stream, which ProcessResult reports.
        if (nEvents & (POLLIN | POLLHUP | POLLERR)) {
            o_pfReadable[i] = true;
            ++nReadable;
        }
    }
    return nReadable;
}
