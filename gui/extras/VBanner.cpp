// SPDX-License-Identifier: GPL-3.0-or-later
#include "VBanner.h"

#include "ExtrasLog.h"

#include <QMouseEvent>
#include <QPainter>

VBanner::VBanner(QWidget *i_pParent)
    : QWidget(i_pParent)
{
    InitGuiExtrasResources();
}

void VBanner::SetImage(const QString &i_sName)
{
    m_oImage = QImage(QStringLiteral(":/vistrel/%1").arg(i_sName));
    if (m_oImage.isNull())
        qCDebug(lcGuiExtras) << "no banner image" << i_sName;
    updateGeometry();
    update();
}

QSize VBanner::sizeHint() const
{
    return QSize(65535, m_oImage.height());
}

void VBanner::paintEvent(QPaintEvent *)
{
    if (m_oImage.isNull())
        return;
    QRect oTarget = rect();
    QRect oSource = m_oImage.rect();
    const int nSpare = oTarget.width() - oSource.width();
    if (nSpare > 0)
        oTarget.setLeft(oTarget.left() + nSpare);
    else if (nSpare < 0)
        oSource.setRight(oSource.right() + nSpare);
    QPainter oPainter(this);
    oPainter.drawImage(oTarget, m_oImage, oSource);
}

void VBanner::mouseReleaseEvent(QMouseEvent *i_pEvent)
{
    QRect oArea = rect();
    const int nSpare = oArea.width() - m_oImage.width();
    if (nSpare > 0)
        oArea.setLeft(oArea.left() + nSpare);
    if (oArea.contains(i_pEvent->pos()))
        emit EmitClicked();
}
