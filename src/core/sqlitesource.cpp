#include "core/sqlitesource.h"

#include "core/dberror.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

QString newConnectionName()
{
    static int counter = 0;
    return QStringLiteral("quillonix-%1").arg(++counter);
}

class SqliteFileSource : public DatabaseSource
{
public:
    SqliteFileSource(const QString &fileName, int timeoutSeconds) : m_name(newConnectionName())
    {
        const QString failure = open(fileName, timeoutSeconds);
        if (!failure.isEmpty()) {
            removeConnection();
            throw DbError(DbError::ProviderError, failure);
        }
    }
    ~SqliteFileSource() override { removeConnection(); }
    QSqlDatabase database() override { return QSqlDatabase::database(m_name, false); }

private:
    // "" when the file opened as a usable database, otherwise what went wrong.
    QString open(const QString &fileName, int timeoutSeconds)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(timeoutSeconds * 1000));
        if (!db.open())
            return db.lastError().text();
        // A damaged file opens without complaint; the first read tells.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            return probe.lastError().databaseText();
        // Room for the search's index of a hundred thousand listings, so that searches after
        // the first find its pages in memory. The index of a million listings fits no cache
        // a desk can spare: a search reads it through once, and a larger cache would only
        // hold memory.
        probe.exec(QStringLiteral("PRAGMA cache_size = -16384"));
        return QString();
    }

    void removeConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    QString m_name;
};

} // namespace

std::unique_ptr<DatabaseSource> openSqliteFile(const QString &fileName, int timeoutSeconds)
{
    return std::make_unique<SqliteFileSource>(fileName, timeoutSeconds);
}
