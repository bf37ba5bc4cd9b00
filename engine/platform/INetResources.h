// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CNetAccount.h"

#include <QString>
#include <QStringList>

#include <optional>

// The host's shared folders and its logged-on user, asked of the host's server and
// workstation services. One implementation per OS: the network management calls on Windows,
// the SMB client library and Samba's RPC client on Linux.
//
// Both calls block the calling scan worker. They may be called from many workers at once;
// an implementation serialises whatever its libraries cannot do in parallel and bounds every
// wait, so that one slow host costs seconds, not the scan. Failure is std::nullopt (logged at
// debug level): a probe leaves the result unchanged then.
class INetResources
{
public:
    // How to log on: the configured network account. Without one an implementation uses the
    // user's own logon where the system has one (a Kerberos ticket on Linux), else anonymous.
    using TCredentials = TNetAccount;

    virtual ~INetResources() = default;

    // Share names in the server's order, hidden ("$") and IPC shares included, each name once.
    // i_sServer is the host's name, i_nIp its address (host byte order); an implementation
    // addresses the host by whichever its facility needs. A listing that breaks off half way
    // gives the names read so far. i_nConnectMs, when positive, bounds the first connection to
    // the host where the implementation makes it itself (0: its own time-out).
    virtual std::optional<QStringList> Shares(const QString &i_sServer,
                                              quint32 i_nIp,
                                              const TCredentials &i_oCredentials,
                                              int i_nConnectMs) = 0;

    // The first user the host's workstation service reports as logged on; std::nullopt when
    // it reports none or refuses. i_nConnectMs as for Shares().
    virtual std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                                quint32 i_nIp,
                                                const TCredentials &i_oCredentials,
                                                int i_nConnectMs) = 0;

    // Whether Shares() and LoggedOnUser() address the host by i_sServer. Where they do not, a
    // scan may ask them before the host's name is final.
    virtual bool NeedsServerName() const { return true; }

    // The process-wide implementation for this OS; created on first use, thread-safe.
    static INetResources &Instance();
};
