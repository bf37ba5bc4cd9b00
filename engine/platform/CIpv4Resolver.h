// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// Forward lookup of a host name to its IPv4 addresses through the system resolver (getaddrinfo,
// IPv4 only). Where the system resolver has no multicast DNS of its own (Linux without
// nss-mdns), a ".local" name it cannot find is asked once more by multicast DNS on every
// multicast interface, for at most about 1 s. Blocks for as long as the resolver takes; call it
// off the main thread. Addresses are host byte order, in the resolver's order, without
// duplicates; empty when the name does not resolve.
class CIpv4Resolver final
{
public:
    static QList<quint32> Resolve(const QByteArray &i_baName);
};
