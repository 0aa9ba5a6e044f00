#include "mainwindowfixture.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/listingsearch.h"
#include "forms/main/resultlist.h"

#include <QClipboard>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTest>
#include <algorithm>

namespace {

// Listings with odd texts in every sorted column, in one statement: Nulls and empty cells,
// equal texts and texts equal but for letter case, numbers stored as text, Chinese, long
// texts that differ only far in, cells of hundreds of characters, and many changed in the same minute.
void addOddListings(ListingFixture &listings, int count)
{
    listings.exec(QStringLiteral(
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                      "INSERT INTO house (fybh, fpyx, wyzt, seq, xgsj, wymc, wyqy, wyhx, cx, lc, zj) SELECT "
                      "CASE i % 2 WHEN 0 THEN 'k' ELSE 'K' END || printf('%05d', i % 499), i % 5, 1, 0, "
                      "datetime('2025-01-01 08:00:00', '+' || (i % 97) || ' minutes'), "
                      "CASE i % 13 WHEN 0 THEN NULL WHEN 1 THEN '' WHEN 2 THEN '甲苑' WHEN 3 THEN '乙苑' "
                      "WHEN 4 THEN 'abc' WHEN 5 THEN 'ABC' WHEN 6 THEN 'Abd' WHEN 7 THEN '1200' WHEN 8 THEN '900' "
                      "WHEN 9 THEN '0900' WHEN 10 THEN 'Straße' WHEN 11 THEN 'STRASSE' ELSE '甲苑' || (i % 7) END, "
                      "CASE i % 4 WHEN 0 THEN NULL ELSE '产权' || (i % 11) END, "
                      "CASE i % 7 WHEN 0 THEN 'Green Park Tower A' WHEN 1 THEN 'green park tower a' "
                      "WHEN 2 THEN 'Green Park Tower B' || (i % 3) WHEN 3 THEN '翠湖花园十二栋八零五' || (i % 4) "
                      "WHEN 4 THEN 'Green Park Tower' WHEN 5 THEN 'Green Park Tower A' || (i % 23) ELSE NULL END, "
                      "CASE i % 6 WHEN 0 THEN '东' WHEN 1 THEN '南' WHEN 2 THEN '西' WHEN 3 THEN '北' "
                      "WHEN 4 THEN '' WHEN 5 THEN substr(replace(hex(zeroblob(200)), '00', '长x'), 1, 300 + i % 3) "
                      "ELSE NULL END, "
                      "i % 31, CASE i % 9 WHEN 0 THEN NULL ELSE (i % 9) * 450.5 END FROM n")
                      .arg(count));
}

// Every row of a list as one text, cells joined, in list order.
QStringList rowTexts(const ReportListView &list)
{
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.rows().columnCount(); ++column)
            cells << list.rows().cell(row, column);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Each hit's number and name, as the window's search finds them read at once through the
// record set, and as the list shows them.
QStringList searchedHits(frmQX_Quillonix &window)
{
    QStringList hits;
    Recordset &found = funOpenQuery(window.listingSearch().statement(), window.listingSearch().values());
    for (; !found.eof(); found.moveNext())
        hits << found.field(0).toString() + QLatin1Char('|') + found.field(2).toString();
    found.close();
    return hits;
}

QStringList listedHits(const ReportListView &list)
{
    QStringList hits;
    for (int row = 0; row < list.rowCount(); ++row)
        hits << list.rows().cell(row, 0) + QLatin1Char('|') + list.rows().cell(row, 2);
    return hits;
}

// A text with each character folded on its own, as the list compares texts.
QString folded(QString text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](QChar c) { return c.toCaseFolded(); });
    return text;
}

void clickHeader(ReportListView &list, int position)
{
    QHeaderView *header = list.header();
    const int x = header->sectionViewportPosition(position - 1) + header->sectionSize(position - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

// A key held down: presses and releases that repeat, then the last release.
void holdKey(QWidget *list, Qt::Key key, int repeats)
{
    for (int i = 0; i < repeats; ++i) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(list, &press);
        if (i + 1 < repeats) {
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(list, &release);
        }
    }
    QKeyEvent last(QEvent::KeyRelease, key, Qt::NoModifier, QString(), false);
    QApplication::sendEvent(list, &last);
}

} // namespace

