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
    QPainter oPainter(this);
    const int nSpare = width() - m_oImage.width();
    if (nSpare >= 0) {
        oPainter.drawImage(QPoint(nSpare, 0), m_oImage);
        return;
    }
    // Narrower than the image (a small window, a long translation): the whole banner scaled
    // down, never its text cut off mid-word.
    const QImage oScaled = Scaled(m_oImage, size());
    oPainter.drawImage(QPoint(width() - oScaled.width(), (height() - oScaled.height()) / 2),
                       oScaled);
}

QImage VBanner::Scaled(const QImage &i_oImage, const QSize &i_oArea)
{
    return i_oImage.scaled(i_oArea, Qt::KeepAspectRatio, Qt::SmoothTransformation);
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
