#include "forms/conditions/frmQX_Conditions.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/common/controls.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString windowCaption = QStringLiteral("更多条件");
const QString all = QStringLiteral("全部");

// Rows of the window, in twips.
constexpr int labelLeft = 240;
constexpr int boxLeft = 1200;
constexpr int rowTop = 240;
constexpr int rowStep = 390;
constexpr int boxHeight = 300;
constexpr int numberWidth = 900;
constexpr int problemLeft = 4290;
constexpr int formWidth = 7560;
constexpr int rangeRows = SearchConditions::rangeCount;
constexpr int listsTop = rowTop + rangeRows * rowStep;
constexpr int facilitiesTop = listsTop + rowStep;
constexpr int facilitiesPerRow = 5;
constexpr int facilityWidth = 1230;
constexpr int keywordTop = facilitiesTop + 2 * 330 + 90;
constexpr int buttonsTop = keywordTop + rowStep + 150;
constexpr int formHeight = buttonsTop + 315 + 240;
constexpr int keywordLength = 100;

int top(int row)
{
    return rowTop + row * rowStep;
}

// As wide as the rest of the row: a label sized to its caption would stay as small as the
// empty one it starts as.
QLabel *problemLabel(QWidget *form, const QString &name, int boxTop)
{
    auto *label = placeControl<QLabel>(form, name, twipsRect(problemLeft, boxTop + 30, formWidth - problemLeft - 120, 240));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    label->setPalette(palette);
    return label;
}

// Shows the word beside a box, and names it to a screen reader with the box.
void tell(QLabel *problem, QLineEdit *box, const QString &word)
{
    problem->setText(word);
    problem->setAccessibleName(word);
    box->setAccessibleDescription(word);
}

std::optional<double> numberOf(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text.toDouble();
}

// The word beside a box that does not read as a number; "" when it does, or is empty.
QString numberProblem(const QString &typed)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?([0-9]+([.][0-9]*)?|[.][0-9]+)$"));
    const QString text = typed.trimmed();
    if (text.isEmpty() || number.match(text).hasMatch())
        return QString();
    return QStringLiteral("请填数字");
}

} // namespace

