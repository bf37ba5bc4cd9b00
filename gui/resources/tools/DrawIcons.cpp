// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icons into the current folder. Not part of the build; run by hand after a
// change and commit the PNG files:
//   g++ -std=c++17 -fPIC DrawIcons.cpp $(pkg-config --cflags --libs Qt5Gui) -o /tmp/draw_icons
//   (cd gui/resources && QT_QPA_PLATFORM=offscreen /tmp/draw_icons)
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {

void Save(const char *i_pName, int i_nSize, const std::function<void(QPainter &)> &i_fnDraw)
{
    QImage oImage(i_nSize, i_nSize, QImage::Format_ARGB32_Premultiplied);
    oImage.fill(Qt::transparent);
    QPainter oPainter(&oImage);
    oPainter.setRenderHint(QPainter::Antialiasing);
    oPainter.scale(i_nSize / 32.0, i_nSize / 32.0);
    i_fnDraw(oPainter);
    oPainter.end();
    oImage.save(QString::fromLatin1(i_pName));
}

void Dot(QPainter &p, const QColor &i_oColor)
{
    QRadialGradient oGradient(QPointF(12, 11), 18);
    oGradient.setColorAt(0, i_oColor.lighter(160));
    oGradient.setColorAt(1, i_oColor);
    p.setPen(QPen(i_oColor.darker(150), 2));
    p.setBrush(oGradient);
    p.drawEllipse(QRectF(4, 4, 24, 24));
}

void Power(QPainter &p, const QColor &i_oColor)
{
    p.setPen(QPen(i_oColor, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 6, 22, 22), 120 * 16, -240 * 16);
    p.drawLine(QPointF(16, 3), QPointF(16, 15));
}

void Monitor(QPainter &p)
{
    p.setPen(QPen(QColor(60, 70, 90), 2));
    p.setBrush(QColor(120, 170, 230));
    p.drawRoundedRect(QRectF(3, 4, 26, 18), 2, 2);
    p.setBrush(QColor(60, 70, 90));
    p.drawRect(QRectF(13, 22, 6, 4));
    p.drawRect(QRectF(9, 26, 14, 2));
}

void Folder(QPainter &p, const QColor &i_oColor)
{
    QPainterPath oPath;
    oPath.moveTo(3, 8);
    oPath.lineTo(12, 8);
    oPath.lineTo(15, 11);
    oPath.lineTo(29, 11);
    oPath.lineTo(29, 27);
    oPath.lineTo(3, 27);
    oPath.closeSubpath();
    p.setPen(QPen(i_oColor.darker(160), 2));
    p.setBrush(i_oColor);
    p.drawPath(oPath);
}

void Globe(QPainter &p)
{
    p.setPen(QPen(QColor(30, 90, 160), 2));
    p.setBrush(QColor(150, 200, 245));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3, 12, 26));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication oApp(argc, argv);

    Save("IDI_APPICON.png", 32, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(25, 95, 170));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setPen(QPen(Qt::white, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 11, 11);
        p.drawEllipse(QPointF(16, 16), 6, 6);
        p.drawLine(QPointF(16, 16), QPointF(25, 7));
        p.setBrush(QColor(120, 230, 120));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(21, 11), 2.5, 2.5);
    });
    Save("facebook_like.png", 16, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(25, 95, 170));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
        QPainterPath oHeart;
        oHeart.moveTo(16, 26);
        oHeart.cubicTo(2, 16, 6, 4, 16, 11);
        oHeart.cubicTo(26, 4, 30, 16, 16, 26);
        p.setBrush(Qt::white);
        p.drawPath(oHeart);
    });
    Save("quellan_net_my.png", 32, [](QPainter &p) {
        Monitor(p);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 160, 60));
        p.drawEllipse(QPointF(16, 13), 5, 5);
    });
    Save("quellan_net_c.png", 32, [](QPainter &p) {
        p.setPen(QPen(QColor(60, 70, 90), 2));
        p.drawLine(QPointF(16, 16), QPointF(6, 7));
        p.drawLine(QPointF(16, 16), QPointF(26, 7));
        p.drawLine(QPointF(16, 16), QPointF(6, 26));
        p.drawLine(QPointF(16, 16), QPointF(26, 26));
        p.setBrush(QColor(120, 170, 230));
        for (const QPointF &oPoint :
             {QPointF(6, 7), QPointF(26, 7), QPointF(6, 26), QPointF(26, 26)})
            p.drawEllipse(oPoint, 4, 4);
        p.setBrush(QColor(25, 95, 170));
        p.drawEllipse(QPointF(16, 16), 7, 7);
        QFont oFont;
        oFont.setPixelSize(10);
        oFont.setBold(true);
        p.setFont(oFont);
        p.setPen(Qt::white);
        p.drawText(QRectF(9, 9, 14, 14), Qt::AlignCenter, QStringLiteral("C"));
    });
    Save("quellan_shutdown.png", 32, [](QPainter &p) { Power(p, QColor(200, 40, 40)); });
    Save("quellan_wol.png", 32, [](QPainter &p) {
        Power(p, QColor(40, 160, 60));
        p.setPen(QPen(QColor(40, 160, 60), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(21, 1, 10, 10), 0, 90 * 16);
        p.drawArc(QRectF(18, -2, 16, 16), 0, 90 * 16);
    });
    Save("icon_alive.png", 16, [](QPainter &p) { Dot(p, QColor(40, 170, 60)); });
    Save("icon_dead.png", 16, [](QPainter &p) { Dot(p, QColor(200, 50, 50)); });
    Save("icon_unknown.png", 16, [](QPainter &p) {
        Dot(p, QColor(150, 150, 150));
        QFont oFont;
        oFont.setPixelSize(18);
        oFont.setBold(true);
        p.setFont(oFont);
        p.setPen(Qt::white);
        p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
    });
    Save("ftp.png", 16, [](QPainter &p) { Folder(p, QColor(240, 200, 90)); });
    Save("http.png", 16, [](QPainter &p) { Globe(p); });
    Save("https.png", 16, [](QPainter &p) {
        Globe(p);
        p.setPen(QPen(QColor(120, 90, 20), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(17, 12, 10, 10), 0, 180 * 16);
        p.setBrush(QColor(240, 190, 40));
        p.drawRect(QRectF(15, 17, 14, 12));
    });
    Save("share.png", 16, [](QPainter &p) {
        Folder(p, QColor(120, 170, 230));
        p.setPen(QPen(QColor(30, 80, 150), 2));
        p.drawLine(QPointF(9, 22), QPointF(23, 22));
        p.drawLine(QPointF(18, 17), QPointF(23, 22));
    });
    Save("icon_ortavo.png", 16, [](QPainter &p) {
        Monitor(p);
        p.setPen(QPen(QColor(200, 60, 40), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 17), QPointF(21, 9));
        p.drawLine(QPointF(21, 9), QPointF(15, 9));
        p.drawLine(QPointF(21, 9), QPointF(21, 15));
    });
    return 0;
}
