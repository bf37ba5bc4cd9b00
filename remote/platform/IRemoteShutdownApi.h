// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <memory>

// The system calls behind a remote shutdown. One object serves one query or one abort and is used
// from one thread; several objects may work at once on different threads. Every call blocks until
// the remote machine answered or gave up, and returns 0 on success or a non-zero system error code.
//
// Windows: WNetAddConnection2W, InitiateSystemShutdownW, AbortSystemShutdownW.
// Linux: Samba's client programs, run as bounded subprocesses; a logon is remembered for the
// process lifetime so that later requests to that machine use the same account.
class IRemoteShutdownApi
{
public:
    struct TShutdown
    {
        QString sMessage;
        bool fHasMessage = false;
        quint32 nTimeoutSec = 0;
        bool fForce = false;
        bool fReboot = false;
    };

    // The Windows system error codes the calls return; the Linux implementation maps its
    // failures onto them so that both platforms report alike.
    static constexpr int kErrorFileNotFound = 2;
    static constexpr int kErrorAccessDenied = 5;
    static constexpr int kErrorGenFailure = 31;
    static constexpr int kErrorBadNetPath = 53;
    static constexpr int kErrorInvalidParameter = 87;
    static constexpr int kErrorWaitTimeout = 258;
    static constexpr int kErrorProcessAborted = 1067;
    static constexpr int kErrorLogonFailure = 1326;

    using TFactory = std::function<std::unique_ptr<IRemoteShutdownApi>()>;

    virtual ~IRemoteShutdownApi() = default;

    // Every machine is named by its address in dotted decimal, never by a host name, which could
    // lead to another machine than the one the user selected.
    // Logs on to the network resource i_sResource ("\\address") with the given account.
    virtual int
    Logon(const QString &i_sResource, const QString &i_sUser, const QString &i_sPassword) = 0;
    virtual int Shutdown(const QString &i_sAddress, const TShutdown &i_rShutdown) = 0;
    virtual int Abort(const QString &i_sAddress) = 0;
    // Cancels earlier logons to i_sName or i_sAddress (an empty text matches nothing).
    virtual void DropConnections(const QString &i_sName, const QString &i_sAddress) = 0;

    // The implementation of this platform, or the one set by SetFactory.
    static std::unique_ptr<IRemoteShutdownApi> Create();
    // Replaces the platform implementation (tests only); an empty factory restores it.
    static void SetFactory(TFactory i_oFactory);

protected:
    IRemoteShutdownApi() = default;

private:
    static std::unique_ptr<IRemoteShutdownApi> CreatePlatform();
};
