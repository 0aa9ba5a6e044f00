#include "mainwindowfixture.h"
#include "testsupport.h"
#include "windowwatch.h"

#include "core/mQuillonix.h"
#include "forms/common/imagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/photoarea.h"
#include "picturefiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString photoCaption = QStringLiteral("房源图片");

QString missingMessage(const QString &name)
{
    return QStringLiteral("找不到文件") + name + QStringLiteral("，可能已被删除或改变了存放目录！");
}

QString unreadableMessage(const QString &name)
{
    return QStringLiteral("不能显示图片") + name + QStringLiteral("，文件已损坏或不是可以显示的图片！");
}

// The colour in the middle of the picture the photo box holds; JPEG shifts colours a little.
bool holdsColour(const ImageBox &box, const QColor &colour)
{
    if (!box.hasPicture())
        return false;
    const QColor middle = box.picture().pixelColor(box.picture().width() / 2, box.picture().height() / 2);
    return qAbs(middle.red() - colour.red()) < 12 && qAbs(middle.green() - colour.green()) < 12
           && qAbs(middle.blue() - colour.blue()) < 12;
}

void choosePhoto(QListWidget &list, int row)
{
    const QRect entry = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, entry.center());
}

// Close enough for colours that went through lossy JPEG or WebP.
bool nearColour(const QColor &seen, const QColor &wanted)
{
    return qAbs(seen.red() - wanted.red()) < 10 && qAbs(seen.green() - wanted.green()) < 10
           && qAbs(seen.blue() - wanted.blue()) < 10;
}

// The colour drawn at a fraction of a drawing's width and height.
QColor drawnAt(const QImage &drawing, qreal x, qreal y)
{
    return drawing.pixelColor(int(drawing.width() * x), int(drawing.height() * y));
}

// What the photo box draws, inside its border.
QImage photoBoxDrawing(ImageBox &photo)
{
    return photo.grab(photo.contentsRect()).toImage();
}

// What the enlarged view draws of the photo box's picture, opened by a double-click.
QImage enlargedDrawing(ImageBox &photo)
{
    QImage drawn;
    whenModalShown([&drawn](QWidget *zoom) {
        drawn = control<ImageBox>(zoom, QStringLiteral("ImgZoom"))->grab().toImage();
        zoom->close();
    });
    QTest::mouseDClick(&photo, Qt::LeftButton);
    return drawn;
}

// A picture whose left half is one colour and right half another, in the given format.
QImage twoHalves(const QSize &size, QImage::Format format, const QColor &left, const QColor &right)
{
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(left);
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), right);
    painter.end();
    if (format == QImage::Format_Mono || format == QImage::Format_Indexed8)
        return picture.convertToFormat(format, {left.rgba(), right.rgba()});
    return picture.convertToFormat(format);
}

// The size a picture file's header claims, as Qt reads it.
QSize sizeInHeader(QByteArray file)
{
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

// Which quarter of a drawing a stored corner lands in: column and row, each 0 or 1.
using Quarter = QPoint;

} // namespace

class TestPhotos : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void pathIsFolderPictureAndNumberAsStored();
    void firstPhotoIsShownWhenTheListingLoads();
    void missingFirstPhotoLeavesTheBoxEmpty();
    void missingLaterPhotoKeepsTheEarlierOne();
    void photoStoredInAnotherLetterCaseIsFound();
    void unreadableFilesAreReportedAndTheEarlierPhotoKept();
    void largePhotoIsKeptAtScreenSize();
    void eachKindOfPictureInItsOwnColours_data();
    void eachKindOfPictureInItsOwnColours();
    void phonePhotoShowsUpright_data();
    void phonePhotoShowsUpright();
    void onlyRegularFilesInsideThePictureFolderArePhotos_data();
    void onlyRegularFilesInsideThePictureFolderArePhotos();
    void pictureIsReadOnlyWithinThePixelBudget_data();
    void pictureIsReadOnlyWithinThePixelBudget();
    void todaysCameraPhotosAreShown_data();
    void todaysCameraPhotosAreShown();
    void photoListStaysVisibleBehindAMessage();
};

