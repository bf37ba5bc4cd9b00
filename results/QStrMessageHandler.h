// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractMessageHandler>
#include <QString>

// Collects every message of an XSL step, whatever its type, so that the caller decides where
// they go (the debug output only: a broken stylesheet must never bother the user).
class QStrMessageHandler final : public QAbstractMessageHandler
{
    Q_OBJECT
    Q_DISABLE_COPY(QStrMessageHandler)

public:
    explicit QStrMessageHandler(QObject *i_pParent = nullptr);

    QString Messages() const { return m_sMessages; }
    void Clear() { m_sMessages.clear(); }

protected:
    void handleMessage(QtMsgType i_eType,
                       const QString &i_sDescription,
                       const QUrl &i_oIdentifier,
                       const QSourceLocation &i_oSourceLocation) override;

private:
    QString m_sMessages;
};
