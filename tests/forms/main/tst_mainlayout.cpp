#include "mainwindowfixture.h"
#include "screenfit.h"
#include "testsupport.h"

#include "forms/common/designscale.h"
#include "forms/common/imagebox.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/reportlistview.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QStatusBar>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolTip>

namespace {

// The window's design: every control with its container, place in twips and caption.
// Labels size themselves, so only their top-left corner is given (width and height 0).
struct Designed
{
    const char *name;
    const char *container;
    int left, top, width, height;
    const char *caption;
};

const Designed design[] = {
    {"Frame2", "frmQX_Quillonix", 30, 90, 11805, 735, "搜索条件"},
    {"Frame1", "frmQX_Quillonix", 30, 780, 11805, 2595, ""},
    {"Frame3", "frmQX_Quillonix", 30, 3450, 11835, 2655, "物业资料"},
    {"Frame4", "frmQX_Quillonix", 30, 6180, 4515, 2085, "预选物业(预选满意的物业后将编号告诉工作人员)"},
    {"Frame6", "frmQX_Quillonix", 4590, 6180, 4995, 2085, "物业图片(鼠标双击物业图片可将图片放大)"},
    {"cmdDBLocation", "frmQX_Quillonix", 10230, 6750, 1100, 315, "定位数据库"},
    {"cmdExit", "frmQX_Quillonix", 10230, 7500, 1100, 315, "退出"},
    // Beside the photo frame, above and below the two designed buttons.
    {"cmdPrint", "frmQX_Quillonix", 10230, 6330, 1100, 315, "打印预选"},
    {"cmdNewCustomer", "frmQX_Quillonix", 10230, 7920, 1100, 315, "新客户"},
    {"stbBottom", "frmQX_Quillonix", 0, 8340, 11910, 285, nullptr},
    {"Label3", "Frame2", 210, 330, 0, 0, "区域"},
    {"cmbQy", "Frame2", 660, 270, 1575, 300, nullptr},
    {"Label2", "Frame2", 2460, 330, 0, 0, "物业类别"},
    {"cmbWylb", "Frame2", 3300, 270, 1665, 300, nullptr},
    {"Label4", "Frame2", 5205, 330, 0, 0, "放盘意向"},
    {"optOpen(0)", "Frame2", 6060, 330, 700, 225, "所有"},
    {"optOpen(1)", "Frame2", 6950, 330, 700, 225, "出租"},
    {"optOpen(2)", "Frame2", 7840, 330, 700, 225, "出售"},
    {"optOpen(3)", "Frame2", 8730, 330, 1035, 225, "租售均可"},
    {"cmdSearch", "Frame2", 10500, 270, 915, 315, "检索"},
    {"cmdConditions", "Frame2", 10500, 0, 915, 255, "更多条件"},
    {"lsvHouse", "Frame1", 30, 120, 11745, 2445, nullptr},
    {"lsvHouseSelected", "Frame4", 30, 300, 3015, 1695, nullptr},
    {"cmdSelect", "Frame4", 3360, 540, 915, 315, "预选"},
    {"cmdRemove", "Frame4", 3360, 1020, 915, 315, "移去"},
    {"cmdClear", "Frame4", 3360, 1500, 915, 315, "清空"},
    {"imgHouse", "Frame6", 150, 240, 2625, 1725, nullptr},
    {"Label47", "Frame6", 2940, 240, 0, 0, "图片列表"},
    {"List", "Frame6", 2940, 495, 1965, 1470, nullptr},
    {"List1", "Frame6", 1800, 810, 615, 570, nullptr},
    // The detail panel, row by row: label before, box, label after.
    {"Label48", "Frame3", 150, 300, 0, 0, "物业编号"},
    {"txtFybh", "Frame3", 960, 240, 1545, 270, nullptr},
    {"Label49", "Frame3", 2730, 300, 0, 0, "放盘意向"},
    {"txtFpyx", "Frame3", 3540, 240, 1095, 270, nullptr},
    {"Label83", "Frame3", 4770, 300, 0, 0, "区域"},
    {"txtQy", "Frame3", 5220, 240, 1545, 270, nullptr},
    {"Label84", "Frame3", 6900, 300, 0, 0, "物业类别"},
    {"txtWylb", "Frame3", 7740, 240, 1545, 270, nullptr},
    {"Label85", "Frame3", 9450, 300, 0, 0, "物业类型"},
    {"txtWylx", "Frame3", 10230, 240, 1545, 270, nullptr},
    {"Label81", "Frame3", 150, 635, 0, 0, "物业特点"},
    {"txtWytd", "Frame3", 960, 575, 4065, 270, nullptr},
    {"Label73", "Frame3", 5580, 635, 0, 0, "户型"},
    {"txtWyhx", "Frame3", 6030, 575, 1545, 270, nullptr},
    {"Label76", "Frame3", 7770, 635, 0, 0, "物业名称"},
    {"txtWymc", "Frame3", 8580, 575, 3195, 270, nullptr},
    {"Label70", "Frame3", 150, 970, 0, 0, "建筑面积"},
    {"txtJzmz", "Frame3", 960, 910, 885, 270, nullptr},
    {"Label69", "Frame3", 1920, 970, 0, 0, "平方米"},
    {"Label68", "Frame3", 2730, 970, 0, 0, "实用面积"},
    {"txtSymz", "Frame3", 3540, 910, 885, 270, nullptr},
    {"Label67", "Frame3", 4500, 970, 0, 0, "平方米"},
    {"Label72", "Frame3", 5580, 970, 0, 0, "朝向"},
    {"txtCx", "Frame3", 6030, 910, 1545, 270, nullptr},
    {"txtCh", "Frame3", 7890, 910, 585, 270, nullptr},
    {"Label75", "Frame3", 8580, 970, 0, 0, "厨"},
    {"txtYt", "Frame3", 8970, 910, 585, 270, nullptr},
    {"Label74", "Frame3", 9645, 970, 0, 0, "阳台"},
    {"txtWsj", "Frame3", 10200, 910, 585, 270, nullptr},
    {"Label23", "Frame3", 10875, 970, 0, 0, "卫生间"},
    {"Label66", "Frame3", 510, 1305, 0, 0, "装修"},
    {"txtZx", "Frame3", 960, 1245, 1545, 270, nullptr},
    {"Label24", "Frame3", 3090, 1305, 0, 0, "结构"},
    {"txtJg", "Frame3", 3540, 1245, 1485, 270, nullptr},
    {"Label71", "Frame3", 5580, 1305, 0, 0, "楼龄"},
    {"txtLl", "Frame3", 6030, 1245, 1545, 270, nullptr},
    {"Label62", "Frame3", 7950, 1305, 0, 0, "总楼层"},
    {"txtZlc", "Frame3", 8580, 1245, 855, 270, nullptr},
    {"Label61", "Frame3", 9570, 1305, 0, 0, "层"},
    {"Label60", "Frame3", 10125, 1305, 0, 0, "所在"},
    {"txtLc", "Frame3", 10590, 1245, 855, 270, nullptr},
    {"Label31", "Frame3", 11505, 1305, 0, 0, "层"},
    {"Label65", "Frame3", 150, 1640, 0, 0, "物业设施"},
    {"txtWysx", "Frame3", 960, 1580, 6615, 270, nullptr},
    {"Label30", "Frame3", 7770, 1640, 0, 0, "物业权源"},
    {"txtWyqy", "Frame3", 8580, 1580, 1185, 270, nullptr},
    {"Label29", "Frame3", 9945, 1640, 0, 0, "产权证"},
    {"txtCqz", "Frame3", 10590, 1580, 1185, 270, nullptr},
    {"Label64", "Frame3", 150, 1975, 0, 0, "其他设施"},
    {"txtQtss", "Frame3", 960, 1915, 10815, 270, nullptr},
    {"Label77", "Frame3", 510, 2310, 0, 0, "售价"},
    {"txtSj", "Frame3", 960, 2250, 855, 270, nullptr},
    {"Label28", "Frame3", 1890, 2310, 0, 0, "万元"},
    {"Label78", "Frame3", 2490, 2310, 0, 0, "租价"},
    {"txtZj", "Frame3", 2940, 2250, 855, 270, nullptr},
    {"Label27", "Frame3", 3870, 2310, 0, 0, "元"},
    {"Label26", "Frame3", 4410, 2310, 0, 0, "管理费"},
    {"txtGlf", "Frame3", 5055, 2250, 855, 270, nullptr},
    {"Label25", "Frame3", 6030, 2310, 0, 0, "元"},
    {"Label79", "Frame3", 6630, 2310, 0, 0, "收款要求"},
    {"txtSkyq", "Frame3", 7410, 2250, 1665, 270, nullptr},
    {"Label80", "Frame3", 9300, 2310, 0, 0, "收款方式"},
    {"txtSkfs", "Frame3", 10110, 2250, 1665, 270, nullptr},
};

const QStringList detailBoxes = {
    "txtFybh", "txtFpyx", "txtQy",   "txtWylb", "txtWylx", "txtWytd", "txtWyhx", "txtWymc", "txtJzmz", "txtSymz",
    "txtCx",   "txtCh",   "txtYt",   "txtWsj",  "txtZx",   "txtJg",   "txtLl",   "txtZlc",  "txtLc",   "txtWysx",
    "txtWyqy", "txtCqz",  "txtQtss", "txtSj",   "txtZj",   "txtGlf",  "txtSkyq", "txtSkfs"};

// What a screen reader calls each box, list and button: the label in front of it, the unit
// behind it for the three counts, a button its own caption.
const std::pair<const char *, const char *> accessibleNames[] = {
    {"cmbQy", "区域"},          {"cmbWylb", "物业类别"},    {"optOpen(0)", "所有"},     {"optOpen(1)", "出租"},
    {"optOpen(2)", "出售"},     {"optOpen(3)", "租售均可"}, {"cmdSearch", "检索"},      {"lsvHouse", "检索结果"},
    {"cmdConditions", "更多条件"},
    {"txtFybh", "物业编号"},    {"txtFpyx", "放盘意向"},    {"txtQy", "区域"},          {"txtWylb", "物业类别"},
    {"txtWylx", "物业类型"},    {"txtWytd", "物业特点"},    {"txtWyhx", "户型"},        {"txtWymc", "物业名称"},
    {"txtJzmz", "建筑面积"},    {"txtSymz", "实用面积"},    {"txtCx", "朝向"},          {"txtCh", "厨"},
    {"txtYt", "阳台"},          {"txtWsj", "卫生间"},       {"txtZx", "装修"},          {"txtJg", "结构"},
    {"txtLl", "楼龄"},          {"txtZlc", "总楼层"},       {"txtLc", "所在"},          {"txtWysx", "物业设施"},
    {"txtWyqy", "物业权源"},    {"txtCqz", "产权证"},       {"txtQtss", "其他设施"},    {"txtSj", "售价"},
    {"txtZj", "租价"},          {"txtGlf", "管理费"},       {"txtSkyq", "收款要求"},    {"txtSkfs", "收款方式"},
    {"lsvHouseSelected", "预选物业"}, {"cmdSelect", "预选"}, {"cmdRemove", "移去"},     {"cmdClear", "清空"},
    {"List", "图片列表"},       {"cmdDBLocation", "定位数据库"}, {"cmdExit", "退出"},
    {"cmdPrint", "打印预选"},   {"cmdNewCustomer", "新客户"},
};

QString captionOf(const QWidget *widget)
{
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    return QString();
}

QStringList headers(const ReportListView &list)
{
    QStringList texts;
    for (int column = 0; column < list.model()->columnCount(); ++column)
        texts << list.model()->headerData(column, Qt::Horizontal).toString();
    return texts;
}

QList<int> widths(const ReportListView &list)
{
    QList<int> pixels;
    for (int column = 0; column < list.model()->columnCount(); ++column)
        pixels << list.header()->sectionSize(column);
    return pixels;
}

} // namespace

class TestMainLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void everyControlStandsInItsDesignedPlace();
    void windowHasOnlyItsCaptionInTheTitleBar();
    void listsShowTheirColumnHeaders();
    void detailBoxesAreReadOnlyButSelectable();
    void everyBoxListAndButtonIsNamedForAScreenReader();
    void tabVisitsTheFortySixStopsAndReturns();
    void everyNewCommandHasAWayInAndATipNamingItsShortcut_data();
    void everyNewCommandHasAWayInAndATipNamingItsShortcut();
    void neitherEnterNorEscPressesAButton();
    void noTooltipCoversTheListsRows_data();
    void noTooltipCoversTheListsRows();
    void controlsStayAndTheStatusBarFollowsALargerWindow();
    void designStateBeforeLoading();
    void drawnWholeAtTheLargestScaleThatFits_data();
    void drawnWholeAtTheLargestScaleThatFits();
    void followsTheScreenItIsMovedTo();
    void scaleFollowsTheSetting_data();
    void scaleFollowsTheSetting();
};

void TestMainLayout::everyControlStandsInItsDesignedPlace()
{
    frmQX_Quillonix window;
    QCOMPARE(window.size(), designedRect(0, 0, 11910, 8625).size());
    QStringList problems;
    for (const Designed &control : design) {
        const QString name = QString::fromLatin1(control.name);
        const QWidget *widget = window.findChild<QWidget *>(name);
        if (!widget) {
            problems << name + QStringLiteral(" missing");
            continue;
        }
        if (widget->parentWidget()->objectName() != QLatin1String(control.container))
            problems << name + QStringLiteral(" in ") + widget->parentWidget()->objectName();
        const QRect expected = designedRect(control.left, control.top, control.width, control.height);
        const QRect actual = control.width ? widget->geometry() : QRect(widget->pos(), QSize());
        if (actual != (control.width ? expected : QRect(expected.topLeft(), QSize())))
            problems << QStringLiteral("%1 at %2,%3 %4x%5")
                            .arg(name)
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(actual.width())
                            .arg(actual.height());
        if (control.caption && captionOf(widget) != QString::fromUtf8(control.caption))
            problems << name + QStringLiteral(" says ") + captionOf(widget);
        // A label sizes itself to its caption: 12 pixels a character in the program's font,
        // and one character high, so that it stands level with the box beside it.
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const int characters = int(label->text().size());
            if (label->size() != QSize(12 * characters, 12))
                problems << QStringLiteral("%1 is %2x%3 pixels").arg(name).arg(label->width()).arg(label->height());
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QVERIFY(control<QWidget>(&window, QStringLiteral("List1"))->isHidden());
    QCOMPARE(control<ImageBox>(&window, QStringLiteral("imgHouse"))->toolTip(), QStringLiteral("鼠标双击放大图片"));
    QCOMPARE(control<QGroupBox>(&window, QStringLiteral("Frame3"))->palette().color(QPalette::WindowText),
             QColor(0x40, 0x40, 0x40));
    QCOMPARE(control<QLabel>(&window, QStringLiteral("Label4"))->palette().color(QPalette::WindowText),
             QColor(0x40, 0x40, 0x40));
}

void TestMainLayout::windowHasOnlyItsCaptionInTheTitleBar()
{
    frmQX_Quillonix window;
    QCOMPARE(window.windowTitle(), QStringLiteral("- 查看房源 -"));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                       | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window.minimumSize(), window.maximumSize());
}

