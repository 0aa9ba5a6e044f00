#include "core/valuetext.h"

#include "core/storedtext.h"

#include <QDateTime>
#include <QRegularExpression>
#include <charconv>

namespace ValueText {

QString plain(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float: {
        char text[numberTextCapacity];
        return QString::fromLatin1(text, writePlainNumber(value.toDouble(), text));
    }
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    case QMetaType::QByteArray:
        // Bytes read as text the way stored text does, whatever their encoding.
        return StoredText::fromBytes(value.toByteArray()).shown();
    default:
        return value.toString();
    }
}

int writePlainNumber(double number, char (&buffer)[numberTextCapacity])
{
    // Fixed notation of the largest double takes 309 digits and a sign: the buffer holds it.
    const std::to_chars_result written = std::to_chars(buffer, buffer + numberTextCapacity, number,
                                                       std::chars_format::fixed);
    return int(written.ptr - buffer);
}

bool equalsNumber(const QVariant &value, int number)
{
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    const double read = value.typeId() == QMetaType::QString
                            ? value.toString().trimmed().toDouble(&ok)
                            : value.toDouble(&ok);
    return ok && read == number;
}

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString quotedName(const QString &name)
{
    QString inner = name;
    return QLatin1Char('"') + inner.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString insertStatement(const QString &table, const QStringList &columns)
{
    QStringList names;
    QStringList marks;
    for (const QString &column : columns) {
        names << quotedName(column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quotedName(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

NamedTable tableOf(const QString &statement)
{
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+([^\\s;,()]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = from.match(statement);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.capturedEnd(1)};
}

} // namespace ValueText
