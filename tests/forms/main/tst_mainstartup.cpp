#include "mainwindowfixture.h"
#include "testsupport.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/quillonixprogram.h"
#include "forms/common/imagebox.h"
#include "forms/main/idlereset.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>

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

QString countdown(int seconds)
{
    return QStringLiteral("%1秒后将为新客户清空，按任意键或移动鼠标取消").arg(seconds);
}

// A window that will not close when asked to, as its Esc or 取消 would ask.
class StubbornDialog : public QDialog
{
public:
    using QDialog::QDialog;
    void reject() override {}
};

QSettings programSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"),
                     QStringLiteral("quillonix"));
}

// A customer's visit: a region, a category and an offer type chosen, the hits listed, a
// listing shown with its photo and short-listed.
frmQX_Quillonix &openForACustomer(MainWindowFixture &main)
{
    ListingFixture &listings = main.listings();
    listings.addSetting(1, QStringLiteral("天河区"));
    listings.addSetting(2, QStringLiteral("住宅"));
    listings.addHouse(QStringLiteral("A1"), {{"qy", "天河区"}, {"wylb", "住宅"}, {"fpyx", 2}, {"wymc", "甲苑"}});
    listings.addPicture(QStringLiteral("A1"), QStringLiteral("a.jpg"), QStringLiteral("客厅"));
    listings.writePhoto(QStringLiteral("a.jpg"));
    frmQX_Quillonix &window = main.open();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("the main window was not activated");
    main.chooseRegion(QStringLiteral("天河区"));
    main.chooseCategory(QStringLiteral("住宅"));
    main.chooseOfferType(2);
    main.pressSearch();
    MainWindowFixture::clickRow(main.results(), 0);
    main.press(QStringLiteral("cmdSelect"));
    window.tmQuillonix_Timer();
    return window;
}

// Nothing of a customer's choices is left in the window.
QStringList leftOfTheCustomer(MainWindowFixture &main)
{
    frmQX_Quillonix &window = main.window();
    QStringList left;
    if (main.results().rowCount() || main.shortList().rowCount())
        left << QStringLiteral("rows");
    for (QLineEdit *box : window.findChildren<QLineEdit *>()) {
        if (!box->text().isEmpty() && box->objectName().startsWith(QLatin1String("txt")))
            left << box->objectName();
    }
    if (control<ImageBox>(&window, QStringLiteral("imgHouse"))->hasPicture() || main.photoNames().count()
        || main.photoNumbers().count())
        left << QStringLiteral("photo");
    if (control<QComboBox>(&window, QStringLiteral("cmbQy"))->currentIndex() != 0
        || control<QComboBox>(&window, QStringLiteral("cmbWylb"))->currentIndex() != 0
        || !control<QAbstractButton>(&window, QStringLiteral("optOpen(0)"))->isChecked())
        left << QStringLiteral("choices");
    return left;
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
    void newCustomerEmptiesTheLastCustomersChoicesOnly_data();
    void newCustomerEmptiesTheLastCustomersChoicesOnly();
    void idleResetFollowsTheSetting_data();
    void idleResetFollowsTheSetting();
    void idleResetCountsDownAndInputStopsIt_data();
    void idleResetCountsDownAndInputStopsIt();
    void idleResetClosesEveryWindowOpen_data();
    void idleResetClosesEveryWindowOpen();
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

void TestMainStartup::newCustomerEmptiesTheLastCustomersChoicesOnly_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("新客户") << "button";
    QTest::newRow("Ctrl+N") << "keys";
    QTest::newRow("Ctrl+N over the enlarged photo") << "keys over the photo";
}