void TestPhotos::pathIsFolderPictureAndNumberAsStored()
{
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1.jpg")),
             QStringLiteral("/srv/data/picture/a1.jpg"));
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1")),
             QStringLiteral("/srv/data/picture/a1"));
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1.jpg  ")),
             QStringLiteral("/srv/data/picture/a1.jpg  "));
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("2024/a1.jpg")),
             QStringLiteral("/srv/data/picture/2024/a1.jpg"));
    // A number that leads outside the picture folder names no file.
    for (const char *outside : {"../itdb.mdb", "..", "2024/../../itdb.mdb", "/srv/data/itdb.mdb"})
        QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QString::fromLatin1(outside)), QString());

    // Numbers without an extension, or with trailing blanks, name their files exactly.
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("front"), QStringLiteral("外景"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("room.jpg "), QStringLiteral("客厅"));
    main.listings().writePhoto(QStringLiteral("front"), QSize(40, 30), "JPEG", Qt::red);
    main.listings().writePhoto(QStringLiteral("room.jpg "), QSize(40, 30), "PNG", Qt::green);
    main.listings().writePhoto(QStringLiteral("room.jpg"), QSize(40, 30), "PNG", Qt::blue);
    frmQX_Quillonix &window = main.open();
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    QVERIFY(holdsColour(*photo, Qt::red));
    choosePhoto(main.photoNames(), 1);
    QVERIFY(holdsColour(*photo, Qt::green));
}

void TestPhotos::firstPhotoIsShownWhenTheListingLoads()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a1-1.jpg"), QStringLiteral("外景"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a1-2.png"), QStringLiteral("客厅"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a1-3.bmp"), QStringLiteral("厨房"));
    main.listings().writePhoto(QStringLiteral("a1-1.jpg"), QSize(120, 80), "JPEG", Qt::red);
    main.listings().writePhoto(QStringLiteral("a1-2.png"), QSize(30, 90), "PNG", Qt::green);
    main.listings().writePhoto(QStringLiteral("a1-3.bmp"), QSize(50, 50), "BMP", Qt::blue);
    frmQX_Quillonix &window = main.open();
    main.pressSearch();
    MainWindowFixture::clickRow(main.results(), 0);
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(holdsColour(*photo, Qt::red));
    QTest::keyClick(&main.photoNames(), Qt::Key_Down);
    QVERIFY(holdsColour(*photo, Qt::green));
    choosePhoto(main.photoNames(), 2);
    QVERIFY(holdsColour(*photo, Qt::blue));
    // Drawn stretched over the whole box, whatever the picture's proportions.
    const QImage drawn = photo->grab().toImage();
    const QRect inside = photo->contentsRect();
    for (const QPoint corner : {inside.topLeft(), inside.bottomRight(), QPoint(inside.left(), inside.bottom())}) {
        const QColor colour = drawn.pixelColor(corner);
        QVERIFY2(colour.blue() > 200 && colour.red() < 50, qPrintable(colour.name()));
    }
}

void TestPhotos::missingFirstPhotoLeavesTheBoxEmpty()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("gone.jpg"), QStringLiteral(" 外景 "));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("here.jpg"), QStringLiteral("客厅"));
    main.listings().writePhoto(QStringLiteral("here.jpg"));
    frmQX_Quillonix &window = main.open();
    MessageScript::expect(missingMessage(QStringLiteral("外景")), 64, photoCaption);
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(!photo->hasPicture());
    // An empty box opens nothing: a window that opened would fail the test.
    QTest::mouseDClick(photo, Qt::LeftButton);
    QTest::qWait(50);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestPhotos::missingLaterPhotoKeepsTheEarlierOne()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("here.jpg"), QStringLiteral("客厅"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("gone.jpg"), QStringLiteral("厨房"));
    main.listings().writePhoto(QStringLiteral("here.jpg"), QSize(64, 48), "JPEG", Qt::red);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(holdsColour(*photo, Qt::red));
    for (int round = 0; round < 2; ++round) {
        MessageScript::expect(missingMessage(QStringLiteral("厨房")), 64, photoCaption);
        choosePhoto(main.photoNames(), 1);
        QVERIFY(MessageScript::allShown());
        QVERIFY(holdsColour(*photo, Qt::red));
        choosePhoto(main.photoNames(), 0);
    }
    // The file turns up: the next choice finds it.
    main.listings().writePhoto(QStringLiteral("gone.jpg"), QSize(64, 48), "JPEG", Qt::blue);
    choosePhoto(main.photoNames(), 1);
    QVERIFY(holdsColour(*photo, Qt::blue));
}

