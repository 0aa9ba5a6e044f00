#include "core/pgsession.h"

#include "core/changenotice.h"
#include "core/dberror.h"
#include "core/heldinput.h"
#include "core/pgstatement.h"
#include "core/storedtext.h"
#include "core/valuetext.h"

#include <QEventLoop>
#include <QPointer>
#include <algorithm>
#include <charconv>
#include <libpq-fe.h>
#include <vector>

namespace {

// Type numbers of the server's built-in types (pg_type.oid), which never change.
enum TypeOid : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

// Statements in their server form kept per connection, and statements prepared on it: the
// program runs a few dozen different ones.
constexpr int translatedCapacity = 64;
constexpr int preparedCapacity = 64;
// What a server's text of a date and time starts with: yyyy-mm-dd hh:mm:ss.
constexpr int dateTimeLength = 19;

QString firstLine(const char *message)
{
    return QString::fromUtf8(message).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
}

// Throws DbError, from the server's own words, for an answer that is a failure.
void requireSucceeded(const PgResult &result, int timeoutSeconds)
{
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
        return;
    const char *state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    if (state && qstrcmp(state, "57014") == 0)
        throw DbError::timedOut(timeoutSeconds);
    const char *primary = PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY);
    throw DbError(DbError::ProviderError,
                  primary ? QString::fromUtf8(primary) : firstLine(PQresultErrorMessage(result.get())));
}

// A statement the server stops at its time-out is reported by the server itself: the desk
// waits this much longer for its word before it gives up on a server that does not answer.
constexpr std::chrono::milliseconds serverReportMargin(2000);

std::chrono::milliseconds &longestWait()
{
    static std::chrono::milliseconds longest(0);
    return longest;
}

std::chrono::milliseconds capped(std::chrono::milliseconds deadline)
{
    return longestWait().count() > 0 ? std::min(deadline, longestWait()) : deadline;
}

// The settings every connection gets before its first statement: dates read as
// yyyy-mm-dd hh:mm:ss, numbers in full, a backslash in text as itself. A desk's search is
// small, and several desks share the server: each statement runs on one core, which gave
// several desks twice the searches a second of parallel workers.
QByteArray sessionSettings(int timeoutSeconds)
{
    return "SET DateStyle = ISO, YMD; SET IntervalStyle = postgres; SET standard_conforming_strings = on;"
           " SET extra_float_digits = 1; SET max_parallel_workers_per_gather = 0; SET statement_timeout = "
           + QByteArray::number(qint64(timeoutSeconds) * 1000);
}

// How the program reads a column of each server type.
enum class ColumnKind { Text, Integer, Boolean, Real, Numeric, DateTime, Bytes };