void TestMainStartup::newCustomerEmptiesTheLastCustomersChoicesOnly()
{
    QFETCH(QString, way);
    MainWindowFixture main;
    frmQX_Quillonix &window = openForACustomer(main);
    funSaveDBPath(main.listings().folder());
    const QString folder = gDBPath;
    const QString clock = panel(window, 4);
    QVERIFY(!clock.isEmpty());
    QCOMPARE(main.box(QStringLiteral("txtFybh")), QStringLiteral("A1"));
    const QStringList customer = leftOfTheCustomer(main);
    for (const char *shown : {"rows", "txtFybh", "txtWymc", "photo", "choices"})
        QVERIFY2(customer.contains(QString::fromLatin1(shown)), shown);

    if (way == QLatin1String("button")) {
        main.press(QStringLiteral("cmdNewCustomer"));
    } else if (way == QLatin1String("keys")) {
        QTest::keyClick(window.windowHandle(), Qt::Key_N, Qt::ControlModifier);
    } else {
        bool enlarged = false;
        whenModalShown([&enlarged](QWidget *zoom) {
            enlarged = true;
            QTRY_VERIFY(zoom->isActiveWindow());
            QTest::keyClick(zoom->windowHandle(), Qt::Key_N, Qt::ControlModifier);
        });
        // Open until 新客户 closes it.
        QTest::mouseDClick(control<ImageBox>(&window, QStringLiteral("imgHouse")), Qt::LeftButton);
        QVERIFY(enlarged);
    }
    QTRY_COMPARE(leftOfTheCustomer(main), QStringList());
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(&window, QStringLiteral("cmbQy")));
    // The desk's own things stay: the login line, the clock, the database and its setting.
    QCOMPARE(panel(window, 3), QStringLiteral("登录：经理"));
    QCOMPARE(panel(window, 4), clock);
    QVERIFY(window.findChild<QTimer *>(QStringLiteral("tmQuillonix"))->isActive());
    QCOMPARE(gDBPath, folder);
    QCOMPARE(funLoadDBPath(), main.listings().folder());
    QCOMPARE(control<QComboBox>(&window, QStringLiteral("cmbQy"))->count(), 2);
    // The next customer searches as usual.
    main.pressSearch();
    QCOMPARE(main.results().rowCount(), 1);
}

void TestMainStartup::idleResetFollowsTheSetting_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("minutes");
    QTest::newRow("absent") << QVariant() << 0;
    QTest::newRow("0") << QVariant(QStringLiteral("0")) << 0;
    QTest::newRow("2") << QVariant(QStringLiteral("2")) << 2;
    QTest::newRow("blanks around 15") << QVariant(QStringLiteral(" 15 ")) << 15;
    QTest::newRow("negative") << QVariant(QStringLiteral("-5")) << 0;
    QTest::newRow("a fraction") << QVariant(QStringLiteral("1.5")) << 0;
    QTest::newRow("not a number") << QVariant(QStringLiteral("十")) << 0;
    QTest::newRow("more than a day") << QVariant(QStringLiteral("99999")) << 24 * 60;
}

void TestMainStartup::idleResetFollowsTheSetting()
{
    QFETCH(QVariant, stored);
    QFETCH(int, minutes);
    if (stored.isValid())
        programSettings().setValue(QStringLiteral("quillonixSave/idleResetMinutes"), stored);
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    QCOMPARE(window.idleReset().isActive(), minutes > 0);
    if (minutes > 0)
        QCOMPARE(window.idleReset().idleTime(), std::chrono::milliseconds(std::chrono::minutes(minutes)));
    QCOMPARE(panel(window, 2), QString());
}

void TestMainStartup::idleResetCountsDownAndInputStopsIt_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("no input: the reset") << "";
    QTest::newRow("a key") << "key";
    QTest::newRow("the mouse moved") << "move";
}

