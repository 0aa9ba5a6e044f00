#include "mainwindowfixture.h"
#include "pdffile.h"
#include "testsupport.h"

#include "forms/common/workprogress.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/statuspanels.h"
#include "picturefiles.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QComboBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// Presses the keys in the main window as the user does; the shortcut may open a modal window.
void pressShortcut(frmQX_Quillonix &window, Qt::Key key)
{
    QTest::keyClick(window.windowHandle(), key, Qt::ControlModifier);
}

// Expects the progress bar with this text to show next; stops the work with 取消 or Esc when
// asked to, or else lets it run to its end.
void whenBarShown(const QString &text, const QString &stop = QString())
{
    whenModalShown([text, stop](QWidget *modal) {
        auto *bar = qobject_cast<QProgressDialog *>(modal);
        QVERIFY(bar);
        QCOMPARE(bar->labelText(), text);
        if (stop == QStringLiteral("取消"))
            QTest::mouseClick(control<QPushButton>(bar, QString()), Qt::LeftButton);
        else if (stop == QLatin1String("Esc"))
            QTest::keyClick(bar, Qt::Key_Escape);
    });
}

QStringList toolBarTexts(QWidget *preview)
{
    QStringList texts;
    for (const QAction *action : control<QToolBar>(preview, QStringLiteral("tbrPreview"))->actions()) {
        if (!action->text().isEmpty())
            texts << action->text() + (action->shortcut().isEmpty() ? QString() : QLatin1Char(' ') + action->shortcut().toString());
    }
    return texts;
}

void clickTool(QWidget *preview, const QString &name)
{
    auto *toolBar = control<QToolBar>(preview, QStringLiteral("tbrPreview"));
    QTest::mouseClick(toolBar->widgetForAction(control<QAction>(preview, name)), Qt::LeftButton);
}

// Prints from the next preview, with Ctrl+P there, on the print dialog's printer that writes
// a file, to file; then closes the preview. Tells the preview's page count.
void printFromNextPreview(const QString &file, int *pages)
{
    const auto printed = std::make_shared<bool>(false);
    whenModalShown([printed, pages](QWidget *modal) {
        *pages = control<QPrintPreviewWidget>(modal, QStringLiteral("preview"))->pageCount();
        QTRY_VERIFY(modal->isActiveWindow());
        QTest::keyClick(modal->windowHandle(), Qt::Key_P, Qt::ControlModifier);
        QTRY_VERIFY(*printed);
        QTest::keyClick(modal->windowHandle(), Qt::Key_Escape);
    });
    // The desk's own print dialog: the printer chosen there, a file here.
    whenModalShown([printed, file](QWidget *modal) {
        auto *choice = qobject_cast<QPrintDialog *>(modal);
        QVERIFY(choice);
        QCOMPARE(choice->windowTitle(), QStringLiteral("打印"));
        auto *printers = control<QComboBox>(choice, QStringLiteral("printers"));
        printers->setCurrentIndex(printers->count() - 1);
        control<QLineEdit>(choice, QStringLiteral("filename"))->setText(file);
        choice->accept();
        *printed = true;
    });
}

} // namespace

class TestHandout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init();
    void cleanup();

    void threeListingsOnTwoPagesNoneSplit();
    void printingNeedsAShortList();
    void aFileThatCannotBeWrittenIsReported();
    void aListingGoneMeanwhileIsLeftOut();
    void aListingTallerThanAPageIsShrunkOntoItsOwn();
    void aDatabaseThatCannotBeReadIsReported();
    void numbersStoredInOtherEncodingsPrintTheirOwnListing_data();
    void numbersStoredInOtherEncodingsPrintTheirOwnListing();
    void aCameraPhotoIsStoredAtPrintResolutionAsJpeg();
    void theWorkCanBeStoppedLeavingNothing_data();
    void theWorkCanBeStoppedLeavingNothing();
    void aTemporaryFolderThatCannotBeWrittenIsReported();
    void previewZoomsAndPages();
    void printingOnPaperAsTheDialogChose();

private:
    // Short-lists the hits in these rows, in this order.
    void shortList(const QList<int> &rows);
    // Opens the preview with Ctrl+P and saves the hand-out as pdf; returns the preview's page count.
    int saveAsPdf(const QString &pdf);

    std::unique_ptr<MainWindowFixture> m_main;
};

