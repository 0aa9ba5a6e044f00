#include "core/connection.h"

#include "core/accesssource.h"
#include "core/dberror.h"
#include "core/regularfile.h"
#include "core/statementcache.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

enum class FileKind { Missing, Sqlite, Access, Other };

FileKind kindOf(const QString &fileName)
{
    // Only a regular file can be a database: opening a FIFO of that name would wait for ever.
    QFile file;
    if (!openRegularFile(file, fileName))
        return FileKind::Missing;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::Sqlite;
    const QByteArray signature = head.mid(4, 15);
    if (signature == "Standard Jet DB" || signature == "Standard ACE DB")
        return FileKind::Access;
    return FileKind::Other;
}

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
        // Room for the whole of a large agency's database, so that searches after the
        // first find its pages in memory.
        probe.exec(QStringLiteral("PRAGMA cache_size = -65536"));
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

Connection::Connection() = default;

Connection::~Connection() = default;

QString Connection::fileOf(const QString &connectString)
{
    const qsizetype at = connectString.indexOf(QStringLiteral("dbq="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    // The file name runs to the end: dbq= is the last part, and a folder may hold a ';'.
    return connectString.mid(at + 4);
}

void Connection::open()
{
    close();
    const QString fileName = fileOf(m_connectString);
    switch (kindOf(fileName)) {
    case FileKind::Sqlite:
        m_source = openSqliteFile(fileName, m_timeoutSeconds);
        break;
    case FileKind::Access:
        m_source = openAccessFile(fileName, m_timeoutSeconds);
        break;
    case FileKind::Missing:
        throw DbError(DbError::ProviderError, QStringLiteral("找不到数据库文件：") + fileName);
    case FileKind::Other:
        throw DbError(DbError::ProviderError, QStringLiteral("不是可识别的数据库文件：") + fileName);
    }
    m_statements = std::make_shared<StatementCache>();
}

void Connection::close()
{
    // Compiled statements go before the database they were compiled on.
    m_statements.reset();
    m_source.reset();
}

QSqlDatabase Connection::databaseForQuery()
{
    if (!m_source)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    return m_source->database();
}
