#pragma once

#include "core/dberror.h"
#include "core/pgsettings.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;
struct pg_conn;
struct pg_result;

using PgResult = std::unique_ptr<pg_result, void (*)(pg_result *)>;

// One open connection to the server, driven from the window's thread without ever waiting on
// the network there: requests go out and answers come in as the event loop finds the
// connection's socket ready, each request with a deadline of its own on the desk's side.
// While no request is out, the socket stays watched: a connection the server ends is noticed
// then, and closed, and notifications the server sends are told as they come.
//
// A request that does not get its whole answer before its deadline, or that meets a lost
// connection, ends the connection: a statement still running is cancelled, the connection is
// closed, and that request and every one queued behind it fail with the cause. A closed link
// stays closed; the next connection is a new link.
class PgLink : public QObject
{
public:
    // Connects in a thread of its own, so that neither looking the host up nor a server that
    // does not answer holds up the window, and waits for it with the input held (see
    // waitHoldingInput). Past the deadline the attempt is left to end by itself, and its
    // connection closed. Throws DbError naming the cause.
    static std::unique_ptr<PgLink> open(const PgSettings::Settings &settings, std::chrono::milliseconds deadline);
    ~PgLink() override;

    bool isOpen() const { return m_conn != nullptr; }

    // Puts a request on the connection: a PQsend… call (1 when libpq took it, as they return).
    using Send = std::function<int(pg_conn *)>;
    // What came of a request: the answer, or the failure of the connection that ended it. Of
    // several results the first that failed is the answer, else the last.
    struct Reply
    {
        PgResult result{nullptr, nullptr};
        std::optional<DbError> failure;
    };
    using Done = std::function<void(Reply reply)>;

    // Sends the request once those before it have their answers, and tells done of its reply
    // on this thread, once (at once, before returning, when the link is already closed).
    // The input is not held: the user goes on working meanwhile.
    void submit(Send send, std::chrono::milliseconds deadline, Done done);
    // Sends the request and waits for its reply with the input held; the reading indicator
    // shows once it takes a moment.
    Reply run(Send send, std::chrono::milliseconds deadline);
    // Takes in what has come of the request out, without waiting, as the socket's watch does
    // when the event loop turns: for work that holds the loop a while, so that the server
    // is not kept from sending meanwhile.
    void takeArrived();

    // Told of each notification's payload as it comes, on this thread, maybe in the middle
    // of a request: it must not put one on the connection itself.
    using Notified = std::function<void(const QByteArray &payload)>;
    void setNotified(Notified notified) { m_notified = std::move(notified); }

private:
    explicit PgLink(pg_conn *connection);

    struct Request
    {
        Send send;
        std::chrono::milliseconds deadline;
        Done done;
    };

    void sendNext();
    void sendRest();
    void readAnswer();
    // Takes the results that have come whole; false once the connection is closed.
    bool takeResults();
    void keep(pg_result *result);
    void answered();
    // Ends the connection; every request waiting fails with cause.
    void close(const DbError &cause);

    pg_conn *m_conn;
    QSocketNotifier *m_readable;
    QSocketNotifier *m_writable;
    QTimer m_deadline;
    std::optional<Request> m_current;
    Reply m_reply;
    std::deque<Request> m_queue;
    Notified m_notified;
};
