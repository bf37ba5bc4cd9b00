// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRecursiveMutex>
#include <QTreeView>
#include <QVector>

class CMenuHeaderView;

// The tree view of a results model. Reports right clicks and double clicks, tells the selected
// host rows (SelectedHostRows()), drags rows out and takes dropped rows in the results model's
// drag-and-drop format, and paints hosts that are not alive on a grey background.
//
// Main thread only. The scan lock is recursive so that the main thread, which holds it for the
// whole of a scan, can still paint, drag and save; it keeps painting and exports from ever
// overlapping a scan's model updates should they move off the main thread.
class CMouseRightClickTableView final : public QTreeView
{
    Q_OBJECT
    Q_DISABLE_COPY(CMouseRightClickTableView)

public:
    explicit CMouseRightClickTableView(QWidget *i_pParent = nullptr);

    void setModel(QAbstractItemModel *i_pModel) override;

    void SetDragDropMode(QAbstractItemView::DragDropMode i_eMode);
    QAbstractItemView::DragDropMode StoredDragDropMode() const { return m_eDragDropMode; }
    void Lock() { m_oScanLock.lock(); }
    void Unlock() { m_oScanLock.unlock(); }
    // The host rows of the selection model's selection, ascending; a selected service or share
    // row stands for its host.
    QVector<int> SelectedHostRows() const;
    CMenuHeaderView *MenuHeader() const { return m_pHeader; }

    // The grey of hosts that are not alive.
    static QColor NotAliveColor() { return QColor(224, 224, 224); }

signals:
    void RightButtonPressed(const QMouseEvent *i_pEvent);
    void PasteData(const QByteArray &baData);
    void ClearSelection(const QAbstractItemModel *i_pModel);
    void IndexDblClicked(const QModelIndex &i_oIndex);

public slots:
    void OnDropEvent(QDropEvent *i_pEvent, bool &i_fProcessed);

protected:
    void mousePressEvent(QMouseEvent *i_pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent *i_pEvent) override;
    void dragEnterEvent(QDragEnterEvent *i_pEvent) override;
    void dragMoveEvent(QDragMoveEvent *i_pEvent) override;
    void dropEvent(QDropEvent *i_pEvent) override;
    void showEvent(QShowEvent *i_pEvent) override;
    void startDrag(Qt::DropActions i_eSupportedActions) override;
    void drawRow(QPainter *i_pPainter,
                 const QStyleOptionViewItem &i_oOption,
                 const QModelIndex &i_oIndex) const override;
    void drawBranches(QPainter *i_pPainter,
                      const QRect &i_oRect,
                      const QModelIndex &i_oIndex) const override;

private:
    static int TopLevelRow(QModelIndex i_oIndex);
    QPixmap DragImage(QPoint *o_pHotSpot);

    QPoint m_oPressPos;
    QAbstractItemView::DragDropMode m_eDragDropMode = QAbstractItemView::NoDragDrop;
    bool m_fNoBranches = false;
    mutable QRecursiveMutex m_oScanLock;
    CMenuHeaderView *m_pHeader = nullptr;
    bool m_fShown = false;
};
