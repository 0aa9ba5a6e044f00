#include "core/memorycopy.h"

#include "core/dberror.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <memory>
#include <sqlite3.h>

namespace {

DbError loadFailure(const char *reason)
{
    return DbError(DbError::ProviderError, QStringLiteral("不能载入数据库副本：") + QString::fromUtf8(reason));
}

} // namespace

MemoryCopy::MemoryCopy() : m_name(QStringLiteral("quillonix-memory-%1").arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open()) {
        const QString reason = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw DbError(DbError::ProviderError, reason);
    }
}

MemoryCopy::~MemoryCopy()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase MemoryCopy::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void MemoryCopy::load(const QString &sqliteFile)
{
    const QVariant native = database().driver()->handle();
    if (qstrcmp(native.typeName(), "sqlite3*") != 0)
        throw loadFailure("no SQLite connection");
    sqlite3 *target = *static_cast<sqlite3 *const *>(native.data());

    sqlite3 *opened = nullptr;
    const int status = sqlite3_open_v2(QFile::encodeName(sqliteFile).constData(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> source(opened, sqlite3_close);
    if (status != SQLITE_OK)
        throw loadFailure(sqlite3_errmsg(opened));
    // One backup step copies every page under one lock: the copy changes whole or not at all.
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source.get(), "main");
    if (!backup)
        throw loadFailure(sqlite3_errmsg(target));
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw loadFailure(sqlite3_errstr(stepped));
}
