// The program alone on a real X server without a window manager, as a front desk runs it:
// nobody but the program gives its windows the keyboard, maximises a window or closes it.
// Run by on-xvfb.sh on the xcb platform, on screens from 800 x 600 to 3840 x 2160 at 400 %.

#include "listingfixture.h"
#include "mainwindowfixture.h"
#include "screenfit.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/designscale.h"
#include "forms/common/imagebox.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/statuspanels.h"
#include "forms/quillonixprogram.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

QString loginLine(const frmQX_Quillonix &window)
{
    return control<StatusPanels>(&window, QStringLiteral("stbBottom"))->panelText(3);
}

void clearLoginLine(frmQX_Quillonix &window)
{
    control<StatusPanels>(&window, QStringLiteral("stbBottom"))->setPanelText(3, QString());
}

// The user types into the control that has the keyboard, then presses a key.
void typeInto(QWidget *window, const QString &text, Qt::Key then)
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused && focused->window() == window);
    QTest::keyClicks(focused, text);
    QTest::keyClick(focused, then);
}

} // namespace

class TestKiosk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void loginTakesTheKeyboardAndTheMainWindowSaysWhoIsLoggedIn();
    void dialogsAndMessagesTakeTheKeyboardAndGiveItBack();
    void enlargedPhotoCoversTheScreenAndEscClosesIt();
    void mainWindowIsDrawnWholeOverTheScreen_data();
    void mainWindowIsDrawnWholeOverTheScreen();
};

void TestKiosk::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    TestSandbox::setUp();
}

void TestKiosk::loginTakesTheKeyboardAndTheMainWindowSaysWhoIsLoggedIn()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.folder());
    QuillonixProgram program;
    QVERIFY(program.start());
    frmQX_Login *login = program.loginForm();
    QTRY_VERIFY(hasKeyboard(login));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(login, QStringLiteral("cmbUserName")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    typeInto(login, QStringLiteral("8888"), Qt::Key_Return);
    QVERIFY(program.mainWindow());

    frmQX_Quillonix &window = *program.mainWindow();
    QTRY_VERIFY(hasKeyboard(&window));
    QTRY_COMPARE(loginLine(window), QStringLiteral("登录：经理"));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(&window, QStringLiteral("cmbQy")));
    QTRY_COMPARE(window.frameGeometry(), window.screen()->geometry());
}

