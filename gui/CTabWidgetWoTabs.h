// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTabWidget>

// A page stack with the look of a tab widget but no tab bar: pages are switched by the program.
class CTabWidgetWoTabs final : public QTabWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CTabWidgetWoTabs)

public:
    explicit CTabWidgetWoTabs(QWidget *i_pParent = nullptr);
};