void TestMainStartup::idleResetCountsDownAndInputStopsIt()
{
    QFETCH(QString, input);
    programSettings().setValue(QStringLiteral("quillonixSave/idleResetMinutes"), 5);
    MainWindowFixture main;
    frmQX_Quillonix &window = openForACustomer(main);
    QCOMPARE(window.idleReset().idleTime(), std::chrono::milliseconds(5 * 60 * 1000));
    // Shortened: three seconds, the last two counting down.
    window.idleReset().start(std::chrono::seconds(3), std::chrono::seconds(2));
    QTRY_COMPARE_WITH_TIMEOUT(panel(window, 2), countdown(2), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(panel(window, 2), countdown(1), 1500);
    const QStringList customer = leftOfTheCustomer(main);
    QVERIFY(customer.contains(QStringLiteral("rows")));
    if (input.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(leftOfTheCustomer(main), QStringList(), 1500);
        QCOMPARE(panel(window, 2), QString());
        QCOMPARE(panel(window, 3), QStringLiteral("登录：经理"));
        // And again after the next quiet spell.
        main.pressSearch();
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 2), countdown(2), 2000);
        return;
    }
    const QPoint somewhere = control<QWidget>(&window, QStringLiteral("Frame2"))->geometry().center();
    if (input == QLatin1String("key"))
        QTest::keyClick(window.windowHandle(), Qt::Key_Shift);
    else
        QTest::mouseMove(window.windowHandle(), somewhere + QPoint(QRandomGenerator::global()->bounded(50), 3));
    QCOMPARE(panel(window, 2), QString());
    // Past the moment the reset was due: nothing reset, and the waiting begins anew.
    QTest::qWait(1500);
    QCOMPARE(leftOfTheCustomer(main), customer);
    QTRY_COMPARE_WITH_TIMEOUT(leftOfTheCustomer(main), QStringList(), 3000);
}

void TestMainStartup::idleResetClosesEveryWindowOpen_data()
{
    // Windows opened one over another over the enlarged photo.
    QTest::addColumn<int>("over");
    // The last of them will not close.
    QTest::addColumn<bool>("stubborn");
    QTest::newRow("the enlarged photo") << 0 << false;
    QTest::newRow("the enlarged photo and eleven windows over it") << 11 << false;
    QTest::newRow("eleven windows, the last will not close") << 11 << true;
}

void TestMainStartup::idleResetClosesEveryWindowOpen()
{
    QFETCH(int, over);
    QFETCH(bool, stubborn);
    MainWindowFixture main;
    frmQX_Quillonix &window = openForACustomer(main);
    const QStringList customer = leftOfTheCustomer(main);
    window.idleReset().start(std::chrono::milliseconds(1500), std::chrono::seconds(1));
    // One reset only: what it leaves open would go at the next.
    QTimer firstResetOnly;
    bool countingDown = false;
    bool reset = false;
    connect(&firstResetOnly, &QTimer::timeout, &window, [&] {
        const bool counting = !panel(window, 2).isEmpty();
        if (countingDown && !counting && !reset) {
            window.idleReset().stop();
            reset = true;
        }
        countingDown = counting;
    });
    firstResetOnly.start(10);
    int opened = 0;
    // Each window, once shown, opens the next over itself; all stay open until the reset.
    std::function<void(QWidget *)> openNext = [&](QWidget *below) {
        if (opened++ == over)
            return;
        const bool last = opened == over;
        if (last && stubborn) {
            whenModalShown([&](QWidget *refusing) {
                ++opened;
                QTRY_VERIFY(reset);
                // The reset stops there and leaves everything as it is, until the next one.
                QTest::qWait(200);
                QVERIFY(refusing->isVisible());
                QCOMPARE(leftOfTheCustomer(main), customer);
                static_cast<QDialog *>(refusing)->done(QDialog::Rejected);
                window.idleReset().start(std::chrono::milliseconds(1500), std::chrono::seconds(1));
            });
        } else {
            whenModalShown(openNext);
        }
        std::unique_ptr<QDialog> next(last && stubborn ? new StubbornDialog(below) : new QDialog(below));
        next->setWindowTitle(QString::number(opened));
        next->exec();
    };
    whenModalShown(openNext);
    QTest::mouseDClick(control<ImageBox>(&window, QStringLiteral("imgHouse")), Qt::LeftButton);
    QCOMPARE(opened, over + 1);
    QTRY_COMPARE(leftOfTheCustomer(main), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestMainStartup)
#include "tst_mainstartup.moc"
