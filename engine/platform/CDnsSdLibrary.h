// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The DNS Service Discovery library, which is not part of this system and may be missing. It is
// loaded by name when the program starts (the platform's dns_sd library: dnssd.dll on Windows,
// libdns_sd.so.1 elsewhere) and kept until the process ends. Each function is looked up on its
// first call; when the library or the function is missing the call behaves as a failing call:
// CreateConnection, Browse and ProcessResult return kUnknown, RefSockFD returns -1 and
// RefDeallocate does nothing. Nothing is ever shown to the user.

#if defined(_WIN32)
#define VISTREL_DNSSD_API __stdcall
#else
#define VISTREL_DNSSD_API
#endif

namespace DnsSd {

struct TOpaqueRef;
using TRef = TOpaqueRef *;
using TFlags = quint32;
using TError = qint32;
using TSocket = qintptr;
using TBrowseReply = void(VISTREL_DNSSD_API *)(TRef i_pRef,
                                               TFlags i_nFlags,
                                               quint32 i_nInterface,
                                               TError i_nError,
                                               const char *i_szServiceName,
                                               const char *i_szRegType,
                                               const char *i_szReplyDomain,
                                               void *i_pContext);

constexpr TError kNoError = 0;
constexpr TError kUnknown = -65537;
constexpr TError kUnsupported = -65544;
constexpr TFlags kShareConnection = 0x4000;

} // namespace DnsSd

class CDnsSdLibrary final
{
public:
    // Loads the library of the given path, or the platform's default name when empty, in place
    // of any library loaded before. Returns whether it loaded. Called once at start-up; tests
    // call it again to run with another library or none.
    static bool Load(const QString &i_sPath = QString());
    static bool IsLoaded();

    static DnsSd::TError CreateConnection(DnsSd::TRef *o_pRef);
    static DnsSd::TError Browse(DnsSd::TRef *io_pRef,
                                DnsSd::TFlags i_nFlags,
                                quint32 i_nInterface,
                                const char *i_szRegType,
                                const char *i_szDomain,
                                DnsSd::TBrowseReply i_pfnReply,
                                void *i_pContext);
    static DnsSd::TSocket RefSockFD(DnsSd::TRef i_pRef);
    static DnsSd::TError ProcessResult(DnsSd::TRef i_pRef);
    static void RefDeallocate(DnsSd::TRef i_pRef);

    // Waits up to i_nTimeoutMs for any of the sockets to become readable and marks those that
    // did in o_pfReadable. Returns the number of readable sockets, 0 on time-out, -1 on error.
    static int WaitReadable(const DnsSd::TSocket *i_pSockets,
                            int i_nCount,
                            int i_nTimeoutMs,
                            bool *o_pfReadable);
};
