#include "mainwindowfixture.h"
#include "testsupport.h"

#include "forms/common/imagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/zoom/frmQX_PictureZoom.h"

#include <QListWidget>
#include <QPointer>
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
    void keysBrowseThePhotosAsClicksWould();
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
    QCOMPARE(seen.caption, QStringLiteral("图片放大 - 外景 (1/1)"));
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
    QListWidget photoNames;
    photoNames.addItem(QStringLiteral("客厅"));
    frmQX_PictureZoom zoom(source, photoNames, 0, nullptr);
    zoom.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zoom));
    auto *image = control<ImageBox>(&zoom, QStringLiteral("ImgZoom"));
    zoom.setWindowState(Qt::WindowNoState);
    zoom.resize(300, 200);
    QTRY_COMPARE(image->geometry(), QRect(QPoint(0, 0), zoom.frameGeometry().size()));
    QCOMPARE(image->picture().cacheKey(), picture.cacheKey());
}

void TestZoom::keysBrowseThePhotosAsClicksWould()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("A1"));
    const QVector<std::tuple<const char *, const char *, QColor>> photos = {
        {"a.jpg", "外景", Qt::red}, {"gone.jpg", "客厅", QColor()}, {"c.jpg", "厨房", Qt::green}, {"d.jpg", "阳台", Qt::blue}};
    for (const auto &[file, name, colour] : photos) {
        listings.addPicture(QStringLiteral("A1"), QString::fromLatin1(file), QString::fromUtf8(name));
        if (colour.isValid())
            listings.writePhoto(QString::fromLatin1(file), QSize(64, 48), "PNG", colour);
    }
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));

    // Each key, the entry it chooses in the photo list, and what the enlarged view shows then.
    struct Step
    {
        Qt::Key key;
        int chosen;
        const char *caption;
        QColor shown;
        bool missing;
    };
    const Step steps[] = {
        {Qt::Key_Right, 1, "图片放大 - 外景 (1/4)", Qt::red, true},
        {Qt::Key_Right, 2, "图片放大 - 厨房 (3/4)", Qt::green, false},
        {Qt::Key_Left, 1, "图片放大 - 厨房 (3/4)", Qt::green, true},
        {Qt::Key_PageUp, 0, "图片放大 - 外景 (1/4)", Qt::red, false},
        {Qt::Key_Left, 0, "图片放大 - 外景 (1/4)", Qt::red, false},
        {Qt::Key_End, 3, "图片放大 - 阳台 (4/4)", Qt::blue, false},
        {Qt::Key_PageDown, 3, "图片放大 - 阳台 (4/4)", Qt::blue, false},
        {Qt::Key_Home, 0, "图片放大 - 外景 (1/4)", Qt::red, false},
        {Qt::Key_PageDown, 1, "图片放大 - 外景 (1/4)", Qt::red, true},
        {Qt::Key_PageDown, 2, "图片放大 - 厨房 (3/4)", Qt::green, false},
    };
    QPointer<QWidget> shown;
    whenModalShown([&](QWidget *zoom) {
        shown = zoom;
        QCOMPARE(zoom->windowTitle(), QStringLiteral("图片放大 - 外景 (1/4)"));
        auto *image = control<ImageBox>(zoom, QStringLiteral("ImgZoom"));
        for (const Step &step : steps) {
            const QString what = QStringLiteral("after %1 to %2").arg(QKeySequence(step.key).toString()).arg(step.chosen);
            if (step.missing)
                MessageScript::expect(QStringLiteral("找不到文件客厅，可能已被删除或改变了存放目录！"), 64,
                                      QStringLiteral("房源图片"));
            QTest::keyClick(zoom, step.key);
            QVERIFY2(MessageScript::allShown(), qPrintable(what));
            QCOMPARE(main.photoNames().currentRow(), step.chosen);
            QCOMPARE(zoom->windowTitle(), QString::fromUtf8(step.caption));
            // The same picture as the photo box, the last one that could be read.
            QCOMPARE(image->picture().cacheKey(), photo->picture().cacheKey());
            const QColor middle = image->picture().pixelColor(32, 24);
            QVERIFY2(middle == step.shown, qPrintable(what + QStringLiteral(": ") + middle.name()));
        }
        QTest::keyClick(zoom, Qt::Key_Escape);
    });
    QTest::mouseDClick(photo, Qt::LeftButton);
    QVERIFY(shown.isNull() || !shown->isVisible());
    QCOMPARE(main.photoNames().currentRow(), 2);
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
