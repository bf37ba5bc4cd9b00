// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanResult.h"

#include <QList>
#include <QMetaType>
#include <QString>

// A result together with the user's comment, as the results model, the Favorites list, the
// clipboard and drag-and-drop hand it around. Items are identified by their result's ip.
class CScanItem
{
public:
    CScanItem() = default;
    explicit CScanItem(const CScanResult &i_oResult, const QString &i_sComments = QString());

    const CScanResult &result() const { return m_oResult; }
    CScanResult &result() { return m_oResult; }
    void set_result(const CScanResult &i_oResult) { m_oResult = i_oResult; }
    QString comments() const { return m_sComments; }
    void set_comments(const QString &i_sComments) { m_sComments = i_sComments; }

private:
    CScanResult m_oResult;
    QString m_sComments; // implicitly shared on its own
};

Q_DECLARE_METATYPE(CScanItem)
Q_DECLARE_METATYPE(QList<CScanItem> *)
