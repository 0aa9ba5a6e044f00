#include "cellvalue.h"

#include "mdb.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace AccessValue {

namespace {

bool parse(const char *text, int length, qint64 &value)
{
    const auto [end, error] = std::from_chars(text, text + length, value);
    return error == std::errc() && end == text + length;
}

bool parse(const char *text, int length, double &value)
{
    const auto [end, error] = std::from_chars(text, text + length, value);
    return error == std::errc() && end == text + length;
}

// A single keeps about seven digits; libmdb prints more, as in 85.300003. The value the
// agency typed is the shortest one that reads back as the same single: 85.3.
double asTypedSingle(double printed)
{
    char shortest[32];
    const auto written = std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(printed));
    double value = printed;
    parse(shortest, int(written.ptr - shortest), value);
    return value;
}

} // namespace

QString declaredType(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QStringLiteral("INTEGER");
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC:
        return QStringLiteral("REAL");
    case MDB_DATETIME:
        return QStringLiteral("DATETIME");
    case MDB_BINARY:
    case MDB_OLE:
        return QStringLiteral("BLOB");
    default:
        return QStringLiteral("TEXT");
    }
}

CellValue fromText(int mdbType, const char *text, int length)
{
    if (length <= 0)
        return CellValue::null();
    switch (mdbType) {
    case MDB_BOOL:
        // Access gives True as -1; libmdb prints it as 1.
        return CellValue::ofInteger(length == 1 && text[0] == '0' ? 0 : -1);
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: {
        qint64 whole = 0;
        if (parse(text, length, whole))
            return CellValue::ofInteger(whole);
        break;
    }
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC: {
        double number = 0;
        if (parse(text, length, number))
            return CellValue::ofReal(mdbType == MDB_FLOAT ? asTypedSingle(number) : number);
        break;
    }
    case MDB_BINARY:
    case MDB_OLE:
        return CellValue::ofBlob(QByteArray(text, length));
    default:
        break;
    }
    // Text, memo, dates and identifiers; also a number libmdb could not print as one.
    return CellValue::ofText(QByteArray(text, length));
}

CellValue fromStoredDate(double days)
{
    constexpr double firstDay = -657434; // 100-01-01
    constexpr double lastDay = 2958465; // 9999-12-31
    const double wholeDays = std::trunc(days);
    if (!(wholeDays >= firstDay && wholeDays <= lastDay))
        return CellValue::ofReal(days);
    constexpr qint64 secondsPerDay = 24 * 60 * 60;
    qint64 seconds = std::llround(std::fabs(days - wholeDays) * secondsPerDay);
    const QDate date = QDate(1899, 12, 30).addDays(qint64(wholeDays) + seconds / secondsPerDay);
    if (date.year() > 9999) // the last second of 9999 rounded up
        return CellValue::ofReal(days);
    seconds %= secondsPerDay;
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld", date.year(), date.month(),
                                     date.day(), seconds / 3600, seconds / 60 % 60, seconds % 60);
    return CellValue::ofText(QByteArray(text, length));
}

} // namespace AccessValue
