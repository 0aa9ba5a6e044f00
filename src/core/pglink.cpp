#include "core/pglink.h"

#include "core/heldinput.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QStringList>
#include <libpq-fe.h>
#include <mutex>
#include <poll.h>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A wait on the server shorter than this shows nothing: most statements take less.
constexpr std::chrono::milliseconds readingShownAfter(300);
// How long the window's thread waits for an answer before it lets the event loop run: a
// listing loads in a fraction of a millisecond, and this is far too short for anybody to see.
constexpr std::chrono::milliseconds quickAnswer(10);
// Reading the connection after the socket was found ready, over TLS: enough to take what a
// TLS record holds beyond the room libpq had for it.
constexpr int tlsReadings = 4;

QString secondsOf(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000);
}

DbError lost()
{
    return DbError(DbError::ProviderError, QStringLiteral("与数据库服务器的连接已断开，下一次操作时重新连接。"));
}

QString firstLine(const char *message)
{
    return QString::fromUtf8(message).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
}

// Why a connection could not be made, a line for each host tried, without libpq's hints.
QString reasonOf(const pg_conn *connection)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(PQerrorMessage(connection)).split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.front().isSpace())
            lines << line.trimmed();
    }
    const QString reason = lines.join(QLatin1Char('\n'));
    // libpq's words for it, in English or in its Chinese.
    if (reason.contains(QStringLiteral("channel binding")) || reason.contains(QStringLiteral("通道绑定"))) {
        lines << QStringLiteral("口令只发给证明了自己的服务器（SCRAM 通道绑定，或 sslmode=verify-full 验证的证书）："
                                "这台服务器没有证明，口令没有发给它。");
    }
    return lines.join(QLatin1Char('\n'));
}

// A connection attempt in a thread of its own, and the wait for it on the window's thread.
struct Attempt
{
    std::mutex mutex;
    // Told when the attempt ends; none once the wait has given up.
    QEventLoop *waiting = nullptr;
    pg_conn *made = nullptr;
    bool ended = false;
};

void connectInThread(const std::shared_ptr<Attempt> &attempt, const PgSettings::Settings &settings)
{
    std::vector<const char *> keywords;
    std::vector<const char *> values;
    for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting) {
        keywords.push_back(setting.key().constData());
        values.push_back(setting.value().constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    pg_conn *made = PQconnectdbParams(keywords.data(), values.data(), 0);
    const std::lock_guard<std::mutex> lock(attempt->mutex);
    if (!attempt->waiting) {
        PQfinish(made);
        return;
    }
    attempt->made = made;
    attempt->ended = true;
    QEventLoop *waiting = attempt->waiting;
    QMetaObject::invokeMethod(waiting, [waiting] { waiting->quit(); }, Qt::QueuedConnection);
}

// Asks the server to stop what the connection runs. libpq's request waits for the server to
// answer, which a silent server never does: it goes in a thread of its own, left to end
// when the server, or the network, ends it.
void cancelInBackground(pg_conn *connection)
{
    PGcancel *cancel = PQgetCancel(connection);
    if (!cancel)
        return;
    try {
        std::thread([cancel] {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }).detach();
    } catch (const std::system_error &) {
        // No thread to spare: the connection is closed all the same.
        PQfreeCancel(cancel);
    }
}

bool failed(const pg_result *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
}

} // namespace

std::unique_ptr<PgLink> PgLink::open(const PgSettings::Settings &settings, std::chrono::milliseconds deadline)
{
    const auto attempt = std::make_shared<Attempt>();
    QEventLoop waiting;
    attempt->waiting = &waiting;
    try {
        std::thread(connectInThread, attempt, settings).detach();
    } catch (const std::system_error &error) {
        throw DbError(DbError::ProviderError, QStringLiteral("不能连接数据库服务器：") + QString::fromLocal8Bit(error.what()));
    }
    QTimer late;
    late.setSingleShot(true);
    QObject::connect(&late, &QTimer::timeout, &waiting, &QEventLoop::quit);
    late.start(deadline);
    for (;;) {
        waitHoldingInput(waiting, readingShownAfter);
        const std::lock_guard<std::mutex> lock(attempt->mutex);
        if (attempt->ended)
            break;
        if (!late.isActive()) {
            attempt->waiting = nullptr;
            const QByteArray host = settings.value("host", settings.value("hostaddr"));
            throw DbError(DbError::ProviderError,
                          QStringLiteral("不能连接数据库服务器：%1 在 %2 秒内没有回答。")
                              .arg(host.isEmpty() ? QStringLiteral("服务器") : QString::fromUtf8(host),
                                   secondsOf(deadline)));
        }
    }
    pg_conn *made = attempt->made;
    if (PQstatus(made) != CONNECTION_OK) {
        const DbError failure(DbError::ProviderError, QStringLiteral("不能连接数据库服务器：") + reasonOf(made));
        PQfinish(made);
        throw failure;
    }
    return std::unique_ptr<PgLink>(new PgLink(made));
}

