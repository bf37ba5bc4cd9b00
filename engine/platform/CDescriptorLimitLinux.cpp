// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDescriptorLimit.h"
#include "EngineLog.h"

#include <cerrno>
#include <cstring>

#include <sys/resource.h>

namespace {

quint64 InForce(const rlimit &i_oLimit)
{
    return i_oLimit.rlim_cur == RLIM_INFINITY ? 0 : quint64(i_oLimit.rlim_cur);
}

} // namespace

quint64 CDescriptorLimit::RaiseToHard()
{
    rlimit oLimit{};
    if (::getrlimit(RLIMIT_NOFILE, &oLimit) != 0) {
        qCWarning(lcEngine) << "descriptor limit unknown:" << std::strerror(errno);
        return 0;
    }
    if (oLimit.rlim_cur != oLimit.rlim_max) {
        rlimit oRaised = oLimit;
        oRaised.rlim_cur = oLimit.rlim_max;
        // Some systems refuse an unlimited or huge soft limit for descriptors; the old one stays.
        if (::setrlimit(RLIMIT_NOFILE, &oRaised) == 0)
            oLimit = oRaised;
        else
            qCWarning(lcEngine) << "descriptor limit not raised:" << std::strerror(errno);
    }
    return InForce(oLimit);
}

quint64 CDescriptorLimit::Current()
{
    rlimit oLimit{};
    if (::getrlimit(RLIMIT_NOFILE, &oLimit) != 0)
        return 0;
    return InForce(oLimit);
}
