#pragma once

#include "core/engine.h"

#include <QHash>
#include <vector>

class PgParameters;
struct pg_conn;
struct pg_result;

// The PostgreSQL engine: the shared listing database of several desks, on the server that
// a database folder's itdb.conn names. Every statement reads the server's current data;
// each is prepared once per connection, the whole result of a statement comes at once and
// its rows are read from memory, each cell as the server's text. A connection found lost
// fails the statement that met it; the next statement connects again.
class PgSession : public EngineSession
{
public:
    // Connects by a libpq connection URI (or key=value list), within timeoutSeconds unless
    // it names a connect_timeout of its own. A password in it is refused: passwords come
    // from libpq's own places (~/.pgpass, PGPASSWORD). Throws DbError when it cannot connect.
    PgSession(const QString &connectionText, int timeoutSeconds);
    ~PgSession() override;
    PgSession(const PgSession &) = delete;
    PgSession &operator=(const PgSession &) = delete;

    using Result = std::unique_ptr<pg_result, void (*)(pg_result *)>;

    std::unique_ptr<EngineRows> run(const QString &source, const QVariantList &values) override;
    // The server keeps its indexes sound itself, and reports damage as an error.
    void confirmNoRowsWithoutIndexes(const QString &, const QVariantList &) override {}
    void setStatementTimeout(int seconds) override;

    // The connection text in an itdb.conn file: its first line that is not blank. Throws
    // DbError when the file cannot be read or names nothing.
    static QString readServerFile(const QString &fileName);

private:
    // Connects again when the connection was lost; throws DbError when that fails.
    void reconnectIfLost();
    // What every connection is set to before its first statement; throws DbError.
    void prepareConnection();
    const QByteArray &translated(const QString &source);
    // Runs the statement, prepared when it can be; once more when the server asks for it to
    // be prepared again.
    Result execute(const QString &source, const PgParameters &parameters, bool mayPrepareAgain);
    // The name of the statement prepared on this connection for source, prepared now if need
    // be; nullptr where it runs unprepared: too many prepared, prepared for values of other
    // types, or refused by the server.
    const QByteArray *preparedStatement(const QString &source, const PgParameters &parameters);

    struct Prepared
    {
        QByteArray name;
        std::vector<unsigned int> types;
    };

    pg_conn *m_conn = nullptr;
    int m_timeoutSeconds;
    // Statements in the server's form, by the program's text.
    QHash<QString, QByteArray> m_translated;
    QHash<QString, Prepared> m_prepared;
    int m_preparedNumber = 0;
    // Rows see through this whether the session is still there.
    std::shared_ptr<const bool> m_alive = std::make_shared<const bool>(true);
};