void TestKiosk::dialogsAndMessagesTakeTheKeyboardAndGiveItBack()
{
    MainWindowFixture main;
    main.listings().addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    frmQX_Quillonix &window = main.open();
    QTRY_VERIFY(hasKeyboard(&window));

    // A wrong password: the prompt, then the refusal, each with the keyboard in turn.
    clearLoginLine(window);
    MessageScript::expectBox(QStringLiteral("您没有权限退出！"), 64, QStringLiteral("权限检查"));
    whenModalShown([](QWidget *prompt) {
        QTRY_VERIFY(hasKeyboard(prompt));
        typeInto(prompt, QStringLiteral("1234"), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    whenModalShown([](QWidget *box) {
        QTRY_VERIFY(hasKeyboard(box));
        pressKey(Qt::Key_Return);
    });
    main.press(QStringLiteral("cmdExit"));
    QTRY_VERIFY(hasKeyboard(&window));
    releaseKey(Qt::Key_Return);
    QTRY_COMPARE(loginLine(window), QStringLiteral("登录：经理"));

    // The right password, then the location dialog, closed with its own button.
    clearLoginLine(window);
    QString opened;
    whenModalShown([](QWidget *prompt) {
        QTRY_VERIFY(hasKeyboard(prompt));
        typeInto(prompt, QStringLiteral("8888"), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    whenModalShown([&opened](QWidget *dialog) {
        opened = dialog->objectName();
        QTRY_VERIFY(hasKeyboard(dialog));
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    main.press(QStringLiteral("cmdDBLocation"));
    QCOMPARE(opened, QStringLiteral("frmQX_DataBaseLocation"));
    QTRY_VERIFY(hasKeyboard(&window));
    QTRY_COMPARE(loginLine(window), QStringLiteral("登录：经理"));
}

void TestKiosk::enlargedPhotoCoversTheScreenAndEscClosesIt()
{
    MainWindowFixture main;
    main.listings().addHouse(QStringLiteral("A1"));
    main.listings().addPicture(QStringLiteral("A1"), QStringLiteral("a.jpg"), QStringLiteral("外景"));
    main.listings().writePhoto(QStringLiteral("a.jpg"));
    frmQX_Quillonix &window = main.open();
    QTRY_VERIFY(hasKeyboard(&window));
    window.detailPanel().subGetValue(QStringLiteral("A1"));
    clearLoginLine(window);
    QRect covered;
    whenModalShown([&covered](QWidget *zoom) {
        QTRY_VERIFY(hasKeyboard(zoom));
        QTRY_COMPARE(zoom->frameGeometry(), zoom->screen()->geometry());
        covered = zoom->frameGeometry();
        pressKey(Qt::Key_Escape);
    });
    QTest::mouseDClick(control<ImageBox>(&window, QStringLiteral("imgHouse")), Qt::LeftButton);
    QCOMPARE(covered, window.screen()->geometry());
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(hasKeyboard(&window));
    releaseKey(Qt::Key_Escape);
    QTRY_COMPARE(loginLine(window), QStringLiteral("登录：经理"));
}

void TestKiosk::mainWindowIsDrawnWholeOverTheScreen_data()
{
    QTest::addColumn<QString>("scale");
    QTest::newRow("fit, the default") << "";
    QTest::newRow("1: the designed pixels") << "1";
}

void TestKiosk::mainWindowIsDrawnWholeOverTheScreen()
{
    QFETCH(QString, scale);
    if (!scale.isEmpty()) {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"), QStringLiteral("quillonix"))
            .setValue(QStringLiteral("quillonixSave/scale"), scale);
    }
    QMap<QString, QRectF> designed;
    {
        frmQX_Quillonix atDesignedSize;
        designed = detailBoxesInPanel(&atDesignedSize);
    }
    MainWindowFixture main;
    frmQX_Quillonix &window = main.openWithAListing();
    QTRY_VERIFY(hasKeyboard(&window));
    const QRect area = window.screen()->availableGeometry();
    QTRY_COMPARE(window.frameGeometry(), area);
    if (scale == QLatin1String("1")) {
        QCOMPARE(DesignScale::factor(), 1.0);
        QCOMPARE(control<QWidget>(&window, QStringLiteral("Frame3"))->geometry(), designedRect(30, 3450, 11835, 2655));
        QCOMPARE(control<QWidget>(&window, QStringLiteral("cmdExit"))->geometry(), designedRect(10230, 7500, 1100, 315));
        QCOMPARE(window.font().pointSizeF(), 9.0);
        return;
    }
    // Without a window manager the window has the screen's whole area for the design.
    const qreal factor = DesignScale::fitting(area.size());
    QCOMPARE(DesignScale::factor(), factor);
    QCOMPARE(window.font().pointSizeF(), 9 * factor);
    const qreal spanned = screenSpanned(&window);
    QVERIFY2(spanned >= 0.9, qPrintable(QString::number(spanned)));
    const QStringList problems = coveredOrCutOff(&window);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    const QStringList moved = placesDiffer(designed, detailBoxesInPanel(&window), 0.01);
    QVERIFY2(moved.isEmpty(), qPrintable(moved.join(QStringLiteral("; "))));

    // A message at the same scale, whole.
    QStringList boxProblems;
    MessageScript::expectBox(QStringLiteral("您没有权限退出！"), 64, QStringLiteral("权限检查"));
    whenModalShown([&boxProblems, factor](QWidget *box) {
        QTRY_VERIFY(hasKeyboard(box));
        boxProblems = coveredOrCutOff(box);
        if (!qFuzzyCompare(box->font().pointSizeF(), 9 * factor))
            boxProblems << QStringLiteral("text in %1 points").arg(box->font().pointSizeF());
        pressKey(Qt::Key_Return);
    });
    showMessage(QStringLiteral("您没有权限退出！"), 64, QStringLiteral("权限检查"));
    QTRY_VERIFY(hasKeyboard(&window));
    releaseKey(Qt::Key_Return);
    QVERIFY2(boxProblems.isEmpty(), qPrintable(boxProblems.join(QStringLiteral("; "))));
}

QTEST_MAIN(TestKiosk)
#include "tst_kiosk.moc"
