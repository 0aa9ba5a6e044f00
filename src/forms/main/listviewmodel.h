#pragma once

#include "forms/main/listrows.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The rows of a report-view list: each row a text (column 0) and its sub-items, all
// kept as text, with the row's key as stored, shown in an order of their own (the order
// added, or a sorted one).
class ListViewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    ListViewModel(QStringList headers, QObject *parent);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString cell(int row, int column) const;
    StoredText key(int row) const { return m_rows.key(m_shown[size_t(row)]); }

    // Replaces every row, shown in the order they were added.
    void setRows(ListRows rows);
    void appendRow(const QStringList &cells, const StoredText &key);
    void removeRowAt(int row);
    void clear();

    // Orders the rows by the text of one column, letter case ignored; rows with equal
    // text keep their order. Selections and the current row move with their rows.
    void sortByText(int column, Qt::SortOrder order);

private:
    QStringView cellView(int row, int column) const { return m_rows.cell(m_shown[size_t(row)], column); }

    QStringList m_headers;
    ListRows m_rows;
    // The stored row shown at each place of the list. A removed row's text stays stored
    // until the list is next filled: only the short list removes rows, a few at a time.
    std::vector<int> m_shown;
};
