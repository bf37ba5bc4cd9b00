// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDragDropTabWidget.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QTabBar>

CDragDropTabWidget::CDragDropTabWidget(QWidget *i_pParent)
    : QTabWidget(i_pParent)
{
}

void CDragDropTabWidget::SetPageAcceptsDrops(int i_nPage, bool i_fAccepts)
{
    if (i_nPage < 0)
        return;
    while (m_baPageFlags.size() <= i_nPage)
        m_baPageFlags.append('0');
    m_baPageFlags[i_nPage] = i_fAccepts ? '1' : '0';
}

bool CDragDropTabWidget::PageAcceptsDrops(int i_nPage) const
{
    return i_nPage >= 0 && i_nPage < m_baPageFlags.size() && m_baPageFlags.at(i_nPage) == '1';
}

void CDragDropTabWidget::SetDragAndDropEnabled(bool i_fEnabled)
{
    tabBar()->setEnabled(i_fEnabled);
    if (i_fEnabled != m_fSwitchOnHover) {
        m_fSwitchOnHover = i_fEnabled;
        setAcceptDrops(i_fEnabled);
    }
}

int CDragDropTabWidget::PageAt(const QPoint &i_oPos) const
{
    return tabBar()->tabAt(tabBar()->mapFrom(this, i_oPos));
}

void CDragDropTabWidget::DragOver(QDragMoveEvent *i_pEvent)
{
    const int nPage = PageAt(i_pEvent->pos());
    if (!PageAcceptsDrops(nPage)) {
        i_pEvent->ignore();
        return;
    }
    if (m_fSwitchOnHover && nPage != currentIndex())
        setCurrentIndex(nPage);
    i_pEvent->accept();
}

void CDragDropTabWidget::dragEnterEvent(QDragEnterEvent *i_pEvent)
{
    DragOver(i_pEvent);
}

void CDragDropTabWidget::dragMoveEvent(QDragMoveEvent *i_pEvent)
{
    DragOver(i_pEvent);
}

void CDragDropTabWidget::dropEvent(QDropEvent *i_pEvent)
{
    const int nPage = PageAt(i_pEvent->pos());
    if (!PageAcceptsDrops(nPage)) {
        i_pEvent->ignore();
        return;
    }
    if (m_fnDropHandler && m_fnDropHandler(i_pEvent, nPage))
        i_pEvent->accept();
    else
        i_pEvent->ignore();
}
