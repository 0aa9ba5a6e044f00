#include "listingfixture.h"
#include "mainwindowfixture.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "core/storedtext.h"
#include "forms/common/imagebox.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/listingsearch.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

const QString head = QStringLiteral("SELECT fybh,fpyx,wymc,wyqy,wyhx,jzmz,lc,cx,zj,sj FROM house WHERE seq >= -1");
// Newest change first; within a second, the search's index read backwards.
const QString newestFirst = QStringLiteral(" order by xgsj desc, seq desc, qy desc, wylb desc, fpyx desc, fybh desc,"
                                           " wymc desc, wyqy desc, wyhx desc, jzmz desc, lc desc, cx desc, zj desc,"
                                           " sj desc");
const QString noHits = QStringLiteral("没有找到符合条件的房源");
const QString searchCaption = QStringLiteral("搜索房源");

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void statementFollowsTheChoices();
    void onlyCurrentListingsAreFoundNewestFirst();
    void offerTypeChoiceFiltersByCode();
    void rowsShowTheirColumnsWithEmptyCellsForNull();
    void quoteInARegionIsMatchedAsData();
    void searchReplacesTheRowsAndBlanksThePanel();
    void searchWithoutHitsSaysSoAndKeepsTheShortList();
    void failingQueryIsReportedWithAnEmptyList();
    void damagedDatabaseIsReportedAndLogged();
    void choicesStoredInOtherEncodingsFindTheirListings_data();
    void choicesStoredInOtherEncodingsFindTheirListings();
    void searchThatNeverEndsIsStoppedAndReported();
};

void TestSearch::statementFollowsTheChoices()
{
    MainWindowFixture main;
    main.listings().addSetting(1, QStringLiteral("天河区"));
    main.listings().addSetting(2, QStringLiteral("住宅"));
    frmQX_Quillonix &window = main.open();
    ListingSearch &search = window.listingSearch();
    const auto bound = [&search] {
        QStringList texts;
        for (const QVariant &value : search.values())
            texts << value.value<StoredText>().shown();
        return texts;
    };
    QCOMPARE(search.statement(), head + QStringLiteral(" AND wyzt=1") + newestFirst);
    QCOMPARE(bound(), QStringList());
    main.chooseOfferType(2);
    QCOMPARE(search.statement(), head + QStringLiteral(" AND wyzt=1 AND fpyx=2 ") + newestFirst);
    main.chooseOfferType(0);
    main.chooseRegion(QStringLiteral("天河区"));
    QCOMPARE(search.statement(), head + QStringLiteral(" AND wyzt=1 AND qy=?") + newestFirst);
    QCOMPARE(bound(), QStringList{"天河区"});
    main.chooseCategory(QStringLiteral("住宅"));
    main.chooseOfferType(3);
    QCOMPARE(search.statement(),
             head + QStringLiteral(" AND wyzt=1 AND qy=? AND wylb=? AND fpyx=3 ") + newestFirst);
    QCOMPARE(bound(), (QStringList{"天河区", "住宅"}));
    main.chooseOfferType(1);
    main.chooseRegion(QStringLiteral("全部"));
    QCOMPARE(search.statement(), head + QStringLiteral(" AND wyzt=1 AND wylb=? AND fpyx=1 ") + newestFirst);
    QCOMPARE(bound(), QStringList{"住宅"});
}

void TestSearch::onlyCurrentListingsAreFoundNewestFirst()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("OLD"), {{"xgsj", "2020-05-01 09:00:00"}});
    listings.addHouse(QStringLiteral("NEW"), {{"xgsj", "2026-11-30 18:00:00"}});
    listings.addHouse(QStringLiteral("MID"), {{"xgsj", "2024-02-10 12:30:00"}, {"seq", -1}});
    listings.addHouse(QStringLiteral("GONE"), {{"wyzt", 0}});
    listings.addHouse(QStringLiteral("OTHER"), {{"wyzt", 2}});
    listings.addHouse(QStringLiteral("NOSEQ"), {{"seq", QVariant()}});
    listings.addHouse(QStringLiteral("LOWSEQ"), {{"seq", -2}});
    listings.addHouse(QStringLiteral("NOSTATUS"), {{"wyzt", QVariant()}});
    main.open();
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), (QStringList{"NEW", "MID", "OLD"}));
}

void TestSearch::offerTypeChoiceFiltersByCode()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addHouse(QStringLiteral("RENT"), {{"fpyx", 1}});
    listings.addHouse(QStringLiteral("SALE"), {{"fpyx", 2}});
    listings.addHouse(QStringLiteral("EITHER"), {{"fpyx", 3}});
    listings.addHouse(QStringLiteral("ZERO"), {{"fpyx", 0}});
    listings.addHouse(QStringLiteral("NINE"), {{"fpyx", 9}});
    listings.addHouse(QStringLiteral("NONE"), {{"fpyx", QVariant()}});
    main.open();
    const auto found = [&](int offerType) {
        main.chooseOfferType(offerType);
        main.pressSearch();
        return MainWindowFixture::column(main.results(), 0);
    };
    QCOMPARE(found(0), (QStringList{"NONE", "NINE", "ZERO", "EITHER", "SALE", "RENT"}));
    QCOMPARE(MainWindowFixture::column(main.results(), 1), (QStringList{"", "", "", "租售均可", "出售", "出租"}));
    QCOMPARE(found(1), QStringList{"RENT"});
    QCOMPARE(found(2), QStringList{"SALE"});
    QCOMPARE(found(3), QStringList{"EITHER"});
}