void TestPhotos::photoStoredInAnotherLetterCaseIsFound()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("QX0001-1.jpg"), QStringLiteral("外景"));
    main.listings().writePhoto(QStringLiteral("qx0001-1.JPG"), QSize(64, 48), "JPEG", Qt::green);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    QVERIFY(holdsColour(*control<ImageBox>(&window, QStringLiteral("imgHouse")), Qt::green));
}

void TestPhotos::unreadableFilesAreReportedAndTheEarlierPhotoKept()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("A1"));
    listings.addPicture(QStringLiteral("A1"), QStringLiteral("good.jpg"), QStringLiteral("客厅"));
    const QStringList bad = {"empty.jpg", "text.jpg", "truncated.jpg", "folder.jpg"};
    for (const QString &name : bad)
        listings.addPicture(QStringLiteral("A1"), name, name);
    listings.writePhoto(QStringLiteral("good.jpg"), QSize(64, 48), "JPEG", Qt::red);
    listings.writePictureFile(QStringLiteral("empty.jpg"), QByteArray());
    listings.writePictureFile(QStringLiteral("text.jpg"), "not a picture, only words");
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImage(800, 600, QImage::Format_RGB32).save(&buffer, "JPEG");
    listings.writePictureFile(QStringLiteral("truncated.jpg"), jpeg.left(300));
    QDir(listings.pictureFolder()).mkdir(QStringLiteral("folder.jpg"));
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(holdsColour(*photo, Qt::red));
    // What the desk is told goes to the log as well, a line each.
    const ProgramLog log;
    QStringList logged;
    for (int row = 1; row <= 3; ++row) {
        MessageScript::expect(unreadableMessage(bad.at(row - 1)), 64, photoCaption);
        choosePhoto(main.photoNames(), row);
        QVERIFY(MessageScript::allShown());
        QVERIFY(holdsColour(*photo, Qt::red));
        logged << QStringLiteral("quillonix.photo: %1：%2").arg(photoCaption, unreadableMessage(bad.at(row - 1)));
    }
    // A folder where a photo should be is no file at all.
    MessageScript::expect(missingMessage(QStringLiteral("folder.jpg")), 64, photoCaption);
    choosePhoto(main.photoNames(), 4);
    QVERIFY(holdsColour(*photo, Qt::red));
    logged << QStringLiteral("quillonix.photo: %1：%2").arg(photoCaption, missingMessage(QStringLiteral("folder.jpg")));
    QCOMPARE(log.lines(), logged);
}

void TestPhotos::largePhotoIsKeptAtScreenSize()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("camera.jpg"), QStringLiteral("外景"));
    main.listings().writePhoto(QStringLiteral("camera.jpg"), QSize(6000, 4000), "JPEG", Qt::blue);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(holdsColour(*photo, Qt::blue));
    const QSize screen = window.screen()->size();
    const QSize kept = photo->picture().size();
    QVERIFY2(kept.width() < 6000 / 2 + 1, qPrintable(QString::number(kept.width())));
    QVERIFY(kept.width() >= screen.width() || kept.height() >= screen.height());
    QCOMPARE(kept.width() * 4000 / 6000, kept.height());
    // Reduced by no whole factor, a photo of one colour stays that colour throughout: no
    // seam where the reduced pixels meet.
    const QColor first = photo->picture().pixelColor(0, 0);
    for (int y = 0; y < kept.height(); ++y) {
        for (int x = 0; x < kept.width(); ++x) {
            const QColor here = photo->picture().pixelColor(x, y);
            if (qAbs(here.blue() - first.blue()) > 1 || qAbs(here.red() - first.red()) > 1)
                QFAIL(qPrintable(QStringLiteral("%1 at %2,%3, %4 at 0,0").arg(here.name()).arg(x).arg(y).arg(first.name())));
        }
    }
}

