#include "core/recordset.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/engine.h"
#include "core/valuetext.h"

#include <algorithm>

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    close();
}

Recordset::Recordset(Recordset &&other) = default;

Recordset &Recordset::operator=(Recordset &&other) = default;

void Recordset::open(const QString &source, Connection &activeConnection, const QVariantList &values)
{
    close();
    const std::shared_ptr<EngineSession> session = activeConnection.session();
    session->countStatement();
    start(session->run(source, values), session, source, values);
}

void Recordset::openInPages(const QString &source, Connection &activeConnection, const QVariantList &values)
{
    close();
    const std::shared_ptr<EngineSession> session = activeConnection.session();
    session->countStatement();
    start(session->runInPages(source, values), session, source, values);
}

void Recordset::start(std::unique_ptr<EngineRows> rows, const std::shared_ptr<EngineSession> &session,
                      const QString &source, const QVariantList &values)
{
    m_rows = std::move(rows);
    m_session = session;
    m_source = source;
    m_values = values;
    const int columns = m_rows->columnCount();
    for (int column = 0; column < columns; ++column)
        m_names << m_rows->columnName(column);
    m_atEnd = m_rows->atEnd();
}

void Recordset::close()
{
    // The rows hand their statement back to the connection, if that is still open.
    m_rows.reset();
    m_session.reset();
    m_names.clear();
    m_values.clear();
    m_atEnd = true;
    m_adding = false;
    m_newRow.clear();
}

bool Recordset::isOpen() const
{
    return m_rows && m_rows->isOpen();
}

std::shared_ptr<EngineSession> Recordset::session() const
{
    requireOpen();
    const std::shared_ptr<EngineSession> session = m_session.lock();
    if (!session)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    return session;
}

void Recordset::requireOpen() const
{
    if (!isOpen())
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
    m_atEnd = true;
    m_rows->next();
    m_atEnd = m_rows->atEnd();
}

bool Recordset::nextAtHand() const
{
    requireOpen();
    return m_atEnd || m_rows->nextAtHand();
}

void Recordset::whenNextAtHand(std::function<void()> ready)
{
    requireOpen();
    if (m_atEnd)
        ready();
    else
        m_rows->whenNextAtHand(std::move(ready));
}

void Recordset::takeArrived()
{
    if (isOpen())
        m_rows->takeArrived();
}

int Recordset::recordCount()
{
    session()->countStatement();
    const std::unique_ptr<EngineRows> counting
        = session()->run(QStringLiteral("SELECT count(*) FROM (%1) AS counted").arg(m_source), m_values);
    return int(counting->integer(0));
}

void Recordset::confirmNoRows()
{
    session()->countStatement();
    session()->confirmNoRowsWithoutIndexes(m_source, m_values);
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

QString Recordset::decoded(QByteArrayView bytes) const
{
    QString text(StoredTextDecoder::capacityFor(bytes), Qt::Uninitialized);
    text.truncate(m_decoder.decode(bytes, text.data()) - text.constData());
    return text;
}

QVariant Recordset::field(int position) const
{
    const int column = checkedPosition(position);
    switch (m_rows->kind(column)) {
    case CellKind::Integer:
        return qlonglong(m_rows->integer(column));
    case CellKind::Real:
        return m_rows->real(column);
    case CellKind::Text:
        return decoded(m_rows->bytes(column));
    case CellKind::Blob:
        return m_rows->bytes(column).toByteArray();
    case CellKind::Null:
        break;
    }
    return QVariant();
}

QVariant Recordset::field(const QString &name) const
{
    return field(positionOf(name));
}

QStringView Recordset::text(int position)
{
    const int column = checkedPosition(position);
    switch (m_rows->kind(column)) {
    case CellKind::Null:
        return QStringView();
    case CellKind::Real: {
        char digits[ValueText::numberTextCapacity];
        const int length = ValueText::writePlainNumber(m_rows->real(column), digits);
        if (m_textBuffer.size() < length)
            m_textBuffer.resize(length);
        std::copy(digits, digits + length, m_textBuffer.begin());
        return QStringView(m_textBuffer.constData(), length);
    }
    default: {
        // Whole numbers and text alike read as text; the engine writes 1500, not 1500.0.
        const QByteArrayView bytes = m_rows->bytes(column);
        if (m_textBuffer.size() < StoredTextDecoder::capacityFor(bytes))
            m_textBuffer.resize(StoredTextDecoder::capacityFor(bytes));
        const QChar *end = m_decoder.decode(bytes, m_textBuffer.data());
        return QStringView(m_textBuffer.constData(), end - m_textBuffer.constData());
    }
    }
}

StoredText Recordset::storedText(int position) const
{
    const int column = checkedPosition(position);
    if (m_rows->kind(column) == CellKind::Null)
        return StoredText();
    return StoredText::fromBytes(m_rows->bytes(column));
}

StoredText Recordset::storedText(const QString &name) const
{
    return storedText(positionOf(name));
}

QByteArrayView Recordset::storedBytes(int position) const
{
    const int column = checkedPosition(position);
    if (m_rows->kind(column) == CellKind::Null)
        return QByteArrayView();
    return m_rows->bytes(column);
}

void Recordset::addNew()
{
    requireOpen();
    if (ValueText::tableOf(m_source).name.isEmpty())
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
    session()->countStatement();
    session()->run(ValueText::insertStatement(ValueText::tableOf(m_source).name, columns), values);
}
