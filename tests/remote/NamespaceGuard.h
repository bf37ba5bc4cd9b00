// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>

// Tests that send real packets must run inside a network namespace of their own (ctest starts them
// through "ip netns exec"); started by hand in the machine's own namespace they would reach the
// real network.
inline bool InOwnLoopbackNamespace(QString *o_pWhy)
{
    const QString sSelf = QFileInfo(QStringLiteral("/proc/self/ns/net")).symLinkTarget();
    const QString sInit = QFileInfo(QStringLiteral("/proc/1/ns/net")).symLinkTarget();
    if (sSelf.isEmpty() || sSelf == sInit) {
        *o_pWhy =
            QStringLiteral("not inside a network namespace; run through ctest (ip netns exec)");
        return false;
    }
    const auto lInterfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &rInterface : lInterfaces) {
        if (!(rInterface.flags() & QNetworkInterface::IsLoopBack)) {
            *o_pWhy = QStringLiteral("the namespace has interface %1 besides loopback")
                          .arg(rInterface.name());
            return false;
        }
    }
    return true;
}

// Sends limited broadcast (255.255.255.255) out through lo, so that a receiver in the same
// namespace gets it. False when the route cannot be set (it needs root).
inline bool RouteBroadcastOnLoopback()
{
    return QProcess::execute(QStringLiteral("ip"),
                             {QStringLiteral("route"),
                              QStringLiteral("replace"),
                              QStringLiteral("broadcast"),
                              QStringLiteral("255.255.255.255"),
                              QStringLiteral("dev"),
                              QStringLiteral("lo"),
                              QStringLiteral("table"),
                              QStringLiteral("local")})
           == 0;
}