void TestMainLayout::listsShowTheirColumnHeaders()
{
    frmQX_Quillonix window;
    const auto *results = control<ReportListView>(&window, QStringLiteral("lsvHouse"));
    QCOMPARE(headers(*results), (QStringList{"编号", "放盘意向", "物业名称", "物业权源", "户型", "建筑面积", "所在楼层",
                                             "朝向", "租价", "售价"}));
    QList<int> expected;
    for (int twips : {1200, 900, 2900, 1000, 1000, 1000, 1000, 800, 800, 800})
        expected << designedRect(twips, 0, 0, 0).x();
    QCOMPARE(widths(*results), expected);
    QVERIFY(!results->header()->isHidden());
    QCOMPARE(results->rowCount(), 0);

    const auto *shortList = control<ReportListView>(&window, QStringLiteral("lsvHouseSelected"));
    QCOMPARE(headers(*shortList), (QStringList{"物业编号", "放盘意向"}));
    QCOMPARE(widths(*shortList), (QList<int>{designedRect(1400, 0, 0, 0).x(), designedRect(1300, 0, 0, 0).x()}));
    QCOMPARE(shortList->palette().color(QPalette::Base), QColor(Qt::white));
}

void TestMainLayout::everyBoxListAndButtonIsNamedForAScreenReader()
{
    frmQX_Quillonix window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList named;
    QStringList problems;
    for (const auto &[name, expected] : accessibleNames) {
        named << QString::fromLatin1(name);
        const QString heard = accessibleName(control<QWidget>(&window, named.last()));
        if (heard != QString::fromUtf8(expected))
            problems << named.last() + QStringLiteral(" is called ") + heard;
    }
    // No box, list or button of the window is left out.
    const QList<QWidget *> controls = window.findChildren<QWidget *>();
    for (const QWidget *widget : controls) {
        const bool namedKind = qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)
                               || qobject_cast<const QAbstractItemView *>(widget)
                               || qobject_cast<const QAbstractButton *>(widget);
        if (namedKind && widget->isVisible() && !widget->objectName().isEmpty() && !named.contains(widget->objectName()))
            problems << widget->objectName() + QStringLiteral(" is not expected");
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

void TestMainLayout::detailBoxesAreReadOnlyButSelectable()
{
    frmQX_Quillonix window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const QString &name : detailBoxes) {
        auto *box = control<QLineEdit>(&window, name);
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->palette().color(QPalette::Base), QColor(0xF2, 0xF3, 0xE4));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(0x00, 0x00, 0x80));
        box->setText(QStringLiteral("天河区"));
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("x"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("天河区"));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->selectedText(), QStringLiteral("天河区"));
    }
}

