#include "mainwindowfixture.h"
#include "pdffile.h"
#include "testsupport.h"

#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/statuspanels.h"
#include "picturefiles.h"

#include <QAction>
#include <QDate>
#include <QPushButton>
#include <QTest>

namespace {

// Presses the keys in the main window as the user does; the shortcut may open a modal window.
void pressShortcut(frmQX_Quillonix &window, Qt::Key key)
{
    QTest::keyClick(window.windowHandle(), key, Qt::ControlModifier);
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
    QCOMPARE(PdfFile::images(pdf), (QStringList{"1:60x90", "1:80x40"}));
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
    shortList({1});
    m_main->listings().exec(QStringLiteral("DROP TABLE picture"));
    MessageScript::expect(QStringLiteral("不能读取房源资料：( 1)no such table: picture"), 16, QStringLiteral("打印预选"));
    // No preview opens: an unexpected window would fail the test.
    pressShortcut(m_main->window(), Qt::Key_P);
}

QTEST_MAIN(TestHandout)
#include "tst_handout.moc"