void TestPhotos::eachKindOfPictureInItsOwnColours_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    using namespace PictureFiles;
    // Larger than the screen: both the photo box and the enlarged view draw it reduced.
    const QSize size(1000, 700);
    const QColor yellow(255, 255, 0), blue(0, 0, 255), orange(255, 128, 0), purple(128, 0, 160);
    const QColor green(0, 160, 0), magenta(255, 0, 255), dark(60, 60, 60), light(200, 200, 200);
    const QColor red(220, 30, 30), cyan(0, 200, 220), teal(0, 128, 128), white(255, 255, 255);

    const QByteArray onePng = encoded(twoHalves(size, QImage::Format_Mono, yellow, blue), "PNG");
    QCOMPARE(onePng.mid(24, 2), QByteArray("\x01\x03", 2)); // IHDR: 1 bit a pixel, palette
    QTest::newRow("1-bit palette PNG") << onePng << yellow << blue;
    const QByteArray eightPng = encoded(twoHalves(size, QImage::Format_Indexed8, orange, purple), "PNG");
    QCOMPARE(eightPng.mid(24, 2), QByteArray("\x08\x03", 2));
    QTest::newRow("8-bit palette PNG") << eightPng << orange << purple;
    const QByteArray paletteGif = gif(twoHalves(size, QImage::Format_Indexed8, green, magenta));
    QVERIFY(paletteGif.startsWith("GIF89a"));
    QTest::newRow("GIF") << paletteGif << green << magenta;
    const QByteArray greyJpeg = encoded(twoHalves(size, QImage::Format_Grayscale8, dark, light), "JPEG");
    QCOMPARE(jpegFrame(greyJpeg).components, 1);
    QTest::newRow("grey-scale JPEG") << greyJpeg << dark << light;
    const QByteArray inkJpeg = cmykJpeg(twoHalves(size, QImage::Format_RGB32, red, cyan));
    QCOMPARE(jpegFrame(inkJpeg).components, 4);
    QVERIFY(inkJpeg.contains("Adobe"));
    QTest::newRow("CMYK JPEG") << inkJpeg << red << cyan;
    const QByteArray clearPng = encoded(twoHalves(size, QImage::Format_ARGB32, Qt::transparent, red), "PNG");
    QCOMPARE(clearPng.at(25), '\x06'); // IHDR: colour with alpha
    QTest::newRow("PNG with transparency, on white") << clearPng << white << red;
    const QByteArray paletteBmp = encoded(twoHalves(size, QImage::Format_Indexed8, teal, orange), "BMP");
    QCOMPARE(paletteBmp.at(28), '\x04'); // 4 bits a pixel
    QTest::newRow("4-bit palette BMP") << paletteBmp << teal << orange;
    // Some cameras leave a few stray bytes between the header's segments; decoders pass over them.
    QByteArray strayJpeg = encoded(twoHalves(size, QImage::Format_RGB32, purple, green), "JPEG");
    strayJpeg.insert(jpegFrame(strayJpeg).offset, QByteArray("\x00\x11\x22", 3));
    QTest::newRow("JPEG with stray bytes before its frame") << strayJpeg << purple << green;
    const QByteArray webp = encoded(twoHalves(size, QImage::Format_RGB32, yellow, blue), "WEBP");
    QCOMPARE(webp.mid(8, 4), QByteArray("WEBP"));
    QTest::newRow("WebP") << webp << yellow << blue;
}

void TestPhotos::eachKindOfPictureInItsOwnColours()
{
    QFETCH(QByteArray, file);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("kind"), QStringLiteral("外景"));
    main.listings().writePictureFile(QStringLiteral("kind"), file);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(photo->hasPicture());
    for (const QImage &drawn : {photoBoxDrawing(*photo), enlargedDrawing(*photo)}) {
        QVERIFY(!drawn.isNull());
        for (const qreal y : {0.25, 0.75}) {
            QVERIFY2(nearColour(drawnAt(drawn, 0.25, y), left), qPrintable(drawnAt(drawn, 0.25, y).name()));
            QVERIFY2(nearColour(drawnAt(drawn, 0.75, y), right), qPrintable(drawnAt(drawn, 0.75, y).name()));
        }
    }
}