class TestResultList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void clickLoadsTheRowEveryTime();
    void clickWithoutSelectedRowChangesNothing();
    void releasedKeyLoadsTheRowReached();
    void firstKeyAfterASearchLoadsTheRowItNames_data();
    void firstKeyAfterASearchLoadsTheRowItNames();
    void heldKeyLoadsOnlyWhereItComesUp();
    void messageOfAReleasedKeyClosesOnceWithTheKeyboard_data();
    void messageOfAReleasedKeyClosesOnceWithTheKeyboard();
    void headerClicksSortAsTextAlternatingDirection();
    void sortingKeepsSelectionAndPanel();
    void listStaysSortedForTheNextSearch();
    void sortFollowsTheTextOrder_data();
    void sortFollowsTheTextOrder();
    void hitsArriveWhileTheDeskWorks_data();
    void hitsArriveWhileTheDeskWorks();
    void listingByItsNumber_data();
    void listingByItsNumber();
};

void TestResultList::clickLoadsTheRowEveryTime()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"), {{"wymc", "甲苑"}});
    main.listings().addHouse(QStringLiteral("B2"), {{"wymc", "乙苑"}});
    main.open();
    main.pressSearch();
    MainWindowFixture::clickRow(main.results(), 1);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    QCOMPARE(main.box(QStringLiteral("txtWymc")), QStringLiteral("甲苑"));
    // Changed elsewhere meanwhile: clicking the same row again shows the change.
    main.listings().exec(QStringLiteral("UPDATE house SET wymc = '甲苑二期' WHERE fybh = 'A1'"));
    MainWindowFixture::clickRow(main.results(), 1);
    QCOMPARE(main.box(QStringLiteral("txtWymc")), QStringLiteral("甲苑二期"));
    MainWindowFixture::clickRow(main.results(), 0);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
}

void TestResultList::clickWithoutSelectedRowChangesNothing()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    frmQX_Quillonix &window = main.open();
    ReportListView &list = main.results();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QString());
    main.pressSearch();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, list.viewport()->height() - 5));
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QString());
    window.resultList().lsvHouse_Click();
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QString());
}

void TestResultList::releasedKeyLoadsTheRowReached()
{
    MainWindowFixture main;
    for (const char *number : {"C3", "B2", "A1"})
        main.listings().addHouse(QString::fromLatin1(number), {{"wymc", QString::fromLatin1(number) + "苑"}});
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    MainWindowFixture::clickRow(list, 0);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("C3"));
    // A key that moves nothing reloads the selected listing.
    main.listings().exec(QStringLiteral("UPDATE house SET wymc = '新名' WHERE fybh = 'C3'"));
    QTest::keyClick(&list, Qt::Key_Shift);
    QCOMPARE(main.box(QStringLiteral("txtWymc")), QStringLiteral("新名"));
}

void TestResultList::firstKeyAfterASearchLoadsTheRowItNames_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("Down, one hit") << 1 << int(Qt::Key_Down) << QStringLiteral("A1");
    QTest::newRow("Down, three hits") << 3 << int(Qt::Key_Down) << QStringLiteral("A1");
    QTest::newRow("Up") << 3 << int(Qt::Key_Up) << QStringLiteral("A1");
    QTest::newRow("End") << 3 << int(Qt::Key_End) << QStringLiteral("C3");
    QTest::newRow("PgDn") << 3 << int(Qt::Key_PageDown) << QStringLiteral("C3");
}

// The search leaves the keyboard in the list with no row chosen: the first arrow chooses
// the first hit rather than stepping past it.
void TestResultList::firstKeyAfterASearchLoadsTheRowItNames()
{
    QFETCH(int, hits);
    QFETCH(int, key);
    QFETCH(QString, loaded);
    MainWindowFixture main;
    const QStringList numbers{QStringLiteral("C3"), QStringLiteral("B2"), QStringLiteral("A1")};
    for (const QString &number : numbers.mid(numbers.size() - hits))
        main.listings().addHouse(number);
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    main.pressSearch();
    ReportListView &list = main.results();
    QTRY_COMPARE(QApplication::focusWidget(), &list);
    QTest::keyClick(&list, Qt::Key(key));
    QCOMPARE(main.box(QStringLiteral("txtFybh")), loaded);
    QCOMPARE(list.selectedRowsInOrder().size(), 1);
}

