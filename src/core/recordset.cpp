#include "core/recordset.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/valuetext.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

DbError errorOf(const QSqlError &error)
{
    bool numeric = false;
    const int native = error.nativeErrorCode().toInt(&numeric);
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return DbError(numeric ? native : int(DbError::ProviderError), text);
}

QString tableOf(const QString &select)
{
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+([^\\s;,()]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return from.match(select).captured(1);
}

} // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset &&) noexcept = default;
Recordset &Recordset::operator=(Recordset &&) noexcept = default;

void Recordset::open(const QString &source, Connection &activeConnection)
{
    close();
    QSqlDatabase database = activeConnection.databaseForQuery();
    auto query = std::make_unique<QSqlQuery>(database);
    query->setForwardOnly(true);
    if (!query->exec(source))
        throw errorOf(query->lastError());
    m_database = database;

    const QSqlRecord columns = query->record();
    m_positions.clear();
    for (int i = columns.count() - 1; i >= 0; --i)
        m_positions.insert(columns.fieldName(i).toCaseFolded(), i);
    m_query = std::move(query);
    m_table = tableOf(source);
    m_rowsPassed = 0;
    m_readAhead.clear();
    m_queryExhausted = false;
    m_adding = false;
    m_atEnd = !readRow(m_current);
}

void Recordset::close()
{
    m_query.reset();
    m_database = QSqlDatabase();
    m_positions.clear();
    m_current.clear();
    m_readAhead.clear();
    m_atEnd = true;
    m_adding = false;
    m_newRow.clear();
}

bool Recordset::readRow(Row &row)
{
    if (m_readAhead.empty())
        return fetch(row);
    row = std::move(m_readAhead.front());
    m_readAhead.pop_front();
    return true;
}

bool Recordset::fetch(Row &row)
{
    if (m_queryExhausted)
        return false;
    if (!m_query->next()) {
        m_queryExhausted = true;
        if (m_query->lastError().isValid())
            throw errorOf(m_query->lastError());
        m_query->finish();
        return false;
    }
    const int count = int(m_positions.size());
    row.resize(count);
    for (int i = 0; i < count; ++i) {
        QVariant value = m_query->value(i);
        row[i] = value.isNull() ? QVariant() : std::move(value);
    }
    return true;
}

void Recordset::requireOpen() const
{
    if (!m_query)
        throw DbError(DbError::ObjectClosed, QStringLiteral("记录集没有打开，不能进行此操作。"));
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
    ++m_rowsPassed;
    m_atEnd = !readRow(m_current);
}

int Recordset::recordCount()
{
    requireOpen();
    for (Row row; fetch(row);)
        m_readAhead.push_back(std::move(row));
    return m_rowsPassed + (m_atEnd ? 0 : 1) + int(m_readAhead.size());
}

int Recordset::fieldCount() const
{
    requireOpen();
    return int(m_positions.size());
}

const Recordset::Row &Recordset::currentRow() const
{
    requireOpen();
    if (m_atEnd)
        throw DbError(DbError::NoCurrentRecord,
                      QStringLiteral("没有当前记录：查询没有返回符合条件的行。"));
    return m_current;
}

int Recordset::positionOf(const QString &name) const
{
    const auto found = m_positions.constFind(name.toCaseFolded());
    if (found == m_positions.constEnd())
        throw DbError(DbError::ItemNotFound, QStringLiteral("查询结果中没有字段 ") + name);
    return found.value();
}

bool Recordset::hasField(const QString &name) const
{
    return m_positions.contains(name.toCaseFolded());
}

QVariant Recordset::field(int position) const
{
    const Row &row = currentRow();
    if (position < 0 || position >= row.size())
        throw DbError(DbError::ItemNotFound, QStringLiteral("查询结果中没有第 %1 个字段").arg(position + 1));
    return row.at(position);
}

QVariant Recordset::field(const QString &name) const
{
    const int position = positionOf(name);
    return currentRow().at(position);
}

void Recordset::addNew()
{
    requireOpen();
    if (m_table.isEmpty())
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
    QStringList names;
    QStringList marks;
    for (const auto &field : std::as_const(m_newRow)) {
        names << ValueText::quotedName(field.first);
        marks << QStringLiteral("?");
    }
    QSqlQuery insert(m_database);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(ValueText::quotedName(m_table), names.join(QLatin1Char(',')),
                            marks.join(QLatin1Char(','))));
    for (const auto &field : std::as_const(m_newRow))
        insert.addBindValue(field.second);
    m_newRow.clear();
    if (!insert.exec())
        throw errorOf(insert.lastError());
}
