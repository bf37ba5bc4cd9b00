// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>

class QWidget;

// An application-wide event filter that turns the release of one key into a call of its handler.
// The key counts only when it was pressed and released while the bound window was the active
// window and no popup was open; a filter without a window reacts in every window. A handler that
// returns true consumes the release; an unhandled key reaches its widget.
//
// Lives on the main thread; install it on the application object.
class CKeyReleaseEmitFilter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CKeyReleaseEmitFilter)

public:
    CKeyReleaseEmitFilter(int i_nKey, QObject *i_pParent, QWidget *i_pWindow);

    int Key() const { return m_nKey; }
    QWidget *Window() const { return m_pWindow; }
    using THandler = std::function<bool()>;
    void SetHandler(THandler i_fnHandler) { m_fnHandler = std::move(i_fnHandler); }

protected:
    bool eventFilter(QObject *i_pObject, QEvent *i_pEvent) override;

private:
    bool WindowIsActive() const;

    int m_nKey;
    QPointer<QWidget> m_pWindow;
    bool m_fArmed = false;
    THandler m_fnHandler;
};
