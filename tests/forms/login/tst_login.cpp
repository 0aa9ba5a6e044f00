#include "listingfixture.h"
#include "screenfit.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/quillonixprogram.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString loginCaption = QStringLiteral("用户登录");
const QString connectQuestion = QStringLiteral("数据库连接失败，不能进入系统，重新确定数据库位置吗？");

// The question, with the cause under it, for a folder without a database.
QString missingDatabase(const QString &folder)
{
    return connectQuestion + QStringLiteral("\n\n找不到数据库文件：") + folder + QStringLiteral("/itdb.mdb");
}

QString storedFolder()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"),
                     QStringLiteral("quillonix"))
        .value(QStringLiteral("quillonixSave/quillonixDBPath"))
        .toString();
}

QStringList userList(const frmQX_Login &login)
{
    const auto *users = control<QComboBox>(&login, QStringLiteral("cmbUserName"));
    QStringList names;
    for (int i = 0; i < users->count(); ++i)
        names << users->itemText(i);
    return names;
}

void typePassword(frmQX_Login &login, const QString &password)
{
    auto *box = control<QLineEdit>(&login, QStringLiteral("txtPassword"));
    box->clear();
    QTest::keyClicks(box, password);
}

void chooseUser(frmQX_Login &login, const QString &name)
{
    auto *users = control<QComboBox>(&login, QStringLiteral("cmbUserName"));
    users->setCurrentIndex(users->findText(name));
}

void pressOK(frmQX_Login &login)
{
    QTest::mouseClick(control<QPushButton>(&login, QStringLiteral("cmdOK")), Qt::LeftButton);
}

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void layoutFollowsTheDesign();
    void drawnWholeAtEveryScale_data() { scalesToCheck(); }
    void drawnWholeAtEveryScale();
    void firstRunRecordsTheProgramFolderBeforeConnecting();
    void storedFolderGetsItsTrailingSlashWrittenBack();
    void firstStartProposesAFolderOfTheUsersOwn_data();
    void firstStartProposesAFolderOfTheUsersOwn();
    void installedProgramsFirstStartPicksFromTheHomeFolder();
    void unreachableDatabaseAnsweredNoEndsTheProgram();
    void unreachableDatabaseYesThenCancelAsksToStartAgain();
    void unreachableDatabaseYesThenSaveEndsWithoutSecondMessage();
    void emptyUserTableGetsOneAdministratorWithoutPassword();
    void usersAreListedInTableOrderWithTheFirstChosen();
    void userRowsWithoutNameAreReportedAndTheRestListed();
    void missingUserTableIsReportedAndTheFormStaysUsable();
    void correctPasswordHandsOverToTheMainWindow();
    void wrongPasswordIsRefusedWithTheWholeTextSelected();
    void enterPressesTheFocusedButtonOrElseOK_data();
    void enterPressesTheFocusedButtonOrElseOK();
    void chosenUserWithoutRowGivesTheErrorReport();
    void quotesNeitherBreakAQueryNorLetAnybodyIn();
    void cancelEndsTheProgramWithoutAWord();
    void secondCopyBringsTheRunningMainWindowForward();
    void loginFormAloneDoesNotCountAsRunningCopy();
    void userStoredInOtherEncodingsLogsInAndPassesThePrompt_data();
    void userStoredInOtherEncodingsLogsInAndPassesThePrompt();
};