void TestResultList::heldKeyLoadsOnlyWhereItComesUp()
{
    MainWindowFixture main;
    for (const char *number : {"E5", "D4", "C3", "B2", "A1"})
        main.listings().addHouse(QString::fromLatin1(number));
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    MainWindowFixture::clickRow(list, 0);
    // Rows passed on the way are gone from the database: loading one would say so.
    main.listings().exec(QStringLiteral("DELETE FROM house WHERE fybh IN ('B2', 'C3')"));
    holdKey(&list, Qt::Key_Down, 3);
    QCOMPARE(list.firstSelectedRow(), 3);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("D4"));
}

void TestResultList::messageOfAReleasedKeyClosesOnceWithTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestResultList::messageOfAReleasedKeyClosesOnceWithTheKeyboard()
{
    QFETCH(int, key);
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("B2"));
    main.listings().addPicture(QStringLiteral("B2"), QStringLiteral("gone.jpg"), QStringLiteral("客厅"));
    main.listings().addHouse(QStringLiteral("A1"));
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    MainWindowFixture::clickRow(list, 0);
    // Down comes up in the list and loads B2, whose photo is missing: the box opens, and
    // the key closes it as it goes down.
    MessageScript::expectBox(QStringLiteral("找不到文件客厅，可能已被删除或改变了存放目录！"), 64,
                             QStringLiteral("房源图片"));
    whenModalShown([key](QWidget *box) {
        QTRY_VERIFY(hasKeyboard(box));
        pressKey(Qt::Key(key));
    });
    QTest::keyClick(&list, Qt::Key_Down);
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_COMPARE(QApplication::focusWidget(), &list);
    // The key comes up over the list, which never saw it go down: nothing more happens.
    releaseKey(Qt::Key(key));
    QCOMPARE(MessageScript::seen().size(), 1);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("B2"));
}

void TestResultList::headerClicksSortAsTextAlternatingDirection()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("b-1"), {{"zj", 900}});
    main.listings().addHouse(QStringLiteral("A-2"), {{"zj", 1200}});
    main.listings().addHouse(QStringLiteral("c-3"), {{"zj", 15000}});
    main.listings().addHouse(QStringLiteral("a-0"), {{"zj", QVariant()}});
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    QCOMPARE(MainWindowFixture::column(list, 0), (QStringList{"a-0", "c-3", "A-2", "b-1"}));
    QVERIFY(!list.sorted());

    clickHeader(list, 9); // 租价, descending first
    QCOMPARE(MainWindowFixture::column(list, 8), (QStringList{"900", "15000", "1200", ""}));
    QVERIFY(list.sorted());
    QCOMPARE(list.sortKey(), 8);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);

    clickHeader(list, 1); // 编号, ascending: the direction turns whichever column
    QCOMPARE(MainWindowFixture::column(list, 0), (QStringList{"a-0", "A-2", "b-1", "c-3"}));
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);

    clickHeader(list, 1);
    QCOMPARE(MainWindowFixture::column(list, 0), (QStringList{"c-3", "b-1", "A-2", "a-0"}));
    clickHeader(list, 9);
    QCOMPARE(MainWindowFixture::column(list, 8), (QStringList{"", "1200", "15000", "900"}));
}

void TestResultList::sortingKeepsSelectionAndPanel()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("B2"), {{"wymc", "乙苑"}});
    main.listings().addHouse(QStringLiteral("A1"), {{"wymc", "甲苑"}});
    main.listings().addHouse(QStringLiteral("C3"), {{"wymc", "丙苑"}});
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    MainWindowFixture::clickRow(list, 1);
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    clickHeader(list, 1);
    QCOMPARE(MainWindowFixture::column(list, 0), (QStringList{"C3", "B2", "A1"}));
    QCOMPARE(list.firstSelectedRow(), 2);
    QCOMPARE(list.rows().cell(list.firstSelectedRow(), 0), QStringLiteral("A1"));
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    QCOMPARE(main.box(QStringLiteral("txtWymc")), QStringLiteral("甲苑"));
}

