// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanItem.h"

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

class CScanFragmentData;

// A piece of a results-tree item carried inside a QVariant: the kind of row (host, HTTP, HTTPS,
// FTP, Ortavo port, share; 0 when empty), its port or share name, and the item it belongs to.
class CScanFragment
{
public:
    CScanFragment();
    CScanFragment(qint32 i_nKind, qint32 i_nPort, const QString &i_sText, const CScanItem &i_oItem);
    CScanFragment(const CScanFragment &i_oOther);
    CScanFragment &operator=(const CScanFragment &i_oOther);
    ~CScanFragment();

    qint32 kind() const;
    void set_kind(qint32 i_nKind);
    qint32 port() const;
    void set_port(qint32 i_nPort);
    QString text() const;
    void set_text(const QString &i_sText);
    CScanItem item() const;
    void set_item(const CScanItem &i_oItem);

private:
    QSharedDataPointer<CScanFragmentData> d;
};

Q_DECLARE_METATYPE(CScanFragment)