ColumnKind kindOfType(Oid type)
{
    switch (type) {
    case Int8Oid:
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        return ColumnKind::Integer;
    case BoolOid:
        return ColumnKind::Boolean;
    case Float4Oid:
    case Float8Oid:
        return ColumnKind::Real;
    case NumericOid:
        return ColumnKind::Numeric;
    case TimestampOid:
    case TimestampTzOid:
        return ColumnKind::DateTime;
    case ByteaOid:
        return ColumnKind::Bytes;
    default:
        return ColumnKind::Text;
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The rows of one statement, held whole in memory as the server sent them.
class PgRows : public EngineRows
{
public:
    PgRows(PgResult result, std::weak_ptr<const bool> session)
        : m_result(std::move(result)), m_session(std::move(session)), m_rowCount(PQntuples(m_result.get()))
    {
        const int columns = PQnfields(m_result.get());
        for (int column = 0; column < columns; ++column)
            m_kinds.push_back(kindOfType(PQftype(m_result.get(), column)));
        m_decoded.resize(size_t(columns));
    }

    bool isOpen() const override { return !m_session.expired(); }
    bool atEnd() const override { return m_row >= m_rowCount; }
    void next() override
    {
        if (!isOpen())
            throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
        if (m_row < m_rowCount)
            ++m_row;
    }

    int columnCount() const override { return int(m_kinds.size()); }
    QString columnName(int column) const override { return QString::fromUtf8(PQfname(m_result.get(), column)); }

    CellKind kind(int column) const override
    {
        if (PQgetisnull(m_result.get(), m_row, column))
            return CellKind::Null;
        switch (m_kinds[size_t(column)]) {
        case ColumnKind::Integer:
        case ColumnKind::Boolean:
            return CellKind::Integer;
        case ColumnKind::Real:
        case ColumnKind::Numeric:
            return CellKind::Real;
        case ColumnKind::Bytes:
            return CellKind::Blob;
        default:
            return CellKind::Text;
        }
    }

    qint64 integer(int column) const override
    {
        const QByteArrayView text = raw(column);
        if (m_kinds[size_t(column)] == ColumnKind::Boolean)
            return text == "t" ? -1 : 0;
        qint64 number = 0;
        std::from_chars(text.begin(), text.end(), number);
        return number;
    }

    double real(int column) const override
    {
        const QByteArrayView text = raw(column);
        double number = 0;
        const char *begin = text.begin();
        // from_chars reads no sign before infinity, the server writes one.
        const bool negative = !text.isEmpty() && *begin == '-';
        std::from_chars(begin + (negative ? 1 : 0), text.end(), number);
        return negative ? -number : number;
    }

    QByteArrayView bytes(int column) const override
    {
        if (PQgetisnull(m_result.get(), m_row, column))
            return QByteArrayView();
        const QByteArrayView text = raw(column);
        switch (m_kinds[size_t(column)]) {
        case ColumnKind::Boolean:
            return text == "t" ? QByteArrayView("-1") : QByteArrayView("0");
        case ColumnKind::Numeric:
            return withoutTrailingZeros(text);
        case ColumnKind::DateTime:
            // Seconds are the finest the program shows: a fraction, or a zone, goes.
            return text.size() > dateTimeLength && text.at(10) == ' ' ? text.first(dateTimeLength) : text;
        case ColumnKind::Bytes:
            return decodedBytes(column, text);
        default:
            return text;
        }
    }

protected:
    int rowsInPage() const { return m_rowCount; }
    bool pastPage() const { return m_row + 1 >= m_rowCount; }
    // Reads on from the first row of another result of the same statement.
    void turnPage(PgResult result)
    {
        m_result = std::move(result);
        m_rowCount = PQntuples(m_result.get());
        m_row = 0;
    }

private:
    QByteArrayView raw(int column) const
    {
        return QByteArrayView(PQgetvalue(m_result.get(), m_row, column), PQgetlength(m_result.get(), m_row, column));
    }

    // 85.50 reads 85.5, and 1500.00 reads 1500, as the number's plain form.
    static QByteArrayView withoutTrailingZeros(QByteArrayView text)
    {
        if (!text.contains('.'))
            return text;
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.'))
            text.chop(1);
        return text;
    }

    // The server writes bytea as \x and two hexadecimal digits a byte.
    QByteArrayView decodedBytes(int column, QByteArrayView text) const
    {
        QByteArray &decoded = m_decoded[size_t(column)];
        decoded.clear();
        if (text.startsWith("\\x")) {
            for (qsizetype at = 2; at + 1 < text.size(); at += 2)
                decoded.append(char(hexDigit(text.at(at)) * 16 + hexDigit(text.at(at + 1))));
        }
        // Not empty-but-null: an empty bytea is a value.
        if (decoded.isNull())
            decoded = QByteArray("");
        return decoded;
    }

    PgResult m_result;
    std::weak_ptr<const bool> m_session;
    int m_rowCount;
    int m_row = 0;
    std::vector<ColumnKind> m_kinds;
    mutable std::vector<QByteArray> m_decoded;
};

// The cursor a search's rows are read through, a page at a time, in a transaction of its own
// that other statements of the desk share meanwhile: one at a time on a connection.
const QByteArray cursorName = "quillonix_pages";
// The first page holds more than a screenful; the later ones are large enough that asking
// costs little against reading them, and small enough to be read in a turn of the window.
constexpr int firstPageRows = 1000;
constexpr int laterPageRows = 10000;
// A wait for a page shorter than this shows nothing, as with any other statement.
constexpr std::chrono::milliseconds pageWaitShownAfter(300);

QByteArray fetchOf(int rows)
{
    return "FETCH FORWARD " + QByteArray::number(rows) + " FROM " + cursorName;
}

// A statement's rows read through a cursor: the next page is asked for as soon as the one
// before it is in hand, without waiting for it, so that a desk holds at most two pages. The
// transaction ends once the last page is in, or when the rows are closed before that.
class PgPagedRows : public PgRows
{
public:
    // The session is read only while it is alive (isOpen()): its time-out may change meanwhile.
    PgPagedRows(PgResult firstPage, std::weak_ptr<const bool> alive, const PgSession &session, PgLink &link)
        : PgRows(std::move(firstPage), std::move(alive)), m_session(session), m_link(&link)
    {
        followPage(firstPageRows);
    }

    ~PgPagedRows() override
    {
        if (!m_ended)
            endTransaction();
    }

    bool atEnd() const override { return PgRows::atEnd() && !m_next; }

    void next() override
    {
        if (!pastPage() || !m_next) {
            PgRows::next();
            return;
        }
        if (!isOpen())
            throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
        if (!m_next->arrived) {
            QEventLoop waiting;
            m_next->ready = [&waiting] { waiting.quit(); };
            while (!m_next->arrived)
                waitHoldingInput(waiting, pageWaitShownAfter);
        }
        const std::shared_ptr<Page> page = std::exchange(m_next, nullptr);
        if (page->failure)
            throw *page->failure;
        requireSucceeded(page->result, m_session.timeoutSeconds());
        turnPage(std::move(page->result));
        followPage(laterPageRows);
    }

    bool nextAtHand() const override { return !pastPage() || !m_next || m_next->arrived; }

    void whenNextAtHand(std::function<void()> ready) override
    {
        if (nextAtHand())
            ready();
        else
            m_next->ready = std::move(ready);
    }

    // The server sends a page only as fast as the desk takes it in: while the page before is
    // listed, the next one is taken in as it comes rather than once the list is done.
    void takeArrived() override
    {
        if (m_next && !m_next->arrived && m_link && isOpen())
            m_link->takeArrived();
    }

private:
    struct Page
    {
        PgResult result{nullptr, nullptr};
        std::optional<DbError> failure;
        bool arrived = false;
        std::function<void()> ready;
    };

    // After a page of asked rows: asks for the next, or ends the transaction after the last.
    void followPage(int asked)
    {
        if (rowsInPage() < asked) {
            endTransaction();
            return;
        }
        m_next = std::make_shared<Page>();
        const std::weak_ptr<Page> page = m_next;
        const QByteArray fetch = fetchOf(laterPageRows);
        submit([fetch](pg_conn *connection) { return PQsendQuery(connection, fetch.constData()); },
               [page](PgLink::Reply reply) {
                   const std::shared_ptr<Page> waiting = page.lock();
                   if (!waiting)
                       return;
                   waiting->result = std::move(reply.result);
                   waiting->failure = std::move(reply.failure);
                   waiting->arrived = true;
                   if (waiting->ready)
                       std::exchange(waiting->ready, nullptr)();
               });
    }

    // Ends the transaction, and with it the cursor, whatever came of it; once the connection
    // is lost, both went with it.
    void endTransaction()
    {
        m_ended = true;
        submit([](pg_conn *connection) { return PQsendQuery(connection, "COMMIT"); }, [](PgLink::Reply) {});
    }

    void submit(PgLink::Send send, PgLink::Done done)
    {
        if (m_link && isOpen())
            m_link->submit(std::move(send), m_session.statementDeadline(), std::move(done));
        else
            done(PgLink::Reply{PgResult(nullptr, nullptr),
                               DbError(DbError::ProviderError,
                                       QStringLiteral("与数据库服务器的连接已断开，下一次操作时重新连接。"))});
    }

    const PgSession &m_session;
    QPointer<PgLink> m_link;
    // The page asked for and not read yet; none once the last is in.
    std::shared_ptr<Page> m_next;
    bool m_ended = false;
};

} // namespace

// The values of a statement as libpq takes them: text in the server's own input form, of
// a type the server infers from where the value stands; bytes as bytea.
class PgParameters
{
public:
    explicit PgParameters(const QVariantList &values)
    {
        m_texts.reserve(size_t(values.size()));
        for (const QVariant &value : values)
            add(value);
        for (size_t i = 0; i < m_texts.size(); ++i) {
            // An empty value is not Null: it points at its (empty) text.
            m_pointers.push_back(m_null[i] ? nullptr : m_texts[i].isNull() ? "" : m_texts[i].constData());
            m_lengths.push_back(int(m_texts[i].size()));
        }
    }

    int count() const { return int(m_texts.size()); }
    const std::vector<Oid> &typeList() const { return m_types; }
    const Oid *types() const { return m_types.data(); }
    const char *const *values() const { return m_pointers.data(); }
    const int *lengths() const { return m_lengths.data(); }
    const int *formats() const { return m_formats.data(); }

private:
    void add(const QVariant &value)
    {
        const QMetaType type = value.isNull() ? QMetaType() : value.metaType();
        Oid oid = 0;
        int format = 0;
        bool null = false;
        QByteArray text;
        if (type == QMetaType::fromType<StoredText>()) {
            // The very bytes stored: the server finds stored text by the same bytes.
            const StoredText stored = value.value<StoredText>();
            null = stored.isNull();
            text = stored.bytes();
        } else {
            switch (type.id()) {
            case QMetaType::UnknownType:
                null = true;
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                text = QByteArray::number(value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float: {
                char digits[ValueText::numberTextCapacity];
                text = QByteArray(digits, ValueText::writePlainNumber(value.toDouble(), digits));
                break;
            }
            case QMetaType::QByteArray:
                text = value.toByteArray();
                oid = ByteaOid;
                format = 1;
                break;
            default: {
                const QString string = value.toString();
                null = string.isNull();
                text = string.toUtf8();
            }
            }
        }
        m_null.push_back(null);
        m_texts.push_back(text);
        m_types.push_back(oid);
        m_formats.push_back(format);
    }

    std::vector<QByteArray> m_texts;
    std::vector<bool> m_null;
    std::vector<Oid> m_types;
    std::vector<const char *> m_pointers;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
};

PgSession::PgSession(const QString &connectionText, int timeoutSeconds)
    : m_settings(PgSettings::forConnection(connectionText, timeoutSeconds)), m_timeoutSeconds(timeoutSeconds)
{
    connect();
}

PgSession::~PgSession() = default;

void PgSession::setLongestWait(std::chrono::milliseconds longest)
{
    longestWait() = longest;
}

std::chrono::milliseconds PgSession::connectDeadline() const
{
    return capped(std::chrono::seconds(m_timeoutSeconds));
}

std::chrono::milliseconds PgSession::statementDeadline() const
{
    return capped(std::chrono::seconds(m_timeoutSeconds) + serverReportMargin);
}

void PgSession::connect()
{
    // What was prepared went with the old connection.
    m_prepared.clear();
    m_link.reset();
    m_listening = false;
    m_link = PgLink::open(m_settings, connectDeadline());
    m_link->setNotified([this](const QByteArray &payload) {
        if (m_changeListener)
            m_changeListener(payload);
    });
    const QByteArray settings = sessionSettings(m_timeoutSeconds);
    requireSuccess(request([&settings](pg_conn *connection) { return PQsendQuery(connection, settings.constData()); }));
    m_timeoutSent = true;
}

void PgSession::makeReady()
{
    if (!m_link || !m_link->isOpen())
        connect();
    if (!m_timeoutSent) {
        const QByteArray setting = "SET statement_timeout = " + QByteArray::number(qint64(m_timeoutSeconds) * 1000);
        requireSuccess(request([&setting](pg_conn *connection) { return PQsendQuery(connection, setting.constData()); }));
        m_timeoutSent = true;
    }
    if (m_changeListener && !m_listening) {
        static const QByteArray listen = QByteArray("LISTEN ") + ChangeNotice::channel;
        requireSuccess(request([](pg_conn *connection) { return PQsendQuery(connection, listen.constData()); }));
        m_listening = true;
    }
}

PgResult PgSession::request(const PgLink::Send &send)
{
    PgLink::Reply reply = m_link->run(send, statementDeadline());
    if (reply.failure)
        throw *reply.failure;
    return std::move(reply.result);
}

void PgSession::requireSuccess(const PgResult &result) const
{
    requireSucceeded(result, m_timeoutSeconds);
}

void PgSession::setChangeListener(ChangeListener listener)
{
    m_changeListener = std::move(listener);
}

void PgSession::setStatementTimeout(int seconds)
{
    m_timeoutSeconds = seconds;
    m_timeoutSent = false;
}

const QByteArray &PgSession::translated(const QString &source)
{
    auto found = m_translated.constFind(source);
    if (found != m_translated.cend())
        return *found;
    if (m_translated.size() >= translatedCapacity)
        m_translated.clear();
    return *m_translated.insert(source, PgStatement::translate(source));
}

const QByteArray *PgSession::preparedStatement(const QString &source, const PgParameters &parameters)
{
    const auto found = m_prepared.constFind(source);
    if (found != m_prepared.cend())
        return found->types == parameters.typeList() ? &found->name : nullptr;
    if (m_prepared.size() >= preparedCapacity)
        return nullptr;
    const QByteArray name = "quillonix_" + QByteArray::number(++m_preparedNumber);
    const QByteArray &statement = translated(source);
    const PgResult prepared = request([&](pg_conn *connection) {
        return PQsendPrepare(connection, name.constData(), statement.constData(), parameters.count(),
                             parameters.types());
    });
    // A statement the server refuses runs unprepared, to fail as any other does.
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK)
        return nullptr;
    return &m_prepared.insert(source, {name, parameters.typeList()})->name;
}

PgResult PgSession::execute(const QString &source, const PgParameters &parameters, bool mayPrepareAgain)
{
    const QByteArray *name = preparedStatement(source, parameters);
    if (!name) {
        const QByteArray &statement = translated(source);
        return request([&](pg_conn *connection) {
            return PQsendQueryParams(connection, statement.constData(), parameters.count(), parameters.types(),
                                     parameters.values(), parameters.lengths(), parameters.formats(), 0);
        });
    }
    PgResult result = request([&](pg_conn *connection) {
        return PQsendQueryPrepared(connection, name->constData(), parameters.count(), parameters.values(),
                                   parameters.lengths(), parameters.formats(), 0);
    });
    // The back office loaded the table again with other columns: the statement is prepared anew.
    const char *state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    if (mayPrepareAgain && state && qstrcmp(state, "0A000") == 0) {
        const QByteArray deallocate = "DEALLOCATE " + *name;
        request([&deallocate](pg_conn *connection) { return PQsendQuery(connection, deallocate.constData()); });
        m_prepared.remove(source);
        return execute(source, parameters, false);
    }
    return result;
}

std::unique_ptr<EngineRows> PgSession::run(const QString &source, const QVariantList &values)
{
    makeReady();
    const PgParameters parameters(values);
    PgResult result = execute(source, parameters, true);
    requireSuccess(result);
    return std::make_unique<PgRows>(std::move(result), m_alive);
}

std::unique_ptr<EngineRows> PgSession::runInPages(const QString &source, const QVariantList &values)
{
    makeReady();
    const PgParameters parameters(values);
    requireSuccess(request([](pg_conn *connection) { return PQsendQuery(connection, "BEGIN"); }));
    try {
        requireSuccess(execute(QStringLiteral("DECLARE %1 NO SCROLL CURSOR FOR ").arg(QString::fromLatin1(cursorName))
                                   + source,
                               parameters, true));
        const QByteArray fetch = fetchOf(firstPageRows);
        PgResult first = request([&fetch](pg_conn *connection) { return PQsendQuery(connection, fetch.constData()); });
        requireSuccess(first);
        if (PQntuples(first.get()) < firstPageRows) {
            // Every row came at once: the transaction ends before the statement returns, as
            // any other's does, and nothing is left on the connection.
            requireSuccess(request([](pg_conn *connection) { return PQsendQuery(connection, "COMMIT"); }));
            return std::make_unique<PgRows>(std::move(first), m_alive);
        }
        return std::make_unique<PgPagedRows>(std::move(first), m_alive, *this, *m_link);
    } catch (const DbError &) {
        if (m_link && m_link->isOpen())
            m_link->submit([](pg_conn *connection) { return PQsendQuery(connection, "COMMIT"); },
                           statementDeadline(), [](PgLink::Reply) {});
        throw;
    }
}
