// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTabWidgetWoTabs.h"

#include <QTabBar>

CTabWidgetWoTabs::CTabWidgetWoTabs(QWidget *i_pParent)
    : QTabWidget(i_pParent)
{
    tabBar()->hide();
}
