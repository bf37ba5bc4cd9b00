// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QVariant>

// How one column of a results view is shown: a plain value record.
struct CColumnState
{
    enum ESort : qint32
    {
        SortAscending = 0,
        SortDescending = 1,
        SortNone = 2,
    };

    qint32 column = 0; // logical section, the model's column number
    qint32 sort = SortNone;
    bool visible = true;
    QVariant width; // pixels as an int, or invalid: leave the width as it is
};

using CColumnStateList = QList<CColumnState>;
