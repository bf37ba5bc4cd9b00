// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>

// A header that reports right-button presses, so the window can open its column menu there.
// Main thread only.
class CMenuHeaderView final : public QHeaderView
{
    Q_OBJECT
    Q_DISABLE_COPY(CMenuHeaderView)

public:
    CMenuHeaderView(Qt::Orientation i_eOrientation, QWidget *i_pParent = nullptr);

signals:
    void RightButtonPressed(const QMouseEvent *i_pEvent);

protected:
    void mousePressEvent(QMouseEvent *i_pEvent) override;
};