frmQX_Conditions::frmQX_Conditions(const SearchConditions &current, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_conditions(current)
{
    setObjectName(QStringLiteral("frmQX_Conditions"));
    setWindowTitle(windowCaption);
    setWindowIcon(QIcon());
    DesignScale::fixSize(this, formWidth, formHeight);
    takesKeyboardWhenShown(*this);
    buildRanges();
    buildLists();
    buildFacilities();
    buildKeyword();
    buildButtons();

    QList<QWidget *> order;
    for (const RangeBoxes &range : m_ranges)
        order << range.from << range.to;
    order << cmbWyhx << cmbCx;
    for (QCheckBox *facility : m_facilities)
        order << facility;
    order << txtKeyword << cmdOK << cmdClear << cmdCancel;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void frmQX_Conditions::buildRanges()
{
    for (int index = 0; index < rangeRows; ++index) {
        const QString caption = SearchConditions::rangeCaption(index);
        const QString unit = SearchConditions::rangeUnit(index);
        const int boxTop = top(index);
        QLabel *label = placeLabel(this, QStringLiteral("lblRange(%1)").arg(index), caption, labelLeft, boxTop + 60);
        RangeBoxes &boxes = m_ranges[size_t(index)];
        boxes.from = placeControl<QLineEdit>(this, QStringLiteral("txtFrom(%1)").arg(index),
                                             twipsRect(boxLeft, boxTop, numberWidth, boxHeight));
        placeLabel(this, QStringLiteral("lblTo(%1)").arg(index), QStringLiteral("至"), boxLeft + numberWidth + 90,
                   boxTop + 60);
        boxes.to = placeControl<QLineEdit>(this, QStringLiteral("txtTo(%1)").arg(index),
                                           twipsRect(boxLeft + numberWidth + 390, boxTop, numberWidth, boxHeight));
        placeLabel(this, QStringLiteral("lblUnit(%1)").arg(index), unit, boxLeft + 2 * numberWidth + 480,
                   boxTop + 60);
        label->setBuddy(boxes.from);
        boxes.from->setAccessibleName(caption + QStringLiteral("从（") + unit + QStringLiteral("）"));
        boxes.to->setAccessibleName(caption + QStringLiteral("至（") + unit + QStringLiteral("）"));
        boxes.problem = problemLabel(this, QStringLiteral("lblProblem(%1)").arg(index), boxTop);
    }
}

void frmQX_Conditions::buildLists()
{
    QLabel *layoutLabel = placeLabel(this, QStringLiteral("lblWyhx"), QStringLiteral("户型"), labelLeft, listsTop + 60);
    cmbWyhx = placeControl<QComboBox>(this, QStringLiteral("cmbWyhx"), twipsRect(boxLeft, listsTop, 2190, boxHeight));
    labelFor(layoutLabel, cmbWyhx);
    QLabel *orientationLabel
        = placeLabel(this, QStringLiteral("lblCx"), QStringLiteral("朝向"), problemLeft, listsTop + 60);
    cmbCx = placeControl<QComboBox>(this, QStringLiteral("cmbCx"),
                                    twipsRect(problemLeft + 540, listsTop, 2190, boxHeight));
    labelFor(orientationLabel, cmbCx);
    for (QComboBox *list : {cmbWyhx, cmbCx}) {
        list->addItem(all);
        // Typed letters find an entry as in any list; long values are shown whole when open.
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
}

void frmQX_Conditions::buildFacilities()
{
    placeLabel(this, QStringLiteral("lblFacilities"), QStringLiteral("设施"), labelLeft, facilitiesTop + 30);
    for (int index = 0; index < SearchConditions::facilityCount; ++index) {
        const int row = index / facilitiesPerRow;
        const int column = index % facilitiesPerRow;
        m_facilities[size_t(index)] = placeControl<QCheckBox>(
            this, QStringLiteral("chkFacility(%1)").arg(index),
            twipsRect(boxLeft + column * facilityWidth, facilitiesTop + row * 330, facilityWidth - 60, 255),
            SearchConditions::facilityCaption(index));
    }
}

void frmQX_Conditions::buildKeyword()
{
    QLabel *label
        = placeLabel(this, QStringLiteral("lblKeyword"), QStringLiteral("关键字"), labelLeft, keywordTop + 60);
    txtKeyword = placeControl<QLineEdit>(this, QStringLiteral("txtKeyword"),
                                         twipsRect(boxLeft, keywordTop, problemLeft - boxLeft - 90, boxHeight));
    txtKeyword->setMaxLength(keywordLength);
    labelFor(label, txtKeyword);
    txtKeyword->setToolTip(QStringLiteral("在物业名称、物业特点、其他设施、物业类型和物业权源中查找"));
    lblKeywordProblem = problemLabel(this, QStringLiteral("lblKeywordProblem"), keywordTop);
}

void frmQX_Conditions::buildButtons()
{
    const auto button = [this](const char *name, const char *caption, int left) {
        return placeControl<QPushButton>(this, QString::fromLatin1(name), twipsRect(left, buttonsTop, 915, 315),
                                         QString::fromUtf8(caption));
    };
    cmdOK = button("cmdOK", "确定", formWidth - 3 * 1035 - 120);
    cmdClear = button("cmdClear", "清除", formWidth - 2 * 1035 - 120);
    cmdCancel = button("cmdCancel", "取消", formWidth - 1035 - 120);
    // Enter in any box takes the conditions, Esc leaves them.
    cmdOK->setDefault(true);
    cmdClear->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmQX_Conditions::cmdOK_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmQX_Conditions::cmdClear_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmQX_Conditions::Form_Load()
{
    fillList(cmbWyhx, SearchConditions::layoutColumn());
    fillList(cmbCx, SearchConditions::orientationColumn());
    showConditions(m_conditions);
    m_ranges[0].from->setFocus();
}

void frmQX_Conditions::fillList(QComboBox *list, const QString &column)
{
    // The values among the listings the search can find, in the engine's own order.
    const QString statement = QStringLiteral("SELECT DISTINCT %1 FROM house WHERE seq >= -1 AND wyzt=1 AND %1 <> '' "
                                             "ORDER BY %1")
                                  .arg(column);
    try {
        Recordset &values = funOpenQuery(statement);
        for (; !values.eof(); values.moveNext()) {
            const StoredText stored = values.storedText(0);
            list->addItem(stored.shown(), QVariant::fromValue(stored));
        }
        values.close();
    } catch (const DbError &error) {
        showMessage(QStringLiteral("不能列出可选的值：") + error.report(), MessageFlags::Critical, windowCaption);
    }
}

void frmQX_Conditions::showConditions(const SearchConditions &conditions)
{
    for (int index = 0; index < rangeRows; ++index) {
        const SearchConditions::Range &range = conditions.ranges[size_t(index)];
        RangeBoxes &boxes = m_ranges[size_t(index)];
        boxes.from->setText(range.from ? ValueText::plain(*range.from) : QString());
        boxes.to->setText(range.to ? ValueText::plain(*range.to) : QString());
        tell(boxes.problem, boxes.from, QString());
        boxes.to->setAccessibleDescription(QString());
    }
    const auto choose = [](QComboBox *list, const std::optional<StoredText> &value) {
        int found = 0;
        if (value) {
            found = list->findData(QVariant::fromValue(*value));
            if (found < 0) {
                // Gone from the listings since: still offered, so that nothing changes unasked.
                list->addItem(value->shown(), QVariant::fromValue(*value));
                found = list->count() - 1;
            }
        }
        list->setCurrentIndex(found);
    };
    choose(cmbWyhx, conditions.layout);
    choose(cmbCx, conditions.orientation);
    for (int index = 0; index < SearchConditions::facilityCount; ++index)
        m_facilities[size_t(index)]->setChecked(conditions.facilities[size_t(index)]);
    txtKeyword->setText(conditions.keyword);
    tell(lblKeywordProblem, txtKeyword, QString());
}

bool frmQX_Conditions::readBoxes(SearchConditions &read)
{
    QWidget *firstBad = nullptr;
    const auto bad = [&firstBad](QWidget *box) {
        if (!firstBad)
            firstBad = box;
    };
    for (int index = 0; index < rangeRows; ++index) {
        RangeBoxes &boxes = m_ranges[size_t(index)];
        QString word = numberProblem(boxes.from->text());
        QLineEdit *wrong = boxes.from;
        if (word.isEmpty()) {
            word = numberProblem(boxes.to->text());
            wrong = boxes.to;
        }
        SearchConditions::Range &range = read.ranges[size_t(index)];
        if (word.isEmpty()) {
            range.from = numberOf(boxes.from->text());
            range.to = numberOf(boxes.to->text());
            if (range.from && range.to && *range.to < *range.from)
                word = QStringLiteral("“至”小于“从”");
        }
        boxes.from->setAccessibleDescription(QString());
        boxes.to->setAccessibleDescription(QString());
        tell(boxes.problem, wrong, word);
        if (!word.isEmpty())
            bad(wrong);
    }
    const auto chosen = [](const QComboBox *list) {
        return list->currentIndex() > 0 ? std::optional<StoredText>(list->currentData().value<StoredText>())
                                        : std::nullopt;
    };
    read.layout = chosen(cmbWyhx);
    read.orientation = chosen(cmbCx);
    for (int index = 0; index < SearchConditions::facilityCount; ++index)
        read.facilities[size_t(index)] = m_facilities[size_t(index)]->isChecked();
    read.keyword = txtKeyword->text();
    const bool control = std::any_of(read.keyword.cbegin(), read.keyword.cend(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    tell(lblKeywordProblem, txtKeyword, control ? QStringLiteral("不能含控制字符") : QString());
    if (control)
        bad(txtKeyword);
    if (firstBad)
        firstBad->setFocus();
    return !firstBad;
}

void frmQX_Conditions::cmdOK_Click()
{
    SearchConditions read;
    if (!readBoxes(read))
        return;
    m_conditions = read;
    accept();
}

void frmQX_Conditions::cmdClear_Click()
{
    showConditions(SearchConditions());
    m_ranges[0].from->setFocus();
}
