#include "listingfixture.h"
#include "screenfit.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/privilege/frmQX_CheckPrivilege.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString privilegeCaption = QStringLiteral("权限检查");

struct Command
{
    const char *button;
    QString refusal;
};

// Types into the next password prompt and presses OK, or Cancel when typed is null.
void answerPrompt(const QString &typed, QString *promptSeen = nullptr)
{
    whenModalShown([typed, promptSeen](QWidget *prompt) {
        if (promptSeen)
            *promptSeen = prompt->objectName();
        auto *password = control<QLineEdit>(prompt, QStringLiteral("txtPassword"));
        QTest::keyClicks(password, typed);
        const char *button = typed.isNull() ? "cmdCancel" : "cmdOK";
        QTest::mouseClick(control<QPushButton>(prompt, QString::fromLatin1(button)), Qt::LeftButton);
    });
}

} // namespace

class TestPrivilege : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init();
    void cleanup();

    void promptLayoutFollowsTheDesign();
    void drawnWholeAtEveryScale_data() { scalesToCheck(); }
    void drawnWholeAtEveryScale();
    void promptAnswersToNeitherEnterNorEscButToSpace();
    void rightPasswordLetsTheCommandAct_data();
    void rightPasswordLetsTheCommandAct();
    void wrongPasswordIsRefusedWithTheCommandsMessage_data();
    void wrongPasswordIsRefusedWithTheCommandsMessage();
    void cancelAndBlankSayNothing_data();
    void cancelAndBlankSayNothing();
    void emptyStoredPasswordMatchesAnEmptyEntry();
    void userWithoutPasswordPassesWithAnEmptyEntryOnly_data();
    void userWithoutPasswordPassesWithAnEmptyEntryOnly();
    void vanishedUserIsExplainedAndRefused();
    void closeRequestAsksForThePassword();
    void promptLeavesTheDatabaseFreeForOtherWriters();

private:
    std::unique_ptr<ListingFixture> m_listings;
    std::unique_ptr<frmQX_Quillonix> m_window;
};

void TestPrivilege::init()
{
    TestSandbox::reset();
    m_listings = std::make_unique<ListingFixture>();
    m_listings->addUser(QStringLiteral("经理"), QStringLiteral(" Secret8 "));
    m_listings->addUser(QStringLiteral("新人"), QVariant());
    m_listings->addUser(QStringLiteral("空"), QString(""));
    m_listings->connect();
    gUserName = QStringLiteral("经理");
    m_window = std::make_unique<frmQX_Quillonix>();
    m_window->Form_Load();
    m_window->show();
}

void TestPrivilege::cleanup()
{
    m_window.reset();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
}

