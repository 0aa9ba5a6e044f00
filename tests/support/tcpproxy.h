#pragma once

#include <QString>
#include <QThread>
#include <chrono>

// A TCP port on 127.0.0.1 that passes what comes in to a Unix socket (the test server's,
// which listens on nothing else) and its answers back, the way the network between a desk and
// its server does, in a thread of its own. On command it delays what passes, swallows it
// (the server falls silent while every connection stays open), or drops every connection.
// It counts what the desks ask of the server.
class TcpProxy
{
public:
    explicit TcpProxy(const QString &socketPath);
    ~TcpProxy();
    TcpProxy(const TcpProxy &) = delete;
    TcpProxy &operator=(const TcpProxy &) = delete;

    quint16 port() const { return m_port; }

    // What passes from now on, both ways, in connections open and new: everything at once,
    // everything that much later, or nothing at all.
    void pass();
    void delay(std::chrono::milliseconds delay);
    void swallow();
    // Cuts every open connection, now or that much later; new ones are served as before.
    void drop(std::chrono::milliseconds after = std::chrono::milliseconds(0));

    // How many connections the desks opened, and how many requests they sent on them: each
    // simple query, and each extended query (its Sync), counts one. The desks must not ask
    // for TLS (sslmode=disable), which would hide the requests.
    int connections() const;
    int requests() const;

    // The socket of the test server's cluster, from its URI.
    static QString clusterSocket();

private:
    class Relay;

    QThread m_thread;
    Relay *m_relay;
    quint16 m_port = 0;
};