void TestResultList::listStaysSortedForTheNextSearch()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("B2"));
    main.listings().addHouse(QStringLiteral("A1"));
    main.open();
    main.pressSearch();
    clickHeader(main.results(), 1);
    clickHeader(main.results(), 1);
    QCOMPARE(MainWindowFixture::column(main.results(), 0), (QStringList{"A1", "B2"}));
    main.listings().addHouse(QStringLiteral("AA"));
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), (QStringList{"A1", "AA", "B2"}));
    QCOMPARE(main.results().sortOrder(), Qt::AscendingOrder);
}

void TestResultList::sortFollowsTheTextOrder_data()
{
    QTest::addColumn<int>("listings");
    // A long list is put in order beside the window, which shows it as it was until then.
    QTest::addColumn<bool>("inBackground");
    QTest::newRow("a few") << 60 << false;
    QTest::newRow("thirty thousand") << 30000 << true;
}

// Each header click orders the rows as a stable sort of the rows as they stand, by each
// character folded on its own, would.
void TestResultList::sortFollowsTheTextOrder()
{
    QFETCH(int, listings);
    QFETCH(bool, inBackground);
    MainWindowFixture main;
    addOddListings(main.listings(), listings);
    main.open();
    main.pressSearch();
    ReportListView &list = main.results();
    QTRY_VERIFY_WITH_TIMEOUT(!list.rowsArriving(), 20000);
    QCOMPARE(list.rowCount(), listings);
    QVector<QStringList> expected;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.rows().columnCount(); ++column)
            cells << list.rows().cell(row, column);
        expected << cells;
    }
    Qt::SortOrder order = list.sortOrder();
    for (const int position : {3, 1, 9, 5, 3, 8, 5, 4, 2, 1}) {
        const int column = position - 1;
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        std::stable_sort(expected.begin(), expected.end(), [&](const QStringList &a, const QStringList &b) {
            return order == Qt::AscendingOrder ? folded(a.at(column)) < folded(b.at(column))
                                               : folded(b.at(column)) < folded(a.at(column));
        });
        clickHeader(list, position);
        QCOMPARE(list.rows().sorting(), inBackground);
        QTRY_VERIFY_WITH_TIMEOUT(!list.rows().sorting(), 20000);
        QStringList expectedRows;
        for (const QStringList &cells : std::as_const(expected))
            expectedRows << cells.join(QLatin1Char('|'));
        QCOMPARE(list.sortOrder(), order);
        QCOMPARE(rowTexts(list), expectedRows);
    }
}

void TestResultList::hitsArriveWhileTheDeskWorks_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("moves through the list") << "keys";
    QTest::newRow("goes to the end") << "end";
    QTest::newRow("clicks a row") << "click";
    QTest::newRow("short-lists one") << "short list";
    QTest::newRow("sorts by a header") << "sort";
    QTest::newRow("presses 检索 again") << "search";
    QTest::newRow("presses 新客户") << "new customer";
}

