// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QTabWidget>

class QDropEvent;

// A tab widget whose tabs take dropped rows for the pages that allow it: dragging over such a
// tab switches to its page, and a drop on it is offered to the receivers of DropEventHappened.
// Main thread only; the signal is meant for direct connections (the flag is read back).
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

signals:
    void DropEventHappened(QDropEvent *i_pEvent, int i_nDropPage, bool &i_fDropped);

protected:
    void dragEnterEvent(QDragEnterEvent *i_pEvent) override;
    void dragMoveEvent(QDragMoveEvent *i_pEvent) override;
    void dropEvent(QDropEvent *i_pEvent) override;

private:
    void DragOver(QDragMoveEvent *i_pEvent);
    int PageAt(const QPoint &i_oPos) const;

    QByteArray m_baPageFlags;
    bool m_fSwitchOnHover = true;
};
