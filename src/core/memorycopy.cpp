#include "core/memorycopy.h"

#include "core/dberror.h"
#include "core/sqliteengine.h"
#include "core/valuetext.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <memory>
#include <sqlite3.h>

namespace {

DbError loadFailure(const char *reason)
{
    return DbError(DbError::ProviderError, QStringLiteral("不能载入数据库副本：") + QString::fromUtf8(reason));
}

sqlite3 *openHandleOf(const QSqlDatabase &db)
{
    sqlite3 *handle = sqliteEngineOf(db);
    if (!handle)
        throw loadFailure("no SQLite connection");
    return handle;
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
    sqlite3_update_hook(openHandleOf(db), rowChanged, this);
}

MemoryCopy::~MemoryCopy()
{
    // A record set may still hold the connection: it must not call back into this copy.
    if (sqlite3 *handle = sqliteEngineOf(database()))
        sqlite3_update_hook(handle, nullptr, nullptr);
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase MemoryCopy::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void MemoryCopy::load(const QString &sqliteFile)
{
    sqlite3 *target = openHandleOf(database());

    sqlite3 *opened = nullptr;
    const int status = sqlite3_open_v2(QFile::encodeName(sqliteFile).constData(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> source(opened, sqlite3_close);
    if (status != SQLITE_OK)
        throw loadFailure(sqlite3_errmsg(opened));
    // One backup step copies every page under one lock: the copy changes whole or not at all.
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source.get(), "main");
    if (!backup)
        throw loadFailure(sqlite3_errmsg(target));
    const QVector<KeptRow> kept = addedRows();
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw loadFailure(sqlite3_errstr(stepped));
    m_added.clear();
    addAgain(kept);
}

void MemoryCopy::rowChanged(void *copy, int operation, const char *, const char *table, qint64 rowid)
{
    if (operation == SQLITE_INSERT)
        static_cast<MemoryCopy *>(copy)->m_added.append({QString::fromUtf8(table), rowid});
}

QVector<MemoryCopy::KeptRow> MemoryCopy::addedRows() const
{
    QVector<KeptRow> rows;
    QSqlQuery query(database());
    for (const AddedRow &added : m_added) {
        query.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(ValueText::quotedName(added.table)));
        query.addBindValue(added.rowid);
        if (!query.exec() || !query.next())
            continue;
        KeptRow row{added.table, {}, {}};
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            row.columns << record.fieldName(i);
            row.values << query.value(i);
        }
        rows << row;
    }
    return rows;
}

void MemoryCopy::addAgain(const QVector<KeptRow> &rows)
{
    QSqlQuery insert(database());
    for (const KeptRow &row : rows) {
        insert.prepare(ValueText::insertStatement(row.table, row.columns));
        for (const QVariant &value : row.values)
            insert.addBindValue(value);
        // A table or column the file no longer has takes the row with it.
        insert.exec();
    }
}
