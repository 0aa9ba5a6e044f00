#include "accesstable.h"

#include "core/dberror.h"

#include <cstring>
#include <memory>

namespace {

// The bits of a row's offset on its page; the bits above are flags.
constexpr int rowOffsetMask = 0x1fff;

} // namespace

AccessTable::AccessTable(const AccessFile &file, const QString &name) : m_name(name), m_mdb(file.handle())
{
    QByteArray utf8Name = name.toUtf8();
    m_table = mdb_read_table_by_name(m_mdb, utf8Name.data(), MDB_TABLE);
    if (!m_table || !mdb_read_columns(m_table) || mdb_rewind_table(m_table) != 0) {
        if (m_table)
            mdb_free_tabledef(m_table);
        throw DbError(DbError::ProviderError, QStringLiteral("不能读取表 %1 的定义").arg(name));
    }
    const int count = int(m_table->num_cols);
    m_buffers.assign(size_t(count), std::vector<char>(AccessFile::bindSize));
    m_lengths.assign(size_t(count), 0);
    // libmdb takes apart a row into at most one field per column of the row, 256 at most.
    m_fields.resize(std::max<size_t>(size_t(count), 256));
    bool hasMemo = false;
    for (int i = 0; i < count; ++i) {
        auto *column = static_cast<MdbColumn *>(g_ptr_array_index(m_table->columns, i));
        m_columns.append({QString::fromUtf8(column->name), column->col_type});
        mdb_bind_column(m_table, i + 1, m_buffers[size_t(i)].data(), &m_lengths[size_t(i)]);
        hasMemo = hasMemo || column->col_type == MDB_MEMO;
    }
    // libmdb prints every value into a new buffer of the bind size: only a memo needs the
    // large one.
    mdb_set_bind_size(m_mdb, hasMemo ? AccessFile::bindSize : AccessFile::shortBindSize);
}

AccessTable::~AccessTable()
{
    mdb_free_tabledef(m_table);
}

bool AccessTable::next(QVector<CellValue> &row)
{
    if (!mdb_fetch_row(m_table)) {
        // libmdb ends a table quietly at a page it cannot read.
        if (m_rowsRead != m_table->num_rows) {
            // One arg() for all three: a name holding "%2" must stay as it is.
            throw DbError(DbError::ProviderError,
                          QStringLiteral("表 %1 只读出 %2 行，应有 %3 行，文件已损坏")
                              .arg(m_name, QString::number(m_rowsRead), QString::number(m_table->num_rows)));
        }
        return false;
    }
    ++m_rowsRead;
    m_rowCracked = false;
    row.resize(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i)
        row[i] = valueOf(i);
    return true;
}

CellValue AccessTable::valueOf(int column)
{
    const int type = m_columns.at(column).type;
    const int length = m_lengths[size_t(column)];
    if (type == MDB_OLE) {
        if (length == 0)
            return CellValue::null();
        auto *mdbColumn = static_cast<MdbColumn *>(g_ptr_array_index(m_table->columns, column));
        size_t size = 0;
        const std::unique_ptr<void, decltype(&g_free)> data(mdb_ole_read_full(m_mdb, mdbColumn, &size), g_free);
        return data ? CellValue::ofBlob(QByteArray(static_cast<const char *>(data.get()), qsizetype(size)))
                    : CellValue::null();
    }
    // libmdb prints no date before 1900 nor in the year 9999 rightly: the stored number decides.
    if (type == MDB_DATETIME && length > 0)
        return storedDate(column);
    // libmdb hands over an empty text and a Null alike; the row itself tells them apart.
    if (length == 0 && (type == MDB_TEXT || type == MDB_MEMO) && !isNull(column))
        return CellValue::ofText(QByteArray(""));
    return AccessValue::fromText(type, m_buffers[size_t(column)].data(), length);
}

CellValue AccessTable::storedDate(int column)
{
    const MdbField *field = fieldOf(column);
    if (!field || field->is_null || field->siz != int(sizeof(double)))
        return CellValue::null();
    double days = 0;
    std::memcpy(&days, field->value, sizeof days);
    return AccessValue::fromStoredDate(days);
}

bool AccessTable::isNull(int column)
{
    const MdbField *field = fieldOf(column);
    return !field || field->is_null != 0;
}

const MdbField *AccessTable::fieldOf(int column)
{
    if (!m_rowCracked) {
        int start = 0;
        size_t size = 0;
        // The row just fetched is the one before the table's current row, on the page in hand;
        // the row's offset carries flags in its top bits, as libmdb's own reading strips them.
        const bool found = mdb_find_row(m_mdb, int(m_table->cur_row) - 1, &start, &size) == 0;
        if (!found || mdb_crack_row(m_table, start & rowOffsetMask, size, m_fields.data()) < int(m_columns.size()))
            return nullptr;
        m_rowCracked = true;
    }
    return &m_fields[size_t(column)];
}