void TestPrivilege::promptLayoutFollowsTheDesign()
{
    frmQX_CheckPrivilege prompt;
    QCOMPARE(prompt.windowTitle(), QStringLiteral("检查权限"));
    QCOMPARE(prompt.size(), designedRect(0, 0, 4035, 1290).size());
    QVERIFY(prompt.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(!(prompt.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint
                                      | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(control<QLabel>(&prompt, QStringLiteral("Label1"))->text(), QStringLiteral("输入口令："));
    QCOMPARE(control<QLabel>(&prompt, QStringLiteral("Label1"))->pos(), designedRect(360, 330, 0, 0).topLeft());
    auto *password = control<QLineEdit>(&prompt, QStringLiteral("txtPassword"));
    QCOMPARE(password->geometry(), designedRect(1530, 240, 2085, 345));
    QCOMPARE(password->maxLength(), 8);
    QCOMPARE(accessibleName(password), QStringLiteral("输入口令："));
    auto *ok = control<QPushButton>(&prompt, QStringLiteral("cmdOK"));
    auto *cancel = control<QPushButton>(&prompt, QStringLiteral("cmdCancel"));
    QCOMPARE(ok->geometry(), designedRect(1530, 780, 885, 315));
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QCOMPARE(cancel->geometry(), designedRect(2700, 780, 885, 315));
    QCOMPARE(cancel->text(), QStringLiteral("取消"));
    prompt.show();
    QVERIFY(QTest::qWaitForWindowActive(&prompt));
    QCOMPARE(tabWalk(password, 3), (QStringList{"txtPassword", "cmdOK", "cmdCancel", "txtPassword"}));

    // The customer beside the screen sees a star for each character typed, as at the login.
    password->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Se 8"));
    QCOMPARE(password->text(), QStringLiteral("Se 8"));
    QCOMPARE(password->displayText(), QStringLiteral("****"));
}

void TestPrivilege::promptAnswersToNeitherEnterNorEscButToSpace()
{
    frmQX_CheckPrivilege prompt(m_window.get());
    prompt.show();
    QVERIFY(QTest::qWaitForWindowActive(&prompt));
    auto *password = control<QLineEdit>(&prompt, QStringLiteral("txtPassword"));
    QTest::keyClicks(password, QStringLiteral("Secret8"));
    for (QWidget *focus : {static_cast<QWidget *>(password), static_cast<QWidget *>(control<QPushButton>(&prompt, "cmdOK")),
                           static_cast<QWidget *>(control<QPushButton>(&prompt, "cmdCancel"))}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        QTest::keyClick(focus, Qt::Key_Enter);
        QTest::keyClick(focus, Qt::Key_Escape);
        QVERIFY(prompt.isVisible());
    }
    QVERIFY(!gPrivilegeOK);
    // Space presses the focused button.
    control<QPushButton>(&prompt, "cmdOK")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!prompt.isVisible());
    QVERIFY(gPrivilegeOK);
}

void TestPrivilege::rightPasswordLetsTheCommandAct_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("as stored") << QStringLiteral("Secret8");
    QTest::newRow("with blanks") << QStringLiteral(" Secret8");
}

void TestPrivilege::rightPasswordLetsTheCommandAct()
{
    QFETCH(QString, typed);
    QString dialogSeen;
    answerPrompt(typed);
    // The location dialog opens after the prompt; cancelling it leaves all as it was.
    whenModalShown([&](QWidget *dialog) {
        dialogSeen = dialog->objectName();
        QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    m_window->cmdDBLocation_Click();
    QCOMPARE(dialogSeen, QStringLiteral("frmQX_DataBaseLocation"));
    QVERIFY(gPrivilegeOK);
    QCOMPARE(gPrivilegeText, typed.trimmed());
    QVERIFY(!ProgramEnd::programEnding());
    QVERIFY(m_window->isVisible());

    answerPrompt(typed);
    QTest::mouseClick(control<QPushButton>(m_window.get(), QStringLiteral("cmdExit")), Qt::LeftButton);
    QVERIFY(ProgramEnd::programEnding());
    QVERIFY(!m_window->isVisible());
}

void TestPrivilege::wrongPasswordIsRefusedWithTheCommandsMessage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("typed");
    const QStringList wrongOnes = {QStringLiteral("secret8"), QStringLiteral("SECRET8"), QStringLiteral("Secret"),
                                   QStringLiteral("' OR ''='")};
    for (const QString &typed : wrongOnes) {
        QTest::addRow("exit %s", qPrintable(typed)) << "cmdExit" << QStringLiteral("您没有权限退出！") << typed;
        QTest::addRow("location %s", qPrintable(typed))
            << "cmdDBLocation" << QStringLiteral("您没有权限选择数据库！") << typed;
    }
}

void TestPrivilege::wrongPasswordIsRefusedWithTheCommandsMessage()
{
    QFETCH(QString, button);
    QFETCH(QString, refusal);
    QFETCH(QString, typed);
    MessageScript::expect(refusal, 64, privilegeCaption);
    answerPrompt(typed);
    QTest::mouseClick(control<QPushButton>(m_window.get(), button), Qt::LeftButton);
    QVERIFY(MessageScript::allShown());
    QVERIFY(!gPrivilegeOK);
    QCOMPARE(gPrivilegeText, typed.left(8));
    QVERIFY(!ProgramEnd::programEnding());
    QVERIFY(m_window->isVisible());
}

void TestPrivilege::cancelAndBlankSayNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    for (const char *button : {"cmdExit", "cmdDBLocation"}) {
        QTest::addRow("%s cancelled", button) << button << QString();
        QTest::addRow("%s blank", button) << button << QString("");
        QTest::addRow("%s only blanks", button) << button << QStringLiteral("    ");
    }
}

void TestPrivilege::cancelAndBlankSayNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    gPrivilegeText = QStringLiteral("left over");
    answerPrompt(typed);
    QTest::mouseClick(control<QPushButton>(m_window.get(), button), Qt::LeftButton);
    QVERIFY(MessageScript::seen().isEmpty());
    QVERIFY(!gPrivilegeOK);
    QCOMPARE(gPrivilegeText, QString());
    QVERIFY(!ProgramEnd::programEnding());
}

void TestPrivilege::emptyStoredPasswordMatchesAnEmptyEntry()
{
    gUserName = QStringLiteral("空");
    answerPrompt(QStringLiteral("  "));
    m_window->cmdExit_Click();
    QVERIFY(gPrivilegeOK);
    QVERIFY(ProgramEnd::programEnding());
}

