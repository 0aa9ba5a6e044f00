#include "mainwindowfixture.h"
#include "testsupport.h"

#include "forms/common/imagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/shortlist.h"
#include "forms/main/statuspanels.h"

#include <QDialog>
#include <QListWidget>
#include <QTest>

namespace {

QString refusal(const QString &number)
{
    return QStringLiteral("物业编号") + number + QStringLiteral("已被选择！");
}

} // namespace

class TestShortList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init();
    void cleanup();

    void chosenHitIsAddedAtTheEndWithItsOfferType();
    void sameListingIsRefusedAlsoAfterANewSearch();
    void nothingChosenAddsNothing();
    void numbersDifferingInLetterCaseAreTwoEntries();
    void clickAndArrowKeysLoadTheListing();
    void messageOfAReleasedKeyClosesOnceWithTheKeyboard_data();
    void messageOfAReleasedKeyClosesOnceWithTheKeyboard();
    void removeTakesTheChosenRowAndBlanksThePanel();
    void clearBlanksThePanelOnlyWhenThereIsSomethingToClear();
    void numbersStoredInOtherEncodingsLoadTheirOwnListing_data();
    void numbersStoredInOtherEncodingsLoadTheirOwnListing();
    void severalRowsChosenButRemoveAndClickTakeTheFirst();
    void changeByAnotherProgramMarksTheShortList_data();
    void changeByAnotherProgramMarksTheShortList();
    void markWaitsForAnOpenDialog();

private:
    void addHit(int row);

    std::unique_ptr<MainWindowFixture> m_main;
};

void TestShortList::init()
{
    TestSandbox::reset();
    m_main = std::make_unique<MainWindowFixture>();
    ListingFixture &listings = m_main->listings();
    listings.addHouse(QStringLiteral("C3"), {{"fpyx", 3}, {"wymc", "丙苑"}});
    listings.addHouse(QStringLiteral("B2"), {{"fpyx", 2}, {"wymc", "乙苑"}});
    listings.addHouse(QStringLiteral("A1"), {{"fpyx", 1}, {"wymc", "甲苑"}});
    listings.addHouse(QStringLiteral("a1"), {{"fpyx", 7}, {"wymc", "小甲苑"}});
    listings.addPicture(QStringLiteral("B2"), QStringLiteral("b2.jpg"), QStringLiteral("客厅"));
    listings.writePhoto(QStringLiteral("b2.jpg"));
    m_main->open();
    m_main->pressSearch();
    QCOMPARE(MainWindowFixture::column(m_main->results(), 0), (QStringList{"a1", "A1", "B2", "C3"}));
}

void TestShortList::cleanup()
{
    m_main.reset();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
}

void TestShortList::addHit(int row)
{
    MainWindowFixture::clickRow(m_main->results(), row);
    m_main->press(QStringLiteral("cmdSelect"));
}

void TestShortList::chosenHitIsAddedAtTheEndWithItsOfferType()
{
    addHit(3);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("C3"));
    addHit(1);
    MainWindowFixture::clickRow(m_main->results(), 2);
    m_main->window().detailPanel().subClearValue();
    m_main->press(QStringLiteral("cmdSelect"));
    QCOMPARE(m_main->shortListShown(), (QStringList{"C3|租售均可", "A1|出租", "B2|出售"}));
    // Adding touches neither the panel nor the selection of either list.
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QString());
    QCOMPARE(m_main->results().firstSelectedRow(), 2);
    QCOMPARE(m_main->shortList().firstSelectedRow(), -1);
}

void TestShortList::sameListingIsRefusedAlsoAfterANewSearch()
{
    addHit(2);
    MessageScript::expect(refusal(QStringLiteral("B2")), 64, QStringLiteral("物业预览"));
    m_main->press(QStringLiteral("cmdSelect"));
    QCOMPARE(m_main->shortList().rowCount(), 1);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("B2"));

    m_main->pressSearch();
    MessageScript::expect(refusal(QStringLiteral("B2")), 64, QStringLiteral("物业预览"));
    addHit(2);
    QCOMPARE(m_main->shortListShown(), QStringList{"B2|出售"});
}