void TestHandout::init()
{
    TestSandbox::reset();
    m_main = std::make_unique<MainWindowFixture>();
    ListingFixture &listings = m_main->listings();
    // A full listing with a name long enough to fill much of a page, whose first photo is
    // missing and whose second is a phone photo stored sideways.
    listings.addHouse(QStringLiteral("QX-A1"),
                      {{"fpyx", 3},         {"qy", "天河区"},        {"wylb", "住宅"},     {"wylx", "高层"},
                       {"wymc", QStringLiteral("碧桂园").repeated(165)}, {"wyhx", "三房两厅"}, {"cx", "东南"},
                       {"zx", "精装修"},    {"jzmz", 98.75},         {"Symz", 80},         {"lc", 12},
                       {"Zlc", 33},         {"dh", 1},               {"dt", 1},            {"sj", 268.5},
                       {"zj", 4500},        {"Glf", 280.5}});
    listings.addPicture(QStringLiteral("QX-A1"), QStringLiteral("a-gone.jpg"), QStringLiteral("外景"));
    listings.addPicture(QStringLiteral("QX-A1"), QStringLiteral("a-phone.jpg"), QStringLiteral("客厅"));
    QImage phone(90, 60, QImage::Format_RGB32);
    phone.fill(Qt::darkCyan);
    listings.writePictureFile(QStringLiteral("a-phone.jpg"),
                              PictureFiles::withOrientation(PictureFiles::encoded(phone, "JPEG"), 6));
    // For sale, with no price, fee, area or floor: Nulls print as nothing.
    listings.addHouse(QStringLiteral("QX-B2"), {{"fpyx", 2}, {"wymc", "乙苑"}, {"Zlc", 20}, {"cx", "南"}});
    listings.addPicture(QStringLiteral("QX-B2"), QStringLiteral("b.png"), QStringLiteral("外景"));
    listings.writePhoto(QStringLiteral("b.png"), QSize(80, 40), "PNG");
    // To let, every photo file missing.
    listings.addHouse(QStringLiteral("QX-C3"), {{"fpyx", 1}, {"wymc", "丙苑"}, {"zj", 1500}, {"sj", 99}});
    listings.addPicture(QStringLiteral("QX-C3"), QStringLiteral("c1.jpg"), QStringLiteral("客厅"));
    listings.addPicture(QStringLiteral("QX-C3"), QStringLiteral("c2.jpg"), QStringLiteral("厨房"));
    // Shortcuts reach the active window.
    QVERIFY(QTest::qWaitForWindowActive(&m_main->open()));
    m_main->pressSearch();
    QCOMPARE(MainWindowFixture::column(m_main->results(), 0), (QStringList{"QX-C3", "QX-B2", "QX-A1"}));
}

void TestHandout::cleanup()
{
    m_main.reset();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
}

