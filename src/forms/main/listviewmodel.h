#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The rows of a report-view list: each row a text (column 0) and its sub-items, all kept
// as text. Rows are held in one flat vector, so that a hundred thousand hits cost one
// string per cell and nothing more.
class ListViewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    ListViewModel(QStringList headers, QObject *parent);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const QString &cell(int row, int column) const;

    // Replaces every row: the cells row after row, columnCount() of them per row.
    void setRows(std::vector<QString> cells);
    void appendRow(const QStringList &cells);
    void removeRowAt(int row);
    void clear();

    // Orders the rows by the text of one column, letter case ignored; rows with equal
    // text keep their order. Selections and the current row move with their rows.
    void sortByText(int column, Qt::SortOrder order);

private:
    QStringList m_headers;
    std::vector<QString> m_cells;
};
