#include "forms/main/listrows.h"

void ListRows::appendCell(QStringView text)
{
    m_text.insert(m_text.end(), text.begin(), text.end());
    m_ends.push_back(m_text.size());
}

QStringView ListRows::cell(int row, int column) const
{
    const size_t index = size_t(row) * size_t(m_columns) + size_t(column);
    const size_t begin = index == 0 ? 0 : m_ends[index - 1];
    return QStringView(m_text.data() + begin, qsizetype(m_ends[index] - begin));
}

void ListRows::appendKey(QByteArrayView bytes)
{
    m_keys.insert(m_keys.end(), bytes.begin(), bytes.end());
    m_keyEnds.push_back(m_keys.size());
}

StoredText ListRows::key(int row) const
{
    Q_ASSERT(size_t(row) < m_keyEnds.size());
    const size_t begin = row == 0 ? 0 : m_keyEnds[size_t(row) - 1];
    return StoredText::fromBytes(QByteArrayView(m_keys.data() + begin, qsizetype(m_keyEnds[size_t(row)] - begin)));
}
