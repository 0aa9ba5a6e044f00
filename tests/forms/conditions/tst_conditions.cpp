#include "mainwindowfixture.h"
#include "screenfit.h"
#include "testsupport.h"

#include "forms/common/designscale.h"
#include "forms/conditions/conditionschoice.h"
#include "forms/conditions/frmQX_Conditions.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/idlereset.h"
#include "forms/main/listingsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>

Q_DECLARE_METATYPE(SearchConditions)

namespace {

const QString noHits = QStringLiteral("没有找到符合条件的房源");
const QString searchCaption = QStringLiteral("搜索房源");

// Listings with the values a real agency's data holds: prices as text, Null, 0, negative
// and "面议"; areas with decimals; layouts with trailing blanks; texts with %, _, quotes and
// backslashes. Written oldest first: a search lists them from the last up.
void addAwkwardListings(ListingFixture &listings)
{
    listings.addHouse(QStringLiteral("P1"), {{"sj", 150}, {"zj", 3000}, {"jzmz", 85.5}, {"lc", 5}, {"wyhx", "两房"},
                                            {"cx", "南"}, {"dt", 1}, {"kt", 1}, {"wymc", "地铁口花园"}});
    listings.addHouse(QStringLiteral("P2"), {{"sj", "面议"}, {"zj", QVariant()}, {"jzmz", 80}, {"lc", "3"},
                                            {"wyhx", "两房 "}, {"cx", "南北"}, {"dt", 0}, {"wymc", "100%实用"}});
    listings.addHouse(QStringLiteral("P3"), {{"sj", QVariant()}, {"zj", "2500"}, {"jzmz", 79.99}, {"lc", QVariant()},
                                            {"wyhx", "三房"}, {"cx", "南"}, {"dt", -1}, {"Wytd", "近地铁 a_b"}});
    listings.addHouse(QStringLiteral("P4"), {{"sj", 0}, {"zj", 0}, {"jzmz", 120.25}, {"lc", -1}, {"wyhx", "两房"},
                                            {"dt", 1}, {"Qtss", "O'Brien's 会所"}});
    listings.addHouse(QStringLiteral("P5"), {{"sj", -5}, {"zj", -100}, {"jzmz", QVariant()}, {"lc", 12},
                                            {"cx", "北"}, {"dt", 1}, {"wylx", "Metro公寓"}});
    listings.addHouse(QStringLiteral("P6"), {{"sj", 200}, {"zj", 5000}, {"jzmz", "90"}, {"lc", 10}, {"wyhx", "三房"},
                                            {"cx", "南"}, {"dt", 1}, {"kt", 1}, {"wyqy", "C:\\共有 商品房"},
                                            {"wymc", "abc_d"}});
    listings.addHouse(QStringLiteral("P7"), {{"sj", " 180 "}, {"zj", "约2000"}, {"jzmz", 60}, {"lc", "高层"},
                                            {"wymc", "Café"}});
    // Matches every condition below, but is no current listing.
    listings.addHouse(QStringLiteral("GONE"), {{"wyzt", 0}, {"sj", 150}, {"dt", 1}, {"wyhx", "两房"},
                                              {"wymc", "地铁 % _ ' \\ metro Café"}});
}

SearchConditions range(int index, std::optional<double> from, std::optional<double> to)
{
    SearchConditions conditions;
    conditions.ranges[size_t(index)] = {from, to};
    return conditions;
}

SearchConditions keyword(const QString &text)
{
    SearchConditions conditions;
    conditions.keyword = text;
    return conditions;
}

SearchConditions facilities(std::initializer_list<int> ticked)
{
    SearchConditions conditions;
    for (int index : ticked)
        conditions.facilities[size_t(index)] = true;
    return conditions;
}

// Chinese comes from an input method, which hands the box the text it composed.
void typeByInputMethod(QWidget *box, const QString &text)
{
    QInputMethodEvent composed;
    composed.setCommitString(text);
    QApplication::sendEvent(box, &composed);
}

// The window as it opens without conditions.
class ConditionsWindow : public frmQX_Conditions
{
public:
    ConditionsWindow() : frmQX_Conditions(SearchConditions()) {}
};

constexpr int lift = 8;
constexpr int airConditioning = 4;

} // namespace

