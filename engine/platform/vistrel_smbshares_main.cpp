// SPDX-License-Identifier: GPL-3.0-or-later
// vistrel_smbshares ADDRESS: prints the share names of the SMB server at ADDRESS, one per line
// in the server's order, listed anonymously. Exit status 0 when the listing opened (even if
// it broke off later), 1 on bad use, 2 when the library did not start, 3 when the server refused.
//
// The scanner runs this as a child process per host because the SMB client library is not
// thread-safe and its connect cannot be bounded: in a process of its own each listing runs in
// parallel with the others and can be killed at the scanner's deadline.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <libsmbclient.h>

namespace {

constexpr int RequestTimeoutMs = 5000;
constexpr int MaxShares = 4096;

void AnonymousAuth(SMBCCTX *,
                   const char *,
                   const char *,
                   char *,
                   int,
                   char *o_pUser,
                   int i_nUserLen,
                   char *o_pPassword,
                   int i_nPasswordLen)
{
    if (i_nUserLen > 0)
        o_pUser[0] = '\0';
    if (i_nPasswordLen > 0)
        o_pPassword[0] = '\0';
}

bool IsShareType(unsigned int i_nType)
{
    return i_nType == SMBC_FILE_SHARE || i_nType == SMBC_PRINTER_SHARE
           || i_nType == SMBC_COMMS_SHARE || i_nType == SMBC_IPC_SHARE;
}

// Only an IPv4 address in dotted form is accepted: the argument becomes part of a URL.
bool IsDottedAddress(const char *i_pText)
{
    int nDots = 0;
    int nDigits = 0;
    for (const char *p = i_pText; *p; ++p) {
        if (*p == '.') {
            if (nDigits == 0)
                return false;
            ++nDots;
            nDigits = 0;
        } else if (*p >= '0' && *p <= '9' && nDigits < 3) {
            ++nDigits;
        } else {
            return false;
        }
    }
    return nDots == 3 && nDigits > 0;
}

} // namespace

// Sanitizer builds: the SMB library keeps talloc blocks for the life of the process, which
// LeakSanitizer would report as ours and turn into a failing exit status.
extern "C" __attribute__((used)) const char *__lsan_default_suppressions()
{
    return "leak:libtalloc.so\nleak:libsmbclient.so\n";
}

int main(int argc, char **argv)
{
    if (argc != 2 || !IsDottedAddress(argv[1])) {
        std::fprintf(stderr, "usage: vistrel_smbshares IPV4-ADDRESS\n");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    SMBCCTX *pCtx = smbc_new_context();
    if (!pCtx)
        return 2;
    smbc_setDebug(pCtx, 0);
    smbc_setTimeout(pCtx, RequestTimeoutMs);
    smbc_setOptionUseKerberos(pCtx, 0);
    smbc_setOptionFallbackAfterKerberos(pCtx, 1);
    smbc_setOptionNoAutoAnonymousLogin(pCtx, 0);
    smbc_setFunctionAuthDataWithContext(pCtx, AnonymousAuth);
    if (!smbc_init_context(pCtx)) {
        smbc_free_context(pCtx, 1);
        return 2;
    }
    const std::string sUrl = std::string("smb://") + argv[1] + "/";
    SMBCFILE *pDir = smbc_getFunctionOpendir(pCtx)(pCtx, sUrl.c_str());
    if (!pDir) {
        std::fprintf(stderr, "%s\n", std::strerror(errno));
        smbc_free_context(pCtx, 1);
        return 3;
    }
    int nShares = 0;
    while (const smbc_dirent *pEntry = smbc_getFunctionReaddir(pCtx)(pCtx, pDir)) {
        if (!IsShareType(pEntry->smbc_type))
            continue;
        std::string sName;
        // A name must stay one line of output. Control bytes become spaces, as the scanner's
        // own cleaning makes them, so that a name reads the same whichever step saw it first.
        for (const char *p = pEntry->name; *p; ++p)
            sName += (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) ? ' ' : *p;
        if (sName.empty())
            continue;
        std::fprintf(stdout, "%s\n", sName.c_str());
        if (++nShares >= MaxShares)
            break;
    }
    std::fflush(stdout);
    smbc_getFunctionClosedir(pCtx)(pCtx, pDir);
    smbc_free_context(pCtx, 1);
    return 0;
}
