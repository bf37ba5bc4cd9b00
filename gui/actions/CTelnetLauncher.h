// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class QObject;

class IHostPrograms;

// Starts a telnet session to a host, after checking that a client exists and that the host
// accepts connections on the telnet port. The check connects without blocking, so the window
// stays responsive for the whole reachability time-out; the result comes back through a callback
// on the caller's thread. Failures come back as a result; the window shows the title and text
// that belong to it.
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

    using TDone = std::function<void(EResult)>;

    // i_sAddress must be a dotted quad; anything else is Unreachable and starts nothing.
    // i_fnDone runs exactly once: at once when no client exists or the address is not one,
    // otherwise when the check ends. The check belongs to i_pContext: when
    // that object is destroyed first, the check is dropped and i_fnDone never runs.
    void Launch(const QString &i_sAddress, QObject *i_pContext, TDone i_fnDone) const;

    static QString Title();
    // The message for a failure; empty for Started.
    static QString Text(EResult i_eResult);

private:
    quint16 m_nPort;
};
