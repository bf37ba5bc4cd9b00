// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QAbstractItemModel;
class QTreeView;

// Keeps a results view's selected hosts, current host and scroll positions across a change of its
// model that may move rows: Save() before, Restore() after. Hosts are found again by address,
// through the model's fragment role. The model carries persistent indexes across its changes, so
// Restore() usually finds nothing to do and only walks the rows when something really moved.
// Main thread only.
class CViewStateKeeper final
{
public:
    void Save(const QTreeView *i_pView);
    // Does nothing without an earlier Save().
    void Restore(QTreeView *i_pView);
    void Forget() { m_fSaved = false; }

    // The address of the host at a top-level row; false when the row shows no host.
    static bool HostIpAt(const QAbstractItemModel *i_pModel, int i_nRow, quint32 *o_pIp);

private:
    struct TViewState
    {
        QList<quint32> lnSelectedIps;
        bool fHasCurrent = false;
        quint32 nCurrentIp = 0;
        int nCurrentRow = -1;
        int nVScroll = 0;
        int nHScroll = 0;
    };

    TViewState m_oState;
    bool m_fSaved = false;
};
