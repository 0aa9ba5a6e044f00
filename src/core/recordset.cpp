#include "core/recordset.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/sqliteengine.h"
#include "core/statementcache.h"
#include "core/valuetext.h"

#include <QRegularExpression>
#include <algorithm>
#include <sqlite3.h>

namespace {

sqlite3 *engineOf(const QSqlDatabase &database)
{
    sqlite3 *engine = sqliteEngineOf(database);
    if (!engine)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    return engine;
}

DbError engineError(sqlite3 *engine)
{
    return DbError(sqlite3_extended_errcode(engine), QString::fromUtf8(sqlite3_errmsg(engine)));
}

void bindValue(sqlite3_stmt *statement, int index, const QVariant &value)
{
    int result = SQLITE_OK;
    switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
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
    default: {
        const QByteArray text = value.toString().toUtf8();
        result = sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
    if (result != SQLITE_OK)
        throw engineError(sqlite3_db_handle(statement));
}

QString tableOf(const QString &select)
{
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+([^\\s;,()]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return from.match(select).captured(1);
}

} // namespace

void Recordset::StatementDeleter::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    close();
}

Recordset::Recordset(Recordset &&other) noexcept
{
    *this = std::move(other);
}

Recordset &Recordset::operator=(Recordset &&other) noexcept
{
    if (this != &other) {
        close();
        m_database = std::move(other.m_database);
        m_cache = std::move(other.m_cache);
        m_statement = std::move(other.m_statement);
        m_source = std::move(other.m_source);
        m_values = std::move(other.m_values);
        m_names = std::move(other.m_names);
        m_atEnd = std::exchange(other.m_atEnd, true);
        m_newRow = std::move(other.m_newRow);
        m_adding = std::exchange(other.m_adding, false);
    }
    return *this;
}

void Recordset::open(const QString &source, Connection &activeConnection, const QVariantList &values)
{
    close();
    QSqlDatabase database = activeConnection.databaseForQuery();
    const std::shared_ptr<StatementCache> cache = activeConnection.statementCache();
    m_statement.reset(cache->take(engineOf(database), source));
    m_cache = cache;
    m_database = database;
    m_source = source;
    m_values = values;
    bind(values);
    const int columns = sqlite3_column_count(m_statement.get());
    for (int column = 0; column < columns; ++column)
        m_names << QString::fromUtf8(sqlite3_column_name(m_statement.get(), column));
    step();
}

void Recordset::bind(const QVariantList &values)
{
    for (int index = 0; index < values.size(); ++index)
        bindValue(m_statement.get(), index + 1, values.at(index));
}

void Recordset::close()
{
    // The compiled statement goes back to its connection, if that is still open.
    if (const std::shared_ptr<StatementCache> cache = m_cache.lock(); cache && m_statement)
        cache->giveBack(m_source, m_statement.release());
    m_statement.reset();
    m_cache.reset();
    m_database = QSqlDatabase();
    m_names.clear();
    m_values.clear();
    m_atEnd = true;
    m_adding = false;
    m_newRow.clear();
}

void Recordset::step()
{
    const int result = sqlite3_step(m_statement.get());
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        m_atEnd = true;
        throw engineError(sqlite3_db_handle(m_statement.get()));
    }
    m_atEnd = result == SQLITE_DONE;
}

void Recordset::requireOpen() const
{
    if (!m_statement)
        throw DbError(DbError::ObjectClosed, QStringLiteral("记录集没有打开，不能进行此操作。"));
}

void Recordset::requireRow() const
{
    requireOpen();
    if (m_atEnd)
        throw DbError(DbError::NoCurrentRecord, QStringLiteral("没有当前记录：查询没有返回符合条件的行。"));
}

bool Recordset::eof() const
{
    requireOpen();
    return m_atEnd;
}

void Recordset::moveNext()
{
    requireOpen();
    if (m_atEnd)
        throw DbError(DbError::NoCurrentRecord, QStringLiteral("已到记录集末尾，没有当前记录。"));
    step();
}

int Recordset::recordCount()
{
    Recordset counting = runBeside(QStringLiteral("SELECT count(*) FROM (%1)").arg(m_source), m_values);
    return sqlite3_column_int(counting.m_statement.get(), 0);
}

Recordset Recordset::runBeside(const QString &source, const QVariantList &values) const
{
    requireOpen();
    const std::shared_ptr<StatementCache> cache = m_cache.lock();
    if (!cache)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    Recordset other;
    other.m_statement.reset(cache->take(sqlite3_db_handle(m_statement.get()), source));
    other.m_cache = cache;
    other.m_database = m_database;
    other.m_source = source;
    other.bind(values);
    other.step();
    return other;
}

int Recordset::fieldCount() const
{
    requireOpen();
    return int(m_names.size());
}

int Recordset::checkedPosition(int position) const
{
    requireRow();
    if (position < 0 || position >= m_names.size())
        throw DbError(DbError::ItemNotFound, QStringLiteral("查询结果中没有第 %1 个字段").arg(position + 1));
    return position;
}

int Recordset::positionOf(const QString &name) const
{
    requireOpen();
    const auto found = std::find_if(m_names.cbegin(), m_names.cend(), [&name](const QString &column) {
        return column.size() == name.size() && column.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == m_names.cend())
        throw DbError(DbError::ItemNotFound, QStringLiteral("查询结果中没有字段 ") + name);
    return int(found - m_names.cbegin());
}

QVariant Recordset::field(int position) const
{
    sqlite3_stmt *statement = m_statement.get();
    const int column = checkedPosition(position);
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default:
        return QVariant();
    }
}

QVariant Recordset::field(const QString &name) const
{
    return field(positionOf(name));
}

QStringView Recordset::text(int position)
{
    sqlite3_stmt *statement = m_statement.get();
    const int column = checkedPosition(position);
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return QStringView();
    case SQLITE_FLOAT: {
        char digits[ValueText::numberTextCapacity];
        const int length = ValueText::writePlainNumber(sqlite3_column_double(statement, column), digits);
        if (m_textBuffer.size() < length)
            m_textBuffer.resize(length);
        std::copy(digits, digits + length, m_textBuffer.begin());
        return QStringView(m_textBuffer.constData(), length);
    }
    default: {
        // Whole numbers and text alike read as text; the engine writes 1500, not 1500.0.
        const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        const int bytes = sqlite3_column_bytes(statement, column);
        if (m_textBuffer.size() < bytes)
            m_textBuffer.resize(bytes);
        QChar *end = m_utf8.appendToBuffer(m_textBuffer.data(), QByteArrayView(utf8, bytes));
        m_utf8.resetState();
        return QStringView(m_textBuffer.constData(), end - m_textBuffer.constData());
    }
    }
}

void Recordset::addNew()
{
    requireOpen();
    if (tableOf(m_source).isEmpty())
        throw DbError(DbError::ProviderError, QStringLiteral("此记录集不能添加新行。"));
    m_newRow.clear();
    m_adding = true;
}

void Recordset::setField(const QString &name, const QVariant &value)
{
    if (!m_adding)
        throw DbError(DbError::ProviderError, QStringLiteral("只有新行的字段可以设置。"));
    positionOf(name);
    m_newRow.append({name, value});
}

void Recordset::update()
{
    if (!m_adding)
        throw DbError(DbError::ProviderError, QStringLiteral("没有要保存的新行。"));
    m_adding = false;
    QStringList columns;
    QVariantList values;
    for (const auto &field : std::as_const(m_newRow)) {
        columns << field.first;
        values << field.second;
    }
    m_newRow.clear();
    runBeside(ValueText::insertStatement(tableOf(m_source), columns), values);
}
