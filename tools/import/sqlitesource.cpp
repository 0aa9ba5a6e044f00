#include "sqlitesource.h"

#include "core/dberror.h"
#include "core/valuetext.h"

#include <QFile>
#include <memory>
#include <sqlite3.h>

namespace {

DbError errorOf(sqlite3 *db, const QString &what)
{
    return DbError(DbError::ProviderError, what + QString::fromUtf8(sqlite3_errmsg(db)));
}

using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

// Null when the statement does not compile.
Statement prepare(sqlite3 *db, const QString &statement)
{
    sqlite3_stmt *prepared = nullptr;
    sqlite3_prepare_v2(db, statement.toUtf8().constData(), -1, &prepared, nullptr);
    return Statement(prepared, sqlite3_finalize);
}

QString textOf(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

} // namespace

bool SqliteSource::isSqliteFile(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArrayLiteral("SQLite format 3\0");
}

SqliteSource::SqliteSource(const QString &fileName)
{
    const QString failure = QStringLiteral("不能读取 SQLite 数据库 %1：").arg(fileName);
    if (sqlite3_open_v2(QFile::encodeName(fileName).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const DbError error = errorOf(m_db, failure);
        sqlite3_close(m_db);
        throw error;
    }
    // A file that is no database opens without complaint; the first read tells.
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const DbError error = errorOf(m_db, failure);
        sqlite3_close(m_db);
        throw error;
    }
}

SqliteSource::~SqliteSource()
{
    sqlite3_close(m_db);
}

QStringList SqliteSource::tableNames() const
{
    const Statement tables = prepare(m_db,
                                     QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"
                                                    " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    QStringList names;
    int stepped = SQLITE_ERROR;
    while (tables && (stepped = sqlite3_step(tables.get())) == SQLITE_ROW)
        names << textOf(tables.get(), 0);
    if (stepped != SQLITE_DONE)
        throw errorOf(m_db, QStringLiteral("不能读取 SQLite 数据库的表："));
    return names;
}

SqliteSourceTable::SqliteSourceTable(const SqliteSource &source, const QString &name) : m_source(source), m_name(name)
{
    sqlite3 *db = source.handle();
    const QString failure = QStringLiteral("不能读取表 %1：").arg(name);
    const Statement columns = prepare(db, QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
    if (!columns)
        throw errorOf(db, failure);
    const QByteArray utf8Name = name.toUtf8();
    sqlite3_bind_text(columns.get(), 1, utf8Name.constData(), int(utf8Name.size()), SQLITE_STATIC);
    int stepped = SQLITE_ERROR;
    while ((stepped = sqlite3_step(columns.get())) == SQLITE_ROW)
        m_columns.append({textOf(columns.get(), 0), textOf(columns.get(), 1)});
    if (stepped != SQLITE_DONE || m_columns.isEmpty())
        throw errorOf(db, failure);

    // In the order the rows were stored; a table without row ids in the order of its key.
    const QString rows = QStringLiteral("SELECT * FROM ") + ValueText::quotedName(name);
    Statement inOrder = prepare(db, rows + QStringLiteral(" ORDER BY rowid"));
    if (!inOrder)
        inOrder = prepare(db, rows);
    if (!inOrder)
        throw errorOf(db, failure);
    m_rows = inOrder.release();
}

SqliteSourceTable::~SqliteSourceTable()
{
    sqlite3_finalize(m_rows);
}

bool SqliteSourceTable::next(QVector<CellValue> &row)
{
    const int stepped = sqlite3_step(m_rows);
    if (stepped == SQLITE_DONE)
        return false;
    if (stepped != SQLITE_ROW)
        throw errorOf(m_source.handle(), QStringLiteral("不能读取表 %1：").arg(m_name));
    row.resize(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i) {
        switch (sqlite3_column_type(m_rows, i)) {
        case SQLITE_INTEGER:
            row[i] = CellValue::ofInteger(sqlite3_column_int64(m_rows, i));
            break;
        case SQLITE_FLOAT:
            row[i] = CellValue::ofReal(sqlite3_column_double(m_rows, i));
            break;
        case SQLITE_TEXT:
            row[i] = CellValue::ofText(QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(m_rows, i)),
                                                  sqlite3_column_bytes(m_rows, i)));
            break;
        case SQLITE_BLOB:
            row[i] = CellValue::ofBlob(
                QByteArray(static_cast<const char *>(sqlite3_column_blob(m_rows, i)), sqlite3_column_bytes(m_rows, i)));
            break;
        default:
            row[i] = CellValue::null();
            break;
        }
    }
    return true;
}

void SqliteSourceTable::rewind()
{
    sqlite3_reset(m_rows);
}
