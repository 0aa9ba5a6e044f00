#pragma once

#include "core/engine.h"
#include "core/pglink.h"
#include "core/pgsettings.h"

#include <QHash>
#include <chrono>
#include <vector>

class PgParameters;

// The PostgreSQL engine: the shared listing database of several desks, on the server that
// a database folder's itdb.conn names. Every statement reads the server's current data;
// each is prepared once per connection, the whole result of a statement comes at once and
// its rows are read from memory, each cell as the server's text; a search of many rows comes
// through a cursor a page at a time.
//
// The window never waits on the network: the connection runs on a PgLink, and a statement
// waits for its answer with the input held while the window repaints and its clock goes on.
// Every action has a deadline on the desk's side: connecting, the connection's time-out; a
// statement, the same time-out on the server (statement_timeout), which reports it itself,
// and a moment more for its word to come. A connection lost, or a server that does not
// answer in time, fails the action that met it; the next action connects again.
class PgSession : public EngineSession
{
public:
    // Connects by a libpq connection URI (or key=value list) as PgSettings::forConnection
    // reads it. Throws DbError when it cannot connect.
    PgSession(const QString &connectionText, int timeoutSeconds);
    ~PgSession() override;
    PgSession(const PgSession &) = delete;
    PgSession &operator=(const PgSession &) = delete;

    std::unique_ptr<EngineRows> run(const QString &source, const QVariantList &values) override;
    // Through a cursor, a page at a time (see PgPagedRows).
    std::unique_ptr<EngineRows> runInPages(const QString &source, const QVariantList &values) override;
    // The server keeps its indexes sound itself, and reports damage as an error.
    void confirmNoRowsWithoutIndexes(const QString &, const QVariantList &) override {}
    // Sent to the server with the next statement.
    void setStatementTimeout(int seconds) override;
    // The server's notifications on the listing channel (see ChangeNotice), listened for
    // once per connection, with the next statement, and again after a lost connection.
    void setChangeListener(ChangeListener listener) override;

    // For tests, which cannot wait half a minute for a server that does not answer: no
    // action waits longer than this, whatever the time-out; zero, as in the program, for the
    // time-out alone.
    static void setLongestWait(std::chrono::milliseconds longest);

    // How long a statement may take on the server, and how long the desk waits for its word.
    int timeoutSeconds() const { return m_timeoutSeconds; }
    std::chrono::milliseconds statementDeadline() const;

private:
    std::chrono::milliseconds connectDeadline() const;
    // Connects, or connects again after the connection was lost, and sets the session up.
    void connect();
    // Makes sure the connection is open and set up as the program wants it.
    void makeReady();
    // The answer to a request on the connection; throws DbError when the connection fails.
    PgResult request(const PgLink::Send &send);
    // Throws DbError, from the server's own words, for an answer that is a failure.
    void requireSuccess(const PgResult &result) const;
    const QByteArray &translated(const QString &source);
    // Runs the statement, prepared when it can be; once more when the server asks for it to
    // be prepared again.
    PgResult execute(const QString &source, const PgParameters &parameters, bool mayPrepareAgain);
    // The name of the statement prepared on this connection for source, prepared now if need
    // be; nullptr where it runs unprepared: too many prepared, prepared for values of other
    // types, or refused by the server.
    const QByteArray *preparedStatement(const QString &source, const PgParameters &parameters);

    struct Prepared
    {
        QByteArray name;
        std::vector<unsigned int> types;
    };

    PgSettings::Settings m_settings;
    std::unique_ptr<PgLink> m_link;
    int m_timeoutSeconds;
    bool m_timeoutSent = false;
    ChangeListener m_changeListener;
    bool m_listening = false;
    // Statements in the server's form, by the program's text.
    QHash<QString, QByteArray> m_translated;
    QHash<QString, Prepared> m_prepared;
    int m_preparedNumber = 0;
    // Rows see through this whether the session is still there.
    std::shared_ptr<const bool> m_alive = std::make_shared<const bool>(true);
};
