#include "screenfit.h"
#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/dblocation/frmQX_DataBaseLocation.h"
#include "forms/quillonixprogram.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
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

// Every English word a user meets in a window: on labels and buttons, in tooltips, column
// headers, choice lists and the columns of a view beside the names. The names of folders
// (the views' first column, the places along the side) are the user's own.
QStringList englishWords(const QWidget *window)
{
    QStringList texts = {window->windowTitle()};
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window))
            continue;
        texts << widget->toolTip();
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            texts << label->text();
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            texts << button->text();
        if (const auto *header = qobject_cast<const QHeaderView *>(widget)) {
            for (int section = 0; section < header->count(); ++section)
                texts << header->model()->headerData(section, header->orientation()).toString();
        }
        const auto *view = qobject_cast<const QAbstractItemView *>(widget);
        if (view && !qobject_cast<const QHeaderView *>(view) && widget->objectName() != QLatin1String("sidebar")) {
            const QAbstractItemModel *model = view->model();
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                for (int column = 1; column < model->columnCount(view->rootIndex()); ++column)
                    texts << model->index(row, column, view->rootIndex()).data().toString();
            }
        }
        const auto *choices = qobject_cast<const QComboBox *>(widget);
        if (choices && !choices->isEditable() && widget->objectName() != QLatin1String("lookInCombo")) {
            for (int entry = 0; entry < choices->count(); ++entry)
                texts << choices->itemText(entry);
        }
    }
    const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList english;
    for (const QString &text : std::as_const(texts)) {
        if (text.contains(word))
            english << text;
    }
    return english;
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
        setFolderPicker([this](QWidget *owner, const QString &title, const QString &start) {
            m_pickerOwner = owner;
            m_pickerTitle = title;
            m_pickerStart = start;
            return m_picked;
        });
    }
    void cleanup()
    {
        setFolderPicker({});
        QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
    }

    void layoutFollowsTheDesign();
    void drawnWholeAtEveryScale_data() { scalesToCheck(); }
    void drawnWholeAtEveryScale();
    void showsTheCurrentFolderAndCannotBeTypedInto();
    void saveWithoutChangeClosesWithoutQuestion();
    void cancelledPickerLeavesTheFolder();
    void pickerSpeaksChineseAndOpensAtTheShownFolder();
    void qtTextsFollowTheUsersLanguageElseChinese_data();
    void qtTextsFollowTheUsersLanguageElseChinese();
    void sameFolderChosenAgainCountsAsChange();
    void answeringNoKeepsTheDialogOpen();
    void answeringYesStoresTheFolderAndEndsTheProgram();
    void cancelAfterChoosingStoresNothing();
    void neitherEnterNorEscPressesAButtonButSpaceDoes();

private:
    QString m_picked;
    QString m_pickerTitle;
    QString m_pickerStart;
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
    const QStringList problems = coveredOrCutOff(&dialog);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
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

void TestDataBaseLocation::pickerSpeaksChineseAndOpensAtTheShownFolder()
{
    const QString agency = TestSandbox::newFolder();
    QVERIFY(QDir(agency).mkdir(QStringLiteral("picture")));
    const QString chosen = TestSandbox::newFolder();
    gDBPath = agency + QLatin1Char('/');
    QuillonixProgram program; // the desk's own folder picker
    frmQX_DataBaseLocation dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList openedAt;
    QStringList english;
    const auto choose = [&](const QString &folder) {
        whenModalShown([&, folder](QWidget *modal) {
            auto *picker = qobject_cast<QFileDialog *>(modal);
            QVERIFY(picker);
            QTRY_VERIFY(picker->isActiveWindow());
            if (folder == chosen) {
                // The folder's own folders are read in the background; then they show.
                auto *view = control<QAbstractItemView>(picker, QStringLiteral("treeView"));
                QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
            }
            openedAt << picker->directory().absolutePath();
            english << englishWords(picker);
            auto *name = control<QLineEdit>(picker, QStringLiteral("fileNameEdit"));
            name->setText(folder);
            QTest::keyClick(name, Qt::Key_Return);
        });
        press(dialog, "cmdChange");
    };
    choose(chosen);
    QCOMPARE(shownFolder(dialog), chosen);
    // Opened again, it starts at the folder chosen last, which the box shows.
    choose(agency);
    QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
    QCOMPARE(openedAt, (QStringList{agency, chosen}));
    QCOMPARE(shownFolder(dialog), agency);
    QTRY_VERIFY(dialog.isActiveWindow());
}

void TestDataBaseLocation::qtTextsFollowTheUsersLanguageElseChinese_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("copy");
    QTest::newRow("no locale") << "C" << "复制(&C)";
    QTest::newRow("English") << "en_US" << "复制(&C)";
    QTest::newRow("Swahili, which Qt does not speak") << "sw_KE" << "复制(&C)";
    QTest::newRow("Simplified Chinese") << "zh_CN" << "复制(&C)";
    QTest::newRow("Traditional Chinese") << "zh_TW" << "複製(&C)";
    QTest::newRow("German") << "de_DE" << "&Kopieren";
}

void TestDataBaseLocation::qtTextsFollowTheUsersLanguageElseChinese()
{
    QFETCH(QString, locale);
    QFETCH(QString, copy);
    QuillonixProgram::translateQtTexts(*qApp, QLocale(locale));
    // The menu a text box offers on a right click.
    QLineEdit box;
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries << action->text().section(QLatin1Char('\t'), 0, 0);
    QuillonixProgram::translateQtTexts(*qApp, QLocale::system());
    QVERIFY2(entries.contains(copy), qPrintable(entries.join(QStringLiteral(" | "))));
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

// Drawn at the main window's scale: open when the scale changes, or opened after, the same.
void TestDataBaseLocation::drawnWholeAtEveryScale()
{
    QFETCH(qreal, factor);
    const QStringList problems = drawnAgainAt<frmQX_DataBaseLocation>(factor);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QCOMPARE(frmQX_DataBaseLocation().size(), QSize(twips(5085), twips(1935)));
}

QTEST_MAIN(TestDataBaseLocation)
#include "tst_dblocation.moc"
