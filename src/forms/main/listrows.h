#pragma once

#include "core/storedtext.h"
#include "forms/main/growingarray.h"

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

// The text of a list's rows, cell after cell, kept in one block of characters: a million
// hits cost their characters, four bytes a row where it begins and a byte a cell for its
// length, not a string object each. Each row keeps its key too, the listing number as the
// database stored it: the row finds its listing again by those very bytes. A key that is
// its row's first cell in plain ASCII, as listing numbers are, is that cell; only other
// keys are kept apart.
class ListRows
{
public:
    explicit ListRows(int columns) : m_columns(columns) {}

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_lengths.size() / size_t(m_columns)); }

    // Cells are appended row after row, columnCount() of them to a row.
    void appendCell(QStringView text);
    QStringView cell(int row, int column) const;

    // Each row's key is appended after its first cell.
    void appendKey(QByteArrayView bytes);
    StoredText key(int row) const;

    // Appends every row of another block of the same columns, keys included.
    void appendRows(const ListRows &more);

private:
    size_t lengthOf(size_t cell) const;

    int m_columns;
    GrowingArray<char16_t> m_text;
    // Where each row's first cell begins in the text.
    GrowingArray<quint32> m_rowStarts;
    // Each cell's length, or longCell: then its length is among the long ones.
    GrowingArray<quint8> m_lengths;
    // The cells of 255 characters and more, in order, and their lengths.
    GrowingArray<quint32> m_longCells;
    GrowingArray<quint32> m_longLengths;
    // The rows whose keys are not their first cell, in order, where each one's bytes end,
    // and the bytes.
    GrowingArray<quint32> m_keyRows;
    GrowingArray<quint32> m_keyEnds;
    GrowingArray<char> m_keys;
};
