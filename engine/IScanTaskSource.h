// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanTask.h"

#include <QObject>

#include <memory>

class CLivenessSweep;

// What a scan worker asks for work. Called from the workers' own threads.
class IScanTaskSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Blocks until there is something for the calling worker to do.
    virtual CScanTask GetTask() = 0;
    // The number of addresses of the current scan.
    virtual qint32 GetScanSize() = 0;
    // The liveness sweep running ahead of the workers for scan i_nScanId; null when there is
    // none (switched off, or the scan is no longer the current one).
    virtual std::shared_ptr<CLivenessSweep> LivenessSweep(qint32 i_nScanId)
    {
        Q_UNUSED(i_nScanId)
        return nullptr;
    }
};
