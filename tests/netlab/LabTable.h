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

// Empty when the lab is not up. The first line names the columns, unless they are given (the
// lab's other tables, such as services.tsv, have no header line).
inline QList<TLabRow> ReadLabTable(const QString &i_sPath = LabTablePath(),
                                   const QStringList &i_lsColumns = {})
{
    QList<TLabRow> lRows;
    QFile oFile(i_sPath);
    if (!oFile.open(QIODevice::ReadOnly))
        return lRows;
    QStringList lsLines =
        QString::fromUtf8(oFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList lsColumns = i_lsColumns;
    if (lsColumns.isEmpty() && !lsLines.isEmpty())
        lsColumns = lsLines.takeFirst().split(QLatin1Char('\t'));
    for (const QString &sLine : qAsConst(lsLines)) {
        if (sLine.trimmed().isEmpty())
            continue;
        const QStringList lsFields = sLine.split(QLatin1Char('\t'));
        TLabRow mRow;
        for (int c = 0; c < lsColumns.size(); ++c)
            mRow.insert(lsColumns.at(c), c < lsFields.size() ? lsFields.at(c) : QString());
        lRows << mRow;
    }
    return lRows;
}
