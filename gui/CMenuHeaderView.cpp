// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMenuHeaderView.h"

#include <QMouseEvent>

CMenuHeaderView::CMenuHeaderView(Qt::Orientation i_eOrientation, QWidget *i_pParent)
    : QHeaderView(i_eOrientation, i_pParent)
{
}

void CMenuHeaderView::mousePressEvent(QMouseEvent *i_pEvent)
{
    QHeaderView::mousePressEvent(i_pEvent);
    if (i_pEvent->button() == Qt::RightButton)
        emit RightButtonPressed(i_pEvent);
}
