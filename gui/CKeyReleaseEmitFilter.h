// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// An application-wide event filter that turns the release of one key into KeyReleased(). The key
// counts only when it was pressed and released while the bound window was the active window and
// no popup was open; a filter without a window reacts in every window. The receiver marks the key
// handled by setting the flag, which consumes the release; an unhandled key reaches its widget.
//
// Lives on the main thread; install it on the application object. The signal is meant for direct
// connections: the flag is read back as soon as emit returns.
class CKeyReleaseEmitFilter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CKeyReleaseEmitFilter)

public:
    CKeyReleaseEmitFilter(int i_nKey, QObject *i_pParent, QWidget *i_pWindow);

    int Key() const { return m_nKey; }
    QWidget *Window() const { return m_pWindow; }

signals:
    void KeyReleased(bool &i_fProcessed);

protected:
    bool eventFilter(QObject *i_pObject, QEvent *i_pEvent) override;

private:
    bool WindowIsActive() const;

    int m_nKey;
    QPointer<QWidget> m_pWindow;
    bool m_fArmed = false;
};
