#include "mainwindowfixture.h"
#include "pdffile.h"
#include "testsupport.h"

#include "forms/compare/comparison.h"
#include "forms/main/frmQX_Quillonix.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

// Chooses these rows of a list as the user does: a click on the first, Ctrl and a click on each other.
void chooseRows(ReportListView &list, const QList<int> &rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        // Scrolled to first, as the user does for a row out of sight.
        list.scrollTo(list.model()->index(rows.at(i), 0));
        const QRect cell = list.visualRect(list.model()->index(rows.at(i), 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                          cell.center());
    }
}

// What the comparison window shows: the numbers over the columns, whether each column has a
// photo, and the labels of the rows marked as differing.
struct Shown
{
    QString caption;
    QStringList numbers;
    QList<bool> photos;
    QStringList marked;
    QStringList rows;
    QStringList price;
};

Shown inspect(QWidget *compare)
{
    Shown shown;
    shown.caption = compare->windowTitle();
    auto *table = control<QTableWidget>(compare, QStringLiteral("tblCompare"));
    for (int column = 0; column < table->columnCount(); ++column) {
        shown.numbers << table->horizontalHeaderItem(column)->text();
        const auto *photo = qobject_cast<QLabel *>(table->cellWidget(0, column));
        shown.photos << (photo && !photo->pixmap().isNull());
    }
    for (int row = 1; row < table->rowCount(); ++row) {
        const QString label = table->verticalHeaderItem(row)->text();
        shown.rows << label;
        if (table->item(row, 0)->background().color() == Comparison::differenceColour())
            shown.marked << label;
        if (label == QStringLiteral("售价")) {
            for (int column = 0; column < table->columnCount(); ++column)
                shown.price << table->item(row, column)->text();
        }
    }
    return shown;
}

} // namespace

class TestCompare : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init();
    void cleanup();

    void chosenRowsSideBySide_data();
    void chosenRowsSideBySide();
    void contextMenuComparesTheChosenRows();
    void comparisonPrintsLikeTheHandout();
    void aListingGoneMeanwhileIsLeftOut_data();
    void aListingGoneMeanwhileIsLeftOut();
    void numbersStoredInOtherEncodingsCompareTheirOwnListings_data();
    void numbersStoredInOtherEncodingsCompareTheirOwnListings();

private:
    std::unique_ptr<MainWindowFixture> m_main;
};

