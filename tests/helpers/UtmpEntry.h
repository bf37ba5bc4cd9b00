// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The logged-on users a test's smbd reports come from a utmp file the test writes.

#include <QByteArray>
#include <QDataStream>

#include <ctime>

// One utmp record as glibc lays it out on 64-bit Linux (384 bytes).
inline QByteArray UtmpEntry(const QByteArray &i_baUser, const QByteArray &i_baLine)
{
    QByteArray baEntry;
    QDataStream oOut(&baEntry, QIODevice::WriteOnly);
    oOut.setByteOrder(QDataStream::LittleEndian);
    auto Fixed = [&oOut](const QByteArray &i_baText, int i_nSize) {
        QByteArray baField = i_baText.left(i_nSize);
        baField.append(QByteArray(i_nSize - baField.size(), '\0'));
        oOut.writeRawData(baField.constData(), i_nSize);
    };
    oOut << qint16(7) << qint16(0) << qint32(1); // USER_PROCESS, padding, pid
    Fixed(i_baLine, 32);
    Fixed(i_baLine.right(4), 4);
    Fixed(i_baUser, 32);
    Fixed(QByteArray(), 256);
    oOut << qint16(0) << qint16(0) << qint32(0);                          // exit, session
    oOut << qint32(static_cast<qint32>(std::time(nullptr))) << qint32(0); // login time
    Fixed(QByteArray(), 16 + 20);
    return baEntry;
}