void TestLogin::layoutFollowsTheDesign()
{
    frmQX_Login login;
    QCOMPARE(login.windowTitle(), loginCaption);
    QCOMPARE(login.size(), designedRect(0, 0, 3750, 1740).size());
    QCOMPARE(login.minimumSize(), login.maximumSize());
    QVERIFY(!(login.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(login.windowFlags() & Qt::WindowMaximizeButtonHint));
    const struct
    {
        const char *name;
        QRect designed;
        const char *text;
    } controls[] = {
        {"cmbUserName", designedRect(1290, 270, 1965, 300), ""},
        {"txtPassword", designedRect(1290, 705, 1965, 301), ""},
        {"cmdOK", designedRect(885, 1200, 1020, 345), "确定"},
        {"cmdCancel", designedRect(2235, 1200, 1020, 345), "取消"},
    };
    for (const auto &expected : controls) {
        const auto *widget = control<QWidget>(&login, QString::fromLatin1(expected.name));
        QCOMPARE(widget->geometry(), expected.designed);
        if (const auto *button = qobject_cast<const QPushButton *>(widget))
            QCOMPARE(button->text(), QString::fromUtf8(expected.text));
    }
    // A screen reader calls each box by the label in front of it, each button by its caption.
    QCOMPARE(accessibleName(control<QWidget>(&login, QStringLiteral("cmbUserName"))), QStringLiteral("用户名称"));
    QCOMPARE(accessibleName(control<QWidget>(&login, QStringLiteral("txtPassword"))), QStringLiteral("密码"));
    QCOMPARE(accessibleName(control<QWidget>(&login, QStringLiteral("cmdOK"))), QStringLiteral("确定"));
    QCOMPARE(accessibleName(control<QWidget>(&login, QStringLiteral("cmdCancel"))), QStringLiteral("取消"));
    const auto *userLabel = control<QLabel>(&login, QStringLiteral("lblLabels(0)"));
    QCOMPARE(userLabel->text(), QStringLiteral("用户名称"));
    QCOMPARE(userLabel->geometry(), designedRect(435, 330, 720, 180));
    const auto *passwordLabel = control<QLabel>(&login, QStringLiteral("lblLabels(1)"));
    QCOMPARE(passwordLabel->text(), QStringLiteral("密码"));
    QCOMPARE(passwordLabel->geometry(), designedRect(795, 750, 360, 180));

    auto *password = control<QLineEdit>(&login, QStringLiteral("txtPassword"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->maxLength(), 8);
    QTest::keyClicks(password, QStringLiteral("8888"));
    QCOMPARE(password->displayText(), QStringLiteral("****"));
    password->clear();
    QVERIFY(!control<QComboBox>(&login, QStringLiteral("cmbUserName"))->isEditable());
    QVERIFY(control<QPushButton>(&login, QStringLiteral("cmdOK"))->isDefault());
    login.show();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    QCOMPARE(tabWalk(control<QWidget>(&login, QStringLiteral("cmbUserName")), 4),
             (QStringList{"cmbUserName", "txtPassword", "cmdOK", "cmdCancel", "cmbUserName"}));
}

void TestLogin::firstRunRecordsTheProgramFolderBeforeConnecting()
{
    const QString programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QString storedWhenAsked = QStringLiteral("(not asked)");
    // Whether a database lies beside the test programs decides whether the connection
    // fails; either way the folder is stored first.
    setMessageHandler([&](const QString &text, int, const QString &) {
        const bool asked = text.startsWith(connectQuestion);
        if (asked)
            storedWhenAsked = storedFolder();
        return asked ? MessageAnswer::No : MessageAnswer::Ok;
    });
    frmQX_Login login;
    login.Form_Load();
    MessageScript::install();
    QCOMPARE(gDBPath, programFolder);
    QCOMPARE(storedFolder(), programFolder);
    QCOMPARE(gConnectString.right(programFolder.size() + 8), programFolder + QStringLiteral("itdb.mdb"));
    if (QFile::exists(programFolder + QStringLiteral("itdb.mdb")))
        QVERIFY(!ProgramEnd::programEnding());
    else
        QCOMPARE(storedWhenAsked, programFolder);
}

void TestLogin::firstStartProposesAFolderOfTheUsersOwn_data()
{
    QTest::addColumn<QString>("programFolder"); // {home}: the user's home folder
    QTest::addColumn<bool>("userMayWrite");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("the build tree") << "/home/dev/quillonix/build/bin" << true << "/home/dev/quillonix/build/bin";
    QTest::newRow("a copy in the user's folders") << "{home}/quillonix" << true << "{home}/quillonix";
    QTest::newRow("installed in /usr/bin") << "/usr/bin" << false << "{home}/房源数据";
    QTest::newRow("installed in /opt") << "/opt/quillonix/bin" << false << "{home}/房源数据";
}

void TestLogin::firstStartProposesAFolderOfTheUsersOwn()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, userMayWrite);
    QFETCH(QString, proposed);
    const QString home = TestSandbox::newFolder();
    const EnvironmentChange homeFolder("HOME", QFile::encodeName(home));
    programFolder.replace(QStringLiteral("{home}"), home);
    proposed.replace(QStringLiteral("{home}"), home);
    QCOMPARE(proposedDBPath(programFolder, userMayWrite), proposed);
}

