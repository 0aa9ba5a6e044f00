#include "forms/main/listrows.h"

#include <limits>
#include <stdexcept>

namespace {

// Offsets are four bytes: more than four thousand million characters of hits is refused
// rather than shown wrong.
quint32 offset(size_t size)
{
    if (size > std::numeric_limits<quint32>::max())
        throw std::length_error("the list holds more text than it can address");
    return quint32(size);
}

void appendShifted(GrowingArray<quint32> &ends, const GrowingArray<quint32> &more, size_t by)
{
    for (size_t i = 0; i < more.size(); ++i)
        ends.push_back(offset(more[i] + by));
}

} // namespace

void ListRows::appendCell(QStringView text)
{
    m_text.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    m_ends.push_back(offset(m_text.size()));
}

QStringView ListRows::cell(int row, int column) const
{
    const size_t index = size_t(row) * size_t(m_columns) + size_t(column);
    const size_t begin = index == 0 ? 0 : m_ends[index - 1];
    return QStringView(m_text.data() + begin, qsizetype(m_ends[index] - begin));
}

void ListRows::appendKey(QByteArrayView bytes)
{
    m_keys.append(bytes.data(), size_t(bytes.size()));
    m_keyEnds.push_back(offset(m_keys.size()));
}

StoredText ListRows::key(int row) const
{
    Q_ASSERT(size_t(row) < m_keyEnds.size());
    const size_t begin = row == 0 ? 0 : m_keyEnds[size_t(row) - 1];
    return StoredText::fromBytes(QByteArrayView(m_keys.data() + begin, qsizetype(m_keyEnds[size_t(row)] - begin)));
}

void ListRows::appendRows(const ListRows &more)
{
    Q_ASSERT(more.m_columns == m_columns);
    const size_t textBefore = m_text.size();
    const size_t keysBefore = m_keys.size();
    m_text.append(more.m_text.data(), more.m_text.size());
    m_keys.append(more.m_keys.data(), more.m_keys.size());
    appendShifted(m_ends, more.m_ends, textBefore);
    appendShifted(m_keyEnds, more.m_keyEnds, keysBefore);
}
