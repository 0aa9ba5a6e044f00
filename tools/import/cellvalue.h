#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One value of the agency's Access database on its way into the SQLite copy.
struct CellValue
{
    enum Kind { Null, Integer, Real, Text, Blob };

    Kind kind = Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray bytes; // UTF-8 for Text, as read for Blob

    static CellValue null() { return {}; }
    static CellValue ofInteger(qint64 value) { return {Integer, value, 0, {}}; }
    static CellValue ofReal(double value) { return {Real, 0, value, {}}; }
    static CellValue ofText(QByteArray utf8) { return {Text, 0, 0, std::move(utf8)}; }
    static CellValue ofBlob(QByteArray data) { return {Blob, 0, 0, std::move(data)}; }

    bool operator==(const CellValue &other) const
    {
        return kind == other.kind && integer == other.integer && real == other.real && bytes == other.bytes;
    }
};

// How an Access column's values are carried over, by libmdb's column type (MDB_TEXT ...).
namespace AccessValue {

// The SQLite type the column is declared with: TEXT, INTEGER, REAL, DATETIME or BLOB.
QString declaredType(int mdbType);

// The value that libmdb renders as `length` bytes of `text` for a column of that type:
// whole numbers as integers, Yes/No as -1 and 0, single, double, currency and decimal as
// numbers, everything else as the text itself. A length of 0 is Null.
CellValue fromText(int mdbType, const char *text, int length);

// A date as Access stores it, days since 1899-12-30 with the time of day as the fraction,
// as "yyyy-mm-dd hh:mm:ss" to the nearest second. Before 1899-12-30 the whole days count
// back and the fraction still counts forward: -1.25 is 1899-12-29 06:00:00. A number
// outside Access's dates (years 100 to 9999) is kept as the number.
CellValue fromStoredDate(double days);

} // namespace AccessValue
