// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <optional>

// This machine's own IPv4 addresses and the hardware address of the interface each sits on.
// ARP never answers for an address of our own, so the scanner takes its MAC from the interface.
// Thread-safe; the interface list is read again when it is more than a few seconds old, so an
// address added during a long scan is found.
class COwnAddresses final
{
public:
    // std::nullopt when i_nIp (host byte order) is not an address of this machine; otherwise its
    // interface's six-byte MAC, empty for an interface without one (loopback, tunnels).
    static std::optional<QByteArray> MacOf(quint32 i_nIp);
};
