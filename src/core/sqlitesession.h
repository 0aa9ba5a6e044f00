#pragma once

#include "core/engine.h"
#include "core/statementcache.h"

#include <chrono>
#include <vector>

class DatabaseSource;
class SqliteRows;
struct sqlite3;
struct sqlite3_stmt;

// The SQLite engine: statements run on the SQLite connection of a source (a listing
// database file, or the in-memory copy of an Access file), each compiled once and kept.
// Closing the session closes the rows still open on it, so that the connection itself
// can close: SQLite keeps a connection with unfinished statements open for ever.
class SqliteSession : public EngineSession
{
public:
    SqliteSession(std::unique_ptr<DatabaseSource> source, int timeoutSeconds);
    ~SqliteSession() override;
    SqliteSession(const SqliteSession &) = delete;
    SqliteSession &operator=(const SqliteSession &) = delete;

    std::unique_ptr<EngineRows> run(const QString &source, const QVariantList &values) override;
    void confirmNoRowsWithoutIndexes(const QString &source, const QVariantList &values) override;
    void setStatementTimeout(int seconds) override { m_timeoutSeconds = seconds; }

private:
    friend class SqliteRows;
    using Clock = std::chrono::steady_clock;

    sqlite3 *engineForQuery();
    // One step of a statement that began at `started`; false at its end.
    bool step(sqlite3_stmt *statement, Clock::time_point started);
    void giveBack(SqliteRows &rows);
    // Called by the engine while a statement runs: non-zero stops it.
    static int stopIfTooLong(void *session);

    std::unique_ptr<DatabaseSource> m_source;
    sqlite3 *m_engine = nullptr;
    StatementCache m_statements;
    // Rows still open, closed with the session.
    std::vector<SqliteRows *> m_lent;
    int m_timeoutSeconds;
    bool m_stepping = false;
    bool m_stopped = false;
    Clock::time_point m_stepDeadline;
};
