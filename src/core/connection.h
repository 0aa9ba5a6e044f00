#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

class StatementCache;

// Where the statements of a connection run. A listing database kept as SQLite is used as it
// is; an Access file is read into a copy that follows the file (see accesssource.h).
class DatabaseSource
{
public:
    virtual ~DatabaseSource() = default;
    // The database to run the next statement on, brought up to date with its file first.
    virtual QSqlDatabase database() = 0;
};

// The one kind of connection the program opens: by connection string, whose "dbq=" names
// the listing database file. The file's first bytes decide how it is read.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setConnectionString(const QString &connectString) { m_connectString = connectString; }
    const QString &connectionString() const { return m_connectString; }
    void setConnectionTimeout(int seconds) { m_timeoutSeconds = seconds; }
    int connectionTimeout() const { return m_timeoutSeconds; }

    // Opens the file named by the connection string; throws DbError when that fails.
    void open();
    void close();
    bool isOpen() const { return m_source != nullptr; }

    // The database the next statement runs on; throws DbError while the connection is closed.
    QSqlDatabase databaseForQuery();
    // The statements compiled on this connection while it is open.
    std::shared_ptr<StatementCache> statementCache() const { return m_statements; }

    // The file named by "dbq=" in a connection string, or "" when it names none.
    static QString fileOf(const QString &connectString);

private:
    QString m_connectString;
    int m_timeoutSeconds = 15;
    std::unique_ptr<DatabaseSource> m_source;
    std::shared_ptr<StatementCache> m_statements;
};

// Opens an SQLite listing database file; throws DbError when it is not a usable database.
std::unique_ptr<DatabaseSource> openSqliteFile(const QString &fileName, int timeoutSeconds);