// A long list shows its first hits while the rest are read; whatever the desk does
// meanwhile acts on the hits in the list, and the list ends with exactly the hits of the
// last search, in order.
void TestResultList::hitsArriveWhileTheDeskWorks()
{
    QFETCH(QString, action);
    MainWindowFixture main;
    addOddListings(main.listings(), 40000);
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    main.pressSearch();
    ReportListView &list = main.results();
    QVERIFY(list.rowsArriving());
    QVERIFY(list.rowCount() > 0);
    QVERIFY(list.rowCount() < 40000);
    QCOMPARE(QApplication::focusWidget(), &list);
    // On a server the hits come through a cursor, in a transaction of the desk's that lasts
    // while they arrive and ends with the last of them.
    const auto desksInTransaction = [&main] {
        return main.listings()
            .scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND pid <> pg_backend_pid() AND xact_start IS NOT NULL"))
            .toInt();
    };
    if (ListingFixture::onServer())
        QCOMPARE(desksInTransaction(), 1);
    QString chosen;
    int endRow = -1;
    if (action == QLatin1String("keys")) {
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.firstSelectedRow(), 4);
        chosen = list.rows().cell(4, 0);
    } else if (action == QLatin1String("end")) {
        // The last hit shown so far; the list goes on growing below it.
        QTest::keyClick(&list, Qt::Key_Down);
        const int shown = list.rowCount();
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.firstSelectedRow(), shown - 1);
        chosen = list.rows().cell(shown - 1, 0);
        endRow = shown - 1;
    } else if (action == QLatin1String("click") || action == QLatin1String("short list")) {
        MainWindowFixture::clickRow(list, 2);
        chosen = list.rows().cell(2, 0);
        if (action == QLatin1String("short list")) {
            main.press(QStringLiteral("cmdSelect"));
            QCOMPARE(MainWindowFixture::column(main.shortList(), 0), QStringList{chosen});
        }
    } else if (action == QLatin1String("sort")) {
        clickHeader(list, 3);
    } else if (action == QLatin1String("search")) {
        main.chooseOfferType(2);
        main.pressSearch();
        QVERIFY(list.rowsArriving());
    } else {
        main.press(QStringLiteral("cmdNewCustomer"));
        QTRY_COMPARE(list.rowCount(), 0);
    }
    if (!chosen.isEmpty())
        QCOMPARE(main.box(QStringLiteral("txtFybh")), chosen);
    QTRY_VERIFY_WITH_TIMEOUT(!list.rowsArriving() && !list.rows().sorting(), 20000);
    if (ListingFixture::onServer())
        QTRY_COMPARE(desksInTransaction(), 0);
    if (action == QLatin1String("new customer")) {
        // Nothing more arrives once the list is emptied.
        QTest::qWait(200);
        QCOMPARE(list.rowCount(), 0);
        return;
    }
    QStringList expected = searchedHits(window);
    if (action == QLatin1String("sort")) {
        // Put in order once every hit is in: by name, descending, equal names as found.
        QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
        std::stable_sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
            return folded(b.section(QLatin1Char('|'), 1)) < folded(a.section(QLatin1Char('|'), 1));
        });
    }
    QCOMPARE(listedHits(list), expected);
    if (!chosen.isEmpty()) {
        // The chosen row stays chosen as hits arrive below it, and the listing stays shown.
        QCOMPARE(list.firstSelectedRow(), action == QLatin1String("keys") ? 4 : endRow >= 0 ? endRow : 2);
        QCOMPARE(main.box(QStringLiteral("txtFybh")), chosen);
    }
}

void TestResultList::listingByItsNumber_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<QString>("typed");
    // The listing shown, or none when the prompt is cancelled; "-" for the message that no
    // such listing is on offer, "!" for the refusal of a control character.
    QTest::addColumn<QString>("shown");
    // How the number is entered: typed key by key, pasted with Ctrl+V, or sent by an input
    // method as the desks' Chinese input does.
    QTest::addColumn<QString>("way");
    QTest::newRow("exact") << false << "A1" << "A1" << "keys";
    QTest::newRow("exact, from the menu") << true << "A1" << "A1" << "keys";
    QTest::newRow("letter case differs") << false << "b2" << "B2" << "keys";
    QTest::newRow("letter case differs, from the menu") << true << "b2" << "B2" << "keys";
    QTest::newRow("blanks around it") << false << " A1 " << "A1" << "keys";
    QTest::newRow("a single quote") << false << "Q'1" << "Q'1" << "keys";
    QTest::newRow("exact among two in other letter cases") << false << "cc" << "cc" << "keys";
    QTest::newRow("two in other letter cases") << true << "Cc" << "-" << "keys";
    QTest::newRow("withdrawn") << false << "W1" << "-" << "keys";
    QTest::newRow("withdrawn, other letter case") << false << "w1" << "-" << "keys";
    QTest::newRow("without seq") << true << "N1" << "-" << "keys";
    QTest::newRow("seq below -1") << false << "S1" << "-" << "keys";
    QTest::newRow("unknown") << false << "ZZ9" << "-" << "keys";
    QTest::newRow("cancelled") << false << "" << "" << "keys";
    const QString nul(QChar(0));
    // A key that sends a NUL puts nothing into the line.
    QTest::newRow("a NUL key after it") << false << QString("A1" + nul) << "A1" << "keys";
    QTest::newRow("a NUL pasted after it") << false << QString("A1" + nul) << "!" << "paste";
    QTest::newRow("a NUL pasted after it, from the menu") << true << QString("A1" + nul + "B") << "!" << "paste";
    QTest::newRow("a tab pasted inside it") << false << "A\t1" << "!" << "paste";
    QTest::newRow("a line end pasted inside it") << false << "A1\nB2" << "!" << "paste";
    QTest::newRow("blanks and a line end pasted around it") << false << " A1\n" << "A1" << "paste";
    QTest::newRow("a NUL from the input method") << false << QString("A1" + nul) << "!" << "input method";
    QTest::newRow("an escape from the input method") << false << "A1\x1b" << "!" << "input method";
}