void TestPhotos::phonePhotoShowsUpright_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<Quarter>("red");
    QTest::addColumn<Quarter>("green");
    // The stored picture's top-left quarter is red, its top-right quarter green, its lower
    // half blue; the tag says where the stored top row and left column belong.
    const QSize phone(96, 64);
    QTest::newRow("1 as stored") << 1 << phone << Quarter(0, 0) << Quarter(1, 0);
    QTest::newRow("2 mirrored") << 2 << phone << Quarter(1, 0) << Quarter(0, 0);
    QTest::newRow("3 half a turn") << 3 << phone << Quarter(1, 1) << Quarter(0, 1);
    QTest::newRow("4 upside down mirrored") << 4 << phone << Quarter(0, 1) << Quarter(1, 1);
    QTest::newRow("5 mirrored across the diagonal") << 5 << phone << Quarter(0, 0) << Quarter(0, 1);
    QTest::newRow("6 a quarter turn right") << 6 << phone << Quarter(1, 0) << Quarter(1, 1);
    QTest::newRow("7 mirrored across the other diagonal") << 7 << phone << Quarter(1, 1) << Quarter(1, 0);
    QTest::newRow("8 a quarter turn left") << 8 << phone << Quarter(0, 1) << Quarter(0, 0);
    QTest::newRow("6 on a 24-megapixel photo") << 6 << QSize(6000, 4000) << Quarter(1, 0) << Quarter(1, 1);
}

void TestPhotos::phonePhotoShowsUpright()
{
    QFETCH(int, orientation);
    QFETCH(QSize, stored);
    QFETCH(Quarter, red);
    QFETCH(Quarter, green);
    QImage picture(stored, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QPainter painter(&picture);
    painter.fillRect(0, 0, stored.width() / 2, stored.height() / 2, Qt::red);
    painter.fillRect(stored.width() / 2, 0, stored.width() - stored.width() / 2, stored.height() / 2, Qt::green);
    painter.end();
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("phone.jpg"), QStringLiteral("客厅"));
    main.listings().writePictureFile(QStringLiteral("phone.jpg"),
                                     PictureFiles::withOrientation(PictureFiles::encoded(picture, "JPEG"), orientation));
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(photo->hasPicture());

    const QSize kept = photo->picture().size();
    const QSize upright = orientation >= 5 ? stored.transposed() : stored;
    const QSize screen = window.screen()->size();
    if (stored.width() <= screen.width()) {
        QCOMPARE(kept, upright);
    } else {
        // Still decoded reduced, in its proportions, and still covering the screen.
        QVERIFY2(kept.height() <= upright.height() / 2, qPrintable(QString::number(kept.height())));
        QCOMPARE(qint64(kept.width()) * upright.height(), qint64(kept.height()) * upright.width());
        QVERIFY(kept.width() >= screen.width() || kept.height() >= screen.height());
    }

    for (const QImage &drawn : {photoBoxDrawing(*photo), enlargedDrawing(*photo)}) {
        QVERIFY(!drawn.isNull());
        for (int column = 0; column < 2; ++column) {
            for (int row = 0; row < 2; ++row) {
                const Quarter quarter(column, row);
                const QColor wanted = quarter == red ? Qt::red : quarter == green ? Qt::green : Qt::blue;
                const QColor seen = drawnAt(drawn, 0.25 + 0.5 * column, 0.25 + 0.5 * row);
                QVERIFY2(nearColour(seen, wanted), qPrintable(QStringLiteral("quarter %1,%2: %3 for %4")
                                                                  .arg(column)
                                                                  .arg(row)
                                                                  .arg(seen.name(), wanted.name())));
            }
        }
    }
}

void TestPhotos::onlyRegularFilesInsideThePictureFolderArePhotos_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("FIFO") << QStringLiteral("fifo.jpg");
    QTest::newRow("FIFO in another letter case") << QStringLiteral("pipe.jpg");
    QTest::newRow("broken link") << QStringLiteral("broken.jpg");
    QTest::newRow("link to /dev/null") << QStringLiteral("null.jpg");
    QTest::newRow("the database above") << QStringLiteral("../itdb.mdb");
    QTest::newRow("up through a folder") << QStringLiteral("sub/../../itdb.mdb");
    QTest::newRow("absolute path to a photo") << QStringLiteral("ABSOLUTE");
    QTest::newRow("absolute path to a device") << QStringLiteral("/dev/null");
}

