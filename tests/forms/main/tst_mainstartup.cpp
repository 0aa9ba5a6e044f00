#include "mainwindowfixture.h"
#include "testsupport.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/quillonixprogram.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {

QStringList entries(const QComboBox *choice)
{
    QStringList texts;
    for (int i = 0; i < choice->count(); ++i)
        texts << choice->itemText(i);
    return texts;
}

QString panel(frmQX_Quillonix &window, int number)
{
    return control<QStatusBar>(&window, QStringLiteral("stbBottom"))->findChildren<QLabel *>().at(number - 1)->text();
}

} // namespace

class TestMainStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void searchListsFollowTheSettingsTable();
    void emptySettingsLeaveOnlyAll();
    void failingSettingsQueryLeavesOnlyAllAndSaysWhy();
    void loadBlanksTheFacilitiesBoxAndCoversTheScreen();
    void activationWritesTheLoginLine();
    void clockShowsDateAndTimeEverySecond();
    void readingTheFileShowsInPanelTwoWhileTheWindowLives();
};

void TestMainStartup::searchListsFollowTheSettingsTable()
{
    MainWindowFixture main;
    ListingFixture &listings = main.listings();
    listings.addSetting(2, QStringLiteral("住宅"));
    listings.addSetting(1, QStringLiteral("越秀区"));
    listings.addSetting(3, QStringLiteral("中介费"));
    listings.addSetting(1, QStringLiteral("天河区"));
    listings.addSetting(QVariant(), QStringLiteral("无类"));
    listings.addSetting(2, QStringLiteral("商铺"));
    listings.addSetting(1, QStringLiteral("越秀区"));
    listings.addSetting(1, QVariant());
    listings.addSetting(QStringLiteral("2"), QStringLiteral("写字楼"));
    listings.addSetting(1.0, QStringLiteral(" 番禺区 "));
    frmQX_Quillonix &window = main.open();
    const auto *regions = control<QComboBox>(&window, QStringLiteral("cmbQy"));
    const auto *categories = control<QComboBox>(&window, QStringLiteral("cmbWylb"));
    QCOMPARE(entries(regions), (QStringList{"全部", "越秀区", "天河区", "越秀区", " 番禺区 "}));
    QCOMPARE(entries(categories), (QStringList{"全部", "住宅", "商铺", "写字楼"}));
    QCOMPARE(regions->currentIndex(), 0);
    QCOMPARE(categories->currentIndex(), 0);
    QVERIFY(!regions->isEditable());
    QVERIFY(!categories->isEditable());
}

void TestMainStartup::emptySettingsLeaveOnlyAll()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    QCOMPARE(entries(control<QComboBox>(&window, QStringLiteral("cmbQy"))), QStringList{"全部"});
    QCOMPARE(entries(control<QComboBox>(&window, QStringLiteral("cmbWylb"))), QStringList{"全部"});
}

void TestMainStartup::failingSettingsQueryLeavesOnlyAllAndSaysWhy()
{
    MainWindowFixture main;
    main.listings().addSetting(1, QStringLiteral("天河区"));
    main.listings().exec(QStringLiteral("ALTER TABLE parasetting RENAME COLUMN lbm TO name"));
    MessageScript::expect(QStringLiteral("不能读取区域和物业类别，只能按“全部”检索：( 3265)查询结果中没有字段 lbm"), 64,
                          QStringLiteral("- 查看房源 -"));
    frmQX_Quillonix &window = main.open();
    QCOMPARE(entries(control<QComboBox>(&window, QStringLiteral("cmbQy"))), QStringList{"全部"});

    TestSandbox::reset();
    MainWindowFixture missing;
    missing.listings().exec(QStringLiteral("DROP TABLE parasetting"));
    QString told;
    setMessageHandler([&](const QString &text, int, const QString &) {
        told = text;
        return MessageAnswer::Ok;
    });
    frmQX_Quillonix &other = missing.open();
    MessageScript::install();
    QVERIFY2(told.contains(QStringLiteral("parasetting")), qPrintable(told));
    QCOMPARE(entries(control<QComboBox>(&other, QStringLiteral("cmbWylb"))), QStringList{"全部"});
    // The window stays usable: a search runs with "全部".
    missing.listings().addHouse(QStringLiteral("A1"));
    missing.pressSearch();
    QCOMPARE(missing.results().rowCount(), 1);
}

