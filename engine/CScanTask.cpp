// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanTask.h"

#include <QSharedData>

#include <optional>

class CScanTaskData : public QSharedData
{
public:
    bool fStop = false;
    QHostAddress oAddress;
    qint32 nScanId = -1;
    qint32 nScanSize = 0;
    std::optional<CCfg> ooCfg;
};

CScanTask::CScanTask()
    : d(new CScanTaskData)
{
}

CScanTask::CScanTask(const CScanTask &i_oOther) = default;
CScanTask &CScanTask::operator=(const CScanTask &i_oOther) = default;
CScanTask::~CScanTask() = default;

bool CScanTask::stop() const
{
    return d->fStop;
}
void CScanTask::set_stop(bool i_fStop)
{
    d->fStop = i_fStop;
}
QHostAddress CScanTask::address() const
{
    return d->oAddress;
}
void CScanTask::set_address(const QHostAddress &i_oAddress)
{
    d->oAddress = i_oAddress;
}
qint32 CScanTask::scan_id() const
{
    return d->nScanId;
}
void CScanTask::set_scan_id(qint32 i_nId)
{
    d->nScanId = i_nId;
}
qint32 CScanTask::scan_size() const
{
    return d->nScanSize;
}
void CScanTask::set_scan_size(qint32 i_nSize)
{
    d->nScanSize = i_nSize;
}
std::optional<CCfg> CScanTask::cfg() const
{
    return d->ooCfg;
}
void CScanTask::set_cfg(const CCfg &i_oCfg)
{
    d->ooCfg = i_oCfg;
}
