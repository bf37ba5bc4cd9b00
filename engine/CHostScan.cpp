// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostScan.h"

#include "CHostNaming.h"

#include <QThread>

namespace {

bool StopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

} // namespace

CHostScan::CHostScan(const CCfg &i_oCfg)
    : m_oCfg(i_oCfg)
{}

void CHostScan::Run(CScanResult &io_oResult) const
{
    if (StopRequested() || !io_oResult.IsAlive())
        return;
    CHostNaming::NameFromDiscovery(io_oResult);
}
