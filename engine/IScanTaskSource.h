// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanTask.h"

#include <QObject>

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
};
