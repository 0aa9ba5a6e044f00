#include "forms/main/mainlayout.h"

#include "forms/common/controls.h"
#include "forms/common/imagebox.h"
#include "forms/main/reportlistview.h"
#include "forms/main/statuspanels.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <limits>

namespace {

const QColor navy(0x00, 0x00, 0x80);
const QColor beige(0xF2, 0xF3, 0xE4);
const QColor darkGrey(0x40, 0x40, 0x40);

// One detail box with the label in front of it and, for a value with a unit, the label
// behind it. Positions in twips, measured in the frame; tops come from the row.
struct DetailBoxDesign
{
    int row;
    const char *labelBefore;
    const char *captionBefore;
    int labelBeforeLeft;
    const char *box;
    int boxLeft;
    int boxWidth;
    const char *labelAfter;
    const char *captionAfter;
    int labelAfterLeft;
};

const DetailBoxDesign detailDesign[MainLayout::detailBoxCount] = {
    {1, "Label48", "物业编号", 150, "txtFybh", 960, 1545, nullptr, nullptr, 0},
    {1, "Label49", "放盘意向", 2730, "txtFpyx", 3540, 1095, nullptr, nullptr, 0},
    {1, "Label83", "区域", 4770, "txtQy", 5220, 1545, nullptr, nullptr, 0},
    {1, "Label84", "物业类别", 6900, "txtWylb", 7740, 1545, nullptr, nullptr, 0},
    {1, "Label85", "物业类型", 9450, "txtWylx", 10230, 1545, nullptr, nullptr, 0},
    {2, "Label81", "物业特点", 150, "txtWytd", 960, 4065, nullptr, nullptr, 0},
    {2, "Label73", "户型", 5580, "txtWyhx", 6030, 1545, nullptr, nullptr, 0},
    {2, "Label76", "物业名称", 7770, "txtWymc", 8580, 3195, nullptr, nullptr, 0},
    {3, "Label70", "建筑面积", 150, "txtJzmz", 960, 885, "Label69", "平方米", 1920},
    {3, "Label68", "实用面积", 2730, "txtSymz", 3540, 885, "Label67", "平方米", 4500},
    {3, "Label72", "朝向", 5580, "txtCx", 6030, 1545, nullptr, nullptr, 0},
    {3, nullptr, nullptr, 0, "txtCh", 7890, 585, "Label75", "厨", 8580},
    {3, nullptr, nullptr, 0, "txtYt", 8970, 585, "Label74", "阳台", 9645},
    {3, nullptr, nullptr, 0, "txtWsj", 10200, 585, "Label23", "卫生间", 10875},
    {4, "Label66", "装修", 510, "txtZx", 960, 1545, nullptr, nullptr, 0},
    {4, "Label24", "结构", 3090, "txtJg", 3540, 1485, nullptr, nullptr, 0},
    {4, "Label71", "楼龄", 5580, "txtLl", 6030, 1545, nullptr, nullptr, 0},
    {4, "Label62", "总楼层", 7950, "txtZlc", 8580, 855, "Label61", "层", 9570},
    {4, "Label60", "所在", 10125, "txtLc", 10590, 855, "Label31", "层", 11505},
    {5, "Label65", "物业设施", 150, "txtWysx", 960, 6615, nullptr, nullptr, 0},
    {5, "Label30", "物业权源", 7770, "txtWyqy", 8580, 1185, nullptr, nullptr, 0},
    {5, "Label29", "产权证", 9945, "txtCqz", 10590, 1185, nullptr, nullptr, 0},
    {6, "Label64", "其他设施", 150, "txtQtss", 960, 10815, nullptr, nullptr, 0},
    {7, "Label77", "售价", 510, "txtSj", 960, 855, "Label28", "万元", 1890},
    {7, "Label78", "租价", 2490, "txtZj", 2940, 855, "Label27", "元", 3870},
    {7, "Label26", "管理费", 4410, "txtGlf", 5055, 855, "Label25", "元", 6030},
    {7, "Label79", "收款要求", 6630, "txtSkyq", 7410, 1665, nullptr, nullptr, 0},
    {7, "Label80", "收款方式", 9300, "txtSkfs", 10110, 1665, nullptr, nullptr, 0},
};

const int detailRowTops[7] = {240, 575, 910, 1245, 1580, 1915, 2250};

QGroupBox *placeFrame(QWidget *form, const QString &name, const QString &caption, const TwipsRect &designed)
{
    auto *frame = placeControl<QGroupBox>(form, name, designed, caption);
    // The caption sits in the frame's top line, and the line runs close to the frame's top.
    DesignScale::setStyleSheet(frame,
                               QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                                              "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    return frame;
}

void setTextColour(QWidget *control, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

QLabel *placeColouredLabel(QWidget *frame, const char *name, const char *caption, int left, int top,
                           QPalette::ColorRole colourRole)
{
    QLabel *label = placeLabel(frame, QString::fromLatin1(name), QString::fromUtf8(caption), left, top);
    setTextColour(label, QPalette::WindowText, label->palette().color(colourRole));
    return label;
}

} // namespace

MainLayout::MainLayout(QWidget *form)
{
    Frame2 = placeFrame(form, QStringLiteral("Frame2"), QStringLiteral("搜索条件"), twipsRect(30, 90, 11805, 735));
    Frame1 = placeFrame(form, QStringLiteral("Frame1"), QString(), twipsRect(30, 780, 11805, 2595));
    Frame3 = placeFrame(form, QStringLiteral("Frame3"), QStringLiteral("物业资料"), twipsRect(30, 3450, 11835, 2655));
    setTextColour(Frame3, QPalette::WindowText, darkGrey);
    Frame4 = placeFrame(form, QStringLiteral("Frame4"), QStringLiteral("预选物业(预选满意的物业后将编号告诉工作人员)"),
                        twipsRect(30, 6180, 4515, 2085));
    Frame6 = placeFrame(form, QStringLiteral("Frame6"), QStringLiteral("物业图片(鼠标双击物业图片可将图片放大)"),
                        twipsRect(4590, 6180, 4995, 2085));

    buildSearchBar();
    buildResultList();
    buildDetailPanel();
    buildShortList();
    buildPhotoArea();

    cmdDBLocation = placeControl<QPushButton>(form, QStringLiteral("cmdDBLocation"), twipsRect(10230, 6750, 1100, 315),
                                              QStringLiteral("定位数据库"));
    cmdExit = placeControl<QPushButton>(form, QStringLiteral("cmdExit"), twipsRect(10230, 7500, 1100, 315),
                                        QStringLiteral("退出"));

    buildCommands(form);

    tmQuillonix = new QTimer(form);
    tmQuillonix->setObjectName(QStringLiteral("tmQuillonix"));
    tmQuillonix->setInterval(1000);

    // Along the window's bottom edge, however large the window is: the window places it.
    stbBottom = new StatusPanels(form);
    stbBottom->setObjectName(QStringLiteral("stbBottom"));

    setTabOrder();
}

void MainLayout::buildSearchBar()
{
    QLabel *label3 = placeColouredLabel(Frame2, "Label3", "区域", 210, 330, QPalette::ButtonText);
    cmbQy = placeControl<QComboBox>(Frame2, QStringLiteral("cmbQy"), twipsRect(660, 270, 1575, 300));
    labelFor(label3, cmbQy);
    QLabel *label2 = placeColouredLabel(Frame2, "Label2", "物业类别", 2460, 330, QPalette::ButtonText);
    cmbWylb = placeControl<QComboBox>(Frame2, QStringLiteral("cmbWylb"), twipsRect(3300, 270, 1665, 300));
    labelFor(label2, cmbWylb);
    QLabel *label4 = placeLabel(Frame2, QStringLiteral("Label4"), QStringLiteral("放盘意向"), 5205, 330);
    setTextColour(label4, QPalette::WindowText, darkGrey);

    const char *captions[4] = {"所有", "出租", "出售", "租售均可"};
    const int lefts[4] = {6060, 6950, 7840, 8730};
    const int widths[4] = {700, 700, 700, 1035};
    for (int index = 0; index < 4; ++index) {
        optOpen[size_t(index)] = placeControl<QRadioButton>(
            Frame2, QStringLiteral("optOpen(%1)").arg(index), twipsRect(lefts[index], 330, widths[index], 225),
            QString::fromUtf8(captions[index]));
    }
    optOpen[0]->setChecked(true);
    cmdSearch = placeControl<QPushButton>(Frame2, QStringLiteral("cmdSearch"), twipsRect(10500, 270, 915, 315),
                                          QStringLiteral("检索"));

    // The frame's top line, after its caption and above the designed choices, is free.
    lblConditions = placeControl<QLabel>(Frame2, QStringLiteral("lblConditions"), twipsRect(900, 0, 9480, 210));
    lblConditions->setAutoFillBackground(true);
    setTextColour(lblConditions, QPalette::WindowText, navy);
    lblConditions->setTextFormat(Qt::PlainText);
    cmdConditions = placeControl<QPushButton>(Frame2, QStringLiteral("cmdConditions"), twipsRect(10500, 0, 915, 255),
                                              QStringLiteral("更多条件"));
}

void MainLayout::buildResultList()
{
    const QVector<ReportListView::Column> columns = {
        {QStringLiteral("编号"), 1200},     {QStringLiteral("放盘意向"), 900}, {QStringLiteral("物业名称"), 2900},
        {QStringLiteral("物业权源"), 1000}, {QStringLiteral("户型"), 1000},     {QStringLiteral("建筑面积"), 1000},
        {QStringLiteral("所在楼层"), 1000}, {QStringLiteral("朝向"), 800},      {QStringLiteral("租价"), 800},
        {QStringLiteral("售价"), 800},
    };
    lsvHouse = placeControl<ReportListView>(Frame1, QStringLiteral("lsvHouse"), twipsRect(30, 120, 11745, 2445), columns);
    // No label names the hits: a screen reader calls them after the button that finds them.
    lsvHouse->setAccessibleName(QStringLiteral("检索结果"));
}

void MainLayout::buildDetailPanel()
{
    for (int i = 0; i < detailBoxCount; ++i) {
        const DetailBoxDesign &design = detailDesign[i];
        const int boxTop = detailRowTops[design.row - 1];
        const int labelTop = boxTop + 60;
        QLabel *before = nullptr;
        if (design.labelBefore) {
            before = placeColouredLabel(Frame3, design.labelBefore, design.captionBefore, design.labelBeforeLeft,
                                        labelTop, QPalette::WindowText);
        }
        auto *box = placeControl<QLineEdit>(Frame3, QString::fromLatin1(design.box),
                                            twipsRect(design.boxLeft, boxTop, design.boxWidth, 270));
        box->setReadOnly(true);
        // A memo is shown whole: a line edit would cut it at 32 767 characters.
        box->setMaxLength(std::numeric_limits<int>::max());
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, beige);
        palette.setColor(QPalette::Text, navy);
        box->setPalette(palette);
        box->setTextMargins(0, 0, 0, 0);
        detailBoxes[size_t(i)] = box;
        QLabel *after = nullptr;
        if (design.labelAfter) {
            after = placeColouredLabel(Frame3, design.labelAfter, design.captionAfter, design.labelAfterLeft,
                                       labelTop, QPalette::WindowText);
        }
        // The label in front names the box for a screen reader; the three counts of row 3
        // have none and are named by their unit (厨, 阳台, 卫生间).
        labelFor(before ? before : after, box);
    }
    txtWysx = detailBox(QStringLiteral("txtWysx"));
    // The longest facilities line a listing can have, until the window loads.
    txtWysx->setText(QStringLiteral("电话、电视机、冰箱、洗衣机、空调、暖气、家具、管道煤气、电梯"));
}

QLineEdit *MainLayout::detailBox(const QString &name) const
{
    for (QLineEdit *box : detailBoxes) {
        if (box->objectName() == name)
            return box;
    }
    return nullptr;
}

void MainLayout::buildShortList()
{
    const QVector<ReportListView::Column> columns = {{QStringLiteral("物业编号"), 1400},
                                                     {QStringLiteral("放盘意向"), 1300}};
    lsvHouseSelected = placeControl<ReportListView>(Frame4, QStringLiteral("lsvHouseSelected"),
                                                    twipsRect(30, 300, 3015, 1695), columns);
    // Named by the head of its frame's caption, without the advice in brackets.
    lsvHouseSelected->setAccessibleName(QStringLiteral("预选物业"));
    // Several listings are chosen at once to be compared; 移去 and a click take the first.
    lsvHouseSelected->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A listing's mark after its offer type is what must show in the narrow column.
    lsvHouseSelected->setTextElideMode(Qt::ElideLeft);
    QPalette palette = lsvHouseSelected->palette();
    palette.setColor(QPalette::Base, Qt::white);
    lsvHouseSelected->setPalette(palette);
    cmdSelect = placeControl<QPushButton>(Frame4, QStringLiteral("cmdSelect"), twipsRect(3360, 540, 915, 315),
                                          QStringLiteral("预选"));
    cmdRemove = placeControl<QPushButton>(Frame4, QStringLiteral("cmdRemove"), twipsRect(3360, 1020, 915, 315),
                                          QStringLiteral("移去"));
    cmdClear = placeControl<QPushButton>(Frame4, QStringLiteral("cmdClear"), twipsRect(3360, 1500, 915, 315),
                                         QStringLiteral("清空"));
}

void MainLayout::buildPhotoArea()
{
    imgHouse = placeControl<ImageBox>(Frame6, QStringLiteral("imgHouse"), twipsRect(150, 240, 2625, 1725));
    imgHouse->setToolTip(QStringLiteral("鼠标双击放大图片"));
    QLabel *label47 = placeColouredLabel(Frame6, "Label47", "图片列表", 2940, 240, QPalette::WindowText);
    List = placeControl<QListWidget>(Frame6, QStringLiteral("List"), twipsRect(2940, 495, 1965, 1470));
    labelFor(label47, List);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of text: the list need not measure each one.
    List->setUniformItemSizes(true);
    QPalette palette = List->palette();
    palette.setColor(QPalette::Base, Qt::white);
    List->setPalette(palette);
    // The photo numbers behind the names in List: a store, never seen and never focused.
    List1 = placeControl<QListWidget>(Frame6, QStringLiteral("List1"), twipsRect(1800, 810, 615, 570));
    List1->setFocusPolicy(Qt::NoFocus);
    List1->hide();
}

void MainLayout::buildCommands(QWidget *form)
{
    cmdPrint = placeControl<QPushButton>(form, QStringLiteral("cmdPrint"), twipsRect(10230, 6330, 1100, 315),
                                         QStringLiteral("打印预选"));
    cmdNewCustomer = placeControl<QPushButton>(form, QStringLiteral("cmdNewCustomer"),
                                               twipsRect(10230, 7920, 1100, 315), QStringLiteral("新客户"));
    const auto command = [form](const char *name, const char *text, const QKeySequence &shortcut,
                                const char *tip) {
        auto *action = new QAction(QString::fromUtf8(text), form);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setToolTip(QString::fromUtf8(tip) + QStringLiteral("（") + shortcut.toString(QKeySequence::NativeText)
                           + QStringLiteral("）"));
        form->addAction(action);
        return action;
    };
    mnuNewCustomer = command("mnuNewCustomer", "新客户", QKeySequence(Qt::CTRL | Qt::Key_N),
                             "清空预选物业、检索结果和物业资料，接待下一位客户");
    mnuPrint = command("mnuPrint", "打印预选", QKeySequence(Qt::CTRL | Qt::Key_P), "打印预选物业的资料交给客户");
    mnuCompare = command("mnuCompare", "对比", QKeySequence(Qt::CTRL | Qt::Key_D),
                         "把选中的二至四个预选物业并排对比");
    mnuFindListing = command("mnuFindListing", "按编号查找", QKeySequence(Qt::CTRL | Qt::Key_G),
                             "输入物业编号，显示该物业的资料");
    mnuConditions = command("mnuConditions", "更多条件", QKeySequence(Qt::CTRL | Qt::Key_F),
                            "按售价、租价、面积、户型、朝向、楼层、设施和关键字进一步限定检索");
    cmdConditions->setToolTip(mnuConditions->toolTip());
    cmdPrint->setToolTip(mnuPrint->toolTip());
    cmdNewCustomer->setToolTip(mnuNewCustomer->toolTip());

    // The lists carry no tooltip: it would cover the rows whenever the pointer rests on them.
    // Their context menus name the shortcuts beside the commands.
    lsvHouseSelected->setContextMenuPolicy(Qt::ActionsContextMenu);
    lsvHouseSelected->addActions({mnuCompare, mnuPrint});
    lsvHouse->setContextMenuPolicy(Qt::ActionsContextMenu);
    lsvHouse->addAction(mnuFindListing);
}

void MainLayout::setTabOrder()
{
    QList<QWidget *> order = {cmbQy, cmbWylb, optOpen[0], optOpen[1], optOpen[2], optOpen[3], cmdConditions, cmdSearch,
                            lsvHouse};
    for (QLineEdit *box : detailBoxes)
        order << box;
    // The buttons beside the photo frame from top to bottom.
    order << lsvHouseSelected << cmdSelect << cmdRemove << cmdClear << List << cmdPrint << cmdDBLocation << cmdExit
          << cmdNewCustomer;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}
