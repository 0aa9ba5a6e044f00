#include "sqlitefile.h"

#include "core/dberror.h"
#include "core/valuetext.h"

#include <QFile>
#include <sqlite3.h>

namespace {

DbError errorOf(sqlite3 *db)
{
    return DbError(DbError::ProviderError, QStringLiteral("写入 SQLite 数据库失败：") + QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace

SqliteFile::SqliteFile(const QString &fileName)
{
    const int opened = sqlite3_open_v2(QFile::encodeName(fileName).constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (opened != SQLITE_OK) {
        const DbError error = errorOf(m_db);
        sqlite3_close(m_db);
        throw error;
    }
}

SqliteFile::~SqliteFile()
{
    sqlite3_close(m_db);
}

void SqliteFile::exec(const QString &statement)
{
    if (sqlite3_exec(m_db, statement.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw errorOf(m_db);
}

bool SqliteFile::tryExec(const QString &statement)
{
    return sqlite3_exec(m_db, statement.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteInsert::SqliteInsert(SqliteFile &file, const QString &table, int columnCount) : m_file(file)
{
    QStringList marks;
    for (int i = 0; i < columnCount; ++i)
        marks << QStringLiteral("?");
    const QByteArray statement = QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                     .arg(ValueText::quotedName(table), marks.join(QLatin1Char(',')))
                                     .toUtf8();
    if (sqlite3_prepare_v2(file.handle(), statement.constData(), int(statement.size()), &m_statement, nullptr)
        != SQLITE_OK)
        throw errorOf(file.handle());
}

SqliteInsert::~SqliteInsert()
{
    sqlite3_finalize(m_statement);
}

void SqliteInsert::insert(const QVector<CellValue> &row)
{
    for (int i = 0; i < row.size(); ++i) {
        const CellValue &value = row.at(i);
        switch (value.kind) {
        case CellValue::Null:
            sqlite3_bind_null(m_statement, i + 1);
            break;
        case CellValue::Integer:
            sqlite3_bind_int64(m_statement, i + 1, value.integer);
            break;
        case CellValue::Real:
            sqlite3_bind_double(m_statement, i + 1, value.real);
            break;
        case CellValue::Text:
            sqlite3_bind_text(m_statement, i + 1, value.bytes.constData(), int(value.bytes.size()), SQLITE_STATIC);
            break;
        case CellValue::Blob:
            sqlite3_bind_blob(m_statement, i + 1, value.bytes.constData(), int(value.bytes.size()), SQLITE_STATIC);
            break;
        }
    }
    const int stepped = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    if (stepped != SQLITE_DONE)
        throw errorOf(m_file.handle());
}