class TestConditions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void conditionsFindExactlyTheirListings_data();
    void conditionsFindExactlyTheirListings();
    void statementGainsBoundConditionsOnly();
    void windowTakesConditionsByKeyboardAlone();
    void badInputIsRefusedBesideItsBox_data();
    void badInputIsRefusedBesideItsBox();
    void clearEmptiesTheBoxesAndCancelKeepsTheConditions();
    void listsOfferTheValuesTheSearchCanFind();
    void newCustomerEmptiesTheConditions();
    void drawnWholeAtEveryScale_data() { scalesToCheck(); }
    void drawnWholeAtEveryScale();
};

void TestConditions::conditionsFindExactlyTheirListings_data()
{
    QTest::addColumn<SearchConditions>("conditions");
    QTest::addColumn<QStringList>("found");
    using R = SearchConditions::RangeIndex;
    const QStringList everyOne = {"P7", "P6", "P5", "P4", "P3", "P2", "P1"};
    QTest::newRow("none") << SearchConditions() << everyOne;
    QTest::newRow("sale price at most 200") << range(R::SalePrice, {}, 200.0)
                                            << QStringList{"P7", "P6", "P5", "P4", "P1"};
    QTest::newRow("sale price 100 to 180") << range(R::SalePrice, 100.0, 180.0) << QStringList{"P7", "P1"};
    QTest::newRow("sale price at least 0") << range(R::SalePrice, 0.0, {}) << QStringList{"P7", "P6", "P4", "P1"};
    QTest::newRow("sale price below 0") << range(R::SalePrice, {}, -0.5) << QStringList{"P5"};
    QTest::newRow("rent at least 2500") << range(R::Rent, 2500.0, {}) << QStringList{"P6", "P3", "P1"};
    QTest::newRow("rent 0 to 0") << range(R::Rent, 0.0, 0.0) << QStringList{"P4"};
    QTest::newRow("area at least 80") << range(R::Area, 80.0, {}) << QStringList{"P6", "P4", "P2", "P1"};
    QTest::newRow("area 80 to 85.5") << range(R::Area, 80.0, 85.5) << QStringList{"P2", "P1"};
    QTest::newRow("area at most 79.99") << range(R::Area, {}, 79.99) << QStringList{"P7", "P3"};
    QTest::newRow("floor -1 to 5") << range(R::Floor, -1.0, 5.0) << QStringList{"P4", "P2", "P1"};
    SearchConditions twoRooms;
    twoRooms.layout = StoredText(QStringLiteral("两房"));
    QTest::newRow("layout exactly") << twoRooms << QStringList{"P4", "P1"};
    SearchConditions twoRoomsBlank;
    twoRoomsBlank.layout = StoredText(QStringLiteral("两房 "));
    QTest::newRow("layout with a trailing blank") << twoRoomsBlank << QStringList{"P2"};
    SearchConditions south;
    south.orientation = StoredText(QStringLiteral("南"));
    QTest::newRow("orientation") << south << QStringList{"P6", "P3", "P1"};
    QTest::newRow("lift") << facilities({lift}) << QStringList{"P6", "P5", "P4", "P1"};
    QTest::newRow("lift and air conditioning") << facilities({lift, airConditioning}) << QStringList{"P6", "P1"};
    QTest::newRow("keyword in the name or the features") << keyword(QStringLiteral("地铁")) << QStringList{"P3", "P1"};
    QTest::newRow("keyword percent") << keyword(QStringLiteral("%")) << QStringList{"P2"};
    QTest::newRow("keyword underscore") << keyword(QStringLiteral("_")) << QStringList{"P6", "P3"};
    QTest::newRow("keyword quote") << keyword(QStringLiteral("'")) << QStringList{"P4"};
    QTest::newRow("keyword backslash") << keyword(QStringLiteral("\\")) << QStringList{"P6"};
    QTest::newRow("keyword letters of any case") << keyword(QStringLiteral("mETRO")) << QStringList{"P5"};
    QTest::newRow("keyword other letters as typed") << keyword(QStringLiteral("CAFÉ")) << QStringList();
    QTest::newRow("keyword A to Z of any case") << keyword(QStringLiteral("CAFé")) << QStringList{"P7"};
    SearchConditions customer = range(R::SalePrice, {}, 200.0);
    customer.ranges[R::Area] = {80.0, {}};
    customer.facilities[lift] = true;
    customer.keyword = QStringLiteral("地铁");
    QTest::newRow("price, area, lift and keyword") << customer << QStringList{"P1"};
    customer.layout = StoredText(QStringLiteral("三房"));
    QTest::newRow("and a layout none of them has") << customer << QStringList();
}

