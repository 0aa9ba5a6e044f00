#include "forms/main/listrows.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace {

constexpr quint8 longCell = 255;

// Offsets are four bytes: more than four thousand million characters, or rows, of hits are
// refused rather than shown wrong.
quint32 offset(size_t size)
{
    if (size > std::numeric_limits<quint32>::max())
        throw std::length_error("the list holds more than it can address");
    return quint32(size);
}

void appendShifted(GrowingArray<quint32> &to, const GrowingArray<quint32> &more, size_t by)
{
    for (size_t i = 0; i < more.size(); ++i)
        to.push_back(offset(more[i] + by));
}

// The place of value in an ascending array, or size() when it is not there.
size_t find(const GrowingArray<quint32> &sorted, quint32 value)
{
    const quint32 *end = sorted.data() + sorted.size();
    const quint32 *found = std::lower_bound(sorted.data(), end, value);
    return found != end && *found == value ? size_t(found - sorted.data()) : sorted.size();
}

bool isAsciiOf(QByteArrayView bytes, QStringView text)
{
    if (bytes.size() != text.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (uchar(bytes[i]) >= 0x80 || text[i].unicode() != uchar(bytes[i]))
            return false;
    }
    return true;
}

} // namespace

void ListRows::appendCell(QStringView text)
{
    if (m_lengths.size() % size_t(m_columns) == 0)
        m_rowStarts.push_back(offset(m_text.size()));
    const size_t size = size_t(text.size());
    if (size >= longCell) {
        m_longCells.push_back(offset(m_lengths.size()));
        m_longLengths.push_back(offset(size));
    }
    m_lengths.push_back(size >= longCell ? longCell : quint8(size));
    m_text.append(reinterpret_cast<const char16_t *>(text.utf16()), size);
}

size_t ListRows::lengthOf(size_t cell) const
{
    const quint8 length = m_lengths[cell];
    return length == longCell ? m_longLengths[find(m_longCells, quint32(cell))] : length;
}

QStringView ListRows::cell(int row, int column) const
{
    const size_t first = size_t(row) * size_t(m_columns);
    size_t begin = m_rowStarts[size_t(row)];
    for (size_t before = first; before < first + size_t(column); ++before)
        begin += lengthOf(before);
    return QStringView(m_text.data() + begin, qsizetype(lengthOf(first + size_t(column))));
}

void ListRows::appendKey(QByteArrayView bytes)
{
    Q_ASSERT(!m_lengths.empty());
    const int row = int((m_lengths.size() - 1) / size_t(m_columns));
    if (isAsciiOf(bytes, cell(row, 0)))
        return;
    m_keyRows.push_back(quint32(row));
    m_keys.append(bytes.data(), size_t(bytes.size()));
    m_keyEnds.push_back(offset(m_keys.size()));
}

StoredText ListRows::key(int row) const
{
    const size_t kept = find(m_keyRows, quint32(row));
    if (kept == m_keyRows.size())
        return StoredText::fromBytes(cell(row, 0).toLatin1());
    const size_t begin = kept == 0 ? 0 : m_keyEnds[kept - 1];
    return StoredText::fromBytes(QByteArrayView(m_keys.data() + begin, qsizetype(m_keyEnds[kept] - begin)));
}

void ListRows::appendRows(const ListRows &more)
{
    Q_ASSERT(more.m_columns == m_columns);
    const size_t textBefore = m_text.size();
    const size_t cellsBefore = m_lengths.size();
    const size_t keysBefore = m_keys.size();
    appendShifted(m_rowStarts, more.m_rowStarts, textBefore);
    appendShifted(m_longCells, more.m_longCells, cellsBefore);
    appendShifted(m_longLengths, more.m_longLengths, 0);
    appendShifted(m_keyRows, more.m_keyRows, size_t(rowCount()));
    appendShifted(m_keyEnds, more.m_keyEnds, keysBefore);
    m_text.append(more.m_text.data(), more.m_text.size());
    m_lengths.append(more.m_lengths.data(), more.m_lengths.size());
    m_keys.append(more.m_keys.data(), more.m_keys.size());
}