void TestHandout::shortList(const QList<int> &rows)
{
    // Chosen without a click, which would load the listing and tell of its missing photos.
    ReportListView &hits = m_main->results();
    for (int row : rows) {
        hits.selectionModel()->select(hits.model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_main->press(QStringLiteral("cmdSelect"));
    }
}

int TestHandout::saveAsPdf(const QString &pdf)
{
    int pages = -1;
    PdfFile::saveFromNextPreview(QStringLiteral("预选物业"), pdf, &pages);
    pressShortcut(m_main->window(), Qt::Key_P);
    return pages;
}

void TestHandout::threeListingsOnTwoPagesNoneSplit()
{
    shortList({2, 1, 0});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/预选.pdf");
    QCOMPARE(saveAsPdf(pdf), 2);
    QCOMPARE(PdfFile::pageCount(pdf), 2);

    const QString credit = control<StatusPanels>(&m_main->window(), QStringLiteral("stbBottom"))->panelText(1).simplified();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString first = PdfFile::pageText(pdf, 1);
    const QString second = PdfFile::pageText(pdf, 2);
    for (const QString &page : {first, second}) {
        QVERIFY2(page.contains(credit) && page.contains(today) && page.contains(QStringLiteral("预选物业")),
                 qPrintable(page));
    }
    QVERIFY2(first.contains(QStringLiteral("第 1 页，共 2 页")), qPrintable(first));
    QVERIFY2(second.contains(QStringLiteral("第 2 页，共 2 页")), qPrintable(second));

    // In short-list order; each block whole on one page: the long first and the second on the
    // first page, the third, which no longer fits there, on the second.
    const int a = int(first.indexOf(QStringLiteral("QX-A1")));
    const int b = int(first.indexOf(QStringLiteral("QX-B2")));
    QVERIFY2(a >= 0 && b > a && !first.contains(QStringLiteral("QX-C3")), qPrintable(first));
    const QString blockA = first.mid(a, b - a);
    const QString blockB = first.mid(b);
    for (const char *line : {"区域：天河区", "物业类别：住宅", "物业类型：高层", "户型：三房两厅", "朝向：东南",
                             "装修：精装修", "建筑面积：98.75平方米", "实用面积：80平方米", "楼层：第12层，共33层",
                             "物业设施：电话、电梯", "放盘意向：租售均可", "售价：268.5万元", "租价：4500元",
                             "管理费：280.5元"}) {
        QVERIFY2(blockA.contains(QString::fromUtf8(line)), line);
    }
    QVERIFY(blockA.count(QStringLiteral("碧桂园")) >= 100);
    QVERIFY2(blockB.contains(QStringLiteral("乙苑")) && blockB.contains(QStringLiteral("放盘意向：出售"))
                 && blockB.contains(QStringLiteral("楼层：共20层")) && blockB.contains(QStringLiteral("朝向：南")),
             qPrintable(blockB));
    for (const char *absent : {"售价", "租价", "管理费", "万元", "建筑面积", "区域", "第0层", " 0"})
        QVERIFY2(!blockB.contains(QString::fromUtf8(absent)), absent);
    QVERIFY2(second.contains(QStringLiteral("QX-C3")) && second.contains(QStringLiteral("丙苑"))
                 && second.contains(QStringLiteral("放盘意向：出租")) && second.contains(QStringLiteral("租价：1500元")),
             qPrintable(second));
    // To let: the sale price stored with it is not asked.
    QVERIFY(!second.contains(QStringLiteral("售价")));

    // The first photo that can be read, upright and in its proportions; none for the third.
    QCOMPARE(PdfFile::images(pdf), (QStringList{"1:60x90 jpeg", "1:80x40 jpeg"}));
}

void TestHandout::printingNeedsAShortList()
{
    frmQX_Quillonix &window = m_main->window();
    auto *button = control<QPushButton>(&window, QStringLiteral("cmdPrint"));
    auto *command = window.findChild<QAction *>(QStringLiteral("mnuPrint"));
    QVERIFY(command);
    QVERIFY(!button->isEnabled() && !command->isEnabled());
    // Nothing opens: an unexpected window would fail the test.
    pressShortcut(window, Qt::Key_P);
    shortList({0});
    QVERIFY(button->isEnabled() && command->isEnabled());
    m_main->press(QStringLiteral("cmdClear"));
    QVERIFY(!button->isEnabled() && !command->isEnabled());
    shortList({1});
    MainWindowFixture::clickRow(m_main->shortList(), 0);
    m_main->press(QStringLiteral("cmdRemove"));
    QVERIFY(!button->isEnabled());
}

void TestHandout::aFileThatCannotBeWrittenIsReported()
{
    shortList({1});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/没有的文件夹/预选.pdf");
    MessageScript::expect(QStringLiteral("不能保存文件“%1”，请换一个文件夹或文件名。").arg(pdf), 64,
                          QStringLiteral("预选物业 - 打印预览"));
    QCOMPARE(saveAsPdf(pdf), 1);
    QVERIFY(!QFile::exists(pdf));
}

void TestHandout::aListingGoneMeanwhileIsLeftOut()
{
    shortList({2, 1});
    m_main->listings().exec(QStringLiteral("DELETE FROM house WHERE fybh = 'QX-A1'"));
    MessageScript::expect(QStringLiteral("找不到物业编号为“QX-A1”的房源，它可能已被删除。"), 64,
                          QStringLiteral("打印预选"));
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/预选.pdf");
    QCOMPARE(saveAsPdf(pdf), 1);
    const QString page = PdfFile::pageText(pdf, 1);
    QVERIFY2(page.contains(QStringLiteral("QX-B2")) && !page.contains(QStringLiteral("QX-A1")), qPrintable(page));
}

void TestHandout::aListingTallerThanAPageIsShrunkOntoItsOwn()
{
    m_main->listings().exec(QStringLiteral("UPDATE house SET wymc = ? WHERE fybh = 'QX-B2'"),
                            {QStringLiteral("乙苑").repeated(1500)});
    shortList({0, 1, 2});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/预选.pdf");
    QCOMPARE(saveAsPdf(pdf), 3);
    const QStringList pages = {PdfFile::pageText(pdf, 1), PdfFile::pageText(pdf, 2), PdfFile::pageText(pdf, 3)};
    // Every one of its 3000 characters is on its page, none cut off at the bottom.
    QVERIFY2(pages.at(1).contains(QStringLiteral("QX-B2")) && pages.at(1).contains(QStringLiteral("放盘意向：出售")),
             qPrintable(pages.at(1).right(300)));
    QCOMPARE(pages.at(1).count(QStringLiteral("乙")), 1500);
    // Shrunk no more than it must: it ends near the foot of its page, above the page number.
    const qreal end = PdfFile::wordBottom(pdf, 2, QStringLiteral("放盘意向：出售"));
    QVERIFY2(end > 0.8 && end < PdfFile::wordBottom(pdf, 2, QStringLiteral("页，共")), qPrintable(QString::number(end)));
    QVERIFY(pages.at(0).contains(QStringLiteral("QX-C3")) && pages.at(2).contains(QStringLiteral("QX-A1")));
}

void TestHandout::aDatabaseThatCannotBeReadIsReported()
{
    SKIP_ON_SERVER("The message quotes the engine's own words, which the data layer's tests check on a server.");
    shortList({1});
    m_main->listings().exec(QStringLiteral("DROP TABLE picture"));
    MessageScript::expect(QStringLiteral("不能读取房源资料：( 1)no such table: picture"), 16, QStringLiteral("打印预选"));
    // No preview opens: an unexpected window would fail the test.
    pressShortcut(m_main->window(), Qt::Key_P);
}

void TestHandout::numbersStoredInOtherEncodingsPrintTheirOwnListing_data()
{
    addStoredNumberRows();
}

void TestHandout::numbersStoredInOtherEncodingsPrintTheirOwnListing()
{
    QFETCH(QString, shown);
    QFETCH(QByteArray, stored);
    if (ListingFixture::onServer() && !isUtf8(stored))
        QSKIP("A server database holds UTF-8 text only: quillonix-import refuses other bytes.");
    m_main->listings().addTwinsUnderOneNumber(shown, stored);
    m_main->pressSearch();
    QCOMPARE(MainWindowFixture::column(m_main->results(), 0).mid(0, 2), (QStringList{shown, shown}));
    shortList({1, 0});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/预选.pdf");
    QCOMPARE(saveAsPdf(pdf), 1);
    const QString page = PdfFile::pageText(pdf, 1);
    // Each listing printed once, under its own number, in short-list order.
    QCOMPARE(page.count(shown), 2);
    QVERIFY2(page.indexOf(QStringLiteral("旧库")) >= 0 && page.indexOf(QStringLiteral("旧库")) < page.indexOf(QStringLiteral("新库")),
             qPrintable(page));
    QVERIFY2(page.contains(QStringLiteral("放盘意向：出售")) && page.contains(QStringLiteral("放盘意向：出租")), qPrintable(page));
}

void TestHandout::aCameraPhotoIsStoredAtPrintResolutionAsJpeg()
{
    ListingFixture &listings = m_main->listings();
    listings.addHouse(QStringLiteral("CAMERA"), {{"fpyx", 2}, {"wymc", "相机苑"}});
    listings.addPicture(QStringLiteral("CAMERA"), QStringLiteral("camera.jpg"), QStringLiteral("外景"));
    listings.writePictureFile(QStringLiteral("camera.jpg"), PictureFiles::cameraPhoto(QSize(6000, 4000), 1));
    m_main->pressSearch();
    shortList({0, 2});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/预选.pdf");
    QCOMPARE(saveAsPdf(pdf), 1);
    // The 75 mm box at 200 dots per inch, the photo in its proportions; the small one as it is.
    QCOMPARE(PdfFile::images(pdf), (QStringList{"1:591x394 jpeg", "1:80x40 jpeg"}));
    QVERIFY2(QFileInfo(pdf).size() < 150 * 1024, qPrintable(QString::number(QFileInfo(pdf).size())));
}

void TestHandout::theWorkCanBeStoppedLeavingNothing_data()
{
    QTest::addColumn<QString>("stoppedIn");
    QTest::addColumn<QString>("stop");
    QTest::newRow("reading, 取消") << "reading" << "取消";
    QTest::newRow("reading, Esc") << "reading" << "Esc";
    QTest::newRow("painting the preview, 取消") << "painting" << "取消";
    QTest::newRow("saving the PDF, 取消") << "saving" << "取消";
    QTest::newRow("saving the PDF over an older one, Esc") << "saving over" << "Esc";
    QTest::newRow("printing to a file, 取消") << "printing" << "取消";
}

void TestHandout::theWorkCanBeStoppedLeavingNothing()
{
    QFETCH(QString, stoppedIn);
    QFETCH(QString, stop);
    const bool reading = stoppedIn == QLatin1String("reading");
    // Enough for the work to go on a while after its bar shows: listings with a camera photo
    // each to read, lay out, print and write.
    ListingFixture &listings = m_main->listings();
    listings.writePictureFile(QStringLiteral("camera.jpg"), PictureFiles::cameraPhoto(QSize(4000, 3000), 2));
    listings.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 40; ++i) {
        const QString number = QStringLiteral("BULK%1").arg(i, 3, 10, QLatin1Char('0'));
        listings.addHouse(number, {{"fpyx", 3}, {"qy", "天河区"}, {"wymc", "大量苑"}, {"jzmz", 88}, {"sj", 120}});
        listings.addPicture(number, QStringLiteral("camera.jpg"), QStringLiteral("外景"));
    }
    listings.exec(QStringLiteral("COMMIT"));
    m_main->pressSearch();
    QList<int> all;
    for (int row = 0; row < m_main->results().rowCount(); ++row)
        all << row;
    shortList(all);
    WorkProgress::setDelay(std::chrono::milliseconds(0));
    const QString folder = TestSandbox::newFolder();
    const QString pdf = folder + QStringLiteral("/预选.pdf");
    if (stoppedIn == QLatin1String("saving over"))
        writeTestFile(pdf, "older");

    // No window opens after the bar that was stopped: an unexpected one would fail the test.
    if (reading) {
        whenBarShown(QStringLiteral("正在读取房源资料和图片……"), stop);
        pressShortcut(m_main->window(), Qt::Key_P);
        return;
    }
    whenBarShown(QStringLiteral("正在读取房源资料和图片……"));
    if (stoppedIn == QLatin1String("painting")) {
        whenBarShown(QStringLiteral("正在排版……"), stop);
        pressShortcut(m_main->window(), Qt::Key_P);
        return;
    }
    whenBarShown(QStringLiteral("正在排版……"));
    int pages = -1;
    if (stoppedIn == QLatin1String("printing"))
        printFromNextPreview(pdf, &pages);
    else
        PdfFile::saveFromNextPreview(QStringLiteral("预选物业"), pdf, &pages);
    if (stoppedIn == QLatin1String("saving over")) {
        // The file dialog's own question.
        whenModalShown([](QWidget *modal) {
            auto *question = qobject_cast<QMessageBox *>(modal);
            QVERIFY(question);
            question->button(QMessageBox::Yes)->click();
        });
    }
    whenBarShown(stoppedIn == QLatin1String("printing") ? QStringLiteral("正在打印……")
                                                          : QStringLiteral("正在保存PDF文件……"),
                 stop);
    pressShortcut(m_main->window(), Qt::Key_P);
    QVERIFY2(pages >= 10, qPrintable(QString::number(pages)));
    // No part of a file is left, and an older file stays as it was.
    const QStringList left = QDir(folder).entryList(QDir::Files);
    if (stoppedIn == QLatin1String("saving over")) {
        QCOMPARE(left, QStringList{"预选.pdf"});
        QFile older(pdf);
        QVERIFY(older.open(QIODevice::ReadOnly));
        QCOMPARE(older.readAll(), QByteArray("older"));
    } else {
        QCOMPARE(left, QStringList());
    }
}

