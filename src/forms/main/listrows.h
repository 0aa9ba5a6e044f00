#pragma once

#include "core/storedtext.h"

#include <QByteArrayView>
#include <QStringView>
#include <vector>

// The text of a list's rows, cell after cell, kept in one block of characters: a hundred
// thousand hits cost their characters and an offset per cell, not a string object each.
// Each row may keep its key too, the listing number as the database stored it, in a block
// of bytes of its own: the row finds its listing again by those very bytes.
class ListRows
{
public:
    explicit ListRows(int columns) : m_columns(columns) {}

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_ends.size() / size_t(m_columns)); }

    // Cells are appended row after row, columnCount() of them to a row.
    void appendCell(QStringView text);
    QStringView cell(int row, int column) const;

    // Keys are appended one a row, in the order of the rows.
    void appendKey(QByteArrayView bytes);
    StoredText key(int row) const;

private:
    int m_columns;
    std::vector<QChar> m_text;
    std::vector<size_t> m_ends;
    std::vector<char> m_keys;
    std::vector<size_t> m_keyEnds;
};