PgLink::PgLink(pg_conn *connection) : m_conn(connection)
{
    // The server's notices are for its own log, not for the desk's terminal.
    PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    PQsetnonblocking(m_conn, 1);
    m_readable = new QSocketNotifier(PQsocket(m_conn), QSocketNotifier::Read, this);
    m_writable = new QSocketNotifier(PQsocket(m_conn), QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_readable, &QSocketNotifier::activated, this, &PgLink::readAnswer);
    connect(m_writable, &QSocketNotifier::activated, this, &PgLink::sendRest);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        cancelInBackground(m_conn);
        close(DbError(DbError::QueryTimeout,
                      QStringLiteral("数据库服务器在 %1 秒内没有回答，已断开连接，下一次操作时重新连接。")
                          .arg(secondsOf(m_current->deadline))));
    });
}

PgLink::~PgLink()
{
    close(DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。")));
}

void PgLink::submit(Send send, std::chrono::milliseconds deadline, Done done)
{
    if (!m_conn) {
        done(Reply{PgResult(nullptr, nullptr), lost()});
        return;
    }
    m_queue.push_back({std::move(send), deadline, std::move(done)});
    sendNext();
}

PgLink::Reply PgLink::run(Send send, std::chrono::milliseconds deadline)
{
    std::optional<Reply> reply;
    QEventLoop waiting;
    submit(std::move(send), deadline, [&reply, &waiting](Reply answer) {
        reply = std::move(answer);
        waiting.quit();
    });
    // Most answers come within a moment: taken without the event loop, they cost the window
    // no repaint half way through what the user asked for.
    const QDeadlineTimer moment(quickAnswer);
    while (!reply && m_conn && !m_writable->isEnabled()) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&socket, 1, int(moment.remainingTime())) <= 0)
            break;
        readAnswer();
    }
    // The program ending leaves every event loop: the wait goes on until the reply.
    while (!reply)
        waitHoldingInput(waiting, readingShownAfter);
    return std::move(*reply);
}

void PgLink::takeArrived()
{
    if (m_conn && m_current && !m_writable->isEnabled())
        readAnswer();
}

void PgLink::sendNext()
{
    if (m_current || m_queue.empty() || !m_conn)
        return;
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    if (m_current->send(m_conn) != 1) {
        if (PQstatus(m_conn) != CONNECTION_OK) {
            close(lost());
            return;
        }
        // Refused before it went out: only this request fails.
        const Request refused = std::move(*m_current);
        m_current.reset();
        sendNext();
        refused.done(Reply{PgResult(nullptr, nullptr),
                           DbError(DbError::ProviderError, firstLine(PQerrorMessage(m_conn)))});
        return;
    }
    m_deadline.start(m_current->deadline);
    sendRest();
}

void PgLink::sendRest()
{
    const int unsent = PQflush(m_conn);
    if (unsent < 0) {
        close(lost());
        return;
    }
    m_writable->setEnabled(unsent == 1);
}

void PgLink::readAnswer()
{
    // Over TLS, what the socket brought may wait decrypted inside the TLS library, where the
    // socket shows nothing of it: it is read again while a request wants more, a few times.
    const int readings = PQsslInUse(m_conn) ? tlsReadings : 1;
    for (int reading = 0; reading < readings && takeResults(); ++reading) {
        if (!m_current || !PQisBusy(m_conn))
            return;
    }
}

bool PgLink::takeResults()
{
    if (!PQconsumeInput(m_conn)) {
        close(lost());
        return false;
    }
    while (PGnotify *notification = PQnotifies(m_conn)) {
        const QByteArray payload(notification->extra);
        PQfreemem(notification);
        if (m_notified)
            m_notified(payload);
    }
    if (!m_current) {
        // Between requests the server only speaks to end the connection.
        if (PQstatus(m_conn) != CONNECTION_OK)
            close(lost());
        return m_conn != nullptr;
    }
    while (!PQisBusy(m_conn)) {
        pg_result *result = PQgetResult(m_conn);
        if (!result) {
            answered();
            return m_conn != nullptr;
        }
        keep(result);
    }
    return true;
}

void PgLink::keep(pg_result *result)
{
    PgResult kept(result, PQclear);
    if (!m_reply.result || !failed(m_reply.result.get()))
        m_reply.result = std::move(kept);
}

void PgLink::answered()
{
    if (!m_reply.result || PQstatus(m_conn) != CONNECTION_OK) {
        close(lost());
        return;
    }
    m_deadline.stop();
    const Request request = std::move(*m_current);
    m_current.reset();
    Reply reply = std::move(m_reply);
    m_reply = Reply();
    sendNext();
    request.done(std::move(reply));
}

void PgLink::close(const DbError &cause)
{
    if (!m_conn)
        return;
    m_deadline.stop();
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    PQfinish(std::exchange(m_conn, nullptr));
    std::deque<Request> waiting = std::move(m_queue);
    m_queue.clear();
    if (m_current)
        waiting.push_front(std::move(*m_current));
    m_current.reset();
    m_reply = Reply();
    for (const Request &request : waiting)
        request.done(Reply{PgResult(nullptr, nullptr), cause});
}