void TestPhotos::onlyRegularFilesInsideThePictureFolderArePhotos()
{
    QFETCH(QString, number);
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    const QString picture = listings.pictureFolder() + QLatin1Char('/');
    QCOMPARE(::mkfifo(QFile::encodeName(picture + QStringLiteral("fifo.jpg")).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(picture + QStringLiteral("PIPE.JPG")).constData(), 0600), 0);
    QVERIFY(QFile::link(picture + QStringLiteral("nothing.jpg"), picture + QStringLiteral("broken.jpg")));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), picture + QStringLiteral("null.jpg")));
    QDir(listings.pictureFolder()).mkdir(QStringLiteral("sub"));
    ListingFixture elsewhere;
    if (number == QLatin1String("ABSOLUTE"))
        number = elsewhere.writePhoto(QStringLiteral("outside.jpg"), QSize(64, 48), "JPEG", Qt::blue);

    listings.addHouse(QStringLiteral("A1"));
    listings.addPicture(QStringLiteral("A1"), QStringLiteral("good.jpg"), QStringLiteral("客厅"));
    listings.addPicture(QStringLiteral("A1"), number, QStringLiteral("厨房"));
    listings.writePhoto(QStringLiteral("good.jpg"), QSize(64, 48), "JPEG", Qt::red);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(holdsColour(*photo, Qt::red));
    MessageScript::expect(missingMessage(QStringLiteral("厨房")), 64, photoCaption);
    choosePhoto(main.photoNames(), 1);
    QVERIFY(MessageScript::allShown());
    QVERIFY(holdsColour(*photo, Qt::red));
}

void TestPhotos::pictureIsReadOnlyWithinThePixelBudget_data()
{
    QTest::addColumn<QByteArray>("file");
    // Each claims more pixels than its decoder may take, or than its few hundred bytes can
    // hold: a JPEG spends at least a bit on every 8 x 8 block, a GIF code stands for at most
    // 4 096 pixels, an uncompressed BMP stores every row.
    using namespace PictureFiles;
    const QByteArray huge = jpegClaiming(QSize(65000, 65000), true);
    QCOMPARE(jpegFrame(huge).marker, 0xC2);
    QCOMPARE(jpegFrame(huge).size, QSize(65000, 65000));
    QTest::newRow("progressive JPEG, 65 000 x 65 000") << huge;
    QTest::newRow("progressive JPEG, 30 000 x 30 000") << jpegClaiming(QSize(30000, 30000), true);
    QTest::newRow("progressive JPEG, 6 000 x 5 000") << jpegClaiming(QSize(6000, 5000), true);
    const QByteArray sequential = jpegClaiming(QSize(10000, 10000), false);
    QCOMPARE(jpegFrame(sequential).marker, 0xC0);
    QTest::newRow("sequential JPEG, 10 000 x 10 000") << sequential;
    QTest::newRow("sequential JPEG, 20 000 x 15 000") << jpegClaiming(QSize(20000, 15000), false);
    const QByteArray gif = gifClaiming(QSize(8000, 5000));
    QCOMPARE(sizeInHeader(gif), QSize(8000, 5000));
    QTest::newRow("GIF, 8 000 x 5 000") << gif;
    QTest::newRow("GIF, 20 000 x 20 000") << gifClaiming(QSize(20000, 20000));
    const QByteArray bmp = bmpClaiming(QSize(6000, 5000));
    QCOMPARE(sizeInHeader(bmp), QSize(6000, 5000));
    QTest::newRow("BMP, 6 000 x 5 000") << bmp;
    // A real picture, one colour in 15 kilobytes, but more pixels than a PNG may have.
    const QByteArray png = plainPng(QSize(11000, 11000));
    QVERIFY(png.size() < 1024 * 1024);
    QTest::newRow("PNG, 11 000 x 11 000") << png;
}

void TestPhotos::pictureIsReadOnlyWithinThePixelBudget()
{
    QFETCH(QByteArray, file);
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("good.jpg"), QStringLiteral("客厅"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("huge"), QStringLiteral("全景"));
    main.listings().writePhoto(QStringLiteral("good.jpg"), QSize(64, 48), "JPEG", Qt::red);
    main.listings().writePictureFile(QStringLiteral("huge"), file);
    frmQX_Quillonix &window = main.open();
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    MessageScript::expect(unreadableMessage(QStringLiteral("全景")), 64, photoCaption);
    choosePhoto(main.photoNames(), 1);
    QVERIFY(MessageScript::allShown());
    QVERIFY(holdsColour(*photo, Qt::red));
}

