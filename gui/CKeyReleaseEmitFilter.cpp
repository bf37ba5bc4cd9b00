// SPDX-License-Identifier: GPL-3.0-or-later
#include "CKeyReleaseEmitFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

CKeyReleaseEmitFilter::CKeyReleaseEmitFilter(int i_nKey, QObject *i_pParent, QWidget *i_pWindow)
    : QObject(i_pParent)
    , m_nKey(i_nKey)
    , m_pWindow(i_pWindow)
{
}

bool CKeyReleaseEmitFilter::WindowIsActive() const
{
    return QApplication::activeWindow() == m_pWindow.data() && !QApplication::activePopupWidget();
}

bool CKeyReleaseEmitFilter::eventFilter(QObject *i_pObject, QEvent *i_pEvent)
{
    const QEvent::Type eType = i_pEvent->type();
    if (eType != QEvent::KeyPress && eType != QEvent::KeyRelease)
        return QObject::eventFilter(i_pObject, i_pEvent);
    // A key event passes the filter once for the platform window and once more for every widget
    // it propagates to; only widget deliveries count, so one press gives one signal.
    if (!i_pObject->isWidgetType())
        return QObject::eventFilter(i_pObject, i_pEvent);

    const auto *pKeyEvent = static_cast<QKeyEvent *>(i_pEvent);
    const bool fOurKey = pKeyEvent->key() == m_nKey;
    if (eType == QEvent::KeyPress) {
        if (!fOurKey)
            m_fArmed = false;
        else if (!m_fArmed)
            m_fArmed = !m_pWindow || WindowIsActive();
        return QObject::eventFilter(i_pObject, i_pEvent);
    }

    if (!m_fArmed || !fOurKey || pKeyEvent->isAutoRepeat()) {
        if (!pKeyEvent->isAutoRepeat())
            m_fArmed = false;
        return QObject::eventFilter(i_pObject, i_pEvent);
    }
    m_fArmed = false;
    if (m_pWindow && !WindowIsActive())
        return QObject::eventFilter(i_pObject, i_pEvent);
    // Disarmed before the call either way: an unhandled release propagating to the parent
    // widgets must not call the handler a second time.
    if (m_fnHandler && m_fnHandler())
        return true;
    return QObject::eventFilter(i_pObject, i_pEvent);
}
