#pragma once

#include "forms/main/listviewmodel.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTableView>

// A list view in report view: rows of a text and sub-items under column headers, one
// selected row at a time, and the sort settings of such a list (sort column, direction,
// sorted mode). A table of rows of one height without grid or row headers, rather than a
// tree: a tree lays out every row again whenever rows are added or put in order, which holds
// the window a tenth of a second at a million rows; a table's cost follows the rows added. It reports a click, a released key and a header click as the list
// control of the agency's earlier program did; a released key counts only when it went
// down in this list too.
class ReportListView : public QTableView
{
    Q_OBJECT
public:
    struct Column
    {
        QString header;
        int widthTwips;
    };
    ReportListView(const QVector<Column> &columns, QWidget *parent);

    QHeaderView *header() const { return horizontalHeader(); }
    ListViewModel &rows() { return m_rows; }
    const ListViewModel &rows() const { return m_rows; }
    int rowCount() const { return m_rows.rowCount(); }

    // The first selected row in list order, or -1 when no row is selected.
    int firstSelectedRow() const;
    // Every selected row, in list order.
    QList<int> selectedRowsInOrder() const;

    // Replaces every row; a list in sorted mode puts the new rows in order at once.
    void setRows(ListRows rows);
    // Replaces every row with the first of rows still arriving: addRows() adds the others
    // below them as they come, and endRows() says that every row is in. Arriving rows are
    // shown when they are as many as the rows shown, a second after rows were last shown, or
    // at once while the list is scrolled to its end: few additions, each with its repaint,
    // and the end of the list grows while the user looks at it. A list in sorted mode
    // shows the rows in the order they come and puts them in order once all are in.
    void beginRows(ListRows first);
    void addRows(const ListRows &more);
    void endRows();
    bool rowsArriving() const { return m_arriving; }
    // Removes one row. No other row becomes selected in its place: only the user chooses.
    void removeRow(int row);

    int sortKey() const { return m_sortKey; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    bool sorted() const { return m_sorted; }
    // Sets the sort column and direction and switches sorted mode on: the rows are put
    // in order at once, and every row added later takes its place in that order.
    void sortBy(int column, Qt::SortOrder order);

signals:
    void Click();
    void KeyUp();
    // The 1-based position of the clicked column header.
    void ColumnClick(int position);

protected:
    // Home and End go to the first and the last row, Left and Right scroll the columns, as in
    // a list.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    // The columns keep their designed widths at every scale.
    void changeEvent(QEvent *event) override;

private:
    void applySort();
    void sizeColumns();
    void sizeRows();
    bool scrolledToEnd() const;

    ListViewModel m_rows;
    QVector<int> m_columnWidthsTwips;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_sorted = false;
    bool m_arriving = false;
    QElapsedTimer m_sinceShown;
    // Sorts asked for while rows arrive, to follow one another once all are in.
    QVector<QPair<int, Qt::SortOrder>> m_sortsWaiting;
    // The keys that went down in this list and have not come up yet.
    QSet<int> m_keysDown;
};