void TestHandout::aTemporaryFolderThatCannotBeWrittenIsReported()
{
    shortList({1});
    const QByteArray temporary = qgetenv("TMPDIR");
    const QString missing = TestSandbox::newFolder() + QStringLiteral("/没有的文件夹");
    qputenv("TMPDIR", QFile::encodeName(missing));
    MessageScript::expect(QStringLiteral("不能准备打印的图片：临时文件夹“%1”不能写入。").arg(missing), 64,
                          QStringLiteral("打印预选"));
    // No preview opens: an unexpected window would fail the test.
    pressShortcut(m_main->window(), Qt::Key_P);
    qputenv("TMPDIR", temporary);
}

void TestHandout::previewZoomsAndPages()
{
    shortList({2, 1, 0});
    bool shown = false;
    whenModalShown([&shown](QWidget *modal) {
        QTRY_VERIFY(modal->isActiveWindow());
        auto *preview = control<QPrintPreviewWidget>(modal, QStringLiteral("preview"));
        auto *page = control<QLineEdit>(modal, QStringLiteral("txtPage"));
        const auto at = [&]() {
            return page->text() + control<QLabel>(modal, QStringLiteral("lblPages"))->text().simplified();
        };
        QCOMPARE(toolBarTexts(modal), (QStringList{"适应宽度", "整页", "缩小 Ctrl+-", "放大 Ctrl++", "首页 Home",
                                                   "上一页 PgUp", "下一页 PgDown", "末页 End", "打印 Ctrl+P",
                                                   "保存为PDF Ctrl+S", "关闭 Esc"}));
        QCOMPARE(at(), QStringLiteral("1/ 2"));
        QVERIFY(!control<QAction>(modal, QStringLiteral("cmdPreviousPage"))->isEnabled());
        // The keys that page through an enlarged photo page through the hand-out.
        QTest::keyClick(modal->windowHandle(), Qt::Key_PageDown);
        QCOMPARE(preview->currentPage(), 2);
        QCOMPARE(at(), QStringLiteral("2/ 2"));
        QVERIFY(!control<QAction>(modal, QStringLiteral("cmdNextPage"))->isEnabled());
        QTest::keyClick(modal->windowHandle(), Qt::Key_Home);
        QCOMPARE(preview->currentPage(), 1);
        QTest::keyClick(modal->windowHandle(), Qt::Key_End);
        QCOMPARE(preview->currentPage(), 2);
        clickTool(modal, QStringLiteral("cmdPreviousPage"));
        QCOMPARE(at(), QStringLiteral("1/ 2"));
        clickTool(modal, QStringLiteral("cmdNextPage"));
        QCOMPARE(preview->currentPage(), 2);
        // A page number typed goes to that page; one past the last is not taken.
        QTest::mouseDClick(page, Qt::LeftButton);
        QTest::keyClick(page, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(page, QStringLiteral("1"));
        QTest::keyClick(page, Qt::Key_Return);
        QCOMPARE(preview->currentPage(), 1);
        QTest::keyClick(page, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(page, QStringLiteral("3"));
        QTest::keyClick(page, Qt::Key_Return);
        QCOMPARE(preview->currentPage(), 1);

        // A page across to start with; zoomed in and out by keys and clicks.
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        const qreal across = preview->zoomFactor();
        const QString shownAcross = control<QLabel>(modal, QStringLiteral("lblZoom"))->text();
        QTest::keyClick(modal->windowHandle(), Qt::Key_Equal, Qt::ControlModifier);
        QVERIFY(preview->zoomFactor() > across);
        QVERIFY(control<QLabel>(modal, QStringLiteral("lblZoom"))->text() != shownAcross);
        clickTool(modal, QStringLiteral("cmdZoomIn"));
        QTest::keyClick(modal->windowHandle(), Qt::Key_Minus, Qt::ControlModifier);
        clickTool(modal, QStringLiteral("cmdZoomOut"));
        QVERIFY(qAbs(preview->zoomFactor() - across) < 0.01);
        clickTool(modal, QStringLiteral("cmdFitPage"));
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
        QVERIFY(preview->zoomFactor() < across);
        clickTool(modal, QStringLiteral("cmdFitWidth"));
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        shown = true;
        clickTool(modal, QStringLiteral("cmdClose"));
    });
    pressShortcut(m_main->window(), Qt::Key_P);
    QVERIFY(shown);
}

void TestHandout::printingOnPaperAsTheDialogChose()
{
    shortList({2, 1, 0});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/打印.pdf");
    int pages = -1;
    printFromNextPreview(pdf, &pages);
    pressShortcut(m_main->window(), Qt::Key_P);
    QCOMPARE(pages, 2);
    QTRY_COMPARE(PdfFile::pageCount(pdf), 2);
    QVERIFY(PdfFile::pageText(pdf, 2).contains(QStringLiteral("QX-C3")));
    QCOMPARE(PdfFile::images(pdf), (QStringList{"1:60x90 jpeg", "1:80x40 jpeg"}));
}

QTEST_MAIN(TestHandout)
#include "tst_handout.moc"
