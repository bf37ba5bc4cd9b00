// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

class IHostPrograms;

// Starts a telnet session to a host, after checking that a client exists and that the host
// accepts connections on the telnet port. Used on the user interface thread, which it blocks for
// at most the reachability time-out. Failures come back as a result; the window shows the title
// and text that belong to it.
class CTelnetLauncher final
{
    Q_DECLARE_TR_FUNCTIONS(CTelnetLauncher)

public:
    enum class EResult
    {
        Started,
        NoClient,
        Unreachable,
        StartFailed
    };

    static constexpr quint16 kTelnetPort = 23;
    static constexpr int kReachTimeoutMs = 3000;

    // i_nPort is the telnet port; tests aim it elsewhere.
    explicit CTelnetLauncher(quint16 i_nPort = kTelnetPort);

    // i_sAddress must be a dotted quad; anything else is Unreachable and starts nothing.
    EResult Launch(const QString &i_sAddress) const;

    static QString Title();
    // The message for a failure; empty for Started.
    static QString Text(EResult i_eResult);

private:
    quint16 m_nPort;
};