void TestMainLayout::tabVisitsTheFortySixStopsAndReturns()
{
    frmQX_Quillonix window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QStringList tabOrder = {"cmbQy", "cmbWylb", "optOpen(0)", "optOpen(1)", "optOpen(2)", "optOpen(3)",
                            "cmdConditions", "cmdSearch", "lsvHouse"};
    tabOrder << detailBoxes;
    // The buttons beside the photo frame from top to bottom.
    tabOrder << QStringList{"lsvHouseSelected", "cmdSelect", "cmdRemove", "cmdClear", "List",
                            "cmdPrint",         "cmdDBLocation", "cmdExit", "cmdNewCustomer"};
    QCOMPARE(tabOrder.size(), 46);

    // The tab order as set: every control that takes the focus, in this order, nothing else.
    QStringList chain;
    for (QWidget *widget = control<QWidget>(&window, QStringLiteral("cmbQy"));;) {
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisibleTo(&window))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
        if (widget->objectName() == QLatin1String("cmbQy"))
            break;
    }
    QCOMPARE(chain, tabOrder);

    // Pressing Tab: the option group is one stop, at its selected button; the arrow keys
    // move within the group. List1 is never reached.
    QStringList walk = tabOrder;
    walk.removeAll(QStringLiteral("optOpen(1)"));
    walk.removeAll(QStringLiteral("optOpen(2)"));
    walk.removeAll(QStringLiteral("optOpen(3)"));
    walk << QStringLiteral("cmbQy");
    // Nothing to print while the short list is empty: the button is off, and passed over.
    QStringList walkWithoutPrint = walk;
    walkWithoutPrint.removeAll(QStringLiteral("cmdPrint"));
    QCOMPARE(tabWalk(control<QWidget>(&window, QStringLiteral("cmbQy")), 42), walkWithoutPrint);
    control<ReportListView>(&window, QStringLiteral("lsvHouseSelected"))
        ->rows()
        .appendRow({QStringLiteral("A1"), QStringLiteral("出租")}, QStringLiteral("A1"));
    QCOMPARE(tabWalk(control<QWidget>(&window, QStringLiteral("cmbQy")), 43), walk);
    auto *any = control<QAbstractButton>(&window, QStringLiteral("optOpen(0)"));
    any->setFocus(Qt::TabFocusReason);
    QTest::keyClick(any, Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optOpen(1)"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdConditions"));
}