void TestConditions::conditionsFindExactlyTheirListings()
{
    QFETCH(SearchConditions, conditions);
    QFETCH(QStringList, found);
    MainWindowFixture main;
    addAwkwardListings(main.listings());
    frmQX_Quillonix &window = main.open();
    window.furtherConditions().setConditions(conditions);
    if (found.isEmpty())
        MessageScript::expect(noHits, 64, searchCaption);
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), found);
}

void TestConditions::statementGainsBoundConditionsOnly()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    ListingSearch &search = window.listingSearch();
    const QString designed = search.statement();
    QVERIFY(designed.endsWith(QStringLiteral("AND wyzt=1 order by xgsj desc, seq desc, qy desc, wylb desc, fpyx desc,"
                                             " fybh desc, wymc desc, wyqy desc, wyhx desc, jzmz desc, lc desc, cx desc,"
                                             " zj desc, sj desc")));
    SearchConditions conditions = range(SearchConditions::SalePrice, 100.0, 200.0);
    conditions.orientation = StoredText(QStringLiteral("南'北"));
    conditions.facilities[lift] = true;
    conditions.keyword = QStringLiteral("x' OR '1'='1");
    window.furtherConditions().setConditions(conditions);
    const QString further = QStringLiteral(
        " AND number_or_null(sj)>=? AND number_or_null(sj)<=? AND cx=? AND dt=?"
        " AND (wymc LIKE ? ESCAPE '\\' OR Wytd LIKE ? ESCAPE '\\' OR Qtss LIKE ? ESCAPE '\\'"
        " OR wylx LIKE ? ESCAPE '\\' OR wyqy LIKE ? ESCAPE '\\')");
    const qsizetype order = designed.indexOf(QStringLiteral(" order by"));
    QCOMPARE(search.statement(), designed.left(order) + further + designed.mid(order));
    const QVariantList values = search.values();
    QCOMPARE(values.size(), 9);
    QCOMPARE(values.at(0), QVariant(100.0));
    QCOMPARE(values.at(1), QVariant(200.0));
    QCOMPARE(values.at(2).value<StoredText>().shown(), QStringLiteral("南'北"));
    QCOMPARE(values.at(3), QVariant(1));
    QCOMPARE(values.at(4), QVariant(QStringLiteral("%x' OR '1'='1%")));
    // Without a letter A–Z, the keyword is found as typed.
    conditions = keyword(QStringLiteral("地铁%"));
    window.furtherConditions().setConditions(conditions);
    QCOMPARE(search.statement(), designed.left(order)
                                     + QStringLiteral(" AND (instr(wymc, ?) > 0 OR instr(Wytd, ?) > 0 OR instr(Qtss, ?) > 0"
                                                      " OR instr(wylx, ?) > 0 OR instr(wyqy, ?) > 0)")
                                     + designed.mid(order));
    QCOMPARE(search.values(), QVariantList(5, QStringLiteral("地铁%")));
    main.press(QStringLiteral("cmdNewCustomer"));
    QTRY_COMPARE(search.statement(), designed);
    QVERIFY(search.values().isEmpty());
}

