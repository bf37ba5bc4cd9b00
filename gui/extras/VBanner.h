// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

// The language-specific banner of the main tool bar. Draws its image unscaled at the right edge
// (scaled down whole when the widget is narrower) and emits EmitClicked() when a mouse button is
// released over the drawn image. GUI thread only.
class VBanner final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VBanner)

public:
    explicit VBanner(QWidget *i_pParent = nullptr);

    // Loads ":/vistrel/<i_sName>"; a missing image leaves the banner empty and unclickable.
    void SetImage(const QString &i_sName);
    int ImageWidth() const { return m_oImage.width(); }
    // As wide as the layout allows, as high as the image.
    QSize sizeHint() const override;
    // The image as drawn in an area narrower than it: scaled down whole, proportions kept.
    static QImage Scaled(const QImage &i_oImage, const QSize &i_oArea);

signals:
    void EmitClicked();

protected:
    void paintEvent(QPaintEvent *i_pEvent) override;
    void mouseReleaseEvent(QMouseEvent *i_pEvent) override;

private:
    QImage m_oImage;
};