void TestLogin::installedProgramsFirstStartPicksFromTheHomeFolder()
{
    const QString home = TestSandbox::newFolder();
    const EnvironmentChange homeFolder("HOME", QFile::encodeName(home));
    // What the first start of a program in /usr/bin records; the folder is not made yet.
    funSaveDBPath(proposedDBPath(QStringLiteral("/usr/bin"), false));
    const QString proposed = home + QStringLiteral("/房源数据");
    MessageScript::expect(missingDatabase(proposed), 20, QStringLiteral("连接数据库"), MessageAnswer::Yes);
    MessageScript::expect(QStringLiteral("请重新进入系统"), 64, QStringLiteral("重新登录"));
    QString shownFolder;
    QString openedAt;
    whenModalShown([&](QWidget *dialog) {
        shownFolder = control<QLineEdit>(dialog, QStringLiteral("txtDataBaseLocation"))->text();
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdChange")), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    whenModalShown([&](QWidget *picker) {
        auto *folders = qobject_cast<QFileDialog *>(picker);
        QVERIFY(folders);
        openedAt = folders->directory().absolutePath();
        folders->reject();
    });
    QuillonixProgram program; // the desk's own folder picker
    QVERIFY(!program.start());
    QCOMPARE(shownFolder, proposed + QLatin1Char('/'));
    QCOMPARE(openedAt, home);
}

void TestLogin::storedFolderGetsItsTrailingSlashWrittenBack()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    QCOMPARE(gDBPath, listings.folder() + QLatin1Char('/'));
    QCOMPARE(storedFolder(), listings.folder() + QLatin1Char('/'));
    QCOMPARE(gDBType, QStringLiteral("A"));
    QVERIFY(gConnectString.endsWith(QStringLiteral("dbq=") + listings.folder() + QStringLiteral("/itdb.mdb")));
    QVERIFY(!ProgramEnd::programEnding());
    QCOMPARE(userList(login), QStringList{QStringLiteral("经理")});

    // A folder stored with its slash keeps exactly one.
    TestSandbox::reset();
    funSaveDBPath(listings.databaseFolder() + QLatin1Char('/'));
    frmQX_Login again;
    again.Form_Load();
    QCOMPARE(gDBPath, listings.folder() + QLatin1Char('/'));
}

void TestLogin::unreachableDatabaseAnsweredNoEndsTheProgram()
{
    const QString nowhere = TestSandbox::newFolder() + QStringLiteral("/gone");
    funSaveDBPath(nowhere);
    MessageScript::expect(missingDatabase(nowhere), 20, QStringLiteral("连接数据库"), MessageAnswer::No);
    const ProgramLog log;
    QuillonixProgram program;
    QVERIFY(!program.start());
    QVERIFY(ProgramEnd::programEnding());
    // Started from a shell, the program failed.
    QCOMPARE(ProgramEnd::exitCode(), 1);
    // The desk's journal keeps the question and its cause in one line, and never the
    // password of the connection string.
    QCOMPARE(log.lines(), QStringList{QStringLiteral("quillonix.db: 连接数据库：") + connectQuestion
                                      + QStringLiteral(" 找不到数据库文件：") + nowhere + QStringLiteral("/itdb.mdb")});
    const QString password = QRegularExpression(QStringLiteral("pwd=([^;]+)")).match(gConnectString).captured(1);
    QVERIFY(!password.isEmpty());
    QVERIFY(!log.lines().constFirst().contains(password));
    QVERIFY(!program.loginForm()->isVisible());
    QCOMPARE(storedFolder(), nowhere + QLatin1Char('/'));
    QVERIFY(!QFile::exists(nowhere + QStringLiteral("/itdb.mdb")));
}

