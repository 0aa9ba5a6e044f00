#include "mainwindowfixture.h"
#include "testsupport.h"

#include "forms/common/imagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/zoom/frmQX_PictureZoom.h"

#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QScreen>
#include <QTest>

namespace {

struct ZoomSeen
{
    QPointer<QWidget> window;
    QString caption;
    bool maximised = false;
    Qt::WindowFlags flags;
    bool iconEmpty = false;
    QRect imageGeometry;
    QSize outerSize;
    qint64 pictureKey = 0;
    QImage drawn;
};

// Double-clicks the photo box and records the enlarged window before closing it.
ZoomSeen zoomIn(ImageBox &photo)
{
    ZoomSeen seen;
    whenModalShown([&seen](QWidget *modal) {
        // Maximising reaches the window a moment after it shows.
        const QSize available = modal->screen()->availableGeometry().size();
        seen.maximised = QTest::qWaitFor([&] { return modal->frameGeometry().width() >= available.width(); }, 2000)
                         && modal->windowState() & Qt::WindowMaximized;
        seen.window = modal;
        seen.caption = modal->windowTitle();
        seen.flags = modal->windowFlags();
        seen.iconEmpty = modal->windowIcon().isNull();
        auto *image = control<ImageBox>(modal, QStringLiteral("ImgZoom"));
        seen.imageGeometry = image->geometry();
        seen.outerSize = modal->frameGeometry().size();
        seen.pictureKey = image->picture().cacheKey();
        seen.drawn = image->grab().toImage();
        modal->close();
    });
    QTest::mouseDClick(&photo, Qt::LeftButton);
    return seen;
}

} // namespace

class TestZoom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void enlargedWindowShowsTheSamePictureStretched();
    void everyOpeningIsAFreshWindow();
    void missingSecondPhotoEnlargesTheFirst();
    void relayoutOnEverySizeChange();
};

void TestZoom::enlargedWindowShowsTheSamePictureStretched()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("tall.png"), QStringLiteral("外景"));
    main.listings().writePhoto(QStringLiteral("tall.png"), QSize(20, 200), "PNG", Qt::red);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    const ZoomSeen seen = zoomIn(*photo);
    QCOMPARE(seen.caption, QStringLiteral("图片放大"));
    QVERIFY(seen.maximised);
    QVERIFY(seen.flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(seen.flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(seen.iconEmpty);
    QCOMPARE(seen.pictureKey, photo->picture().cacheKey());
    // The window's outer size, from its top-left corner.
    QCOMPARE(seen.imageGeometry, QRect(QPoint(0, 0), seen.outerSize));
    QVERIFY(seen.outerSize.width() >= window.screen()->availableGeometry().width() - 20);
    // A tall narrow picture is stretched across the whole width.
    const QColor right = seen.drawn.pixelColor(seen.drawn.width() - 5, seen.drawn.height() / 2);
    QCOMPARE(right, QColor(Qt::red));
    QTRY_VERIFY(seen.window.isNull());
}

void TestZoom::everyOpeningIsAFreshWindow()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a.jpg"), QStringLiteral("外景"));
    main.listings().writePhoto(QStringLiteral("a.jpg"));
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    const ZoomSeen first = zoomIn(*photo);
    QVERIFY(first.maximised);
    QVERIFY(first.window.isNull());
    const ZoomSeen second = zoomIn(*photo);
    QVERIFY(second.maximised);
    QCOMPARE(second.pictureKey, photo->picture().cacheKey());
    QVERIFY(window.isVisible());
}

void TestZoom::missingSecondPhotoEnlargesTheFirst()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a.jpg"), QStringLiteral("外景"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("gone.jpg"), QStringLiteral("厨房"));
    main.listings().writePhoto(QStringLiteral("a.jpg"));
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    const qint64 first = photo->picture().cacheKey();
    MessageScript::expect(QStringLiteral("找不到文件厨房，可能已被删除或改变了存放目录！"), 64, QStringLiteral("房源图片"));
    main.photoNames().setCurrentRow(1);
    QCOMPARE(zoomIn(*photo).pictureKey, first);
}

void TestZoom::relayoutOnEverySizeChange()
{
    ImageBox source;
    QImage picture(30, 30, QImage::Format_RGB32);
    picture.fill(Qt::green);
    source.setPicture(picture);
    frmQX_PictureZoom zoom(source, nullptr);
    zoom.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zoom));
    auto *image = control<ImageBox>(&zoom, QStringLiteral("ImgZoom"));
    zoom.setWindowState(Qt::WindowNoState);
    zoom.resize(300, 200);
    QTRY_COMPARE(image->geometry(), QRect(QPoint(0, 0), zoom.frameGeometry().size()));
    QCOMPARE(image->picture().cacheKey(), picture.cacheKey());
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
