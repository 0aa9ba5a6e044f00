#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariantList>
#include <atomic>
#include <functional>
#include <memory>

// What the connection and the record set need of a database engine. The forms see only
// Connection and Recordset; each engine (SQLite in sqlitesession.h, PostgreSQL in
// pgsession.h) gives these two, and nothing of an engine reaches the forms.

// How the engine holds one cell.
enum class CellKind { Null, Integer, Real, Text, Blob };

// The rows of one statement, read front to back as the engine gives them. Every failure
// throws DbError.
class EngineRows
{
public:
    virtual ~EngineRows() = default;

    // False once the connection the rows came from is closed: then nothing can be read.
    virtual bool isOpen() const = 0;
    virtual bool atEnd() const = 0;
    virtual void next() = 0;
    // Rows a server sends a page at a time: false while the row after the current one is
    // still on its way, when next() would wait for it.
    virtual bool nextAtHand() const { return true; }
    // Calls ready once, on this thread, when the row after the current one has come (or its
    // page failed to); at once when it is at hand.
    virtual void whenNextAtHand(std::function<void()> ready) { ready(); }
    // Takes in, without waiting, what has come of rows on their way, for a reader that holds
    // the event loop a while.
    virtual void takeArrived() {}

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;

    // The cells of the current row.
    virtual CellKind kind(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // A cell's bytes as the engine holds them (text as stored, a whole number in digits),
    // valid until next(); an empty view for a Null.
    virtual QByteArrayView bytes(int column) const = 0;
};

// One open connection of an engine.
class EngineSession
{
public:
    virtual ~EngineSession() = default;

    // Runs the statement, each "?" in it taking the next of values (a StoredText goes in as
    // its very bytes, as text), and stands at its first row.
    virtual std::unique_ptr<EngineRows> run(const QString &source, const QVariantList &values) = 0;
    // The same for a statement of many rows, read a page at a time where the engine holds
    // them elsewhere: its first rows come at once, and never more than a page or two is
    // held in flight.
    virtual std::unique_ptr<EngineRows> runInPages(const QString &source, const QVariantList &values)
    {
        return run(source, values);
    }
    // For a statement that found no row: throws the damage error (DbError::damaged) when it
    // finds rows once the engine reads its table without indexes, for a damaged index can
    // lose rows without an error.
    virtual void confirmNoRowsWithoutIndexes(const QString &source, const QVariantList &values) = 0;
    // A statement still running this long after it began is stopped (DbError::timedOut).
    virtual void setStatementTimeout(int seconds) = 0;

    // How many statements the record sets ran on this connection: what an action costs the
    // database, counted for nearly nothing.
    quint64 statementsRun() const { return m_statementsRun.load(std::memory_order_relaxed); }
    void countStatement() { m_statementsRun.fetch_add(1, std::memory_order_relaxed); }

    // Told of the number of each listing the database says another party changed ("" for
    // any), from the next statement on. A database file says nothing of its changes.
    using ChangeListener = std::function<void(const QByteArray &number)>;
    virtual void setChangeListener(ChangeListener) {}

private:
    std::atomic<quint64> m_statementsRun{0};
};
