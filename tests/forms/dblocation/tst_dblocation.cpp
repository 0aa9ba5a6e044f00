#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/dblocation/frmQX_DataBaseLocation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

const QString question = QStringLiteral("更改数据库路径需要退出系统后重新进入，确定更改吗？");
const QString changed = QStringLiteral("已更改数据库位置，请重新进入系统");

QVariant storedFolder()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"),
                     QStringLiteral("quillonix"))
        .value(QStringLiteral("quillonixSave/quillonixDBPath"));
}

QString shownFolder(const frmQX_DataBaseLocation &dialog)
{
    return control<QLineEdit>(&dialog, QStringLiteral("txtDataBaseLocation"))->text();
}

void press(frmQX_DataBaseLocation &dialog, const char *button)
{
    QTest::mouseClick(control<QPushButton>(&dialog, QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class TestDataBaseLocation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init()
    {
        TestSandbox::reset();
        gDBPath = QStringLiteral("/srv/agency/");
        funSaveDBPath(gDBPath);
        m_picked.clear();
        m_pickerOwner = nullptr;
        setFolderPicker([this](QWidget *owner, const QString &title) {
            m_pickerOwner = owner;
            m_pickerTitle = title;
            return m_picked;
        });
    }
    void cleanup()
    {
        setFolderPicker({});
        QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
    }

    void layoutFollowsTheDesign();
    void showsTheCurrentFolderAndCannotBeTypedInto();
    void saveWithoutChangeClosesWithoutQuestion();
    void cancelledPickerLeavesTheFolder();
    void sameFolderChosenAgainCountsAsChange();
    void answeringNoKeepsTheDialogOpen();
    void answeringYesStoresTheFolderAndEndsTheProgram();
    void cancelAfterChoosingStoresNothing();
    void neitherEnterNorEscPressesAButtonButSpaceDoes();

private:
    QString m_picked;
    QString m_pickerTitle;
    QWidget *m_pickerOwner = nullptr;
};

void TestDataBaseLocation::layoutFollowsTheDesign()
{
    frmQX_DataBaseLocation dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("数据库位置"));
    QCOMPARE(dialog.size(), designedRect(0, 0, 5085, 1935).size());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    const struct
    {
        const char *name;
        QRect designed;
        const char *text;
    } buttons[] = {
        {"cmdChange", designedRect(3990, 570, 900, 315), "更改"},
        {"cmdCancel", designedRect(3990, 1110, 900, 315), "取消"},
        {"cmdSave", designedRect(2940, 1110, 900, 315), "保存"},
    };
    for (const auto &expected : buttons) {
        const auto *button = control<QPushButton>(&dialog, QString::fromLatin1(expected.name));
        QCOMPARE(button->geometry(), expected.designed);
        QCOMPARE(button->text(), QString::fromUtf8(expected.text));
        QVERIFY(!button->isDefault() && !button->autoDefault());
    }
    QCOMPARE(control<QLineEdit>(&dialog, QStringLiteral("txtDataBaseLocation"))->geometry(),
             designedRect(195, 570, 3645, 315));
    QCOMPARE(control<QLabel>(&dialog, QStringLiteral("Label1"))->text(), QStringLiteral("数据库位置"));
    QCOMPARE(accessibleName(control<QWidget>(&dialog, QStringLiteral("txtDataBaseLocation"))),
             QStringLiteral("数据库位置"));
    QCOMPARE(control<QLabel>(&dialog, QStringLiteral("Label1"))->pos(), designedRect(210, 300, 0, 0).topLeft());
    QCOMPARE(control<QLabel>(&dialog, QStringLiteral("Label2"))->text(),
             QStringLiteral("提示：更改数据库位置需要重新进入系统"));
    QCOMPARE(control<QLabel>(&dialog, QStringLiteral("Label2"))->pos(), designedRect(330, 1650, 0, 0).topLeft());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(tabWalk(control<QWidget>(&dialog, QStringLiteral("txtDataBaseLocation")), 4),
             (QStringList{"txtDataBaseLocation", "cmdChange", "cmdCancel", "cmdSave", "txtDataBaseLocation"}));
}

void TestDataBaseLocation::showsTheCurrentFolderAndCannotBeTypedInto()
{
    frmQX_DataBaseLocation dialog;
    QCOMPARE(shownFolder(dialog), QStringLiteral("/srv/agency/"));
    auto *box = control<QLineEdit>(&dialog, QStringLiteral("txtDataBaseLocation"));
    QVERIFY(box->isReadOnly());
    QTest::keyClicks(box, QStringLiteral("/tmp"));
    QCOMPARE(shownFolder(dialog), QStringLiteral("/srv/agency/"));
}

void TestDataBaseLocation::saveWithoutChangeClosesWithoutQuestion()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    press(dialog, "cmdSave");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(storedFolder().toString(), QStringLiteral("/srv/agency/"));
    QVERIFY(!ProgramEnd::programEnding());
}