void TestMainLayout::neitherEnterNorEscPressesAButton()
{
    MainWindowFixture main;
    // Found by no search: a search would say so.
    main.listings().addHouse(QStringLiteral("A1"), {{"wyzt", 0}});
    frmQX_Quillonix &window = main.open();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    main.shortList().rows().appendRow({QStringLiteral("A1"), QStringLiteral("出租")}, QStringLiteral("A1"));
    // Any button pressed would show a prompt, a preview or a message, or empty the short list.
    for (const char *name : {"cmdSearch", "cmdSelect", "cmdRemove", "cmdClear", "cmdPrint", "cmdNewCustomer",
                             "cmdDBLocation", "cmdExit"}) {
        auto *button = control<QWidget>(&window, QString::fromLatin1(name));
        button->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(button, key);
    }
    QTest::qWait(50);
    QCOMPARE(main.shortList().rowCount(), 1);
    QVERIFY(MessageScript::seen().isEmpty());
    QVERIFY(window.isVisible());
}

void TestMainLayout::everyNewCommandHasAWayInAndATipNamingItsShortcut_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menuOf");
    QTest::newRow("新客户") << "mnuNewCustomer" << "新客户" << "Ctrl+N" << "cmdNewCustomer" << "";
    QTest::newRow("打印预选") << "mnuPrint" << "打印预选" << "Ctrl+P" << "cmdPrint" << "lsvHouseSelected";
    QTest::newRow("对比") << "mnuCompare" << "对比" << "Ctrl+D" << "" << "lsvHouseSelected";
    QTest::newRow("按编号查找") << "mnuFindListing" << "按编号查找" << "Ctrl+G" << "" << "lsvHouse";
}

