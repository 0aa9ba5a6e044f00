#include "core/sqliteengine.h"

#include "core/dberror.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <charconv>
#include <sqlite3.h>
#include <string>

sqlite3 *sqliteEngineOf(const QSqlDatabase &database)
{
    const QVariant handle = database.driver() ? database.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

DbError sqliteError(sqlite3 *engine)
{
    const int number = sqlite3_extended_errcode(engine);
    const int primary = number & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return DbError::damaged(number);
    return DbError(number, QString::fromUtf8(sqlite3_errmsg(engine)));
}

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void numberOrNull(sqlite3_context *context, int, sqlite3_value **arguments)
{
    sqlite3_value *value = arguments[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        sqlite3_result_value(context, value);
        return;
    case SQLITE_TEXT: {
        double number = 0;
        if (readsAsNumber(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value),
                          &number)) {
            sqlite3_result_double(context, number);
            return;
        }
        break;
    }
    default:
        break;
    }
    sqlite3_result_null(context);
}

} // namespace

bool readsAsNumber(const char *text, int length, double *number)
{
    // Blanks, a sign, digits with a decimal point among or before them, an exponent, blanks.
    int begin = 0;
    int end = length;
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    int at = begin;
    if (at < end && (text[at] == '+' || text[at] == '-'))
        ++at;
    int digits = 0;
    while (at < end && isDigit(text[at])) {
        ++at;
        ++digits;
    }
    if (at < end && text[at] == '.') {
        ++at;
        while (at < end && isDigit(text[at])) {
            ++at;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < end && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (at >= end || !isDigit(text[at]))
            return false;
        while (at < end && isDigit(text[at]))
            ++at;
    }
    if (at != end)
        return false;
    // from_chars takes neither a leading plus nor a point without digits before it.
    std::string plain(text + begin, size_t(end - begin));
    if (plain.front() == '+')
        plain.erase(0, 1);
    const bool negative = !plain.empty() && plain.front() == '-';
    if (negative)
        plain.erase(0, 1);
    if (plain.front() == '.')
        plain.insert(0, "0");
    double read = 0;
    std::from_chars(plain.data(), plain.data() + plain.size(), read);
    *number = negative ? -read : read;
    return true;
}

void registerListingFunctions(sqlite3 *engine)
{
    sqlite3_create_function_v2(engine, "number_or_null", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                               nullptr, &numberOrNull, nullptr, nullptr, nullptr);
}
