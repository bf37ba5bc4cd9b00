// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The test network's table of expected values (tests/netlab/netlab.sh writes it when the lab is
// up): one row per address, its cells by column name.

#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

using TLabRow = QMap<QString, QString>;

inline QString LabTablePath()
{
    return QStringLiteral("/run/vistrel-netlab/hosts.tsv");
}

// Empty when the lab is not up.
inline QList<TLabRow> ReadLabTable()
{
    QList<TLabRow> lRows;
    QFile oFile(LabTablePath());
    if (!oFile.open(QIODevice::ReadOnly))
        return lRows;
    const QStringList lsLines =
        QString::fromUtf8(oFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lsLines.isEmpty())
        return lRows;
    const QStringList lsColumns = lsLines.first().split(QLatin1Char('\t'));
    for (int i = 1; i < lsLines.size(); ++i) {
        if (lsLines.at(i).trimmed().isEmpty())
            continue;
        const QStringList lsFields = lsLines.at(i).split(QLatin1Char('\t'));
        TLabRow mRow;
        for (int c = 0; c < lsColumns.size(); ++c)
            mRow.insert(lsColumns.at(c), c < lsFields.size() ? lsFields.at(c) : QString());
        lRows << mRow;
    }
    return lRows;
}