void TestResultList::listingByItsNumber()
{
    QFETCH(bool, byMenu);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, way);
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("B2"), {{"wymc", "乙苑"}});
    listings.addHouse(QStringLiteral("A1"), {{"wymc", "甲苑"}});
    listings.addHouse(QStringLiteral("Q'1"), {{"wymc", "引号苑"}});
    listings.addHouse(QStringLiteral("CC"));
    listings.addHouse(QStringLiteral("cc"));
    listings.addHouse(QStringLiteral("W1"), {{"wyzt", 0}});
    listings.addHouse(QStringLiteral("N1"), {{"seq", QVariant()}});
    listings.addHouse(QStringLiteral("S1"), {{"seq", -2}});
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Only A1 among the hits, and chosen; the others are found all the same.
    main.listings().exec(QStringLiteral("UPDATE house SET wyzt = 2 WHERE fybh <> 'A1'"));
    main.pressSearch();
    main.listings().exec(QStringLiteral("UPDATE house SET wyzt = 1 WHERE fybh NOT IN ('W1')"));
    ReportListView &list = main.results();
    MainWindowFixture::clickRow(list, 0);
    if (!shown.isEmpty())
        main.window().detailPanel().subClearValue();

    QString caption;
    whenModalShown([&caption, typed, way](QWidget *prompt) {
        caption = prompt->windowTitle() + QLatin1Char('|') + control<QLabel>(prompt, QString())->text();
        auto *entry = prompt->findChild<QLineEdit *>();
        QVERIFY(entry);
        if (way == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(typed);
            QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);
        } else if (way == QLatin1String("input method")) {
            QInputMethodEvent committed;
            committed.setCommitString(typed);
            QApplication::sendEvent(entry, &committed);
        } else {
            for (const QChar key : typed) {
                // A NUL comes from Ctrl+@, as on a terminal.
                if (key.isNull())
                    QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_At, QString(key), Qt::ControlModifier);
                else
                    QTest::keyClicks(entry, QString(key));
            }
        }
        QCOMPARE(entry->text().isEmpty(), typed.isEmpty());
        QTest::keyClick(entry, typed.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
    });
    if (shown == QLatin1String("-"))
        MessageScript::expect(QStringLiteral("找不到物业编号为“%1”的放盘房源！").arg(typed.trimmed()), 64,
                              QStringLiteral("按编号查找"));
    if (shown == QLatin1String("!"))
        MessageScript::expect(QStringLiteral("物业编号不能含有控制字符（如制表符、换行符）。"), 64,
                              QStringLiteral("按编号查找"));
    if (byMenu) {
        // The first entry of the result list's context menu.
        QTimer::singleShot(100, [] {
            auto *menu = QApplication::activePopupWidget();
            QVERIFY(menu);
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                          list.viewport()->mapTo(&window, list.visualRect(list.model()->index(0, 0)).center()));
    } else {
        QTest::keyClick(window.windowHandle(), Qt::Key_G, Qt::ControlModifier);
    }
    QTRY_VERIFY(!caption.isEmpty());
    QCOMPARE(caption, QStringLiteral("按编号查找|物业编号："));
    const bool none = shown == QLatin1String("-") || shown == QLatin1String("!");
    QCOMPARE(main.box(QStringLiteral("txtFybh")), none ? QString() : shown.isEmpty() ? "A1" : shown);
    // The hits and the chosen one stay as they were.
    QCOMPARE(MainWindowFixture::column(list, 0), QStringList{"A1"});
    QCOMPARE(list.firstSelectedRow(), 0);
}

QTEST_MAIN(TestResultList)
#include "tst_resultlist.moc"