void TestMainStartup::loadBlanksTheFacilitiesBoxAndCoversTheScreen()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    QCOMPARE(main.box(QStringLiteral("txtWysx")), QString());
    QCOMPARE(window.windowTitle(), QStringLiteral("- 查看房源 -"));
    QVERIFY(window.windowIcon().isNull());
    QTRY_COMPARE(window.frameGeometry(), window.screen()->geometry());
    QCOMPARE(main.results().rowCount(), 0);
    QCOMPARE(main.shortList().rowCount(), 0);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(&window, QStringLiteral("cmbQy")));
}

void TestMainStartup::activationWritesTheLoginLine()
{
    MainWindowFixture main;
    gUserName = QStringLiteral("ADMIN");
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(panel(window, 3), QStringLiteral("登录：ADMIN"));

    // After a dialog of the program closes, the window is active again and says the same.
    control<QStatusBar>(&window, QStringLiteral("stbBottom"))->findChildren<QLabel *>().at(2)->clear();
    whenModalShown([](QWidget *prompt) {
        QTest::mouseClick(control<QPushButton>(prompt, QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    main.press(QStringLiteral("cmdExit"));
    QTRY_COMPARE(panel(window, 3), QStringLiteral("登录：ADMIN"));
    QVERIFY(panel(window, 2).isEmpty());
}

void TestMainStartup::clockShowsDateAndTimeEverySecond()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    QCOMPARE(panel(window, 4), QString());
    window.tmQuillonix_Timer();
    const QString shown = panel(window, 4);
    const QRegularExpression format(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})  (\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch parts = format.match(shown);
    QVERIFY2(parts.hasMatch(), qPrintable(shown));
    QCOMPARE(parts.captured(1), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QVERIFY(!parts.captured(2).startsWith(QLatin1Char('0')) || parts.captured(2) == QLatin1String("0"));
    // The timer writes it again within the next second or two, without any call.
    control<QStatusBar>(&window, QStringLiteral("stbBottom"))->findChildren<QLabel *>().at(3)->clear();
    QTRY_VERIFY_WITH_TIMEOUT(format.match(panel(window, 4)).hasMatch(), 2500);
}

void TestMainStartup::readingTheFileShowsInPanelTwoWhileTheWindowLives()
{
    // The program run as at the desk, logged in as the first user of an empty user table.
    ListingFixture listings;
    funSaveDBPath(listings.folder());
    QuillonixProgram program;
    QVERIFY(program.start());
    QTest::mouseClick(control<QPushButton>(program.loginForm(), QStringLiteral("cmdOK")), Qt::LeftButton);
    frmQX_Quillonix *window = program.mainWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(panel(*window, 2).isEmpty());

    // The connection then reads an Access file that keeps libmdb busy until it is stopped.
    QFile fruit(QStringLiteral(FRUIT_MDB));
    QVERIFY(fruit.open(QIODevice::ReadOnly));
    QFile flooding(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"));
    QVERIFY(flooding.open(QIODevice::WriteOnly));
    flooding.write(accessFileThatFloods(fruit.readAll()));
    flooding.close();
    gConnection.setConnectionString(QStringLiteral("driver={Microsoft Access Driver (*.mdb)};dbq=")
                                    + flooding.fileName());
    gConnection.setConnectionTimeout(3);

    struct Seen
    {
        int samples = 0;
        int busy = 0;
        QSet<QString> readingPanel;
        QSet<QString> clock;
    } seen;
    struct PaintCount : QObject
    {
        int count = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } paints;
    window->installEventFilter(&paints);
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, window, [&] {
        ++seen.samples;
        const QCursor *cursor = QGuiApplication::overrideCursor();
        seen.busy += cursor && cursor->shape() == Qt::WaitCursor;
        seen.readingPanel << panel(*window, 2);
        seen.clock << panel(*window, 4);
        window->update();
        // A close request, as from a window manager, waits for nothing: it is refused.
        if (seen.samples == 10)
            window->close();
    });
    sampler.start(50);
    QVERIFY_THROWS_EXCEPTION(DbError, gConnection.open());
    sampler.stop();

    QVERIFY2(seen.samples >= 30, qPrintable(QString::number(seen.samples)));
    QCOMPARE(seen.busy, seen.samples);
    QCOMPARE(seen.readingPanel, QSet<QString>{QStringLiteral("正在读取数据库……")});
    QVERIFY2(seen.clock.size() >= 2, "the clock stood still");
    QVERIFY2(paints.count >= 20, qPrintable(QString::number(paints.count)));
    QVERIFY(window->isVisible());
    QVERIFY(panel(*window, 2).isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestMainStartup)
#include "tst_mainstartup.moc"
