#pragma once

#include "forms/main/listrows.h"

#include <QAbstractTableModel>
#include <QFutureWatcher>
#include <QHash>
#include <QStringList>
#include <deque>
#include <memory>
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

    // A cell's text as added; the view shows the row's note after its last cell.
    QString cell(int row, int column) const;
    StoredText key(int row) const { return m_rows->key(m_shown[size_t(row)]); }

    // Replaces every row, shown in the order they were added.
    void setRows(ListRows rows);
    // Keeps rows to go below the last, in their order, and shows every row kept so far: a
    // view lays out all its rows again for every addition, so a long list shows what
    // arrives in a few large steps.
    void storeRows(const ListRows &more);
    void showStoredRows();
    int storedRowsUnshown() const { return m_rows->rowCount() - m_firstUnshown; }
    void appendRow(const QStringList &cells, const StoredText &key);
    void removeRowAt(int row);
    void clear();
    // A word shown after a row's last cell, such as a listing's state; "" for none. It stays
    // with its row wherever the row moves, until the rows are replaced.
    void setNote(int row, const QString &note);
    QString note(int row) const { return m_notes.value(m_shown[size_t(row)]); }

    // Orders the rows by the text of one column (see TextOrder); rows with equal text keep
    // their order. Selections and the current row move with their rows. A long list is
    // put in order in another thread, the rows shown as they were until it is done, so that
    // the window never waits on it; sorts asked for meanwhile follow one after another.
    void sortByText(int column, Qt::SortOrder order);
    // True while a sort is still being worked out.
    bool sorting() const { return m_sorting; }

private:
    struct SortRequest
    {
        int column;
        Qt::SortOrder order;
    };
    QStringView cellView(int row, int column) const { return m_rows->cell(m_shown[size_t(row)], column); }
    void startSorts();
    void sortWorkedOut();
    // Shows the rows in a new order: places[i] is the place the row shown at i comes from.
    void reorder(const std::vector<int> &places);

    QStringList m_headers;
    // Shared with a sort being worked out in another thread, which only reads it; a new
    // search gives the list new rows rather than changing these.
    std::shared_ptr<ListRows> m_rows;
    // The stored row shown at each place of the list. A removed row's text stays stored
    // until the list is next filled: only the short list removes rows, a few at a time.
    std::vector<int> m_shown;
    // The first stored row not shown yet; all below it are not shown either.
    int m_firstUnshown = 0;
    // Changes whenever the rows or their places change: a sort worked out on other places
    // is worked out again, or dropped with rows that were replaced.
    quint64 m_version = 0;
    // Changes whenever the rows are replaced.
    quint64 m_rowsVersion = 0;
    // The notes by stored row.
    QHash<int, QString> m_notes;
    std::deque<SortRequest> m_sortRequests;
    QFutureWatcher<std::vector<int>> m_sortWork;
    SortRequest m_working{};
    quint64 m_workingVersion = 0;
    quint64 m_workingRowsVersion = 0;
    bool m_sorting = false;
};