void TestShortList::nothingChosenAddsNothing()
{
    m_main->press(QStringLiteral("cmdSelect"));
    QCOMPARE(m_main->shortList().rowCount(), 0);
    MessageScript::expect(QStringLiteral("没有找到符合条件的房源"), 64, QStringLiteral("搜索房源"));
    m_main->listings().exec(QStringLiteral("UPDATE house SET wyzt = 0"));
    m_main->pressSearch();
    m_main->press(QStringLiteral("cmdSelect"));
    QCOMPARE(m_main->shortList().rowCount(), 0);
}

void TestShortList::numbersDifferingInLetterCaseAreTwoEntries()
{
    addHit(1);
    addHit(0);
    QCOMPARE(m_main->shortListShown(), (QStringList{"A1|出租", "a1|"}));
}

void TestShortList::clickAndArrowKeysLoadTheListing()
{
    addHit(3);
    addHit(2);
    addHit(1);
    MainWindowFixture::clickRow(m_main->results(), 0);
    ReportListView &shortList = m_main->shortList();
    MainWindowFixture::clickRow(shortList, 1);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
    QCOMPARE(m_main->box(QStringLiteral("txtWymc")), QStringLiteral("乙苑"));
    QVERIFY(control<ImageBox>(&m_main->window(), QStringLiteral("imgHouse"))->hasPicture());
    QCOMPARE(m_main->results().firstSelectedRow(), 0);
    QTest::keyClick(&shortList, Qt::Key_Down);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    QTest::keyClick(&shortList, Qt::Key_Up);
    QTest::keyClick(&shortList, Qt::Key_Up);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("C3"));
    QCOMPARE(m_main->photoNames().count(), 0);
}

void TestShortList::messageOfAReleasedKeyClosesOnceWithTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestShortList::messageOfAReleasedKeyClosesOnceWithTheKeyboard()
{
    QFETCH(int, key);
    addHit(2);
    addHit(1);
    m_main->listings().addPicture(QStringLiteral("A1"), QStringLiteral("gone.jpg"), QStringLiteral("客厅"));
    ReportListView &shortList = m_main->shortList();
    MainWindowFixture::clickRow(shortList, 0);
    // Down comes up in the short list and loads A1, whose photo is missing: the box opens,
    // and the key closes it as it goes down.
    MessageScript::expectBox(QStringLiteral("找不到文件客厅，可能已被删除或改变了存放目录！"), 64,
                             QStringLiteral("房源图片"));
    whenModalShown([key](QWidget *box) {
        QTRY_VERIFY(hasKeyboard(box));
        pressKey(Qt::Key(key));
    });
    QTest::keyClick(&shortList, Qt::Key_Down);
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_COMPARE(QApplication::focusWidget(), &shortList);
    // The key comes up over the short list, which never saw it go down: nothing more happens.
    releaseKey(Qt::Key(key));
    QCOMPARE(MessageScript::seen().size(), 1);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
}

void TestShortList::removeTakesTheChosenRowAndBlanksThePanel()
{
    addHit(3);
    addHit(2);
    addHit(1);
    m_main->press(QStringLiteral("cmdRemove"));
    QCOMPARE(m_main->shortList().rowCount(), 3);
    MainWindowFixture::clickRow(m_main->shortList(), 1);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
    m_main->press(QStringLiteral("cmdRemove"));
    QCOMPARE(m_main->shortListShown(), (QStringList{"C3|租售均可", "A1|出租"}));
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QString());
    QCOMPARE(m_main->photoNames().count(), 0);
    // No row is chosen in its place: a second press removes nothing nobody chose.
    QCOMPARE(m_main->shortList().firstSelectedRow(), -1);
    m_main->press(QStringLiteral("cmdRemove"));
    QCOMPARE(m_main->shortListShown(), (QStringList{"C3|租售均可", "A1|出租"}));

    // The panel is blanked whatever it showed, also a listing from the result list.
    MainWindowFixture::clickRow(m_main->shortList(), 0);
    MainWindowFixture::clickRow(m_main->results(), 2);
    m_main->press(QStringLiteral("cmdRemove"));
    QCOMPARE(m_main->shortListShown(), QStringList{"A1|出租"});
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QString());
}

