#include "servercolumn.h"

#include "core/valuetext.h"

#include <QDate>
#include <QStringDecoder>
#include <QTime>
#include <cmath>

namespace {

constexpr int dateTimeLength = 19; // yyyy-mm-dd hh:mm:ss

// Exactly the form a date takes in the listing database, and a real date and time.
bool isDateTime(const QByteArray &text)
{
    if (text.size() != dateTimeLength || text.at(10) != ' ')
        return false;
    const QString date = QString::fromLatin1(text.left(10));
    const QString time = QString::fromLatin1(text.mid(11));
    return QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).toString(QStringLiteral("yyyy-MM-dd")) == date
        && QTime::fromString(time, QStringLiteral("hh:mm:ss")).toString(QStringLiteral("hh:mm:ss")) == time;
}

// The type a declaration suggests, by SQLite's own reading of declared types.
ServerColumn::Type typeDeclared(const QString &declared)
{
    const QString upper = declared.toUpper();
    if (upper.isEmpty())
        return ServerColumn::Undecided;
    if (upper.contains(QLatin1String("INT")))
        return ServerColumn::BigInt;
    if (upper.contains(QLatin1String("CHAR")) || upper.contains(QLatin1String("CLOB"))
        || upper.contains(QLatin1String("TEXT")))
        return ServerColumn::Text;
    if (upper.contains(QLatin1String("BLOB")))
        return ServerColumn::Bytea;
    if (upper.contains(QLatin1String("DATE")) || upper.contains(QLatin1String("TIME")))
        return ServerColumn::Timestamp;
    return ServerColumn::Numeric;
}

bool fits(ServerColumn::Type type, const CellValue &value, bool dateText)
{
    switch (value.kind) {
    case CellValue::Null:
        return true;
    case CellValue::Integer:
        return type == ServerColumn::BigInt || type == ServerColumn::Numeric || type == ServerColumn::Text;
    case CellValue::Real:
        return type == ServerColumn::Numeric || type == ServerColumn::Text;
    case CellValue::Text:
        return type == ServerColumn::Text || (type == ServerColumn::Timestamp && dateText);
    case CellValue::Blob:
        return type == ServerColumn::Bytea || type == ServerColumn::Text;
    }
    return false;
}

ServerColumn::Type typeOfValue(const CellValue &value)
{
    switch (value.kind) {
    case CellValue::Integer:
        return ServerColumn::BigInt;
    case CellValue::Real:
        return ServerColumn::Numeric;
    case CellValue::Blob:
        return ServerColumn::Bytea;
    default:
        return ServerColumn::Text;
    }
}

bool isServerText(const QByteArray &bytes)
{
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return !utf8.hasError();
}

// Text escaped for COPY's text format: a backslash, and the line and field separators.
void appendEscaped(const QByteArray &text, QByteArray &line)
{
    for (const char c : text) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\t':
            line += "\\t";
            break;
        default:
            line += c;
        }
    }
}

void appendNumber(double number, ServerColumn::Type type, QByteArray &line)
{
    // numeric spells infinity its own way; in text it stays as the program shows it.
    if (std::isinf(number) && type == ServerColumn::Numeric) {
        line += number > 0 ? "Infinity" : "-Infinity";
        return;
    }
    char text[ValueText::numberTextCapacity];
    line.append(text, ValueText::writePlainNumber(number, text));
}

} // namespace

ServerColumn::ServerColumn(const QString &name, const QString &declaredType)
    : m_name(name), m_declared(typeDeclared(declaredType)), m_dateColumn(m_declared == Timestamp)
{
}

void ServerColumn::observe(const CellValue &value)
{
    if (value.kind == CellValue::Null)
        return;
    const bool dateText = m_dateColumn && value.kind == CellValue::Text && isDateTime(value.bytes);
    if (m_type == Undecided) {
        // The declared type holds the first value, or the value's own kind decides.
        m_type = fits(m_declared, value, dateText) ? m_declared : typeOfValue(value);
        return;
    }
    if (fits(m_type, value, dateText))
        return;
    m_type = m_type == BigInt && value.kind == CellValue::Real ? Numeric : Text;
}

ServerColumn::Type ServerColumn::type() const
{
    if (m_type != Undecided)
        return m_type;
    return m_declared == Undecided ? Text : m_declared;
}

QString ServerColumn::typeName() const
{
    switch (type()) {
    case BigInt:
        return QStringLiteral("bigint");
    case Numeric:
        return QStringLiteral("numeric");
    case Timestamp:
        return QStringLiteral("timestamp(0) without time zone");
    case Bytea:
        return QStringLiteral("bytea");
    default:
        return QStringLiteral("text COLLATE \"C\"");
    }
}

QString ServerColumn::definition() const
{
    return ValueText::quotedName(m_name) + QLatin1Char(' ') + typeName();
}

bool ServerColumn::appendCopyField(const CellValue &value, QByteArray &line) const
{
    switch (value.kind) {
    case CellValue::Null:
        line += "\\N";
        return true;
    case CellValue::Integer:
        line += QByteArray::number(value.integer);
        return true;
    case CellValue::Real:
        appendNumber(value.real, type(), line);
        return true;
    case CellValue::Text:
        break;
    case CellValue::Blob:
        if (type() == Bytea) {
            line += "\\\\x";
            line += value.bytes.toHex();
            return true;
        }
        break;
    }
    if (!isServerText(value.bytes))
        return false;
    appendEscaped(value.bytes, line);
    return true;
}