void TestLogin::unreachableDatabaseYesThenCancelAsksToStartAgain()
{
    const QString nowhere = TestSandbox::newFolder() + QStringLiteral("/gone");
    funSaveDBPath(nowhere);
    MessageScript::expect(missingDatabase(nowhere), 20, QStringLiteral("连接数据库"), MessageAnswer::Yes);
    MessageScript::expect(QStringLiteral("请重新进入系统"), 64, QStringLiteral("重新登录"));
    QString shownFolder;
    whenModalShown([&](QWidget *dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("frmQX_DataBaseLocation"));
        shownFolder = control<QLineEdit>(dialog, QStringLiteral("txtDataBaseLocation"))->text();
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    frmQX_Login login;
    login.Form_Load();
    QCOMPARE(shownFolder, nowhere + QLatin1Char('/'));
    QVERIFY(ProgramEnd::programEnding());
    QCOMPARE(ProgramEnd::exitCode(), 1);
    QCOMPARE(storedFolder(), nowhere + QLatin1Char('/'));
}

void TestLogin::unreachableDatabaseYesThenSaveEndsWithoutSecondMessage()
{
    const QString nowhere = TestSandbox::newFolder() + QStringLiteral("/gone");
    const QString chosen = TestSandbox::newFolder();
    funSaveDBPath(nowhere);
    setFolderPicker([&](QWidget *, const QString &, const QString &) { return chosen; });
    MessageScript::expect(missingDatabase(nowhere), 20, QStringLiteral("连接数据库"), MessageAnswer::Yes);
    MessageScript::expect(QStringLiteral("更改数据库路径需要退出系统后重新进入，确定更改吗？"), 68,
                          QStringLiteral("更改数据库路径"), MessageAnswer::Yes);
    MessageScript::expect(QStringLiteral("已更改数据库位置，请重新进入系统"), 64, QStringLiteral("重新登录"));
    whenModalShown([&](QWidget *dialog) {
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdChange")), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdSave")), Qt::LeftButton);
    });
    frmQX_Login login;
    login.Form_Load();
    setFolderPicker({});
    QVERIFY(ProgramEnd::programEnding());
    // The user chose another folder and is to start again: nothing failed.
    QCOMPARE(ProgramEnd::exitCode(), 0);
    QCOMPARE(storedFolder(), chosen);
}