void TestMainLayout::everyNewCommandHasAWayInAndATipNamingItsShortcut()
{
    QFETCH(QString, command);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(QString, button);
    QFETCH(QString, menuOf);
    frmQX_Quillonix window;
    auto *action = window.findChild<QAction *>(command);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QVERIFY2(action->toolTip().contains(shortcut), qPrintable(action->toolTip()));
    // The shortcut works wherever the keyboard is in the window.
    QVERIFY(window.actions().contains(action));
    if (!button.isEmpty()) {
        auto *pressed = control<QAbstractButton>(&window, button);
        QCOMPARE(pressed->text(), text);
        QVERIFY2(pressed->toolTip().contains(shortcut), qPrintable(pressed->toolTip()));
    }
    if (!menuOf.isEmpty()) {
        // A right click on the list opens its menu with the command, its shortcut beside it.
        auto *list = control<ReportListView>(&window, menuOf);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList offered;
        QTimer::singleShot(0, &window, [&offered] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (const QAction *entry : menu->actions()) {
                if (entry->isShortcutVisibleInContextMenu())
                    offered << entry->text() + QLatin1Char('\t') + entry->shortcut().toString();
            }
            menu->close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 40), list->viewport()->mapToGlobal(QPoint(20, 40)));
        QApplication::sendEvent(list->viewport(), &click);
        QVERIFY2(offered.contains(text + QLatin1Char('\t') + shortcut), qPrintable(offered.join(QLatin1Char(' '))));
    }
}

void TestMainLayout::noTooltipCoversTheListsRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    QTest::newRow("the hits") << "lsvHouse" << "";
    QTest::newRow("the short list") << "lsvHouseSelected" << "";
    // Where a tip helps and covers nothing, it stays.
    QTest::newRow("the photo") << "imgHouse" << "鼠标双击放大图片";
    QTest::newRow("新客户") << "cmdNewCustomer" << "清空预选物业、检索结果和物业资料，接待下一位客户（Ctrl+N）";
}

void TestMainLayout::noTooltipCoversTheListsRows()
{
    QFETCH(QString, name);
    QFETCH(QString, tip);
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    for (ReportListView *list : {&main.results(), &main.shortList()})
        list->rows().appendRow({QStringLiteral("A1"), QStringLiteral("出租")}, QStringLiteral("A1"));
    // The pointer rests over the control: over a list's first row.
    QWidget *under = control<QWidget>(&window, name);
    QPoint resting = under->rect().center();
    if (auto *list = qobject_cast<ReportListView *>(under)) {
        under = list->viewport();
        resting = list->visualRect(list->model()->index(0, 0)).center();
    }
    QToolTip::hideText();
    QHelpEvent rest(QEvent::ToolTip, resting, under->mapToGlobal(resting));
    QApplication::sendEvent(under, &rest);
    if (tip.isEmpty()) {
        QTest::qWait(100);
        QVERIFY2(!QToolTip::isVisible(), qPrintable(QToolTip::text()));
    } else {
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tip);
    }
    QToolTip::hideText();
}

void TestMainLayout::controlsStayAndTheStatusBarFollowsALargerWindow()
{
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    const QRect screen = window.screen()->geometry();
    QTRY_COMPARE(window.frameGeometry(), screen);
    const auto *bar = control<QStatusBar>(&window, QStringLiteral("stbBottom"));
    QCOMPARE(bar->geometry(), QRect(0, window.height() - designedRect(0, 0, 0, 285).height(), window.width(),
                                    designedRect(0, 0, 0, 285).height()));
    QCOMPARE(control<QWidget>(&window, QStringLiteral("cmdExit"))->geometry(), designedRect(10230, 7500, 1100, 315));
    QCOMPARE(control<QWidget>(&window, QStringLiteral("Frame3"))->geometry(), designedRect(30, 3450, 11835, 2655));

    // A window larger than its design, at the same scale: the controls keep their place; only
    // the bar moves and widens.
    window.setFixedSize(1200, 900);
    QCOMPARE(bar->geometry(), QRect(0, 900 - designedRect(0, 0, 0, 285).height(), 1200,
                                    designedRect(0, 0, 0, 285).height()));
    QCOMPARE(control<QWidget>(&window, QStringLiteral("cmdExit"))->geometry(), designedRect(10230, 7500, 1100, 315));
    QCOMPARE(control<QWidget>(&window, QStringLiteral("lsvHouse"))->geometry(), designedRect(30, 120, 11745, 2445));
    const QList<QLabel *> panels = bar->findChildren<QLabel *>();
    QCOMPARE(panels.size(), 4);
    QList<int> panelWidths;
    for (const QLabel *panel : panels)
        panelWidths << panel->width();
    QCOMPARE(panelWidths, (QList<int>{designedRect(3600, 0, 0, 0).x(), designedRect(4250, 0, 0, 0).x(),
                                      designedRect(2000, 0, 0, 0).x(), designedRect(1995, 0, 0, 0).x()}));
}

