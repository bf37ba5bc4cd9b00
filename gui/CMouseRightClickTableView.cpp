// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMouseRightClickTableView.h"

#include "CMenuHeaderView.h"
#include "CScanFragment.h"
#include "VResultsBackend.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelection>
#include <QMimeData>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>

#include <algorithm>

CMouseRightClickTableView::CMouseRightClickTableView(QWidget *i_pParent)
    : QTreeView(i_pParent)
{
    m_pHeader = new CMenuHeaderView(Qt::Horizontal, this);
    m_pHeader->setHighlightSections(header()->highlightSections());
    m_pHeader->setSortIndicatorShown(header()->isSortIndicatorShown());
    setHeader(m_pHeader);
    setUniformRowHeights(true);
}

void CMouseRightClickTableView::setModel(QAbstractItemModel *i_pModel)
{
    QTreeView::setModel(i_pModel);
}

void CMouseRightClickTableView::SetDragDropMode(QAbstractItemView::DragDropMode i_eMode)
{
    m_eDragDropMode = i_eMode;
    setDragDropMode(i_eMode);
}

int CMouseRightClickTableView::TopLevelRow(QModelIndex i_oIndex)
{
    while (i_oIndex.parent().isValid())
        i_oIndex = i_oIndex.parent();
    return i_oIndex.row();
}

QVector<int> CMouseRightClickTableView::SelectedHostRows() const
{
    // Read from the selection model at each use rather than kept: a model re-layout moves
    // selected rows without any selectionChanged().
    QVector<int> vRows;
    if (!selectionModel())
        return vRows;
    for (const QItemSelectionRange &oRange : selectionModel()->selection()) {
        const int nTop = TopLevelRow(oRange.topLeft());
        const int nBottom = TopLevelRow(oRange.bottomRight());
        for (int nRow = nTop; nRow >= 0 && nRow <= nBottom; ++nRow)
            vRows.append(nRow);
    }
    std::sort(vRows.begin(), vRows.end());
    vRows.erase(std::unique(vRows.begin(), vRows.end()), vRows.end());
    return vRows;
}

