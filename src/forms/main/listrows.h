#pragma once

#include <QStringView>
#include <vector>

// The text of a list's rows, cell after cell, kept in one block of characters: a hundred
// thousand hits cost their characters and an offset per cell, not a string object each.
class ListRows
{
public:
    explicit ListRows(int columns) : m_columns(columns) {}

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_ends.size() / size_t(m_columns)); }

    // Cells are appended row after row, columnCount() of them to a row.
    void appendCell(QStringView text);
    QStringView cell(int row, int column) const;

private:
    int m_columns;
    std::vector<QChar> m_text;
    std::vector<size_t> m_ends;
};