void TestShortList::clearBlanksThePanelOnlyWhenThereIsSomethingToClear()
{
    MainWindowFixture::clickRow(m_main->results(), 2);
    m_main->press(QStringLiteral("cmdClear"));
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
    m_main->press(QStringLiteral("cmdSelect"));
    addHit(3);
    m_main->press(QStringLiteral("cmdClear"));
    QCOMPARE(m_main->shortList().rowCount(), 0);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QString());
    QVERIFY(!control<ImageBox>(&m_main->window(), QStringLiteral("imgHouse"))->hasPicture());
    // Clearing again is nothing to do; the search's hits are untouched throughout.
    MainWindowFixture::clickRow(m_main->results(), 1);
    m_main->press(QStringLiteral("cmdClear"));
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    QCOMPARE(m_main->results().rowCount(), 4);
}

void TestShortList::numbersStoredInOtherEncodingsLoadTheirOwnListing_data()
{
    addStoredNumberRows();
}

void TestShortList::numbersStoredInOtherEncodingsLoadTheirOwnListing()
{
    QFETCH(QString, shown);
    QFETCH(QByteArray, stored);
    m_main->listings().addTwinsUnderOneNumber(shown, stored);
    m_main->pressSearch();
    QCOMPARE(MainWindowFixture::column(m_main->results(), 0).mid(0, 2), (QStringList{shown, shown}));
    addHit(1);
    addHit(0);
    QCOMPARE(m_main->shortListShown(), (QStringList{shown + "|出售", shown + "|出租"}));
    MainWindowFixture::clickRow(m_main->shortList(), 0);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), shown);
    QCOMPARE(m_main->box(QStringLiteral("txtWymc")), QStringLiteral("旧库"));
    MainWindowFixture::clickRow(m_main->shortList(), 1);
    QCOMPARE(m_main->box(QStringLiteral("txtWymc")), QStringLiteral("新库"));
    // Chosen again, the listing stored in the older encoding is known by its bytes.
    MessageScript::expect(refusal(shown), 64, QStringLiteral("物业预览"));
    addHit(1);
}

void TestShortList::severalRowsChosenButRemoveAndClickTakeTheFirst()
{
    addHit(3);
    addHit(2);
    addHit(1);
    ReportListView &shortList = m_main->shortList();
    const auto clickWith = [&shortList](int row, Qt::KeyboardModifiers keys) {
        const QRect cell = shortList.visualRect(shortList.model()->index(row, 0));
        QTest::mouseClick(shortList.viewport(), Qt::LeftButton, keys, cell.center());
    };
    MainWindowFixture::clickRow(shortList, 2);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    // Ctrl adds a row to the chosen ones; the click loads the first of them.
    clickWith(0, Qt::ControlModifier);
    QCOMPARE(shortList.selectedRowsInOrder(), (QList<int>{0, 2}));
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("C3"));
    m_main->press(QStringLiteral("cmdRemove"));
    QCOMPARE(m_main->shortListShown(), (QStringList{"B2|出售", "A1|出租"}));
    QCOMPARE(shortList.firstSelectedRow(), -1);
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QString());
    // Shift chooses the rows between.
    clickWith(1, Qt::NoModifier);
    clickWith(0, Qt::ShiftModifier);
    QCOMPARE(shortList.selectedRowsInOrder(), (QList<int>{0, 1}));
    QCOMPARE(m_main->box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
}

