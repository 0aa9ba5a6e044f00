#include "forms/main/listviewmodel.h"

#include "forms/main/textorder.h"

#include <QtConcurrent/QtConcurrentRun>
#include <numeric>

namespace {

// Up to this many rows a sort takes a few milliseconds: it is done at once.
constexpr int rowsSortedAtOnce = 20000;

} // namespace

ListViewModel::ListViewModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)),
      m_rows(std::make_shared<ListRows>(int(m_headers.size())))
{
    connect(&m_sortWork, &QFutureWatcherBase::finished, this, &ListViewModel::sortWorkedOut);
}

int ListViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int ListViewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ListViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const bool noted = index.column() == columnCount() - 1 && !m_notes.isEmpty() && !note(index.row()).isEmpty();
    if (noted && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        // It may be too long for its column: it shows whole under the pointer.
        return cell(index.row(), index.column()) + note(index.row());
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    return cell(index.row(), index.column());
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return QVariant();
    return m_headers.at(section);
}

QString ListViewModel::cell(int row, int column) const
{
    return cellView(row, column).toString();
}

void ListViewModel::setRows(ListRows rows)
{
    Q_ASSERT(rows.columnCount() == m_headers.size());
    beginResetModel();
    m_rows = std::make_shared<ListRows>(std::move(rows));
    m_shown.resize(size_t(m_rows->rowCount()));
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_firstUnshown = m_rows->rowCount();
    m_notes.clear();
    ++m_version;
    ++m_rowsVersion;
    m_sortRequests.clear();
    endResetModel();
}

void ListViewModel::storeRows(const ListRows &more)
{
    // A sort in another thread reads other rows: the list is not sorted while rows arrive.
    Q_ASSERT(!m_sorting || m_workingRowsVersion != m_rowsVersion);
    m_rows->appendRows(more);
}

void ListViewModel::showStoredRows()
{
    const int stored = m_rows->rowCount();
    if (m_firstUnshown == stored)
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + stored - m_firstUnshown - 1);
    m_shown.resize(m_shown.size() + size_t(stored - m_firstUnshown));
    std::iota(m_shown.begin() + first, m_shown.end(), m_firstUnshown);
    m_firstUnshown = stored;
    ++m_version;
    endInsertRows();
}

void ListViewModel::appendRow(const QStringList &cells, const StoredText &key)
{
    ListRows row(int(m_headers.size()));
    for (int column = 0; column < m_headers.size(); ++column)
        row.appendCell(cells.value(column));
    row.appendKey(key.bytes());
    storeRows(row);
    showStoredRows();
}

void ListViewModel::removeRowAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    m_shown.erase(m_shown.begin() + row);
    ++m_version;
    endRemoveRows();
}

void ListViewModel::clear()
{
    setRows(ListRows(int(m_headers.size())));
}

void ListViewModel::setNote(int row, const QString &note)
{
    const int stored = m_shown[size_t(row)];
    if (m_notes.value(stored) == note)
        return;
    if (note.isEmpty())
        m_notes.remove(stored);
    else
        m_notes.insert(stored, note);
    const QModelIndex changed = index(row, columnCount() - 1);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ListViewModel::sortByText(int column, Qt::SortOrder order)
{
    m_sortRequests.push_back({column, order});
    if (!m_sorting)
        startSorts();
}

void ListViewModel::startSorts()
{
    while (!m_sortRequests.empty()) {
        const SortRequest request = m_sortRequests.front();
        m_sortRequests.pop_front();
        if (rowCount() <= rowsSortedAtOnce) {
            reorder(TextOrder::sorted(*m_rows, m_shown, request.column, request.order));
            continue;
        }
        m_sorting = true;
        m_working = request;
        m_workingVersion = m_version;
        m_workingRowsVersion = m_rowsVersion;
        m_sortWork.setFuture(QtConcurrent::run([rows = m_rows, shown = m_shown, request] {
            return TextOrder::sorted(*rows, shown, request.column, request.order);
        }));
        return;
    }
    m_sorting = false;
}

void ListViewModel::sortWorkedOut()
{
    if (m_workingVersion == m_version)
        reorder(m_sortWork.result());
    else if (m_workingRowsVersion == m_rowsVersion)
        // Rows were removed meanwhile: the same sort again, on the rows as they are now.
        m_sortRequests.push_front(m_working);
    startSorts();
}

void ListViewModel::reorder(const std::vector<int> &places)
{
    const size_t rows = places.size();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> shown(rows);
    std::vector<int> placeOf(rows);
    for (size_t place = 0; place < rows; ++place) {
        shown[place] = m_shown[size_t(places[place])];
        placeOf[size_t(places[place])] = int(place);
    }
    m_shown = std::move(shown);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(this->index(placeOf[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    ++m_version;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
