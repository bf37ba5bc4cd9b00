// SPDX-License-Identifier: GPL-3.0-or-later
#include "CViewStateKeeper.h"

#include "CScanFragment.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSet>
#include <QTreeView>

#include <algorithm>

bool CViewStateKeeper::HostIpAt(const QAbstractItemModel *pModel, int i_nRow, quint32 *o_pIp)
{
    if (!pModel || i_nRow < 0 || i_nRow >= pModel->rowCount())
        return false;
    const QVariant vFragment = pModel->index(i_nRow, 0).data(Qt::UserRole);
    if (!vFragment.canConvert<CScanFragment>())
        return false;
    *o_pIp = vFragment.value<CScanFragment>().item().result().ip();
    return true;
}

void CViewStateKeeper::Save(const QTreeView *i_pView)
{
    const QAbstractItemModel *pModel = i_pView->model();
    if (!pModel || !i_pView->selectionModel())
        return;
    TViewState oState;
    const QModelIndexList lSelected = i_pView->selectionModel()->selectedRows(0);
    for (const QModelIndex &oIndex : lSelected) {
        quint32 nIp = 0;
        if (!oIndex.parent().isValid() && HostIpAt(pModel, oIndex.row(), &nIp))
            oState.lnSelectedIps << nIp;
    }
    QModelIndex oCurrent = i_pView->currentIndex();
    while (oCurrent.parent().isValid())
        oCurrent = oCurrent.parent();
    if (oCurrent.isValid() && HostIpAt(pModel, oCurrent.row(), &oState.nCurrentIp)) {
        oState.fHasCurrent = true;
        oState.nCurrentRow = oCurrent.row();
    }
    oState.nVScroll = i_pView->verticalScrollBar()->value();
    oState.nHScroll = i_pView->horizontalScrollBar()->value();
    m_oState = oState;
    m_fSaved = true;
}

void CViewStateKeeper::Restore(QTreeView *i_pView)
{
    const QAbstractItemModel *pModel = i_pView->model();
    if (!pModel || !i_pView->selectionModel() || !m_fSaved)
        return;
    m_fSaved = false;
    const TViewState oState = m_oState;
    QItemSelectionModel *pSelection = i_pView->selectionModel();
    const int nRows = pModel->rowCount();

    // The model carries its persistent indexes across changes, so usually nothing moved; the
    // whole-list walk below runs only when it did.
    QList<quint32> lnNow;
    const QModelIndexList lSelected = pSelection->selectedRows(0);
    for (const QModelIndex &oIndex : lSelected) {
        quint32 nIp = 0;
        if (!oIndex.parent().isValid() && HostIpAt(pModel, oIndex.row(), &nIp))
            lnNow << nIp;
    }
    std::sort(lnNow.begin(), lnNow.end());
    QList<quint32> lnSaved = oState.lnSelectedIps;
    std::sort(lnSaved.begin(), lnSaved.end());
    int nCurrentRow = -1;
    const bool fNeedWalk = lnNow != lnSaved || oState.fHasCurrent;
    if (fNeedWalk) {
        quint32 nCurrentNow = 0;
        const QModelIndex oCurrent = i_pView->currentIndex();
        const bool fCurrentKept =
            oState.fHasCurrent && oCurrent.isValid() && !oCurrent.parent().isValid()
            && HostIpAt(pModel, oCurrent.row(), &nCurrentNow) && nCurrentNow == oState.nCurrentIp;
        if (lnNow != lnSaved || (oState.fHasCurrent && !fCurrentKept)) {
            const QSet<quint32> stSaved(lnSaved.cbegin(), lnSaved.cend());
            QItemSelection oNew;
            for (int nRow = 0; nRow < nRows; ++nRow) {
                quint32 nIp = 0;
                if (!HostIpAt(pModel, nRow, &nIp))
                    continue;
                if (stSaved.contains(nIp))
                    oNew.select(pModel->index(nRow, 0),
                                pModel->index(nRow, pModel->columnCount() - 1));
                if (oState.fHasCurrent && nIp == oState.nCurrentIp)
                    nCurrentRow = nRow;
            }
            if (lnNow != lnSaved)
                pSelection->select(oNew, QItemSelectionModel::ClearAndSelect);
            if (oState.fHasCurrent) {
                if (nCurrentRow < 0 && nRows > 0)
                    nCurrentRow = std::min(std::max(oState.nCurrentRow - 1, 0), nRows - 1);
                if (nCurrentRow >= 0)
                    pSelection->setCurrentIndex(pModel->index(nCurrentRow, 0),
                                                QItemSelectionModel::NoUpdate);
            }
        }
    }
    if (i_pView->verticalScrollBar()->value() != oState.nVScroll)
        i_pView->verticalScrollBar()->setValue(oState.nVScroll);
    if (i_pView->horizontalScrollBar()->value() != oState.nHScroll)
        i_pView->horizontalScrollBar()->setValue(oState.nHScroll);
}
