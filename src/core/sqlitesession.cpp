#include "core/sqlitesession.h"

#include "core/dberror.h"
#include "core/sqliteengine.h"
#include "core/sqlitesource.h"
#include "core/storedtext.h"
#include "core/valuetext.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

// How many engine instructions run between two looks at the clock: often enough to stop
// on time, seldom enough to cost nothing that can be measured.
constexpr int instructionsBetweenLooks = 1000;

void bindValue(sqlite3_stmt *statement, int index, const QVariant &value)
{
    int result = SQLITE_OK;
    const QMetaType type = value.isNull() ? QMetaType() : value.metaType();
    if (type == QMetaType::fromType<StoredText>()) {
        const StoredText stored = value.value<StoredText>();
        // Text, not a blob: SQLite finds stored text only by text of the very same bytes.
        result = stored.isNull() ? sqlite3_bind_null(statement, index)
                                 : sqlite3_bind_text(statement, index, stored.bytes().constData(),
                                                     int(stored.bytes().size()), SQLITE_TRANSIENT);
    } else {
        switch (type.id()) {
        case QMetaType::UnknownType:
            result = sqlite3_bind_null(statement, index);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            result = sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            result = sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            result = sqlite3_bind_blob(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            result = sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (result != SQLITE_OK)
        throw sqliteError(sqlite3_db_handle(statement));
}

} // namespace

// The rows of one statement of a session. The statement goes back to the session when the
// rows are done with, or is finished by the session when it closes first.
class SqliteRows : public EngineRows
{
public:
    SqliteRows(SqliteSession &session, const QString &source, sqlite3_stmt *statement)
        : m_session(&session), m_source(source), m_statement(statement), m_started(SqliteSession::Clock::now())
    {
        session.m_lent.push_back(this);
    }
    ~SqliteRows() override
    {
        if (m_session)
            m_session->giveBack(*this);
    }
    SqliteRows(const SqliteRows &) = delete;
    SqliteRows &operator=(const SqliteRows &) = delete;

    // The session closes: the statement is finished with it.
    void detach()
    {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_session = nullptr;
        m_atEnd = true;
    }

    void bind(const QVariantList &values)
    {
        for (int index = 0; index < values.size(); ++index)
            bindValue(m_statement, index + 1, values.at(index));
    }

    const QString &source() const { return m_source; }
    sqlite3_stmt *statement() const { return m_statement; }

    bool isOpen() const override { return m_statement != nullptr; }
    bool atEnd() const override { return m_atEnd; }
    void next() override
    {
        if (!m_session)
            throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
        m_atEnd = true;
        m_atEnd = !m_session->step(m_statement, m_started);
    }

    int columnCount() const override { return sqlite3_column_count(m_statement); }
    QString columnName(int column) const override
    {
        return QString::fromUtf8(sqlite3_column_name(m_statement, column));
    }

    CellKind kind(int column) const override
    {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return CellKind::Integer;
        case SQLITE_FLOAT:
            return CellKind::Real;
        case SQLITE_TEXT:
            return CellKind::Text;
        case SQLITE_BLOB:
            return CellKind::Blob;
        default:
            return CellKind::Null;
        }
    }
    qint64 integer(int column) const override { return sqlite3_column_int64(m_statement, column); }
    double real(int column) const override { return sqlite3_column_double(m_statement, column); }
    QByteArrayView bytes(int column) const override
    {
        // Text first, then its length, as SQLite asks: whole numbers read as their digits.
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
    }

private:
    SqliteSession *m_session;
    QString m_source;
    sqlite3_stmt *m_statement;
    SqliteSession::Clock::time_point m_started;
    bool m_atEnd = true;
};

SqliteSession::SqliteSession(std::unique_ptr<DatabaseSource> source, int timeoutSeconds)
    : m_source(std::move(source)), m_timeoutSeconds(timeoutSeconds)
{
}

SqliteSession::~SqliteSession()
{
    // Every statement is finished before the connection closes, or SQLite cannot close it.
    for (SqliteRows *rows : std::exchange(m_lent, {}))
        rows->detach();
    if (m_engine)
        sqlite3_progress_handler(m_engine, 0, nullptr, nullptr);
}

sqlite3 *SqliteSession::engineForQuery()
{
    sqlite3 *engine = sqliteEngineOf(m_source->database());
    if (!engine)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    if (engine != m_engine) {
        m_engine = engine;
        registerListingFunctions(engine);
        sqlite3_progress_handler(engine, instructionsBetweenLooks, &SqliteSession::stopIfTooLong, this);
    }
    return engine;
}

std::unique_ptr<EngineRows> SqliteSession::run(const QString &source, const QVariantList &values)
{
    sqlite3 *engine = engineForQuery();
    auto rows = std::make_unique<SqliteRows>(*this, source, m_statements.take(engine, source));
    rows->bind(values);
    rows->next();
    return rows;
}

void SqliteSession::confirmNoRowsWithoutIndexes(const QString &source, const QVariantList &values)
{
    const ValueText::NamedTable table = ValueText::tableOf(source);
    if (table.name.isEmpty())
        return;
    QString unindexed = source;
    unindexed.insert(table.end, QStringLiteral(" NOT INDEXED"));
    bool found = false;
    try {
        found = !run(unindexed, values)->atEnd();
    } catch (const DbError &error) {
        // A view, say, has no indexes to pass by: what it finds is what it holds.
        if ((error.number() & 0xff) != SQLITE_ERROR)
            throw;
    }
    if (found)
        throw DbError::damaged(SQLITE_CORRUPT_INDEX);
}

bool SqliteSession::step(sqlite3_stmt *statement, Clock::time_point started)
{
    m_stepDeadline = started + std::chrono::seconds(m_timeoutSeconds);
    m_stepping = true;
    const int result = sqlite3_step(statement);
    m_stepping = false;
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    if (std::exchange(m_stopped, false))
        throw DbError::timedOut(m_timeoutSeconds);
    throw sqliteError(sqlite3_db_handle(statement));
}

int SqliteSession::stopIfTooLong(void *session)
{
    auto *self = static_cast<SqliteSession *>(session);
    if (!self->m_stepping || Clock::now() < self->m_stepDeadline)
        return 0;
    self->m_stopped = true;
    return 1;
}

void SqliteSession::giveBack(SqliteRows &rows)
{
    m_lent.erase(std::remove(m_lent.begin(), m_lent.end(), &rows), m_lent.end());
    m_statements.giveBack(rows.source(), rows.statement());
}