void TestCompare::init()
{
    TestSandbox::reset();
    m_main = std::make_unique<MainWindowFixture>();
    ListingFixture &listings = m_main->listings();
    listings.addHouse(QStringLiteral("L1"), {{"fpyx", 2}, {"qy", "天河区"}, {"sj", 300}});
    listings.addHouse(QStringLiteral("L2"), {{"fpyx", 2}, {"qy", "天河区"}, {"sj", 250}});
    listings.addHouse(QStringLiteral("L3"), {{"fpyx", 1}, {"qy", "越秀区"}, {"zj", 3000}});
    listings.addHouse(QStringLiteral("L4"), {{"fpyx", 3}, {"qy", "天河区"}, {"sj", 400}, {"zj", 5000}});
    listings.addHouse(QStringLiteral("L5"), {{"fpyx", 1}, {"qy", "天河区"}});
    listings.addPicture(QStringLiteral("L1"), QStringLiteral("l1.png"), QStringLiteral("外景"));
    listings.writePhoto(QStringLiteral("l1.png"), QSize(80, 60), "PNG", Qt::red);
    // L3's only photo is missing: no photo over its column.
    listings.addPicture(QStringLiteral("L3"), QStringLiteral("l3.png"), QStringLiteral("外景"));
    listings.addPicture(QStringLiteral("L4"), QStringLiteral("l4.png"), QStringLiteral("外景"));
    listings.writePhoto(QStringLiteral("l4.png"), QSize(60, 80), "PNG", Qt::blue);
    // Shortcuts reach the active window.
    QVERIFY(QTest::qWaitForWindowActive(&m_main->open()));
    m_main->pressSearch();
    // Short-listed oldest first, L1 to L5, chosen without a click that would load them.
    ReportListView &hits = m_main->results();
    for (int row = 4; row >= 0; --row) {
        hits.selectionModel()->select(hits.model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_main->press(QStringLiteral("cmdSelect"));
    }
    QCOMPARE(MainWindowFixture::column(m_main->shortList(), 0), (QStringList{"L1", "L2", "L3", "L4", "L5"}));
}

void TestCompare::cleanup()
{
    m_main.reset();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
}

void TestCompare::chosenRowsSideBySide_data()
{
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QList<bool>>("photos");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QStringList>("price");
    // An empty list of numbers: refused.
    QTest::newRow("none") << QList<int>{} << QStringList{} << QList<bool>{} << QStringList{} << QStringList{};
    QTest::newRow("one") << QList<int>{1} << QStringList{} << QList<bool>{} << QStringList{} << QStringList{};
    QTest::newRow("five") << QList<int>{0, 1, 2, 3, 4} << QStringList{} << QList<bool>{} << QStringList{}
                          << QStringList{};
    QTest::newRow("two alike but the price") << QList<int>{1, 0} << QStringList{"L1", "L2"} << QList<bool>{true, false}
                                             << QStringList{"售价"} << QStringList{"300万元", "250万元"};
    QTest::newRow("two") << QList<int>{0, 2} << QStringList{"L1", "L3"} << QList<bool>{true, false}
                         << QStringList{"放盘意向", "区域", "售价", "租价"} << QStringList{"300万元", ""};
    QTest::newRow("four") << QList<int>{4, 0, 3, 1} << QStringList{"L1", "L2", "L4", "L5"}
                          << QList<bool>{true, false, true, false} << QStringList{"放盘意向", "售价", "租价"}
                          << QStringList{"300万元", "250万元", "400万元", ""};
}

void TestCompare::chosenRowsSideBySide()
{
    QFETCH(QList<int>, chosen);
    QFETCH(QStringList, numbers);
    QFETCH(QList<bool>, photos);
    QFETCH(QStringList, marked);
    QFETCH(QStringList, price);
    chooseRows(m_main->shortList(), chosen);
    QCOMPARE(m_main->shortList().selectedRowsInOrder().size(), chosen.size());
    Shown shown;
    if (numbers.isEmpty()) {
        MessageScript::expect(QStringLiteral("请在预选物业中选择二至四个物业（按住Ctrl或Shift点选），再对比。"), 64,
                              QStringLiteral("房源对比"));
    } else {
        whenModalShown([&shown](QWidget *compare) {
            shown = inspect(compare);
            QTest::keyClick(compare->windowHandle(), Qt::Key_Escape);
        });
    }
    QTest::keyClick(m_main->window().windowHandle(), Qt::Key_D, Qt::ControlModifier);
    if (numbers.isEmpty())
        return;
    QCOMPARE(shown.caption, QStringLiteral("房源对比"));
    QCOMPARE(shown.numbers, numbers);
    QCOMPARE(shown.photos, photos);
    QCOMPARE(shown.marked, marked);
    QCOMPARE(shown.price, price);
    // Every detail field but the number, which heads the columns, in the detail panel's order.
    QCOMPARE(shown.rows.size(), 27);
    QCOMPARE(shown.rows.mid(0, 3), (QStringList{"放盘意向", "区域", "物业类别"}));
    QCOMPARE(shown.rows.last(), QStringLiteral("收款方式"));
    // Comparing leaves the short list as it was.
    QCOMPARE(m_main->shortList().rowCount(), 5);
}

void TestCompare::contextMenuComparesTheChosenRows()
{
    ReportListView &shortList = m_main->shortList();
    chooseRows(shortList, {0, 3});
    QStringList entries;
    Shown shown;
    whenModalShown([&shown](QWidget *compare) {
        shown = inspect(compare);
        QTest::keyClick(compare->windowHandle(), Qt::Key_Escape);
    });
    // The menu opens over the chosen rows and keeps them chosen; 对比 is its first entry.
    QTimer::singleShot(100, [&entries] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (const QAction *action : menu->actions())
            entries << action->text() + QLatin1Char(' ') + action->shortcut().toString();
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QRect row = shortList.visualRect(shortList.model()->index(3, 0));
    QTest::mouseClick(shortList.viewport()->window()->windowHandle(), Qt::RightButton, {},
                      shortList.viewport()->mapTo(shortList.window(), row.center()));
    QTRY_VERIFY(!shown.numbers.isEmpty());
    QCOMPARE(entries, (QStringList{"对比 Ctrl+D", "打印预选 Ctrl+P"}));
    QCOMPARE(shown.numbers, (QStringList{"L1", "L4"}));
}

void TestCompare::comparisonPrintsLikeTheHandout()
{
    chooseRows(m_main->shortList(), {0, 2, 3});
    const QString pdf = TestSandbox::newFolder() + QStringLiteral("/对比.pdf");
    int pages = -1;
    whenModalShown([&pages](QWidget *compare) {
        QTRY_VERIFY(compare->isActiveWindow());
        QTest::keyClick(compare->windowHandle(), Qt::Key_P, Qt::ControlModifier);
        // The preview opens once 打印 has shown itself pressed, and is saved and closed.
        QTRY_VERIFY(pages >= 0);
        QTest::keyClick(compare->windowHandle(), Qt::Key_Escape);
    });
    PdfFile::saveFromNextPreview(QStringLiteral("房源对比"), pdf, &pages);
    QTest::keyClick(m_main->window().windowHandle(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(pages, 1);
    QCOMPARE(PdfFile::pageCount(pdf), 1);
    const QString text = PdfFile::pageText(pdf, 1);
    for (const char *part : {"房源对比", "第 1 页，共 1 页", "物业编号 L1 L3 L4", "放盘意向 出售 出租 租售均可",
                             "售价 300万元 400万元", "租价 3000元 5000元", "收款方式"}) {
        QVERIFY2(text.contains(QString::fromUtf8(part)), qPrintable(QString::fromUtf8(part) + QStringLiteral(" in ") + text));
    }
    QCOMPARE(PdfFile::images(pdf), (QStringList{"1:80x60 jpeg", "1:60x80 jpeg"}));
}

void TestCompare::aListingGoneMeanwhileIsLeftOut_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("shortList");
    const QStringList l2Gone = {"L1|出售", "L2|出售（已下架）", "L3|出租", "L4|租售均可", "L5|出租"};
    const QString word = QStringLiteral("已下架或已删除，未列入：L2");
    QTest::newRow("deleted, one left") << QStringLiteral("DELETE FROM house WHERE fybh = 'L2'") << QList<int>{0, 1}
                                       << QStringList{} << word + "。余下不足两个物业，不能对比。" << l2Gone;
    QTest::newRow("withdrawn, one left") << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'L2'")
                                         << QList<int>{0, 1} << QStringList{}
                                         << word + "。余下不足两个物业，不能对比。" << l2Gone;
    QTest::newRow("withdrawn, three left") << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'L2'")
                                           << QList<int>{3, 1, 2, 0} << QStringList{"L1", "L3", "L4"} << word
                                           << l2Gone;
}

void TestCompare::aListingGoneMeanwhileIsLeftOut()
{
    QFETCH(QString, statement);
    QFETCH(QList<int>, chosen);
    QFETCH(QStringList, numbers);
    QFETCH(QString, word);
    QFETCH(QStringList, shortList);
    chooseRows(m_main->shortList(), chosen);
    m_main->listings().exec(statement);
    Shown shown;
    QString shownWord;
    if (numbers.isEmpty()) {
        // One listing is nothing to compare: no window opens, and an unexpected one would fail the test.
        MessageScript::expect(word, 64, QStringLiteral("房源对比"));
    } else {
        whenModalShown([&shown, &shownWord](QWidget *compare) {
            shown = inspect(compare);
            const auto *label = control<QLabel>(compare, QStringLiteral("lblLeftOut"));
            shownWord = label->isVisibleTo(compare) ? label->text() : QString();
            QTest::keyClick(compare->windowHandle(), Qt::Key_Escape);
        });
    }
    QTest::keyClick(m_main->window().windowHandle(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(shown.numbers, numbers);
    QCOMPARE(shownWord, numbers.isEmpty() ? QString() : word);
    QCOMPARE(m_main->shortListShown(), shortList);
    QCOMPARE(m_main->shortList().selectedRowsInOrder().size(), chosen.size());
}

void TestCompare::numbersStoredInOtherEncodingsCompareTheirOwnListings_data()
{
    addStoredNumberRows();
}

void TestCompare::numbersStoredInOtherEncodingsCompareTheirOwnListings()
{
    QFETCH(QString, shown);
    QFETCH(QByteArray, stored);
    if (ListingFixture::onServer() && !isUtf8(stored))
        QSKIP("A server database holds UTF-8 text only: quillonix-import refuses other bytes.");
    m_main->listings().addTwinsUnderOneNumber(shown, stored);
    m_main->pressSearch();
    ReportListView &hits = m_main->results();
    QCOMPARE(MainWindowFixture::column(hits, 0).mid(0, 2), (QStringList{shown, shown}));
    for (int row : {1, 0}) {
        hits.selectionModel()->select(hits.model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_main->press(QStringLiteral("cmdSelect"));
    }
    chooseRows(m_main->shortList(), {5, 6});
    QStringList names;
    QStringList numbers;
    whenModalShown([&names, &numbers](QWidget *compare) {
        auto *table = control<QTableWidget>(compare, QStringLiteral("tblCompare"));
        for (int column = 0; column < table->columnCount(); ++column) {
            numbers << table->horizontalHeaderItem(column)->text();
            for (int row = 1; row < table->rowCount(); ++row) {
                if (table->verticalHeaderItem(row)->text() == QStringLiteral("物业名称"))
                    names << table->item(row, column)->text();
            }
        }
        QTest::keyClick(compare->windowHandle(), Qt::Key_Escape);
    });
    QTest::keyClick(m_main->window().windowHandle(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(numbers, (QStringList{shown, shown}));
    QCOMPARE(names, (QStringList{"旧库", "新库"}));
}

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
