// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDialogGeometry.h"

#include "CCfg.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <utility>

CDialogGeometry::CDialogGeometry(QWidget *i_pDialog, CCfg &i_oCfg, QString i_sKey)
    : m_pDialog(i_pDialog)
    , m_oCfg(i_oCfg)
    , m_sKey(std::move(i_sKey))
{
    m_pDialog->installEventFilter(this);
}

bool CDialogGeometry::eventFilter(QObject *i_pWatched, QEvent *i_pEvent)
{
    if (i_pWatched == m_pDialog && !i_pEvent->spontaneous()) {
        if (i_pEvent->type() == QEvent::Show)
            Restore();
        else if (i_pEvent->type() == QEvent::Hide)
            Store();
    }
    return QObject::eventFilter(i_pWatched, i_pEvent);
}

void CDialogGeometry::Restore()
{
    const QRect oRect = m_oCfg.Value(m_sKey).toRect();
    if (!oRect.isValid())
        return;
    if (QGuiApplication::screenAt(oRect.center()))
        m_pDialog->setGeometry(oRect);
    else
        m_pDialog->resize(oRect.size());
}

void CDialogGeometry::Store()
{
    m_oCfg.SetValue(m_sKey, m_pDialog->geometry());
}