void TestLogin::emptyUserTableGetsOneAdministratorWithoutPassword()
{
    ListingFixture listings;
    funSaveDBPath(listings.databaseFolder());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QuillonixProgram program;
    QVERIFY(program.start());
    QCOMPARE(userList(*program.loginForm()), QStringList{QStringLiteral("ADMIN")});
    QCOMPARE(listings.scalar(QStringLiteral("SELECT count(*) FROM user")).toInt(), 1);
    QCOMPARE(listings.scalar(QStringLiteral("SELECT xgr FROM user")).toString(), QStringLiteral("SYSTEM"));
    QVERIFY(listings.scalar(QStringLiteral("SELECT yhkl FROM user")).isNull());
    const QDateTime made = QDateTime::fromString(listings.scalar(QStringLiteral("SELECT xgsj FROM user")).toString(),
                                                 QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(made >= before && made <= QDateTime::currentDateTime().addSecs(1));

    // Without a password any typed text lets ADMIN in, the empty one included.
    pressOK(*program.loginForm());
    QVERIFY(program.mainWindow());
    QCOMPARE(gUserName, QStringLiteral("ADMIN"));
}

void TestLogin::usersAreListedInTableOrderWithTheFirstChosen()
{
    ListingFixture listings;
    for (const char *name : {"前台", "admin", "经理", "Zhang", "前台"})
        listings.addUser(QString::fromUtf8(name), QStringLiteral("x"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    QCOMPARE(userList(login), (QStringList{"前台", "admin", "经理", "Zhang", "前台"}));
    QCOMPARE(control<QComboBox>(&login, QStringLiteral("cmbUserName"))->currentIndex(), 0);
    QCOMPARE(listings.scalar(QStringLiteral("SELECT count(*) FROM user")).toInt(), 5);
}

void TestLogin::userRowsWithoutNameAreReportedAndTheRestListed()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("甲"), QStringLiteral("1"));
    listings.addUser(QVariant(), QStringLiteral("2"));
    listings.addUser(QStringLiteral("乙"), QStringLiteral("3"));
    funSaveDBPath(listings.databaseFolder());
    MessageScript::expect(QStringLiteral("( 94)用户表中有 1 行没有用户名称，这些行未列出。"), 16, loginCaption);
    frmQX_Login login;
    login.Form_Load();
    QCOMPARE(userList(login), (QStringList{"甲", "乙"}));
}

void TestLogin::missingUserTableIsReportedAndTheFormStaysUsable()
{
    ListingFixture listings(false);
    funSaveDBPath(listings.databaseFolder());
    QString report;
    QStringList reportedAs;
    setMessageHandler([&](const QString &text, int flags, const QString &caption) {
        reportedAs << caption + QString::number(flags);
        report = text;
        return MessageAnswer::Ok;
    });
    frmQX_Login login;
    login.Form_Load();
    // The engine's own number and words: a file's engine and a server's differ.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\( ?-?\\d+\\).*user")).match(report).hasMatch(), qPrintable(report));
    QVERIFY(userList(login).isEmpty());
    // OK with nobody to choose is reported the same way; Cancel still ends the program.
    report.clear();
    pressOK(login);
    QVERIFY(report.startsWith(QStringLiteral("( 3021)")));
    QCOMPARE(reportedAs, (QStringList{loginCaption + "16", loginCaption + "16"}));
    MessageScript::install();
    QTest::mouseClick(control<QPushButton>(&login, QStringLiteral("cmdCancel")), Qt::LeftButton);
    QVERIFY(ProgramEnd::programEnding());
}

void TestLogin::correctPasswordHandsOverToTheMainWindow()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("前台"), QStringLiteral("1234"));
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    QuillonixProgram program;
    QVERIFY(program.start());
    QPointer<frmQX_Login> login = program.loginForm();
    QVERIFY(login->isVisible());
    chooseUser(*login, QStringLiteral("经理"));
    typePassword(*login, QStringLiteral(" 8888 "));
    QSignalSpy accepted(login.data(), &frmQX_Login::passwordAccepted);
    pressOK(*login);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(gUserName, QStringLiteral("经理"));
    QVERIFY(program.mainWindow());
    QVERIFY(program.mainWindow()->isVisible());
    QCOMPARE(program.mainWindow()->windowTitle(), QStringLiteral("- 查看房源 -"));
    // The login form is gone once the handler has returned.
    QTRY_VERIFY(login.isNull());
    QVERIFY(!ProgramEnd::programEnding());
}

void TestLogin::wrongPasswordIsRefusedWithTheWholeTextSelected()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    login.show();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    auto *password = control<QLineEdit>(&login, QStringLiteral("txtPassword"));
    for (const char *wrong : {"8889", "888", "88888"}) {
        MessageScript::expect(QStringLiteral("无效的密码，请重试!"), 0, loginCaption);
        control<QPushButton>(&login, QStringLiteral("cmdOK"))->setFocus();
        typePassword(login, QString::fromLatin1(wrong));
        pressOK(login);
        QVERIFY(MessageScript::allShown());
        QVERIFY(login.isVisible());
        QVERIFY(password->hasFocus());
        QCOMPARE(password->selectedText(), QString::fromLatin1(wrong));
    }
    // Enter presses OK: the password is accepted on the next try.
    QSignalSpy accepted(&login, &frmQX_Login::passwordAccepted);
    password->selectAll();
    QTest::keyClicks(password, QStringLiteral("8888"));
    QTest::keyClick(password, Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
}

