#include "core/sqliteengine.h"

#include "core/dberror.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

sqlite3 *sqliteEngineOf(const QSqlDatabase &database)
{
    const QVariant handle = database.driver() ? database.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

DbError sqliteError(sqlite3 *engine)
{
    const int number = sqlite3_extended_errcode(engine);
    const int primary = number & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return DbError::damaged(number);
    return DbError(number, QString::fromUtf8(sqlite3_errmsg(engine)));
}