void TestPhotos::todaysCameraPhotosAreShown_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("signature");
    using Photo = PictureFiles::LargePhoto;
    QTest::newRow("108-megapixel baseline JPEG") << int(Photo::BaselineJpeg) << QSize(12000, 9000)
                                                 << QByteArray("\xFF\xD8");
    QTest::newRow("50-megapixel progressive JPEG") << int(Photo::ProgressiveJpeg) << QSize(8660, 5774)
                                                   << QByteArray("\xFF\xD8");
    QTest::newRow("60-megapixel PNG") << int(Photo::Png) << QSize(9000, 6667) << QByteArray("\x89PNG");
    QTest::newRow("30-megapixel GIF") << int(Photo::Gif) << QSize(6720, 4480) << QByteArray("GIF89a");
    QTest::newRow("30-megapixel BMP") << int(Photo::Bmp) << QSize(6720, 4480) << QByteArray("BM");
}

void TestPhotos::todaysCameraPhotosAreShown()
{
    QFETCH(int, kind);
    QFETCH(QSize, size);
    QFETCH(QByteArray, signature);
    const QColor left(200, 40, 40), right(40, 60, 200);
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("camera"), QStringLiteral("外景"));
    const QString file = main.listings().pictureFolder() + QStringLiteral("/camera");
    PictureFiles::writeLargePhoto(file, {PictureFiles::LargePhoto::Kind(kind), size, left, right});
    QImageReader stored(file);
    QCOMPARE(stored.size(), size);
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(signature.size()) == signature);
    if (kind == PictureFiles::LargePhoto::ProgressiveJpeg || kind == PictureFiles::LargePhoto::BaselineJpeg) {
        const int marker = PictureFiles::jpegFrame(written.read(64 * 1024).prepend(signature)).marker;
        QCOMPARE(marker, kind == PictureFiles::LargePhoto::ProgressiveJpeg ? 0xC2 : 0xC0);
    }

    frmQX_Quillonix &window = main.open();
    {
        // Decoding takes a while; the window goes on meanwhile.
        const WindowWatch watch(window);
        window.detailPanel().subGetValue(QStringLiteral("A1"));
        // The watch's next tick measures how long the window stood still up to now.
        QTest::qWait(50);
        QVERIFY2(watch.longestGap < 100, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(watch.longestGap)));
    }
    auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(photo->hasPicture());
    // Kept at the size that just covers the screen, whatever the photo's own.
    const QSize screen = window.screen()->size() * window.screen()->devicePixelRatio();
    QCOMPARE(photo->picture().size(), size.scaled(screen, Qt::KeepAspectRatioByExpanding));
    const QImage drawn = photoBoxDrawing(*photo);
    for (const qreal y : {0.25, 0.75}) {
        QVERIFY2(nearColour(drawnAt(drawn, 0.25, y), left), qPrintable(drawnAt(drawn, 0.25, y).name()));
        QVERIFY2(nearColour(drawnAt(drawn, 0.75, y), right), qPrintable(drawnAt(drawn, 0.75, y).name()));
    }
}

void TestPhotos::photoListStaysVisibleBehindAMessage()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("gone.jpg"), QStringLiteral("外景"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("here.jpg"), QStringLiteral("客厅"));
    main.listings().writePhoto(QStringLiteral("here.jpg"));
    frmQX_Quillonix &window = main.open();
    main.pressSearch();
    QListWidget &list = main.photoNames();
    // The entries as the screen shows them: text strokes, or the selection's colour, on the
    // list's white.
    const auto entriesShown = [&] {
        const QImage screen = window.screen()->grabWindow(window.winId()).toImage();
        for (int row = 0; row < list.count(); ++row) {
            const QRect entry = list.visualItemRect(list.item(row)).translated(list.viewport()->mapTo(&window, QPoint()));
            int strokes = 0;
            for (int y = entry.top(); y <= entry.bottom(); ++y) {
                for (int x = entry.left(); x <= entry.right(); ++x)
                    strokes += qGray(screen.pixel(x, y)) < 160;
            }
            if (list.count() < 2 || strokes < 10)
                return false;
        }
        return true;
    };
    // The real message box, with its own event loop: the window paints behind it.
    setMessageHandler({});
    bool shownBehind = false;
    whenModalShown([&](QWidget *message) {
        shownBehind = QTest::qWaitFor(entriesShown, 1000);
        message->close();
    });
    MainWindowFixture::clickRow(main.results(), 0);
    MessageScript::install();
    QVERIFY(shownBehind);
}

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"
