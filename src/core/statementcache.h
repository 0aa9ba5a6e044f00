#pragma once

#include <QHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Statements a connection has compiled, kept for the next record set that runs the same
// text: loading a listing then costs the reading of its rows, not the compiling of the
// statement again.
class StatementCache
{
public:
    StatementCache() = default;
    ~StatementCache();
    StatementCache(const StatementCache &) = delete;
    StatementCache &operator=(const StatementCache &) = delete;

    // A compiled statement for the text, ready to run: one kept from before, or a new
    // one. Throws DbError when the text does not compile.
    sqlite3_stmt *take(sqlite3 *engine, const QString &source);
    // Takes back a statement whose record set is closed, to run again later.
    void giveBack(const QString &source, sqlite3_stmt *statement);

private:
    // Statements with literal values in them seldom run twice; a few dozen are plenty.
    static constexpr int capacity = 32;
    QHash<QString, sqlite3_stmt *> m_idle;
};