void TestConditions::windowTakesConditionsByKeyboardAlone()
{
    MainWindowFixture main;
    addAwkwardListings(main.listings());
    frmQX_Quillonix &window = main.open();
    auto *line = control<QLabel>(&window, QStringLiteral("lblConditions"));
    QVERIFY(line->isHidden());
    whenModalShown([](QWidget *conditions) {
        QTRY_VERIFY(hasKeyboard(conditions));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtFrom(0)"));
        QCOMPARE(accessibleName(QApplication::focusWidget()), QStringLiteral("售价从（万元）"));
        // 售价 to 200, then on to 建筑面积 from: 80.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("200"));
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("80"));
        // To the lift, the last facility, past the lists and the eight before it.
        while (QApplication::focusWidget()->objectName() != QStringLiteral("chkFacility(8)"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(accessibleName(QApplication::focusWidget()), QStringLiteral("关键字"));
        typeByInputMethod(QApplication::focusWidget(), QStringLiteral("地铁"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!QApplication::activeModalWidget());
    const QString summary = QStringLiteral("另有条件：售价≤200万元 · 建筑面积≥80平方米 · 电梯 · 关键字：地铁");
    QCOMPARE(line->toolTip(), summary);
    QCOMPARE(accessibleName(line), summary);
    QVERIFY(line->isVisible());
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), QStringList{"P1"});

    // The window opens on the conditions in force; Esc leaves them.
    whenModalShown([](QWidget *conditions) {
        QCOMPARE(control<QLineEdit>(conditions, QStringLiteral("txtTo(0)"))->text(), QStringLiteral("200"));
        QCOMPARE(control<QLineEdit>(conditions, QStringLiteral("txtKeyword"))->text(), QStringLiteral("地铁"));
        QVERIFY(control<QCheckBox>(conditions, QStringLiteral("chkFacility(8)"))->isChecked());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("999"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    main.press(QStringLiteral("cmdConditions"));
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(line->toolTip(), summary);
}

void TestConditions::badInputIsRefusedBesideItsBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("word");
    QTest::newRow("a letter in a price") << "txtFrom(0)" << "12a" << "lblProblem(0)" << "请填数字";
    QTest::newRow("a unit in a rent") << "txtTo(1)" << "3000元" << "lblProblem(1)" << "请填数字";
    QTest::newRow("two points in an area") << "txtFrom(2)" << "80.5.1" << "lblProblem(2)" << "请填数字";
    QTest::newRow("to below from") << "txtTo(3)" << "2" << "lblProblem(3)" << "“至”小于“从”";
    QTest::newRow("a control character in the keyword") << "txtKeyword" << QStringLiteral("地\u0007铁")
                                                        << "lblKeywordProblem" << "不能含控制字符";
}

void TestConditions::badInputIsRefusedBesideItsBox()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, problem);
    QFETCH(QString, word);
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    frmQX_Quillonix &window = main.open();
    SearchConditions before = keyword(QStringLiteral("花园"));
    before.ranges[SearchConditions::Floor] = {5.0, {}};
    window.furtherConditions().setConditions(before);
    whenModalShown([&](QWidget *conditions) {
        auto *entry = control<QLineEdit>(conditions, box);
        entry->setFocus();
        entry->selectAll();
        // What no key types comes pasted.
        const bool printable = std::all_of(typed.cbegin(), typed.cend(), [](QChar c) { return c.isPrint(); });
        if (printable) {
            for (const QChar c : typed) {
                if (c.unicode() < 0x80)
                    QTest::keyClicks(entry, QString(c));
                else
                    typeByInputMethod(entry, QString(c));
            }
        } else {
            QApplication::clipboard()->setText(typed);
            QTest::keyClick(entry, Qt::Key_V, Qt::ControlModifier);
        }
        QTest::keyClick(entry, Qt::Key_Return);
        // Still open, the word beside the box, the box focused for mending.
        QVERIFY(conditions->isVisible());
        QCOMPARE(control<QLabel>(conditions, problem)->text(), word);
        // Whole, not cut off at the size of the empty label it was.
        auto *beside = control<QLabel>(conditions, problem);
        QVERIFY(beside->isVisible());
        QVERIFY(beside->width() >= beside->fontMetrics().horizontalAdvance(word));
        QVERIFY(beside->height() >= beside->fontMetrics().height());
        QVERIFY(conditions->rect().contains(beside->geometry()));
        QCOMPARE(entry->accessibleDescription(), word);
        QCOMPARE(QApplication::focusWidget(), entry);
        QTest::keyClick(entry, Qt::Key_Escape);
    });
    main.press(QStringLiteral("cmdConditions"));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(window.furtherConditions().conditions() == before);
}

void TestConditions::clearEmptiesTheBoxesAndCancelKeepsTheConditions()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"), {{"wyhx", "两房"}});
    frmQX_Quillonix &window = main.open();
    SearchConditions before = facilities({lift});
    before.layout = StoredText(QStringLiteral("两房"));
    before.keyword = QStringLiteral("花园");
    window.furtherConditions().setConditions(before);
    for (const char *leave : {"cmdCancel", "cmdOK"}) {
        whenModalShown([leave](QWidget *conditions) {
            QCOMPARE(control<QComboBox>(conditions, QStringLiteral("cmbWyhx"))->currentText(), QStringLiteral("两房"));
            QTest::mouseClick(control<QPushButton>(conditions, QStringLiteral("cmdClear")), Qt::LeftButton);
            QVERIFY(conditions->isVisible());
            QCOMPARE(control<QComboBox>(conditions, QStringLiteral("cmbWyhx"))->currentIndex(), 0);
            QVERIFY(!control<QCheckBox>(conditions, QStringLiteral("chkFacility(8)"))->isChecked());
            QCOMPARE(control<QLineEdit>(conditions, QStringLiteral("txtKeyword"))->text(), QString());
            QTest::mouseClick(control<QPushButton>(conditions, QString::fromLatin1(leave)), Qt::LeftButton);
        });
        main.press(QStringLiteral("cmdConditions"));
        QVERIFY(!QApplication::activeModalWidget());
        if (qstrcmp(leave, "cmdCancel") == 0)
            QVERIFY(window.furtherConditions().conditions() == before);
    }
    QVERIFY(window.furtherConditions().conditions().isEmpty());
    QVERIFY(control<QLabel>(&window, QStringLiteral("lblConditions"))->isHidden());
}

void TestConditions::listsOfferTheValuesTheSearchCanFind()
{
    MainWindowFixture main;
    addAwkwardListings(main.listings());
    main.listings().addHouse(QStringLiteral("EMPTY"), {{"wyhx", ""}, {"cx", ""}});
    main.listings().addHouse(QStringLiteral("NOSEQ"), {{"seq", QVariant()}, {"wyhx", "一房"}, {"cx", "东"}});
    main.open();
    whenModalShown([](QWidget *conditions) {
        const auto entries = [conditions](const QString &name) {
            auto *list = control<QComboBox>(conditions, name);
            QStringList texts;
            for (int index = 0; index < list->count(); ++index)
                texts << list->itemText(index);
            return texts;
        };
        // In the engine's order of the stored text, trailing blanks kept apart.
        QCOMPARE(entries(QStringLiteral("cmbWyhx")), (QStringList{"全部", "三房", "两房", "两房 "}));
        QCOMPARE(entries(QStringLiteral("cmbCx")), (QStringList{"全部", "北", "南", "南北"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    QTest::keyClick(&main.window(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestConditions::newCustomerEmptiesTheConditions()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    window.furtherConditions().setConditions(keyword(QStringLiteral("地铁")));
    auto *line = control<QLabel>(&window, QStringLiteral("lblConditions"));
    QVERIFY(line->isVisible());
    // The idle reset, which is 新客户 on its own, empties them with the rest.
    window.idleReset().start(std::chrono::milliseconds(300), std::chrono::milliseconds(100));
    QTRY_VERIFY_WITH_TIMEOUT(window.furtherConditions().conditions().isEmpty(), 5000);
    window.idleReset().stop();
    QVERIFY(line->isHidden());
    window.furtherConditions().setConditions(keyword(QStringLiteral("地铁")));
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    QTRY_VERIFY(window.furtherConditions().conditions().isEmpty());
    QVERIFY(line->isHidden());
}

// Drawn at the main window's scale, whole: open when the scale changes, or opened after, the same.
void TestConditions::drawnWholeAtEveryScale()
{
    QFETCH(qreal, factor);
    const QStringList problems = drawnAgainAt<ConditionsWindow>(factor);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QCOMPARE(ConditionsWindow().width(), twips(7560));
}

QTEST_MAIN(TestConditions)
#include "tst_conditions.moc"
