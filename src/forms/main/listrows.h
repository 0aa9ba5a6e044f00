#pragma once

#include "core/storedtext.h"
#include "forms/main/growingarray.h"

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

// The text of a list's rows, cell after cell, kept in one block of characters: a million
// hits cost their characters and four bytes a cell, not a string object each. Each row may
// keep its key too, the listing number as the database stored it, in a block of bytes of
// its own: the row finds its listing again by those very bytes.
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

    // Appends every row of another block of the same columns, keys included.
    void appendRows(const ListRows &more);

private:
    int m_columns;
    GrowingArray<char16_t> m_text;
    // Where each cell's text ends, and each key's bytes.
    GrowingArray<quint32> m_ends;
    GrowingArray<char> m_keys;
    GrowingArray<quint32> m_keyEnds;
};