void TestPrivilege::userWithoutPasswordPassesWithAnEmptyEntryOnly_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("passes");
    const struct
    {
        const char *button;
        QString refusal;
    } commands[] = {{"cmdExit", QStringLiteral("您没有权限退出！")},
                    {"cmdDBLocation", QStringLiteral("您没有权限选择数据库！")}};
    for (const auto &command : commands) {
        QTest::addRow("%s empty", command.button) << command.button << command.refusal << QString("") << true;
        QTest::addRow("%s blanks", command.button) << command.button << command.refusal << QString("   ") << true;
        QTest::addRow("%s text", command.button) << command.button << command.refusal << QString("x") << false;
        QTest::addRow("%s NULL", command.button) << command.button << command.refusal << QString("NULL") << false;
    }
}

void TestPrivilege::userWithoutPasswordPassesWithAnEmptyEntryOnly()
{
    QFETCH(QString, button);
    QFETCH(QString, refusal);
    QFETCH(QString, typed);
    QFETCH(bool, passes);
    // Without a password (Null, as the first start's ADMIN) the user has nothing to type.
    gUserName = QStringLiteral("新人");
    if (!passes)
        MessageScript::expect(refusal, 64, privilegeCaption);
    answerPrompt(typed);
    QString dialogSeen;
    if (passes && button == QLatin1String("cmdDBLocation")) {
        whenModalShown([&](QWidget *dialog) {
            dialogSeen = dialog->objectName();
            QTest::mouseClick(control<QPushButton>(dialog, QStringLiteral("cmdCancel")), Qt::LeftButton);
        });
    }
    QTest::mouseClick(control<QPushButton>(m_window.get(), button), Qt::LeftButton);
    QCOMPARE(gPrivilegeOK, passes);
    QCOMPARE(ProgramEnd::programEnding(), passes && button == QLatin1String("cmdExit"));
    QCOMPARE(dialogSeen.isEmpty(), !(passes && button == QLatin1String("cmdDBLocation")));
}

void TestPrivilege::vanishedUserIsExplainedAndRefused()
{
    m_listings->exec(QStringLiteral("DELETE FROM user WHERE yhm = '经理'"));
    MessageScript::expect(QStringLiteral("用户“经理”已不在用户表中，不能核对口令。"), 16, QStringLiteral("检查权限"));
    MessageScript::expect(QStringLiteral("您没有权限选择数据库！"), 64, privilegeCaption);
    answerPrompt(QStringLiteral("Secret8"));
    m_window->cmdDBLocation_Click();
    QVERIFY(!gPrivilegeOK);

    // A table that is gone altogether is explained the same way.
    m_listings->exec(QStringLiteral("DROP TABLE user"));
    QString explanation;
    setMessageHandler([&](const QString &text, int, const QString &) {
        if (explanation.isEmpty())
            explanation = text;
        return MessageAnswer::Ok;
    });
    answerPrompt(QStringLiteral("Secret8"));
    m_window->cmdExit_Click();
    MessageScript::install();
    QVERIFY2(explanation.startsWith(QStringLiteral("不能核对口令：(")), qPrintable(explanation));
    QVERIFY(!gPrivilegeOK);
    QVERIFY(!ProgramEnd::programEnding());
}

void TestPrivilege::closeRequestAsksForThePassword()
{
    QString promptSeen;
    MessageScript::expect(QStringLiteral("您没有权限退出！"), 64, privilegeCaption);
    answerPrompt(QStringLiteral("wrong"), &promptSeen);
    QVERIFY(!m_window->close());
    QCOMPARE(promptSeen, QStringLiteral("frmQX_CheckPrivilege"));
    QVERIFY(m_window->isVisible());

    answerPrompt(QStringLiteral("Secret8"));
    QCloseEvent request;
    QApplication::sendEvent(m_window.get(), &request);
    QVERIFY(ProgramEnd::programEnding());
}

void TestPrivilege::promptLeavesTheDatabaseFreeForOtherWriters()
{
    MessageScript::expect(QStringLiteral("您没有权限退出！"), 64, privilegeCaption);
    answerPrompt(QStringLiteral("wrong"));
    m_window->cmdExit_Click();
    // Another program of the agency writes at once: nothing of this one holds a lock.
    m_listings->exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    m_listings->exec(QStringLiteral("UPDATE user SET yhkl = 'Changed1' WHERE yhm = '经理'"));
    answerPrompt(QStringLiteral("Changed1"));
    m_window->cmdExit_Click();
    QVERIFY(ProgramEnd::programEnding());
}

// Drawn at the main window's scale: open when the scale changes, or opened after, the same.
void TestPrivilege::drawnWholeAtEveryScale()
{
    QFETCH(qreal, factor);
    const QStringList problems = drawnAgainAt<frmQX_CheckPrivilege>(factor);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QCOMPARE(frmQX_CheckPrivilege().size(), QSize(twips(4035), twips(1290)));
}

QTEST_MAIN(TestPrivilege)
#include "tst_privilege.moc"
