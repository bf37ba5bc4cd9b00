// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A Samba server on 127.0.0.1:445 of the test's own namespace, with its state in a temporary
// folder. Its shutdown and abort scripts only append "<uid> shutdown <message> <-r> <-f>" or
// "<uid> abort" to a log, so a test sees which requests reached it and under which account
// (uid 0 for root, 65534 for guest). Account "root" has password kPassword unless the options
// give another.
class CSambaPeer
{
public:
    static constexpr const char *kPassword = "Test-pass1";

    // How the server differs from the plain one.
    struct TOptions
    {
        // "restrict anonymous = 2": no share list, no workstation query without an account.
        bool fRestrictAnonymous = false;
        // A share "docs" besides the IPC share, and the users named here as logged on (the
        // server reads them from a utmp of its own, in a private mount namespace); "root" is
        // then a member of the administrators, whom the workstation service answers.
        QStringList lsLoggedOn;
        // Further shares, all of one folder, served besides "docs" when users are logged on.
        QStringList lsMoreShares;
        // The password of "root"; one with characters a command line quotes tests the callers.
        QByteArray baPassword = kPassword;
    };

    CSambaPeer() = default;
    ~CSambaPeer();
    CSambaPeer(const CSambaPeer &) = delete;
    CSambaPeer &operator=(const CSambaPeer &) = delete;

    // True when every program the server and the clients need is installed.
    static bool Available(QString *o_pWhy);
    // Starts the server; on failure o_pWhy says why.
    bool Start(QString *o_pWhy, const TOptions &i_oOptions);
    bool Start(QString *o_pWhy) { return Start(o_pWhy, TOptions()); }
    // Stops the server and every helper it started (found by PID).
    void Stop();

    bool ClearLog();
    QStringList LogLines() const;

private:
    bool WriteFile(const QString &i_sName, const QByteArray &i_oText, int i_nMode);
    void KillServerProcesses();

    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<QProcess> m_pSmbd;
};