void TestMainLayout::designStateBeforeLoading()
{
    frmQX_Quillonix window;
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtWysx"))->text(),
             QStringLiteral("电话、电视机、冰箱、洗衣机、空调、暖气、家具、管道煤气、电梯"));
    QVERIFY(control<QAbstractButton>(&window, QStringLiteral("optOpen(0)"))->isChecked());
    QVERIFY(!control<ImageBox>(&window, QStringLiteral("imgHouse"))->hasPicture());
    QCOMPARE(control<QListWidget>(&window, QStringLiteral("List"))->count(), 0);
    auto *timer = window.findChild<QTimer *>(QStringLiteral("tmQuillonix"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    const auto *bar = control<QStatusBar>(&window, QStringLiteral("stbBottom"));
    const QList<QLabel *> panels = bar->findChildren<QLabel *>();
    QVERIFY(!panels.at(0)->text().isEmpty());
    QVERIFY(panels.at(1)->text().isEmpty());
}

namespace {

QScreen *screenNamed(const QString &name)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

// Whether the window covers area, to the pixel that rounding its frame at a fractional
// device pixel ratio may take.
bool covers(const QWidget &window, const QRect &area)
{
    const QRect covered = window.frameGeometry();
    return qAbs(covered.left() - area.left()) <= 1 && qAbs(covered.top() - area.top()) <= 1
           && qAbs(covered.right() - area.right()) <= 1 && qAbs(covered.bottom() - area.bottom()) <= 1;
}

// The window moved to a screen, as a person drags it there or the system puts it there.
void moveTo(QWidget &window, QScreen *screen)
{
    window.windowHandle()->setScreen(screen);
    window.show();
    QTRY_COMPARE(window.screen(), screen);
    QTRY_VERIFY2(covers(window, screen->availableGeometry()), qPrintable(screen->name()));
}

// Where the design puts each box of the detail panel, as fractions of the panel's size.
QMap<QString, QRectF> designedDetailPlaces()
{
    QMap<QString, QRectF> places;
    const Designed *panel = nullptr;
    for (const Designed &control : design) {
        if (QLatin1String(control.name) == QLatin1String("Frame3"))
            panel = &control;
    }
    const qreal width = panel->width;
    const qreal height = panel->height;
    for (const Designed &control : design) {
        if (QLatin1String(control.container) == QLatin1String("Frame3") && control.width > 0) {
            places.insert(QString::fromLatin1(control.name), QRectF(control.left / width, control.top / height,
                                                                    control.width / width, control.height / height));
        }
    }
    return places;
}

} // namespace

void TestMainLayout::drawnWholeAtTheLargestScaleThatFits_data()
{
    // Each screen of the platform (the test runs on screens from 800 x 600 to 3840 x 2160 at
    // device pixel ratios from 1 to 4, named so).
    QTest::addColumn<QString>("screen");
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        QTest::newRow(qPrintable(screen->name())) << screen->name();
}

void TestMainLayout::drawnWholeAtTheLargestScaleThatFits()
{
    QFETCH(QString, screen);
    QScreen *shownOn = screenNamed(screen);
    QVERIFY(shownOn);
    MainWindowFixture main;
    frmQX_Quillonix &window = main.openWithAListing();
    moveTo(window, shownOn);
    const QSize room = shownOn->availableGeometry().size().shrunkBy(window.windowHandle()->frameMargins());
    const qreal fitting = DesignScale::fitting(room);
    QCOMPARE(DesignScale::factor(), fitting);
    // The whole design fits, and its controls span nearly all of the screen's width or height.
    const QSize drawnDesign(twips(DesignScale::designedClientArea.width()), twips(DesignScale::designedClientArea.height()));
    QVERIFY(room.width() >= drawnDesign.width() && room.height() >= drawnDesign.height());
    const qreal spanned = screenSpanned(&window);
    QVERIFY2(spanned >= 0.9, qPrintable(QString::number(spanned)));
    // Text laid out at the scaled size.
    QCOMPARE(window.font().pointSizeF(), 9 * fitting);
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtWymc"))->font().pointSizeF(), 9 * fitting);
    const QStringList problems = coveredOrCutOff(&window);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    // Within 1 %, or on a panel too small for 1 % to be much of a pixel, within the pixel and a
    // half that rounding a box's edge and the panel's size takes.
    const qreal rounding = 1.5 / control<QWidget>(&window, QStringLiteral("Frame3"))->height();
    const QStringList moved
        = placesDiffer(designedDetailPlaces(), detailBoxesInPanel(&window), qMax(0.01, rounding));
    QVERIFY2(moved.isEmpty(), qPrintable(moved.join(QStringLiteral("; "))));
    // What the screen it was made for shows, as designed.
    if (shownOn->size() == QSize(800, 600)) {
        QCOMPARE(fitting, 1.0);
        QCOMPARE(control<QWidget>(&window, QStringLiteral("Frame3"))->geometry(), designedRect(30, 3450, 11835, 2655));
    }
}

void TestMainLayout::followsTheScreenItIsMovedTo()
{
    QScreen *small = screenNamed(QStringLiteral("800x600@1"));
    QScreen *large = screenNamed(QStringLiteral("3840x2160@2"));
    QScreen *wide = screenNamed(QStringLiteral("1366x768@1.25"));
    if (!small || !large || !wide)
        QSKIP("the platform has no screens of these sizes");
    MainWindowFixture main;
    frmQX_Quillonix &window = main.openWithAListing();
    const auto *exitButton = control<QWidget>(&window, QStringLiteral("cmdExit"));
    const auto *bar = control<QWidget>(&window, QStringLiteral("stbBottom"));
    for (QScreen *screen : {small, large, wide, small}) {
        moveTo(window, screen);
        const QSize room = screen->availableGeometry().size().shrunkBy(window.windowHandle()->frameMargins());
        QCOMPARE(DesignScale::factor(), DesignScale::fitting(room));
        QCOMPARE(exitButton->geometry(), pixels(twipsRect(10230, 7500, 1100, 315)));
        QCOMPARE(bar->geometry(), QRect(0, window.height() - twips(285), window.width(), twips(285)));
        const QStringList problems = coveredOrCutOff(&window);
        QVERIFY2(problems.isEmpty(), qPrintable(screen->name() + QLatin1Char(' ') + problems.join(QStringLiteral("; "))));
    }
    // Back on the screen it was made for: the designed pixels, as before the moves.
    QCOMPARE(exitButton->geometry(), designedRect(10230, 7500, 1100, 315));
    QCOMPARE(control<QWidget>(&window, QStringLiteral("Label69"))->size(), QSize(36, 12));
}

void TestMainLayout::scaleFollowsTheSetting_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qreal>("factor"); // 0 for the fitting scale
    QTest::newRow("absent: fit") << QVariant() << 0.0;
    QTest::newRow("fit") << QVariant(QStringLiteral("fit")) << 0.0;
    QTest::newRow("1: the designed pixels") << QVariant(QStringLiteral("1")) << 1.0;
    QTest::newRow("1.5 with blanks") << QVariant(QStringLiteral(" 1.5 ")) << 1.5;
    QTest::newRow("too small") << QVariant(QStringLiteral("0.1")) << 0.5;
    QTest::newRow("too large") << QVariant(QStringLiteral("20")) << 8.0;
    QTest::newRow("not a number") << QVariant(QStringLiteral("大")) << 0.0;
}

