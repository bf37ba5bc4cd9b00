// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class CScanResult;

// What the console adds to a host beyond its scan result.
struct THostExtras
{
    bool fVendor = false;
    QString sVendor;
    bool fChange = false;
    QString sChange;       // "new", "gone", "changed" or "unchanged"
    QStringList lsChanged; // what changed, for a changed host
};

// One host as one line of JSON Lines: a compact object with every field of the result, the
// status as its word, the MAC address as text (empty when unknown), the services and shares as
// arrays, and the vendor and the change mark when the caller has them.
class CHostJson final
{
public:
    CHostJson() = delete;

    // The object's UTF-8 text followed by one line feed.
    static QByteArray Line(const CScanResult &i_oResult,
                           const THostExtras &i_oExtras = THostExtras());
};
