#include "core/statementcache.h"

#include "core/dberror.h"
#include "core/sqliteengine.h"

#include <sqlite3.h>

StatementCache::~StatementCache()
{
    for (sqlite3_stmt *statement : std::as_const(m_idle))
        sqlite3_finalize(statement);
}

sqlite3_stmt *StatementCache::take(sqlite3 *engine, const QString &source)
{
    if (sqlite3_stmt *kept = m_idle.take(source))
        return kept;
    const QByteArray text = source.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v3(engine, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &statement,
                           nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw sqliteError(engine);
    }
    if (!statement)
        throw DbError(DbError::ProviderError, QStringLiteral("查询语句是空的。"));
    return statement;
}

void StatementCache::giveBack(const QString &source, sqlite3_stmt *statement)
{
    // Reset, the statement holds no lock on the database while it waits.
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (m_idle.size() >= capacity || m_idle.contains(source)) {
        sqlite3_finalize(statement);
        return;
    }
    m_idle.insert(source, statement);
}
