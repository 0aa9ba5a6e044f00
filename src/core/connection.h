#pragma once

#include "core/engine.h"

#include <QString>
#include <memory>

// The one kind of connection the program opens: by connection string, whose "dbq=" names
// the listing database file. The file's first bytes decide which engine reads it; where
// the file's folder holds itdb.conn, the PostgreSQL server it names stands in for the file.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setConnectionString(const QString &connectString) { m_connectString = connectString; }
    const QString &connectionString() const { return m_connectString; }
    // Also the longest any one statement may run, open or not yet open.
    void setConnectionTimeout(int seconds);
    int connectionTimeout() const { return m_timeoutSeconds; }

    // Opens the database named by the connection string; throws DbError when that fails,
    // and logs why (lcDatabase).
    void open();
    // Closes the connection, and with it every record set still open on it.
    void close();
    bool isOpen() const { return m_session != nullptr; }

    // True where the database is a server, which says itself which listings changed.
    bool tellsOfChanges() const;
    // Told, on this thread, of each listing the server says changed (EngineSession), on
    // this connection and every one opened after it.
    void setChangeListener(EngineSession::ChangeListener listener);

    // The engine the record sets run their statements on; throws DbError while closed.
    std::shared_ptr<EngineSession> session() const;

    // The file named by "dbq=" in a connection string, or "" when it names none.
    static QString fileOf(const QString &connectString);

private:
    std::shared_ptr<EngineSession> openSession() const;

    QString m_connectString;
    int m_timeoutSeconds = 15;
    std::shared_ptr<EngineSession> m_session;
    EngineSession::ChangeListener m_changeListener;
};
