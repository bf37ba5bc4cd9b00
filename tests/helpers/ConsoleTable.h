// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The console program's text output as rows of fields: the header line and empty lines are left
// out, a carriage return before the line feed is taken off, fields are split at " | " and
// trimmed. The status is field 0, the address field 2, the MAC field 5.
inline QList<QStringList> ConsoleRows(const QByteArray &i_baOutput)
{
    QList<QStringList> lRows;
    const QStringList lsLines = QString::fromUtf8(i_baOutput).split(QLatin1Char('\n'));
    for (int i = 1; i < lsLines.size(); ++i) {
        // Split before trimming: a row ends in a separator, which trimming would cut in half.
        QString sLine = lsLines.at(i);
        if (sLine.endsWith(QLatin1Char('\r')))
            sLine.chop(1);
        if (sLine.trimmed().isEmpty())
            continue;
        QStringList lsFields = sLine.split(QStringLiteral(" | "));
        for (QString &sField : lsFields)
            sField = sField.trimmed();
        lRows.append(lsFields);
    }
    return lRows;
}
