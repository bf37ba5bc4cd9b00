// SPDX-License-Identifier: GPL-3.0-or-later
#include "QStrMessageHandler.h"

QStrMessageHandler::QStrMessageHandler(QObject *i_pParent)
    : QAbstractMessageHandler(i_pParent)
{
}

void QStrMessageHandler::handleMessage(QtMsgType i_eType,
                                       const QString &i_sDescription,
                                       const QUrl &i_oIdentifier,
                                       const QSourceLocation &i_oSourceLocation)
{
    Q_UNUSED(i_eType)
    Q_UNUSED(i_oIdentifier)
    Q_UNUSED(i_oSourceLocation)
    m_sMessages += i_sDescription;
}
