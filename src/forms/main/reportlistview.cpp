#include "forms/main/reportlistview.h"

#include "forms/common/twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <utility>

namespace {

// Rows arriving are shown at least this often.
constexpr qint64 showEveryMs = 1000;

QStringList headersOf(const QVector<ReportListView::Column> &columns)
{
    QStringList headers;
    for (const auto &column : columns)
        headers << column.header;
    return headers;
}

} // namespace

ReportListView::ReportListView(const QVector<Column> &columns, QWidget *parent)
    : QTableView(parent), m_rows(headersOf(columns), this)
{
    setModel(&m_rows);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the list, as it leaves any other control.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (const Column &column : columns)
        m_columnWidthsTwips << column.widthTwips;
    sizeColumns();
    sizeRows();
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) { emit ColumnClick(section + 1); });
}

int ReportListView::firstSelectedRow() const
{
    int first = -1;
    const QModelIndexList selected = selectionModel()->selectedRows();
    for (const QModelIndex &index : selected) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

QList<int> ReportListView::selectedRowsInOrder() const
{
    QList<int> rows;
    const QModelIndexList selected = selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ReportListView::setRows(ListRows rows)
{
    beginRows(std::move(rows));
    endRows();
}

void ReportListView::beginRows(ListRows first)
{
    m_arriving = true;
    m_sortsWaiting.clear();
    m_rows.setRows(std::move(first));
    m_sinceShown.start();
    if (m_sorted)
        applySort();
}

void ReportListView::addRows(const ListRows &more)
{
    Q_ASSERT(m_arriving);
    m_rows.storeRows(more);
    if (m_rows.storedRowsUnshown() >= rowCount() || m_sinceShown.elapsed() >= showEveryMs || scrolledToEnd()) {
        m_rows.showStoredRows();
        m_sinceShown.start();
    }
}

void ReportListView::endRows()
{
    m_arriving = false;
    m_rows.showStoredRows();
    for (const auto &[column, order] : std::exchange(m_sortsWaiting, {}))
        m_rows.sortByText(column, order);
}

void ReportListView::removeRow(int row)
{
    m_rows.removeRowAt(row);
    selectionModel()->clearSelection();
}

void ReportListView::sortBy(int column, Qt::SortOrder order)
{
    m_sortKey = column;
    m_sortOrder = order;
    m_sorted = true;
    applySort();
}

void ReportListView::applySort()
{
    // Rows still arriving are put in order once they are all in.
    if (m_arriving)
        m_sortsWaiting.append({m_sortKey, m_sortOrder});
    else
        m_rows.sortByText(m_sortKey, m_sortOrder);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(m_sortKey, m_sortOrder);
}

bool ReportListView::scrolledToEnd() const
{
    const QScrollBar *bar = verticalScrollBar();
    return bar->maximum() > 0 && bar->value() == bar->maximum();
}

QModelIndex ReportListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    switch (action) {
    case MoveHome:
    case MoveEnd:
        return QTableView::moveCursor(action, modifiers | Qt::ControlModifier);
    case MoveLeft:
    case MoveRight:
        horizontalScrollBar()->triggerAction(action == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                : QAbstractSlider::SliderSingleStepAdd);
        return currentIndex();
    default:
        return QTableView::moveCursor(action, modifiers);
    }
}

void ReportListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void ReportListView::keyPressEvent(QKeyEvent *event)
{
    m_keysDown.insert(event->key());
    // A list that takes the keyboard marks its first row as current without choosing it;
    // the first Down or Up chooses that row instead of stepping past it.
    const bool step = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (step && event->modifiers() == Qt::NoModifier && currentIndex().isValid()
        && !selectionModel()->hasSelection()) {
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReportListView::keyReleaseEvent(QKeyEvent *event)
{
    QTableView::keyReleaseEvent(event);
    // A held key repeats its release; the listing is loaded once, where the key comes up.
    if (event->isAutoRepeat())
        return;
    // A key that went down elsewhere, say the Enter that closed a message about the
    // listing, must not load the listing again and bring the message back.
    if (m_keysDown.remove(event->key()))
        emit KeyUp();
}

void ReportListView::sizeColumns()
{
    for (int column = 0; column < m_columnWidthsTwips.size(); ++column)
        header()->resizeSection(column, twips(m_columnWidthsTwips.at(column)));
}

void ReportListView::sizeRows()
{
    // As high as the style makes a list row of one line of text, as the list had when it was
    // a tree: the header's own minimum would make it taller, and fewer hits would show.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("国");
    const QSize row = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(row.height());
}

void ReportListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        sizeColumns();
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        sizeRows();
}

void ReportListView::focusOutEvent(QFocusEvent *event)
{
    // Keys that come up while another window or control has the keyboard never reach
    // this list: forget them.
    m_keysDown.clear();
    QTableView::focusOutEvent(event);
}