void TestDataBaseLocation::cancelledPickerLeavesTheFolder()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    press(dialog, "cmdChange");
    QCOMPARE(m_pickerTitle, QStringLiteral("选择数据库路径："));
    QCOMPARE(m_pickerOwner, &dialog);
    QCOMPARE(shownFolder(dialog), QStringLiteral("/srv/agency/"));
    QVERIFY(dialog.isVisible());
}

void TestDataBaseLocation::sameFolderChosenAgainCountsAsChange()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    m_picked = QStringLiteral("/srv/agency");
    press(dialog, "cmdChange");
    QCOMPARE(shownFolder(dialog), QStringLiteral("/srv/agency"));
    MessageScript::expect(question, 68, QStringLiteral("更改数据库路径"), MessageAnswer::No);
    press(dialog, "cmdSave");
    QVERIFY(dialog.isVisible());
}

void TestDataBaseLocation::answeringNoKeepsTheDialogOpen()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    m_picked = QStringLiteral("/media/usb/房源");
    press(dialog, "cmdChange");
    MessageScript::expect(question, 68, QStringLiteral("更改数据库路径"), MessageAnswer::No);
    press(dialog, "cmdSave");
    QVERIFY(dialog.isVisible());
    QCOMPARE(shownFolder(dialog), QStringLiteral("/media/usb/房源"));
    QCOMPARE(storedFolder().toString(), QStringLiteral("/srv/agency/"));
    QCOMPARE(gDBPath, QStringLiteral("/srv/agency/"));
    QVERIFY(!ProgramEnd::programEnding());
}

void TestDataBaseLocation::answeringYesStoresTheFolderAndEndsTheProgram()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    m_picked = QStringLiteral("/media/usb/房源");
    press(dialog, "cmdChange");
    MessageScript::expect(question, 68, QStringLiteral("更改数据库路径"), MessageAnswer::Yes);
    MessageScript::expect(changed, 64, QStringLiteral("重新登录"));
    press(dialog, "cmdSave");
    QVERIFY(!dialog.isVisible());
    QVERIFY(ProgramEnd::programEnding());
    // Stored as chosen; the next start adds the trailing slash.
    QCOMPARE(storedFolder().toString(), QStringLiteral("/media/usb/房源"));
    QCOMPARE(gDBPath, QStringLiteral("/media/usb/房源"));
}

void TestDataBaseLocation::cancelAfterChoosingStoresNothing()
{
    frmQX_DataBaseLocation dialog;
    dialog.show();
    m_picked = QStringLiteral("/");
    press(dialog, "cmdChange");
    QCOMPARE(shownFolder(dialog), QStringLiteral("/"));
    press(dialog, "cmdCancel");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedFolder().toString(), QStringLiteral("/srv/agency/"));
    QCOMPARE(gDBPath, QStringLiteral("/srv/agency/"));
    QVERIFY(!ProgramEnd::programEnding());
}

void TestDataBaseLocation::neitherEnterNorEscPressesAButtonButSpaceDoes()
{
    frmQX_DataBaseLocation dialog;
    m_picked = QStringLiteral("/media/usb");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    press(dialog, "cmdChange");
    for (const char *button : {"cmdSave", "cmdCancel", "cmdChange"}) {
        control<QPushButton>(&dialog, QString::fromLatin1(button))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
    }
    QCOMPARE(storedFolder().toString(), QStringLiteral("/srv/agency/"));
    // Space presses the focused button.
    control<QPushButton>(&dialog, QStringLiteral("cmdCancel"))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestDataBaseLocation)
#include "tst_dblocation.moc"
