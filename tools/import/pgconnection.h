#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct pg_conn;

// One connection to a PostgreSQL server through libpq, for loading a listing database into it.
// Text goes both ways as UTF-8. Throws DbError, with the server's own words, on every failure;
// a transaction still open when the connection closes is rolled back by the server.
class PgConnection
{
public:
    // By a libpq connection URI (postgresql://…). Gives up after 30 seconds unless the URI
    // names a connect_timeout of its own.
    explicit PgConnection(const QString &uri);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    void exec(const QString &statement);
    // The first column of the rows the statement gives, as text.
    QStringList column(const QString &statement);
    // Every row the statement gives, each value as text ("" for Null).
    QVector<QStringList> rows(const QString &statement);

    // COPY … FROM STDIN: the statement, the data in pieces of any size, then the end.
    void beginCopy(const QString &statement);
    void copyData(const QByteArray &data);
    void endCopy();

    // "database D on H", for messages; never the password.
    QString description() const;

    // True for a target that names a server database by a libpq URI.
    static bool isServerUri(const QString &target);
    // True when the URI carries a password in itself.
    static bool uriHasPassword(const QString &uri);

private:
    [[noreturn]] void fail() const;

    pg_conn *m_conn = nullptr;
};