void TestSearch::rowsShowTheirColumnsWithEmptyCellsForNull()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("FULL"), {{"fpyx", 2},
                                                      {"wymc", "碧桂园3栋1204"},
                                                      {"wyqy", "商品房"},
                                                      {"wyhx", "三房两厅"},
                                                      {"jzmz", 85.5},
                                                      {"lc", 12},
                                                      {"cx", "南北"},
                                                      {"zj", 1500},
                                                      {"sj", 120.0}});
    main.listings().addHouse(QStringLiteral("NULLS"), {{"fpyx", 1}, {"wymc", QVariant()}, {"zj", 1500}, {"cx", ""}});
    main.open();
    main.pressSearch();
    const ReportListView &rows = main.results();
    QCOMPARE(rows.rowCount(), 2);
    QStringList full;
    QStringList nulls;
    for (int column = 0; column < 10; ++column) {
        nulls << rows.rows().cell(0, column);
        full << rows.rows().cell(1, column);
    }
    QCOMPARE(full, (QStringList{"FULL", "出售", "碧桂园3栋1204", "商品房", "三房两厅", "85.5", "12", "南北", "1500", "120"}));
    QCOMPARE(nulls, (QStringList{"NULLS", "出租", "", "", "", "", "", "", "1500", ""}));
    QCOMPARE(rows.firstSelectedRow(), -1);
    QCOMPARE(QApplication::focusWidget(), &main.results());
}

void TestSearch::quoteInARegionIsMatchedAsData()
{
    MainWindowFixture main;
    main.listings().addSetting(1, QStringLiteral("O'Hara湾"));
    main.listings().addSetting(2, QStringLiteral("x' OR '1'='1"));
    main.listings().addHouse(QStringLiteral("QUOTED"), {{"qy", "O'Hara湾"}});
    main.listings().addHouse(QStringLiteral("PLAIN"), {{"qy", "天河区"}});
    main.open();
    main.chooseRegion(QStringLiteral("O'Hara湾"));
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), QStringList{"QUOTED"});

    main.chooseRegion(QStringLiteral("全部"));
    main.chooseCategory(QStringLiteral("x' OR '1'='1"));
    MessageScript::expect(noHits, 64, searchCaption);
    main.pressSearch();
    QCOMPARE(main.results().rowCount(), 0);
}

void TestSearch::searchReplacesTheRowsAndBlanksThePanel()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"), {{"qy", "天河区"}});
    main.listings().addHouse(QStringLiteral("A2"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a1.jpg"), QStringLiteral("客厅"));
    main.listings().writePhoto(QStringLiteral("a1.jpg"));
    frmQX_Quillonix &window = main.open();
    main.pressSearch();
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), (QStringList{"A2", "A1"}));
    MainWindowFixture::clickRow(main.results(), 1);
    QCOMPARE(main.box(QStringLiteral("txtQy")), QStringLiteral("天河区"));
    QCOMPARE(main.photoNames().count(), 1);
    const auto *photo = control<ImageBox>(&window, QStringLiteral("imgHouse"));
    QVERIFY(photo->hasPicture());
    main.pressSearch();
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QString());
    QCOMPARE(main.box(QStringLiteral("txtQy")), QString());
    QCOMPARE(main.photoNames().count(), 0);
    QCOMPARE(main.photoNumbers().count(), 0);
    QVERIFY(!photo->hasPicture());
    QCOMPARE(main.results().rowCount(), 2);
}

void TestSearch::searchWithoutHitsSaysSoAndKeepsTheShortList()
{
    MainWindowFixture main;
    main.listings().addSetting(1, QStringLiteral("天河区"));
    main.listings().addSetting(1, QStringLiteral("海珠区"));
    main.listings().addHouse(QStringLiteral("A1"), {{"qy", "天河区"}, {"fpyx", 2}});
    frmQX_Quillonix &window = main.open();
    main.pressSearch();
    MainWindowFixture::clickRow(main.results(), 0);
    main.press(QStringLiteral("cmdSelect"));
    QCOMPARE(main.shortList().rowCount(), 1);

    main.chooseRegion(QStringLiteral("海珠区"));
    MessageScript::expect(noHits, 64, searchCaption);
    main.pressSearch();
    QCOMPARE(main.results().rowCount(), 0);
    QCOMPARE(main.shortList().rowCount(), 1);
    QCOMPARE(main.shortList().rows().cell(0, 0), QStringLiteral("A1"));
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QString());
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(&window, QStringLiteral("cmdSearch")));
}

