// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EOrtavoCommand.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Finds and starts the Ortavo viewer. Used on the user interface thread; the viewer runs detached
// and is not watched. Failures come back as a result with the message that belongs to it.
class COrtavoViewer final
{
    Q_DECLARE_TR_FUNCTIONS(COrtavoViewer)

public:
    enum class EResult
    {
        Started,
        NotInstalled,
        StartFailed
    };

    // Where the "not installed" message sends the user.
    static const char kDownloadUrl[];

    // The viewer's path as installed, or empty (always empty outside Windows).
    static QString Find();
    // The switch of a mode ("/noinput", ...), empty for full control and unknown values.
    static QString Switch(EOrtavoCommand i_eCommand);
    // Arguments after the viewer's path: "/connect:address:port" and the mode's switch if any.
    static QStringList Arguments(EOrtavoCommand i_eCommand, const QString &i_sAddress, int i_nPort);
    // The whole command line, as shown in logs: "\"path\" /connect:address:port switch".
    static QString CommandLine(const QString &i_sViewer,
                               EOrtavoCommand i_eCommand,
                               const QString &i_sAddress,
                               int i_nPort);

    // Finds the viewer and starts it for the host i_sAddress (dotted quad) and port.
    static EResult Launch(EOrtavoCommand i_eCommand, int i_nPort, const QString &i_sAddress);
    // Launch with an explicit viewer path (tests, or a path found earlier).
    static EResult LaunchPath(const QString &i_sViewer,
                              EOrtavoCommand i_eCommand,
                              int i_nPort,
                              const QString &i_sAddress);

    static QString NotInstalledTitle();
    static QString NotInstalledText();
};
