// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the compiled-in pictures of the options, about and banner widgets at build time, so that
// the tree holds their recipe instead of binary files. Usage: vistrel_draw_art OUTPUT_DIR
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int BannerWidth = 440;
constexpr int BannerHeight = 32;

// The program's mark: a radar sweep over a small network of dots.
void DrawMark(QPainter &io_rPainter, const QRectF &i_oBox)
{
    io_rPainter.save();
    io_rPainter.setRenderHint(QPainter::Antialiasing);
    const QPointF oCentre = i_oBox.center();
    const qreal dRadius = i_oBox.width() / 2.0;
    QRadialGradient oDisc(oCentre, dRadius);
    oDisc.setColorAt(0.0, QColor(0x2f, 0x8f, 0xd8));
    oDisc.setColorAt(1.0, QColor(0x10, 0x4a, 0x86));
    io_rPainter.setPen(Qt::NoPen);
    io_rPainter.setBrush(oDisc);
    io_rPainter.drawEllipse(oCentre, dRadius, dRadius);

    io_rPainter.setPen(QPen(QColor(255, 255, 255, 140), dRadius / 16.0));
    io_rPainter.setBrush(Qt::NoBrush);
    for (qreal dPart : {0.33, 0.66})
        io_rPainter.drawEllipse(oCentre, dRadius * dPart, dRadius * dPart);

    QPainterPath oSweep;
    oSweep.moveTo(oCentre);
    oSweep.arcTo(
        QRectF(
            oCentre.x() - dRadius * 0.9, oCentre.y() - dRadius * 0.9, dRadius * 1.8, dRadius * 1.8),
        20,
        50);
    oSweep.closeSubpath();
    io_rPainter.setPen(Qt::NoPen);
    io_rPainter.setBrush(QColor(140, 255, 170, 170));
    io_rPainter.drawPath(oSweep);

    io_rPainter.setBrush(QColor(0xff, 0xd2, 0x4a));
    const qreal dDot = dRadius / 9.0;
    for (const QPointF &oOffset :
         {QPointF(0.45, -0.35), QPointF(-0.4, 0.3), QPointF(0.2, 0.55), QPointF(-0.55, -0.25)})
        io_rPainter.drawEllipse(oCentre + oOffset * dRadius, dDot, dDot);
    io_rPainter.restore();
}

bool Save(const QImage &i_oImage, const QString &i_sPath)
{
    if (i_oImage.save(i_sPath, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(i_sPath));
    return false;
}

bool DrawBanner(const QString &i_sPath, const QString &i_sHeadline, const QString &i_sOffer)
{
    QImage oImage(BannerWidth, BannerHeight, QImage::Format_ARGB32_Premultiplied);
    oImage.fill(Qt::transparent);
    QPainter oPainter(&oImage);
    oPainter.setRenderHint(QPainter::Antialiasing);
    oPainter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient oBack(0, 0, BannerWidth, 0);
    oBack.setColorAt(0.0, QColor(0x0d, 0x3b, 0x6e));
    oBack.setColorAt(1.0, QColor(0x1f, 0x78, 0xc1));
    oPainter.setPen(Qt::NoPen);
    oPainter.setBrush(oBack);
    oPainter.drawRoundedRect(QRectF(0.5, 0.5, BannerWidth - 1, BannerHeight - 1), 5, 5);

    DrawMark(oPainter, QRectF(4, 3, BannerHeight - 6, BannerHeight - 6));

    const QRectF oTextBox(BannerHeight + 4, 1, BannerWidth - BannerHeight - 12, BannerHeight / 2.0);
    QFont oHeadFont(QStringLiteral("DejaVu Sans"));
    oHeadFont.setBold(true);
    // Some languages say it longer: the headline shrinks until it fits.
    for (int nPixels = 13; nPixels >= 8; --nPixels) {
        oHeadFont.setPixelSize(nPixels);
        if (QFontMetrics(oHeadFont).horizontalAdvance(i_sHeadline) <= oTextBox.width())
            break;
    }
    oPainter.setFont(oHeadFont);
    oPainter.setPen(Qt::white);
    oPainter.drawText(oTextBox, Qt::AlignLeft | Qt::AlignVCenter, i_sHeadline);

    QFont oOfferFont(QStringLiteral("DejaVu Sans"));
    oOfferFont.setPixelSize(11);
    oPainter.setFont(oOfferFont);
    oPainter.setPen(QColor(0xff, 0xd2, 0x4a));
    oPainter.drawText(
        oTextBox.translated(0, BannerHeight / 2.0 - 2), Qt::AlignLeft | Qt::AlignVCenter, i_sOffer);
    oPainter.end();
    return Save(oImage, i_sPath);
}

bool DrawAboutLogo(const QString &i_sPath)
{
    QImage oImage(96, 96, QImage::Format_ARGB32_Premultiplied);
    oImage.fill(Qt::transparent);
    QPainter oPainter(&oImage);
    DrawMark(oPainter, QRectF(2, 2, 92, 92));
    oPainter.end();
    return Save(oImage, i_sPath);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication oApp(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vistrel_draw_art OUTPUT_DIR\n");
        return 2;
    }
    const QDir oDir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(oDir.path()))
        return 1;
    // The banners advertise the maker's remote-administration product, one per language code
    // that the language menu can hold; "en_us" stands for the untranslated program.
    bool fOk = DrawBanner(oDir.filePath(QStringLiteral("quellan_banner_en_us.png")),
                          QStringLiteral("Ortavo: remote control for every PC on your network"),
                          QStringLiteral("Try it free for 30 days \u2192"));
    fOk = DrawBanner(oDir.filePath(QStringLiteral("quellan_banner_ru.png")),
                     QStringLiteral("Ortavo: удалённое управление компьютерами вашей сети"),
                     QStringLiteral("Попробуйте бесплатно 30 дней \u2192"))
          && fOk;
    fOk = DrawBanner(oDir.filePath(QStringLiteral("quellan_banner_de.png")),
                     QStringLiteral("Ortavo: Fernsteuerung für jeden PC in Ihrem Netzwerk"),
                     QStringLiteral("30 Tage kostenlos testen \u2192"))
          && fOk;
    fOk = DrawAboutLogo(oDir.filePath(QStringLiteral("about_logo.png"))) && fOk;
    return fOk ? 0 : 1;
}
