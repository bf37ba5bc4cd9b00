// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The functions the loaders of the DNS Service Discovery library look up, by the names both
// platforms' libraries export them under.
namespace DnsSd {

enum EFunction
{
    CreateConnectionFn,
    BrowseFn,
    RefSockFDFn,
    ProcessResultFn,
    RefDeallocateFn,
    FnCount
};

inline constexpr const char *kFunctionNames[FnCount] = {
    "DNSServiceCreateConnection",
    "DNSServiceBrowse",
    "DNSServiceRefSockFD",
    "DNSServiceProcessResult",
    "DNSServiceRefDeallocate",
};

} // namespace DnsSd