void TestLogin::enterPressesTheFocusedButtonOrElseOK_data()
{
    QTest::addColumn<int>("tabs");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("cancels");
    QTest::newRow("Enter in the user list") << 0 << int(Qt::Key_Return) << false;
    QTest::newRow("Enter in the password box") << 1 << int(Qt::Key_Return) << false;
    QTest::newRow("keypad Enter in the password box") << 1 << int(Qt::Key_Enter) << false;
    QTest::newRow("Enter on 确定") << 2 << int(Qt::Key_Return) << false;
    QTest::newRow("Enter on 取消") << 3 << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter on 取消") << 3 << int(Qt::Key_Enter) << true;
    QTest::newRow("Space on 确定") << 2 << int(Qt::Key_Space) << false;
    QTest::newRow("Space on 取消") << 3 << int(Qt::Key_Space) << true;
}

void TestLogin::enterPressesTheFocusedButtonOrElseOK()
{
    QFETCH(int, tabs);
    QFETCH(int, key);
    QFETCH(bool, cancels);
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    login.show();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    typePassword(login, QStringLiteral("8888"));
    QSignalSpy accepted(&login, &frmQX_Login::passwordAccepted);
    control<QWidget>(&login, QStringLiteral("cmbUserName"))->setFocus(Qt::TabFocusReason);
    for (int tab = 0; tab < tabs; ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(ProgramEnd::programEnding(), cancels);
    QCOMPARE(accepted.count(), cancels ? 0 : 1);
}

void TestLogin::chosenUserWithoutRowGivesTheErrorReport()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("离职"), QStringLiteral("1"));
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    listings.exec(QStringLiteral("DELETE FROM user WHERE yhm = '离职'"));
    MessageScript::expect(QStringLiteral("( 3021)没有当前记录：查询没有返回符合条件的行。"), 16, loginCaption);
    typePassword(login, QStringLiteral("1"));
    QSignalSpy accepted(&login, &frmQX_Login::passwordAccepted);
    pressOK(login);
    QCOMPARE(accepted.count(), 0);
    QVERIFY(!ProgramEnd::programEnding());
}

void TestLogin::quotesNeitherBreakAQueryNorLetAnybodyIn()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("O'Brien"), QStringLiteral("it's"));
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    QSignalSpy accepted(&login, &frmQX_Login::passwordAccepted);

    chooseUser(login, QStringLiteral("经理"));
    for (const char *attack : {"' OR '1'", "'--", "x' OR 1"}) {
        MessageScript::expect(QStringLiteral("无效的密码，请重试!"), 0, loginCaption);
        typePassword(login, QString::fromLatin1(attack));
        pressOK(login);
    }
    QCOMPARE(accepted.count(), 0);

    chooseUser(login, QStringLiteral("O'Brien"));
    typePassword(login, QStringLiteral("it's"));
    pressOK(login);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(gUserName, QStringLiteral("O'Brien"));
}

void TestLogin::cancelEndsTheProgramWithoutAWord()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    QuillonixProgram program;
    QVERIFY(program.start());
    QTest::mouseClick(control<QPushButton>(program.loginForm(), QStringLiteral("cmdCancel")), Qt::LeftButton);
    QVERIFY(ProgramEnd::programEnding());
    QCOMPARE(ProgramEnd::exitCode(), 0);
    QVERIFY(!program.loginForm()->isVisible());
    QVERIFY(!program.mainWindow());

    // Esc is the cancel button.
    TestSandbox::reset();
    funSaveDBPath(listings.databaseFolder());
    frmQX_Login login;
    login.Form_Load();
    login.show();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    QTest::keyClick(&login, Qt::Key_Escape);
    QVERIFY(ProgramEnd::programEnding());
}

