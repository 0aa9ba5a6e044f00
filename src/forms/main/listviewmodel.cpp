#include "forms/main/listviewmodel.h"

#include <algorithm>
#include <numeric>

ListViewModel::ListViewModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_rows(int(m_headers.size()))
{
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

QString ListViewModel::cell(int row, int column) const
{
    return cellView(row, column).toString();
}

void ListViewModel::setRows(ListRows rows)
{
    Q_ASSERT(rows.columnCount() == m_headers.size());
    beginResetModel();
    m_rows = std::move(rows);
    m_shown.resize(size_t(m_rows.rowCount()));
    std::iota(m_shown.begin(), m_shown.end(), 0);
    endResetModel();
}

void ListViewModel::appendRow(const QStringList &cells, const StoredText &key)
{
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    for (int column = 0; column < m_headers.size(); ++column)
        m_rows.appendCell(cells.value(column));
    m_rows.appendKey(key.bytes());
    m_shown.push_back(m_rows.rowCount() - 1);
    endInsertRows();
}

void ListViewModel::removeRowAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    m_shown.erase(m_shown.begin() + row);
    endRemoveRows();
}

void ListViewModel::clear()
{
    setRows(ListRows(int(m_headers.size())));
}

void ListViewModel::sortByText(int column, Qt::SortOrder order)
{
    const int rows = rowCount();
    // Each row's text folded once, so that comparing is a plain comparison of characters.
    ListRows folded(1);
    QString buffer;
    for (int row = 0; row < rows; ++row) {
        const QStringView text = cellView(row, column);
        buffer.resize(text.size());
        std::transform(text.begin(), text.end(), buffer.begin(), [](QChar c) { return c.toCaseFolded(); });
        folded.appendCell(buffer);
    }
    std::vector<int> before(static_cast<size_t>(rows));
    std::iota(before.begin(), before.end(), 0);
    const auto key = [&folded](int row) { return folded.cell(row, 0); };
    if (order == Qt::AscendingOrder)
        std::stable_sort(before.begin(), before.end(), [&](int a, int b) { return key(a) < key(b); });
    else
        std::stable_sort(before.begin(), before.end(), [&](int a, int b) { return key(b) < key(a); });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> shown(static_cast<size_t>(rows));
    std::vector<int> placeOf(static_cast<size_t>(rows));
    for (int place = 0; place < rows; ++place) {
        shown[size_t(place)] = m_shown[size_t(before[size_t(place)])];
        placeOf[size_t(before[size_t(place)])] = place;
    }
    m_shown = std::move(shown);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(this->index(placeOf[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
