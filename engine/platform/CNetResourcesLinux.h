// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "INetResources.h"

class QProcess;

// Shares through libsmbclient, the logged-on user through Samba's rpcclient, each in a child
// process per host, started only for a host that has just answered an SMB negotiate of ours
// (CSmbPing).
//
// libsmbclient is not thread-safe on Debian 12, not even with one context per thread, and its
// connect cannot be bounded (about 10 s). In-process it would have to run under one lock, and
// one host that answers and then stalls would hold every other worker behind it; in a child
// (vistrel_smbshares) each listing runs beside the others and is killed at its deadline.
// Samba has no public C call for the workstation user enumeration; rpcclient gets its arguments
// as a list and is killed at its time too. A password reaches either child only through its
// standard input, never its arguments or environment. Without an account a child uses the
// user's Kerberos ticket when "klist -s" finds a valid one, else logs on anonymously.
// The host is addressed by its IP address; its name only gates the probes.
class CNetResourcesLinux final : public INetResources
{
public:
    // A LAN listing takes milliseconds; the library waits up to 5 s per request inside.
    static constexpr int ShareListTimeoutMs = 12000;
    static constexpr int RpcClientTimeoutMs = 8000;
    // vistrel_smbshares's exit status when the server refused the listing.
    static constexpr int ShareListerRefused = 3;
    // A host listing more shares than this is not telling the truth.
    static constexpr int MaxShares = 4096;

    enum class ELogon
    {
        Anonymous,
        Account,
        Kerberos,
    };

    std::optional<QStringList> Shares(const QString &i_sServer,
                                      quint32 i_nIp,
                                      const TCredentials &i_oCredentials,
                                      int i_nConnectMs) override;
    std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                        quint32 i_nIp,
                                        const TCredentials &i_oCredentials,
                                        int i_nConnectMs) override;
    // Both address the host by its IP address.
    bool NeedsServerName() const override { return false; }

    // The first user name in rpcclient's answer to "wkssvc_enumerateusers 0"; exposed for tests.
    static std::optional<QString> ParseUserList(const QByteArray &i_baOutput);
    // rpcclient's arguments; the password never appears here.
    static QStringList
    RpcClientArguments(const QString &i_sIp, const TCredentials &i_oCredentials, ELogon i_eLogon);
    // vistrel_smbshares's arguments and, for an account, its standard input.
    static QStringList ShareListerArguments(const QString &i_sIp, ELogon i_eLogon);
    static QByteArray ShareListerInput(const TCredentials &i_oCredentials);
    // The share names printed by vistrel_smbshares, cleaned and each once; exposed for tests.
    static QStringList ParseShareList(const QByteArray &i_baOutput);
    // True when "klist -s" finds a valid Kerberos ticket (checked at most once a minute).
    static bool KerberosTicketHeld();
    // Where vistrel_smbshares is: beside the program, else in the build tree, else on PATH.
    static QString ShareListerPath();

private:
    // The account when one is set, else the Kerberos ticket when one is held, else anonymous.
    static ELogon LogonFor(const TCredentials &i_oCredentials);
    // Runs a child to its end within i_nTimeoutMs; kills it otherwise. i_baInput is written to
    // its standard input, which is then closed. Returns its standard output (at most 256 KiB)
    // when it exited with status 0; o_pnExitCode (may be null) gets the status of a normal exit.
    static std::optional<QByteArray> RunChild(QProcess &io_oProcess,
                                              const QString &i_sProgram,
                                              const QStringList &i_lsArgs,
                                              const QByteArray &i_baInput,
                                              int i_nTimeoutMs,
                                              int *o_pnExitCode);
};