void TestLogin::secondCopyBringsTheRunningMainWindowForward()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    listings.connect();
    frmQX_Quillonix running;
    running.Form_Load();
    running.show();
    QVERIFY(QTest::qWaitForWindowExposed(&running));
    funCloseDatabase();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));

    gDBType.clear();
    funSaveDBPath(listings.databaseFolder());
    QuillonixProgram second;
    QVERIFY(!second.start());
    QVERIFY(ProgramEnd::programEnding());
    QVERIFY(!second.loginForm()->isVisible());
    // The second copy ended before it looked for its database.
    QVERIFY(gDBType.isEmpty());
    QVERIFY(!gConnection.isOpen());
    QTRY_VERIFY(running.isActiveWindow());
}

void TestLogin::loginFormAloneDoesNotCountAsRunningCopy()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    funSaveDBPath(listings.databaseFolder());
    QuillonixProgram first;
    QVERIFY(first.start());
    QVERIFY(first.loginForm()->isVisible());
    QuillonixProgram second;
    QVERIFY(second.start());
    QVERIFY(!ProgramEnd::programEnding());
    QCOMPARE(userList(*second.loginForm()), QStringList{QStringLiteral("经理")});
}

void TestLogin::userStoredInOtherEncodingsLogsInAndPassesThePrompt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("storedPassword");
    QTest::newRow("GBK") << "经理" << gbkBytes(QStringLiteral("经理")) << "密码88" << gbkBytes(QStringLiteral("密码88"));
    QTest::newRow("after a byte-order mark")
        << "店长" << markedUtf8Bytes(QStringLiteral("店长")) << "8888" << markedUtf8Bytes(QStringLiteral("8888"));
}

void TestLogin::userStoredInOtherEncodingsLogsInAndPassesThePrompt()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, storedName);
    QFETCH(QString, password);
    QFETCH(QByteArray, storedPassword);
    if (ListingFixture::onServer() && !isUtf8(storedName + storedPassword))
        QSKIP("A server database holds UTF-8 text only: quillonix-import refuses other bytes.");
    ListingFixture listings;
    listings.addUser(QStringLiteral("前台"), QStringLiteral("1234"));
    listings.addUser(QStringLiteral("placeholder"), QStringLiteral("placeholder"));
    listings.storeTextBytes(QStringLiteral("user"), QStringLiteral("yhkl"), storedPassword,
                            QStringLiteral("yhm='placeholder'"));
    listings.storeTextBytes(QStringLiteral("user"), QStringLiteral("yhm"), storedName,
                            QStringLiteral("yhm='placeholder'"));
    funSaveDBPath(listings.databaseFolder());
    QuillonixProgram program;
    QVERIFY(program.start());
    QCOMPARE(userList(*program.loginForm()), (QStringList{"前台", name}));
    // Typed key by key, Chinese characters as a keyboard layout gives them.
    const auto type = [&password](QWidget *box) {
        for (const QChar character : password)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
    };
    chooseUser(*program.loginForm(), name);
    type(control<QLineEdit>(program.loginForm(), QStringLiteral("txtPassword")));
    pressOK(*program.loginForm());
    QVERIFY(program.mainWindow());
    QCOMPARE(gUserName.bytes(), storedName);

    // The password prompt finds the same user by the same bytes.
    whenModalShown([&type](QWidget *prompt) {
        type(control<QLineEdit>(prompt, QStringLiteral("txtPassword")));
        QTest::mouseClick(control<QPushButton>(prompt, QStringLiteral("cmdOK")), Qt::LeftButton);
    });
    QTest::mouseClick(control<QPushButton>(program.mainWindow(), QStringLiteral("cmdExit")), Qt::LeftButton);
    QVERIFY(gPrivilegeOK);
    QVERIFY(ProgramEnd::programEnding());
}

// Drawn at the main window's scale: open when the scale changes, or opened after, the same.
void TestLogin::drawnWholeAtEveryScale()
{
    QFETCH(qreal, factor);
    const QStringList problems = drawnAgainAt<frmQX_Login>(factor);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QCOMPARE(frmQX_Login().size(), QSize(twips(3750), twips(1740)));
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
