// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QTabWidget>

#include <functional>
#include <utility>

class QDropEvent;

// A tab widget whose tabs take dropped rows for the pages that allow it: dragging over such a
// tab switches to its page, and a drop on it is offered to the drop handler, which tells whether
// it took the rows. Main thread only.
class CDragDropTabWidget final : public QTabWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CDragDropTabWidget)

public:
    explicit CDragDropTabWidget(QWidget *i_pParent = nullptr);

    void SetPageAcceptsDrops(int i_nPage, bool i_fAccepts);
    bool PageAcceptsDrops(int i_nPage) const;
    // Also locks the tab bar: while a scan runs neither clicks nor drags may switch pages.
    void SetDragAndDropEnabled(bool i_fEnabled);
    bool SwitchOnHover() const { return m_fSwitchOnHover; }
    // Called for a drop on a page that takes drops; true when the rows were taken.
    using TDropHandler = std::function<bool(QDropEvent *i_pEvent, int i_nDropPage)>;
    void SetDropHandler(TDropHandler i_fnHandler) { m_fnDropHandler = std::move(i_fnHandler); }

protected:
    void dragEnterEvent(QDragEnterEvent *i_pEvent) override;
    void dragMoveEvent(QDragMoveEvent *i_pEvent) override;
    void dropEvent(QDropEvent *i_pEvent) override;

private:
    void DragOver(QDragMoveEvent *i_pEvent);
    int PageAt(const QPoint &i_oPos) const;

    QByteArray m_baPageFlags;
    bool m_fSwitchOnHover = true;
    TDropHandler m_fnDropHandler;
};
