#include "mainwindowfixture.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/imagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/photoarea.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QListWidget>
#include <QScreen>
#include <QTest>

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
};

void TestPhotos::pathIsFolderPictureAndNumberAsStored()
{
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1.jpg")),
             QStringLiteral("/srv/data/picture/a1.jpg"));
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1")),
             QStringLiteral("/srv/data/picture/a1"));
    QCOMPARE(PhotoArea::photoPath(QStringLiteral("/srv/data/"), QStringLiteral("a1.jpg  ")),
             QStringLiteral("/srv/data/picture/a1.jpg  "));

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
    for (int row = 1; row <= 3; ++row) {
        MessageScript::expect(unreadableMessage(bad.at(row - 1)), 64, photoCaption);
        choosePhoto(main.photoNames(), row);
        QVERIFY(MessageScript::allShown());
        QVERIFY(holdsColour(*photo, Qt::red));
    }
    // A folder where a photo should be is no file at all.
    MessageScript::expect(missingMessage(QStringLiteral("folder.jpg")), 64, photoCaption);
    choosePhoto(main.photoNames(), 4);
    QVERIFY(holdsColour(*photo, Qt::red));
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
}

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"
