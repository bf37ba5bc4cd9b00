// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// For tests that mount small file systems (a full disk, a read-only folder): they run as root
// in a mount namespace of their own (unshare -m) and must refuse to mount anything otherwise.

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

namespace PrivateMount {

// The wrappers (ip netns exec, unshare) replace themselves with the test, so its parent is
// whoever started them, still in the mount namespace the mounts must never reach.
inline bool InPrivateMountNamespace()
{
    const QString sOwn = QFileInfo(QStringLiteral("/proc/self/ns/mnt")).symLinkTarget();
    const QString sParent =
        QFileInfo(QStringLiteral("/proc/%1/ns/mnt").arg(getppid())).symLinkTarget();
    return !sOwn.isEmpty() && !sParent.isEmpty() && sOwn != sParent;
}

// Runs a program (mount, umount, chmod...) for at most 10 s; true when it ended with status 0.
inline bool Run(const QString &i_sProgram, const QStringList &i_lsArguments)
{
    QProcess oProcess;
    oProcess.start(i_sProgram, i_lsArguments);
    return oProcess.waitForFinished(10000) && oProcess.exitStatus() == QProcess::NormalExit
           && oProcess.exitCode() == 0;
}

} // namespace PrivateMount