void TestSearch::failingQueryIsReportedWithAnEmptyList()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.open();
    main.pressSearch();
    QCOMPARE(main.results().rowCount(), 1);
    main.listings().exec(QStringLiteral("DROP INDEX house_search"));
    main.listings().exec(QStringLiteral("ALTER TABLE house DROP COLUMN wyqy"));
    QString report;
    setMessageHandler([&](const QString &text, int flags, const QString &caption) {
        report = caption + QString::number(flags) + text;
        return MessageAnswer::Ok;
    });
    main.pressSearch();
    MessageScript::install();
    QVERIFY2(report.startsWith(searchCaption + QStringLiteral("16检索房源失败：(")) && report.contains(QStringLiteral("wyqy")),
             qPrintable(report));
    QCOMPARE(main.results().rowCount(), 0);
}

void TestSearch::damagedDatabaseIsReportedAndLogged()
{
    SKIP_ON_SERVER("Damage to a database file.");
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    for (const char *fybh : {"QX0001", "QX0002", "QX0003"})
        listings.addHouse(QString::fromLatin1(fybh));
    // The search reads its index alone: the index's page overwritten at its start, as a
    // failing disk does.
    const ListingFixture::Page page = listings.indexRootPage(QStringLiteral("house_search"));
    QFile file(listings.databaseFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(page.offset));
    QCOMPARE(file.write(QByteArray(16, char(0x77))), 16);
    file.close();

    main.open();
    QString shown;
    setMessageHandler([&](const QString &text, int flags, const QString &caption) {
        shown = QStringLiteral("%1 %2 %3").arg(caption).arg(flags).arg(text);
        return MessageAnswer::Ok;
    });
    const ProgramLog log;
    main.pressSearch();
    MessageScript::install();
    const QString report = QStringLiteral("检索房源失败：( 11)数据库文件已损坏，请用备份恢复。");
    QCOMPARE(shown, searchCaption + QStringLiteral(" 16 ") + report);
    QCOMPARE(log.lines(), QStringList{QStringLiteral("quillonix.db: ") + searchCaption + QStringLiteral("：") + report});
    QCOMPARE(main.results().rowCount(), 0);
}

void TestSearch::choicesStoredInOtherEncodingsFindTheirListings_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("region in GBK") << 1 << "qy" << "天河区" << gbkBytes(QStringLiteral("天河区"));
    QTest::newRow("region after a byte-order mark") << 1 << "qy" << "海珠区" << markedUtf8Bytes(QStringLiteral("海珠区"));
    QTest::newRow("category in GBK") << 2 << "wylb" << "商铺" << gbkBytes(QStringLiteral("商铺"));
    QTest::newRow("category after a byte-order mark") << 2 << "wylb" << "写字楼" << markedUtf8Bytes(QStringLiteral("写字楼"));
}

void TestSearch::choicesStoredInOtherEncodingsFindTheirListings()
{
    QFETCH(int, list);
    QFETCH(QString, column);
    QFETCH(QString, shown);
    QFETCH(QByteArray, stored);
    if (ListingFixture::onServer() && !isUtf8(stored))
        QSKIP("A server database holds UTF-8 text only: quillonix-import refuses other bytes.");
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addSetting(list, QStringLiteral("placeholder"));
    listings.storeTextBytes(QStringLiteral("parasetting"), QStringLiteral("lbm"), stored, QStringLiteral("lbh=?"),
                            {list});
    listings.addHouse(QStringLiteral("OLD-TOOL"), {{column, QStringLiteral("placeholder")}});
    listings.storeTextBytes(QStringLiteral("house"), column, stored, QStringLiteral("fybh='OLD-TOOL'"));
    // The same words stored as UTF-8 are other bytes: another region or category.
    listings.addHouse(QStringLiteral("NEW-TOOL"), {{column, shown}});
    main.open();
    if (list == 1)
        main.chooseRegion(shown);
    else
        main.chooseCategory(shown);
    main.pressSearch();
    QCOMPARE(MainWindowFixture::column(main.results(), 0), QStringList{"OLD-TOOL"});
}

void TestSearch::searchThatNeverEndsIsStoppedAndReported()
{
    MainWindowFixture main;
    main.listings().exec(QStringLiteral("DROP TABLE house"));
    main.listings().exec(QStringLiteral(
        "CREATE VIEW house AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n)"
        " SELECT i AS fybh, 1 AS fpyx, '' AS wymc, '' AS wyqy, '' AS wyhx, 0 AS jzmz, 0 AS lc, '' AS cx, 0 AS zj,"
        " 0 AS sj, 0 AS seq, 1 AS wyzt, '' AS xgsj, '' AS qy, '' AS wylb FROM n WHERE i < 0"));
    main.open();
    // The connection time-out is the limit; a second keeps the test short.
    gConnection.setConnectionTimeout(1);
    const QString stopped = QStringLiteral("检索房源失败：(-2147217871)查询超过 1 秒没有完成，已停止。");
    for (int search = 0; search < 2; ++search) {
        MessageScript::expect(stopped, 16, searchCaption);
        main.pressSearch();
        QVERIFY(MessageScript::allShown());
        QCOMPARE(main.results().rowCount(), 0);
    }
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
