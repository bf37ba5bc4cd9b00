// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVector>

// The IPv4 addresses of this machine's network adapters with their masks, as the "My IP"
// command turns them into ranges. Loopback adapters are left out. Any thread; an empty list
// when the system cannot tell.
class CLocalSubnets final
{
public:
    struct TAddressMask
    {
        quint32 address = 0; // host byte order
        quint32 mask = 0;
    };

    CLocalSubnets() = delete;
    static QVector<TAddressMask> List();
};
