// SPDX-License-Identifier: GPL-3.0-or-later
#include "VBanner.h"
#include "v_ip_about.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

const QString EnglishBanner = QStringLiteral("quellan_banner_en_us.png");

} // namespace

class TestVBanner : public QObject
{
    Q_OBJECT

private slots:
    void shippedBanners_data();
    void shippedBanners();
    void clickArea_data();
    void clickArea();
    void drawnAtRightEdge();
    void scaledDownWhenNarrow();
    void aboutShowsVersion();
    void aboutLinkReportsBannerClick();
    void aboutOkEndsExec();
    void aboutCloseHides();
};

void TestVBanner::shippedBanners_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("untranslated program") << QStringLiteral("en_us");
    QTest::newRow("Russian") << QStringLiteral("ru");
    QTest::newRow("German") << QStringLiteral("de");
}

void TestVBanner::shippedBanners()
{
    QFETCH(QString, code);
    VBanner oBanner;
    QCOMPARE(oBanner.ImageWidth(), 0);
    QCOMPARE(oBanner.sizeHint(), QSize(65535, 0));
    oBanner.SetImage(QStringLiteral("quellan_banner_%1.png").arg(code));
    QVERIFY(oBanner.ImageWidth() > 100);
    QVERIFY(oBanner.sizeHint().height() > 10);
    QCOMPARE(oBanner.sizeHint().width(), 65535);
}

void TestVBanner::clickArea_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("offsetFromImageLeft");
    QTest::addColumn<bool>("clicked");
    // Offsets count from where the image begins: width - image width when wider, else 0.
    QTest::newRow("wide banner: click on the image") << EnglishBanner << 700 << 30 << true;
    QTest::newRow("wide banner: first pixel of the image") << EnglishBanner << 700 << 0 << true;
    QTest::newRow("wide banner: pixel left of the image") << EnglishBanner << 700 << -1 << false;
    QTest::newRow("wide banner: far left does nothing") << EnglishBanner << 700 << -250 << false;
    QTest::newRow("narrow banner: left edge") << EnglishBanner << 200 << 0 << true;
    QTest::newRow("narrow banner: right edge") << EnglishBanner << 200 << 199 << true;
    QTest::newRow("missing image: nothing clickable")
        << QStringLiteral("quellan_banner_qq.png") << 300 << -150 << false;
}

void TestVBanner::clickArea()
{
    QFETCH(QString, image);
    QFETCH(int, width);
    QFETCH(int, offsetFromImageLeft);
    QFETCH(bool, clicked);
    VBanner oBanner;
    oBanner.SetImage(image);
    oBanner.setFixedSize(width, 32);
    oBanner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oBanner));
    QSignalSpy oClicks(&oBanner, &VBanner::EmitClicked);
    const int nImageLeft = std::max(0, width - oBanner.ImageWidth());
    QTest::mouseClick(&oBanner, Qt::LeftButton, {}, QPoint(nImageLeft + offsetFromImageLeft, 16));
    QCOMPARE(oClicks.count(), clicked ? 1 : 0);
}

void TestVBanner::drawnAtRightEdge()
{
    const QImage oImage =
        QImage(QStringLiteral(":/vistrel/") + EnglishBanner).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!oImage.isNull());
    VBanner oBanner;
    oBanner.SetImage(EnglishBanner);
    const int nSpare = 120;
    oBanner.resize(oImage.width() + nSpare, oImage.height());
    QImage oShot(oBanner.size(), QImage::Format_ARGB32);
    oShot.fill(Qt::magenta);
    oBanner.render(&oShot, QPoint(), QRegion(), QWidget::RenderFlags());
    const int nMiddle = oImage.height() / 2;
    QCOMPARE(oShot.pixel(nSpare / 2, nMiddle), QColor(Qt::magenta).rgba());
    for (int x : {10, oImage.width() / 2, oImage.width() - 10})
        QCOMPARE(oShot.pixel(nSpare + x, nMiddle), oImage.pixel(x, nMiddle));
}

void TestVBanner::scaledDownWhenNarrow()
{
    const QImage oImage = QImage(QStringLiteral(":/vistrel/") + EnglishBanner);
    VBanner oBanner;
    oBanner.SetImage(EnglishBanner);
    oBanner.resize(oImage.width() / 2, oImage.height());
    QImage oShot(oBanner.size(), QImage::Format_ARGB32);
    oShot.fill(Qt::magenta);
    oBanner.render(&oShot, QPoint(), QRegion(), QWidget::RenderFlags());
    // The whole image, half as large: its right end is shown too, not cut off.
    const QImage oScaled =
        VBanner::Scaled(oImage, oBanner.size()).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(oScaled.width(), oBanner.width());
    const int nTop = (oBanner.height() - oScaled.height()) / 2;
    const int nMiddle = oScaled.height() / 2;
    for (int x : {10, oScaled.width() / 2, oScaled.width() - 2})
        QCOMPARE(oShot.pixel(x, nTop + nMiddle), oScaled.pixel(x, nMiddle));
}

void TestVBanner::aboutShowsVersion()
{
    v_ip_about oAbout;
    auto *pVersion = oAbout.findChild<QLabel *>(QStringLiteral("lbl_version"));
    QVERIFY(pVersion);
    QCOMPARE(pVersion->text(), QStringLiteral("Vistrel v2.1.200 for Linux and Windows"));
    QCOMPARE(pVersion->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    // The licence the program is given under, not a reservation of all rights.
    auto *pLicence = oAbout.findChild<QLabel *>(QStringLiteral("label_5"));
    QVERIFY(pLicence);
    QVERIFY2(pLicence->text().contains(QLatin1String("GPL-3.0-or-later")),
             qPrintable(pLicence->text()));
    QVERIFY(!pLicence->text().contains(QLatin1String("reserved")));
    QVERIFY(!pVersion->text().contains(QLatin1String("XP")));
    // The version survives a second fill: the numbers go into the translated template again.
    oAbout.OnLanguageChanged();
    QCOMPARE(pVersion->text(), QStringLiteral("Vistrel v2.1.200 for Linux and Windows"));
}

void TestVBanner::aboutLinkReportsBannerClick()
{
    v_ip_about oAbout;
    auto *pSite = oAbout.findChild<QLabel *>(QStringLiteral("lbl_website"));
    QVERIFY(pSite);
    QVERIFY(!pSite->openExternalLinks());
    QSignalSpy oClicks(&oAbout, &v_ip_about::BannerClicked);
    emit pSite->linkActivated(QStringLiteral("https://www.brenmark.example/"));
    QCOMPARE(oClicks.count(), 1);
}

void TestVBanner::aboutOkEndsExec()
{
    v_ip_about oAbout;
    auto *pOk = oAbout.findChild<QPushButton *>(QStringLiteral("pbOk"));
    QVERIFY(pOk);
    bool fClicked = false;
    QTimer::singleShot(0, &oAbout, [&] {
        fClicked = true;
        pOk->click();
    });
    oAbout.exec();
    QVERIFY(fClicked);
    QVERIFY(!oAbout.isVisible());
}

void TestVBanner::aboutCloseHides()
{
    v_ip_about oAbout;
    oAbout.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oAbout));
    QVERIFY(oAbout.close());
    QVERIFY(!oAbout.isVisible());
}

QTEST_MAIN(TestVBanner)
#include "tst_VBanner.moc"
