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
// as a list, the password in its environment, and is killed at its time too.
// The host is addressed by its IP address; its name only gates the probes.
class CNetResourcesLinux final : public INetResources
{
public:
    // A LAN listing takes milliseconds; the library waits up to 5 s per request inside.
    static constexpr int ShareListTimeoutMs = 12000;
    static constexpr int RpcClientTimeoutMs = 8000;
    // A host listing more shares than this is not telling the truth.
    static constexpr int MaxShares = 4096;

    std::optional<QStringList>
    Shares(const QString &i_sServer, quint32 i_nIp, int i_nConnectMs) override;
    std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                        quint32 i_nIp,
                                        const TCredentials &i_oCredentials,
                                        int i_nConnectMs) override;
    // Both address the host by its IP address.
    bool NeedsServerName() const override { return false; }

    // The first user name in rpcclient's answer to "wkssvc_enumerateusers 0"; exposed for tests.
    static std::optional<QString> ParseUserList(const QByteArray &i_baOutput);
    // rpcclient's arguments; the password never appears here.
    static QStringList RpcClientArguments(const QString &i_sIp, const QString &i_sLogin);
    // The share names printed by vistrel_smbshares, cleaned and each once; exposed for tests.
    static QStringList ParseShareList(const QByteArray &i_baOutput);
    // Where vistrel_smbshares is: beside the program, else in the build tree, else on PATH.
    static QString ShareListerPath();

private:
    // Runs a child to its end within i_nTimeoutMs; kills it otherwise. Returns its standard
    // output (at most 256 KiB) when it exited with status 0.
    static std::optional<QByteArray> RunChild(QProcess &io_oProcess,
                                              const QString &i_sProgram,
                                              const QStringList &i_lsArgs,
                                              int i_nTimeoutMs);
};