void TestMainLayout::scaleFollowsTheSetting()
{
    QFETCH(QVariant, stored);
    QFETCH(qreal, factor);
    QScreen *screen = screenNamed(QStringLiteral("1920x1080@1"));
    if (!screen)
        QSKIP("the platform has no 1920 x 1080 screen");
    if (stored.isValid()) {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"), QStringLiteral("quillonix"))
            .setValue(QStringLiteral("quillonixSave/scale"), stored);
    }
    MainWindowFixture main;
    frmQX_Quillonix &window = main.open();
    moveTo(window, screen);
    const QSize room = screen->availableGeometry().size().shrunkBy(window.windowHandle()->frameMargins());
    const qreal expected = factor > 0 ? factor : DesignScale::fitting(room);
    QCOMPARE(DesignScale::factor(), expected);
    QCOMPARE(QApplication::font().pointSizeF(), 9 * expected);
    const QRect designed = designedRect(30, 3450, 11835, 2655);
    const QRect drawn = control<QWidget>(&window, QStringLiteral("Frame3"))->geometry();
    QCOMPARE(drawn, factor == 1.0 ? designed : pixels(twipsRect(30, 3450, 11835, 2655)));
    // The window still covers the screen, whatever the scale.
    QVERIFY(covers(window, screen->availableGeometry()));
}

QTEST_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
