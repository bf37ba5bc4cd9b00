// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "INetResources.h"

#include <QMutex>

// Shares through libsmbclient, the logged-on user through Samba's rpcclient.
//
// libsmbclient is not thread-safe on Debian 12, not even with one context per thread, so every
// call into it runs under one process-wide lock, and only for a host that has just answered an
// SMB negotiate of ours (CSmbPing): the library's own connect cannot be bounded. Samba has no
// public C call for the workstation user enumeration; rpcclient runs as a child process with
// its arguments passed as a list, the password in its environment, and is killed at its time.
// The host is addressed by its IP address; its name only gates the probes.
class CNetResourcesLinux final : public INetResources
{
public:
    // Per request of the SMB library once connected; a LAN listing takes milliseconds.
    static constexpr int SmbRequestTimeoutMs = 5000;
    // A worker gives up rather than wait this long behind other hosts' listings.
    static constexpr int SmbLockWaitMs = 60000;
    static constexpr int RpcClientTimeoutMs = 8000;
    // A host listing more shares than this is not telling the truth.
    static constexpr int MaxShares = 4096;

    std::optional<QStringList> Shares(const QString &i_sServer, quint32 i_nIp) override;
    std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                        quint32 i_nIp,
                                        const TCredentials &i_oCredentials) override;

    // The first user name in rpcclient's answer to "wkssvc_enumerateusers 0"; exposed for tests.
    static std::optional<QString> ParseUserList(const QByteArray &i_baOutput);
    // rpcclient's arguments; the password never appears here.
    static QStringList RpcClientArguments(const QString &i_sIp, const QString &i_sLogin);

private:
    std::optional<QStringList> ListShares(const QString &i_sIp);

    QMutex m_oSmbLock;
};
