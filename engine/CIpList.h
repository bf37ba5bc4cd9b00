// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IpRanges.h"

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

#include <optional>

class CIpListData;

// The addresses of one scan request, handed to the scanner by value. Implicitly shared with
// copy-on-write. Counting and handing out walk the ranges; no address list is ever built.
// Inner addresses ending in .0 or .255 are neither counted nor handed out; a range's own ends are.
class CIpList
{
public:
    CIpList();
    explicit CIpList(const IpRanges &i_oRanges);
    CIpList(const CIpList &i_oOther);
    CIpList &operator=(const CIpList &i_oOther);
    ~CIpList();

    void AddRange(quint32 i_nFirst, quint32 i_nLast);
    quint32 Count() const;
    // Not thread-safe by itself; the scanner calls it under its own lock.
    std::optional<quint32> TakeNext();
    // Copy-on-write decides by a relaxed read of the share count, which orders nothing between
    // threads; a copy that another thread will walk is made private before that thread starts.
    void Detach();
    // Reads the scan field: comma-separated A or A-B entries. True when a range was read.
    bool SetFromText(const QString &i_sText);

    QVector<TIpRange> Ranges() const;

    static quint32 CountRange(quint32 i_nFirst, quint32 i_nLast);

private:
    QSharedDataPointer<CIpListData> d;
};

Q_DECLARE_METATYPE(CIpList)
