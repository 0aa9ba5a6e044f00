#include "forms/main/listviewmodel.h"

#include <algorithm>
#include <numeric>

ListViewModel::ListViewModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers))
{
}

int ListViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_cells.size() / size_t(m_headers.size()));
}

int ListViewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ListViewModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return cell(index.row(), index.column());
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return QVariant();
    return m_headers.at(section);
}

const QString &ListViewModel::cell(int row, int column) const
{
    return m_cells[size_t(row) * size_t(m_headers.size()) + size_t(column)];
}

void ListViewModel::setRows(std::vector<QString> cells)
{
    Q_ASSERT(cells.size() % size_t(m_headers.size()) == 0);
    beginResetModel();
    m_cells = std::move(cells);
    endResetModel();
}

void ListViewModel::appendRow(const QStringList &cells)
{
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    for (int column = 0; column < m_headers.size(); ++column)
        m_cells.push_back(cells.value(column));
    endInsertRows();
}

void ListViewModel::removeRowAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    const auto first = m_cells.begin() + ptrdiff_t(row) * m_headers.size();
    m_cells.erase(first, first + m_headers.size());
    endRemoveRows();
}

void ListViewModel::clear()
{
    setRows({});
}

void ListViewModel::sortByText(int column, Qt::SortOrder order)
{
    const int rows = rowCount();
    const int columns = columnCount();
    std::vector<QString> keys(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        keys[size_t(row)] = cell(row, column).toCaseFolded();
    std::vector<int> oldRowAt(static_cast<size_t>(rows));
    std::iota(oldRowAt.begin(), oldRowAt.end(), 0);
    if (order == Qt::AscendingOrder)
        std::stable_sort(oldRowAt.begin(), oldRowAt.end(), [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    else
        std::stable_sort(oldRowAt.begin(), oldRowAt.end(), [&](int a, int b) { return keys[size_t(b)] < keys[size_t(a)]; });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<QString> sorted;
    sorted.reserve(m_cells.size());
    std::vector<int> newRowOf(static_cast<size_t>(rows));
    for (int newRow = 0; newRow < rows; ++newRow) {
        const int oldRow = oldRowAt[size_t(newRow)];
        newRowOf[size_t(oldRow)] = newRow;
        const auto first = m_cells.begin() + ptrdiff_t(oldRow) * columns;
        std::move(first, first + columns, std::back_inserter(sorted));
    }
    m_cells = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf[size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
