// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalSubnets.h"

#include "CLocalInterfaces.h"

std::vector<CLocalSubnets::TAddressMask> CLocalSubnets::List()
{
    std::vector<TAddressMask> vList;
    for (const TLocalInterface &rInterface : CLocalInterfaces::List()) {
        // The adapter list of other systems never holds loopback; 127/8 would be a scan of
        // sixteen million addresses.
        if (rInterface.Has(TLocalInterface::Loopback) || !rInterface.Has(TLocalInterface::Up))
            continue;
        vList.push_back(TAddressMask{rInterface.nAddress, rInterface.nMask});
    }
    return vList;
}