void TestShortList::changeByAnotherProgramMarksTheShortList_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QString>("undo");
    const QStringList unmarked = {"C3|租售均可", "B2|出售", "A1|出租"};
    const QStringList b2Gone = {"C3|租售均可", "B2|出售（已下架）", "A1|出租"};
    QTest::newRow("withdrawn, then offered again")
        << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'B2'") << b2Gone
        << QStringLiteral("UPDATE house SET wyzt = 1 WHERE fybh = 'B2'");
    QTest::newRow("deleted, then added again")
        << QStringLiteral("DELETE FROM house WHERE fybh = 'B2'") << b2Gone
        << QStringLiteral("INSERT INTO house (fybh, fpyx, wyzt) VALUES ('B2', 2, 1)");
    QTest::newRow("two withdrawn") << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh IN ('C3', 'A1')")
                                   << QStringList{"C3|租售均可（已下架）", "B2|出售", "A1|出租（已下架）"}
                                   << QStringLiteral("UPDATE house SET wyzt = 1");
    QTest::newRow("price changed") << QStringLiteral("UPDATE house SET sj = 1") << unmarked << QString();
    QTest::newRow("withdrawn, not short-listed") << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'a1'")
                                                 << unmarked << QString();
}

void TestShortList::changeByAnotherProgramMarksTheShortList()
{
    SKIP_ON_SERVER("the desk follows changes to a database file");
    QFETCH(QString, statement);
    QFETCH(QStringList, marked);
    QFETCH(QString, undo);
    addHit(3);
    addHit(2);
    addHit(1);
    ReportListView &shortList = m_main->shortList();
    MainWindowFixture::clickRow(shortList, 2);
    // Times of a file system that keeps whole seconds only must differ as well.
    QTest::qWait(1100);
    m_main->listings().exec(statement);
    const QString hitsNotice = QStringLiteral("检索结果可能已变，按检索刷新");
    const auto notice = [this] { return m_main->window().controls().stbBottom->panelText(2); };
    QTRY_VERIFY_WITH_TIMEOUT(notice() == hitsNotice || notice().startsWith(QStringLiteral("房源")), 3000);
    QCOMPARE(m_main->shortListShown(), marked);
    // A mark too long for its column shows whole under the pointer.
    for (int row = 0; row < marked.size(); ++row) {
        const QString offer = marked.at(row).section(QLatin1Char('|'), 1);
        const bool gone = offer.endsWith(QStringLiteral("（已下架）"));
        QCOMPARE(shortList.model()->index(row, 1).data(Qt::ToolTipRole).toString(), gone ? offer : QString());
    }
    // Nothing moves under the user's hand: the chosen row and the current row stay.
    QCOMPARE(shortList.selectedRowsInOrder(), QList<int>{2});
    QCOMPARE(shortList.currentIndex().row(), 2);
    if (undo.isEmpty())
        return;
    QTest::qWait(1100);
    m_main->listings().exec(undo);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->shortListShown(), (QStringList{"C3|租售均可", "B2|出售", "A1|出租"}), 3000);
    // The mark is shown only: the number stays, and refuses the same listing again.
    MessageScript::expect(refusal(QStringLiteral("B2")), 64, QStringLiteral("物业预览"));
    addHit(2);
}

void TestShortList::markWaitsForAnOpenDialog()
{
    SKIP_ON_SERVER("the desk follows changes to a database file");
    addHit(2);
    addHit(1);
    QTest::qWait(1100);
    QDialog dialog(&m_main->window());
    whenModalShown([&](QWidget *) {
        m_main->listings().exec(QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'B2'"));
        // Long enough for several looks at the file: the open dialog keeps the short list as it was.
        QTest::qWait(4500);
        QCOMPARE(m_main->shortListShown(), (QStringList{"B2|出售", "A1|出租"}));
        dialog.reject();
    });
    dialog.exec();
    QTRY_COMPARE_WITH_TIMEOUT(m_main->shortListShown(), (QStringList{"B2|出售（已下架）", "A1|出租"}), 3000);
}

QTEST_MAIN(TestShortList)
#include "tst_shortlist.moc"
