// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

// What the host actions need from the operating system: the telnet client, the Ortavo viewer and
// the form of network paths. Used on the user interface thread.
class IHostPrograms
{
public:
    virtual ~IHostPrograms() = default;

    // True when a telnet client can be started (on Linux: a client and a terminal to show it).
    virtual bool HasTelnet() const = 0;
    // Starts the telnet client for i_sAddress (a dotted quad) as a detached process.
    virtual bool StartTelnet(const QString &i_sAddress) const = 0;
    // The viewer's full path as its installation registered it, or empty.
    virtual QString FindOrtavoViewer() const = 0;
    // The path or URL that opens a host's shares ("\\host" on Windows) or one share.
    virtual QString HostPath(const QString &i_sHost) const = 0;
    virtual QString SharePath(const QString &i_sHost, const QString &i_sShare) const = 0;
    // Shows the system's properties dialog of a share path. Returns false where the system has
    // none (Linux); the caller then opens the path instead.
    virtual bool ShowProperties(const QString &i_sPath) const = 0;

    static std::unique_ptr<IHostPrograms> Create();

protected:
    IHostPrograms() = default;
};
