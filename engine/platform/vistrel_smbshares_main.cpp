// SPDX-License-Identifier: GPL-3.0-or-later
// vistrel_smbshares [--account-on-stdin | --kerberos] ADDRESS: prints the share names of the SMB
// server at ADDRESS, one per line in the server's order. Listed anonymously, or with the account
// read from standard input (three lines: login, domain, password), or with the user's Kerberos
// ticket. The password is never an argument or an environment variable, which other local
// processes could read. Exit status 0 when the listing opened (even if it broke off later),
// 1 on bad use, 2 when the library did not start, 3 when the server refused.
//
// The scanner runs this as a child process per host because the SMB client library is not
// thread-safe and its connect cannot be bounded: in a process of its own each listing runs in
// parallel with the others and can be killed at the scanner's deadline.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <libsmbclient.h>

namespace {

constexpr int RequestTimeoutMs = 5000;
constexpr int MaxShares = 4096;
constexpr size_t MaxAccountField = 1024;

// The account for this run; empty fields mean anonymous.
std::string g_sUser;
std::string g_sDomain;
std::string g_sPassword;

void CopyField(const std::string &i_sValue, char *o_pField, int i_nLen)
{
    if (i_nLen <= 0)
        return;
    const size_t nCopy = std::min(i_sValue.size(), static_cast<size_t>(i_nLen - 1));
    std::memcpy(o_pField, i_sValue.data(), nCopy);
    o_pField[nCopy] = '\0';
}

void AccountAuth(SMBCCTX *,
                 const char *,
                 const char *,
                 char *o_pDomain,
                 int i_nDomainLen,
                 char *o_pUser,
                 int i_nUserLen,
                 char *o_pPassword,
                 int i_nPasswordLen)
{
    // An empty domain leaves the library's default (the server's own) in place.
    if (!g_sDomain.empty())
        CopyField(g_sDomain, o_pDomain, i_nDomainLen);
    CopyField(g_sUser, o_pUser, i_nUserLen);
    CopyField(g_sPassword, o_pPassword, i_nPasswordLen);
}

// One line of standard input without its end; false on end of input or an over-long line.
bool ReadLine(std::string &o_sLine)
{
    o_sLine.clear();
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF)
            return false;
        if (c == '\n')
            return true;
        if (o_sLine.size() >= MaxAccountField)
            return false;
        o_sLine += static_cast<char>(c);
    }
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
    bool fAccount = false;
    bool fKerberos = false;
    if (argc == 3 && std::strcmp(argv[1], "--account-on-stdin") == 0)
        fAccount = true;
    else if (argc == 3 && std::strcmp(argv[1], "--kerberos") == 0)
        fKerberos = true;
    const char *pAddress = argc >= 2 ? argv[argc - 1] : "";
    if ((argc != 2 && !fAccount && !fKerberos) || !IsDottedAddress(pAddress)) {
        std::fprintf(stderr,
                     "usage: vistrel_smbshares [--account-on-stdin | --kerberos] IPV4-ADDRESS\n");
        return 1;
    }
    if (fAccount
        && (!ReadLine(g_sUser) || !ReadLine(g_sDomain) || !ReadLine(g_sPassword)
            || g_sUser.empty())) {
        std::fprintf(stderr, "vistrel_smbshares: no account on standard input\n");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    SMBCCTX *pCtx = smbc_new_context();
    if (!pCtx)
        return 2;
    smbc_setDebug(pCtx, 0);
    smbc_setTimeout(pCtx, RequestTimeoutMs);
    smbc_setOptionUseKerberos(pCtx, fKerberos ? 1 : 0);
    smbc_setOptionFallbackAfterKerberos(pCtx, 1);
    // A refused account must not quietly turn into an anonymous listing.
    smbc_setOptionNoAutoAnonymousLogin(pCtx, fAccount ? 1 : 0);
    smbc_setFunctionAuthDataWithContext(pCtx, AccountAuth);
    if (!smbc_init_context(pCtx)) {
        smbc_free_context(pCtx, 1);
        return 2;
    }
    const std::string sUrl = std::string("smb://") + pAddress + "/";
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
    std::fill(g_sPassword.begin(), g_sPassword.end(), '\0');
    return 0;
}
