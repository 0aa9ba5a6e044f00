// Photos on a screen of two device pixels to the point (QT_SCALE_FACTOR=2), as a 4K desk
// monitor at 200 % shows them: drawn pixel for pixel, neither pixel-doubled nor blurred.
// Run by on-xvfb.sh on the xcb platform, on a 3840 x 2160 screen without a window manager.

#include "listingfixture.h"
#include "mainwindowfixture.h"
#include "picturefiles.h"
#include "testsupport.h"

#include "forms/common/imagebox.h"
#include "forms/compare/comparison.h"
#include "forms/compare/frmQX_Compare.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Black and white pixels in turn: the finest detail a photo can hold.
QImage checkerboard(const QSize &size)
{
    QImage board(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(board.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    return board;
}

// Part of a widget as a rectangle of the screen's device pixels.
QRect devicePixels(const QWidget *widget, const QRect &part)
{
    const qreal ratio = widget->devicePixelRatioF();
    return QRect((QPointF(widget->mapToGlobal(part.topLeft())) * ratio).toPoint(), (QSizeF(part.size()) * ratio).toSize());
}

// How many device pixels of the screen, inside area, do not differ sharply from their right
// and lower neighbours: none where a checkerboard is drawn pixel for pixel; all where it is
// pixel-doubled (every other neighbour is the same) or blurred (all grey).
int unsharpPixels(QScreen *screen, const QRect &area)
{
    // The grab is asked for in points and comes in device pixels.
    const qreal ratio = screen->devicePixelRatio();
    const QImage shown = screen->grabWindow(0, qRound(area.x() / ratio), qRound(area.y() / ratio),
                                            qRound(area.width() / ratio), qRound(area.height() / ratio))
                             .toImage();
    if (shown.size() != area.size())
        return -1;
    int unsharp = 0;
    for (int y = 0; y + 1 < shown.height(); ++y) {
        for (int x = 0; x + 1 < shown.width(); ++x) {
            const int here = qGray(shown.pixel(x, y));
            unsharp += qAbs(here - qGray(shown.pixel(x + 1, y))) < 128 || qAbs(here - qGray(shown.pixel(x, y + 1))) < 128;
        }
    }
    return unsharp;
}

// The same, in its middle and at its four corners: enough of a whole screen to see it.
int unsharpPixelsAround(QScreen *screen, const QRect &area)
{
    const QSize part(256, 256);
    int unsharp = 0;
    for (const QPoint &at : {area.center() - QPoint(128, 128), area.topLeft(), area.topRight() - QPoint(255, 0),
                             area.bottomLeft() - QPoint(0, 255), area.bottomRight() - QPoint(255, 255)})
        unsharp += unsharpPixels(screen, QRect(at, part));
    return unsharp;
}

} // namespace

class TestSharpPhotos : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void photoBoxAndEnlargedPhotoDrawEveryDevicePixel();
    void comparisonDrawsEveryDevicePixel();
};

void TestSharpPhotos::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    QCOMPARE(QGuiApplication::primaryScreen()->size() * 2, QSize(3840, 2160));
    TestSandbox::setUp();
}

void TestSharpPhotos::photoBoxAndEnlargedPhotoDrawEveryDevicePixel()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("A1"));
    listings.addPicture(QStringLiteral("A1"), QStringLiteral("box.png"), QStringLiteral("客厅"));
    listings.addPicture(QStringLiteral("A1"), QStringLiteral("screen.png"), QStringLiteral("全景"));
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // A photo of as many pixels as the photo box has device pixels.
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    const qreal ratio = photo->devicePixelRatioF();
    listings.writePictureFile(QStringLiteral("box.png"),
                              PictureFiles::encoded(checkerboard(photo->contentsRect().size() * ratio), "PNG"));
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    QVERIFY(photo->hasPicture());
    const QRect box = devicePixels(photo, photo->contentsRect());
    QTRY_COMPARE(unsharpPixels(window.screen(), box), 0);

    // In the enlarged view, a photo of as many pixels as the screen shows of it.
    bool enlargedSeen = false;
    whenModalShown([&](QWidget *zoom) {
        QTRY_COMPARE(zoom->frameGeometry(), zoom->screen()->geometry());
        auto *enlarged = control<ImageBox>(zoom, QStringLiteral("ImgZoom"));
        listings.writePictureFile(QStringLiteral("screen.png"),
                                  PictureFiles::encoded(checkerboard(enlarged->contentsRect().size() * ratio), "PNG"));
        QTest::keyClick(zoom, Qt::Key_Right);
        QCOMPARE(zoom->windowTitle(), QStringLiteral("图片放大 - 全景 (2/2)"));
        const QRect shown = devicePixels(enlarged, enlarged->contentsRect());
        QTRY_COMPARE(unsharpPixelsAround(zoom->screen(), shown), 0);
        enlargedSeen = true;
        zoom->close();
    });
    QTest::mouseDClick(photo, Qt::LeftButton);
    QVERIFY(enlargedSeen);
}

void TestSharpPhotos::comparisonDrawsEveryDevicePixel()
{
    // Each photo of the comparison is shown 180 x 135 points large; the photos are kept as
    // the program keeps them, prepared from a picture file.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("board.png"));
    QVERIFY(checkerboard(QSize(360, 270)).save(file));
    Handout::Listings listings{{}, std::make_shared<PrintPhotos>(), {}};
    for (int i = 0; i < 2; ++i) {
        const int kept = listings.photos->keep(PrintPhotos::prepare({file}, Handout::photoSize()));
        QVERIFY(kept >= 0);
        listings.listings.append({ListingRecord(), kept});
    }
    const Comparison comparison(listings);
    frmQX_Compare compare(comparison, QStringLiteral("sharp"), nullptr);
    compare.show();
    QVERIFY(QTest::qWaitForWindowExposed(&compare));
    const auto *table = control<QTableWidget>(&compare, QStringLiteral("tblCompare"));
    for (int column = 0; column < 2; ++column) {
        const auto *photo = qobject_cast<const QLabel *>(table->cellWidget(0, column));
        QVERIFY(photo);
        const QRect drawn = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(180, 135), photo->contentsRect());
        QTRY_COMPARE(unsharpPixels(compare.screen(), devicePixels(photo, drawn)), 0);
    }
}

QTEST_MAIN(TestSharpPhotos)
#include "tst_sharpphotos.moc"