void CMouseRightClickTableView::mousePressEvent(QMouseEvent *i_pEvent)
{
    QTreeView::mousePressEvent(i_pEvent);
    const QModelIndex oIndex = indexAt(i_pEvent->pos());
    if (oIndex.isValid() && oIndex.parent().isValid() && selectionModel()) {
        const QModelIndex oHost = oIndex.parent().sibling(oIndex.parent().row(), 0);
        selectionModel()->select(oHost, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (i_pEvent->button() == Qt::RightButton)
        emit RightButtonPressed(i_pEvent);
    else
        m_oPressPos = i_pEvent->pos();
}

void CMouseRightClickTableView::mouseDoubleClickEvent(QMouseEvent *i_pEvent)
{
    QTreeView::mouseDoubleClickEvent(i_pEvent);
    const QModelIndex oIndex = indexAt(i_pEvent->pos());
    if (oIndex.isValid())
        emit IndexDblClicked(oIndex);
}

void CMouseRightClickTableView::dragEnterEvent(QDragEnterEvent *i_pEvent)
{
    if (i_pEvent->mimeData()->hasFormat(VResultsBackend::MimeFormat()))
        i_pEvent->accept();
    else
        i_pEvent->ignore();
}

void CMouseRightClickTableView::dragMoveEvent(QDragMoveEvent *i_pEvent)
{
    const bool fDropMode = m_eDragDropMode == QAbstractItemView::DropOnly
                           || m_eDragDropMode == QAbstractItemView::DragDrop
                           || m_eDragDropMode == QAbstractItemView::InternalMove;
    if (fDropMode && i_pEvent->mimeData()->hasFormat(VResultsBackend::MimeFormat()))
        i_pEvent->accept();
    else
        i_pEvent->ignore();
}

void CMouseRightClickTableView::dropEvent(QDropEvent *i_pEvent)
{
    if (!i_pEvent->mimeData()->hasFormat(VResultsBackend::MimeFormat())) {
        i_pEvent->ignore();
        return;
    }
    emit PasteData(i_pEvent->mimeData()->data(VResultsBackend::MimeFormat()));
    i_pEvent->accept();
}

void CMouseRightClickTableView::OnDropEvent(QDropEvent *i_pEvent, bool &i_fProcessed)
{
    if (i_fProcessed)
        return;
    // Only rows taken count as handled: a drop of anything else must stay ignored upstream.
    dropEvent(i_pEvent);
    i_fProcessed = i_pEvent->isAccepted();
}

void CMouseRightClickTableView::showEvent(QShowEvent *i_pEvent)
{
    QTreeView::showEvent(i_pEvent);
    m_fShown = true;
}

QPixmap CMouseRightClickTableView::DragImage(QPoint *o_pHotSpot)
{
    QRect oBounds;
    const QRect oViewport = viewport()->rect();
    for (const int nRow : SelectedHostRows()) {
        QRect oRect = visualRect(model()->index(nRow, 0));
        if (!oRect.isValid() || !oViewport.intersects(oRect))
            continue;
        oRect.setLeft(0);
        oRect.setRight(oViewport.right());
        oBounds |= oRect;
    }
    oBounds &= oViewport;
    if (oBounds.isEmpty())
        return QPixmap();

    m_fNoBranches = true;
    const QPixmap oRows = viewport()->grab(oBounds);
    m_fNoBranches = false;
    QPixmap oImage(oRows.size());
    oImage.setDevicePixelRatio(oRows.devicePixelRatio());
    oImage.fill(Qt::transparent);
    QPainter oPainter(&oImage);
    oPainter.drawPixmap(0, 0, oRows);
    oPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    oPainter.fillRect(oImage.rect(), QColor(0, 0, 0, 128));
    oPainter.end();
    *o_pHotSpot = m_oPressPos - oBounds.topLeft();
    return oImage;
}

void CMouseRightClickTableView::startDrag(Qt::DropActions i_eSupportedActions)
{
    Lock();
    const QVector<int> vRows = SelectedHostRows();
    if (vRows.isEmpty() || !model()) {
        Unlock();
        return;
    }
    QModelIndexList lIndexes;
    for (const int nRow : vRows)
        lIndexes << model()->index(nRow, 0);
    QMimeData *pData = model()->mimeData(lIndexes);
    if (!pData) {
        Unlock();
        return;
    }
    auto *pDrag = new QDrag(this);
    pDrag->setMimeData(pData);
    QPoint oHotSpot = m_oPressPos;
    const QPixmap oImage = DragImage(&oHotSpot);
    if (!oImage.isNull())
        pDrag->setPixmap(oImage);
    pDrag->setHotSpot(oHotSpot);
    Unlock();

    if (pDrag->exec(i_eSupportedActions, Qt::CopyAction) != Qt::IgnoreAction)
        emit ClearSelection(model());
}

void CMouseRightClickTableView::drawRow(QPainter *i_pPainter,
                                        const QStyleOptionViewItem &i_oOption,
                                        const QModelIndex &i_oIndex) const
{
    QMutexLocker oLock(&m_oScanLock);
    if (!i_oIndex.parent().isValid()) {
        const QVariant vFragment = i_oIndex.sibling(i_oIndex.row(), 0).data(Qt::UserRole);
        if (vFragment.canConvert<CScanFragment>()
            && !vFragment.value<CScanFragment>().item().result().IsAlive()) {
            QStyleOptionViewItem oOption = i_oOption;
            oOption.features |= QStyleOptionViewItem::Alternate;
            oOption.palette.setBrush(QPalette::AlternateBase, NotAliveColor());
            QTreeView::drawRow(i_pPainter, oOption, i_oIndex);
            return;
        }
    }
    QTreeView::drawRow(i_pPainter, i_oOption, i_oIndex);
}

void CMouseRightClickTableView::drawBranches(QPainter *i_pPainter,
                                             const QRect &i_oRect,
                                             const QModelIndex &i_oIndex) const
{
    if (m_fNoBranches)
        return;
    QTreeView::drawBranches(i_pPainter, i_oRect, i_oIndex);
}
