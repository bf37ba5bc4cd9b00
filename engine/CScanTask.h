// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"

#include <QHostAddress>
#include <QSharedDataPointer>

#include <optional>

class CScanTaskData;

// One answer of IScanTaskSource::GetTask(): end the worker, or probe one address for a scan.
class CScanTask
{
public:
    CScanTask();
    CScanTask(const CScanTask &i_oOther);
    CScanTask &operator=(const CScanTask &i_oOther);
    ~CScanTask();

    bool stop() const;
    void set_stop(bool i_fStop);
    QHostAddress address() const;
    void set_address(const QHostAddress &i_oAddress);
    qint32 scan_id() const;
    void set_scan_id(qint32 i_nId);
    // The size of the scan the address belongs to, taken under the same lock as the address so
    // that a scan started in between cannot pair one scan's id with another's size.
    qint32 scan_size() const;
    void set_scan_size(qint32 i_nSize);
    // The settings snapshot to probe the address with; none: the worker's own.
    std::optional<CCfg> cfg() const;
    void set_cfg(const CCfg &i_oCfg);

private:
    QSharedDataPointer<CScanTaskData> d;
};
