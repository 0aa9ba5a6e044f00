#pragma once

#include <QString>
#include <QVariant>

// How a database value reads on screen. A Null is an invalid QVariant and shows as "".
namespace ValueText {

// Text as stored; whole numbers without a decimal point (1500); other numbers in their
// shortest form without thousands separators (85.5); dates as "yyyy-mm-dd hh:mm:ss".
QString plain(const QVariant &value);

// A number in its plain text form, written into buffer without making a string: the
// shortest digits that read back as the number, never an exponent. Returns the length.
constexpr int numberTextCapacity = 400;
int writePlainNumber(double number, char (&buffer)[numberTextCapacity]);

// True when the value equals the number, as a comparison of a column with a number does:
// numbers compare by value, text that reads as a number by that number, Null never.
bool equalsNumber(const QVariant &value, int number);

// Leading and trailing blanks (U+0020 only) removed; other white space stays.
QString trimBlanks(const QString &text);

// A table or column name as it stands in a statement: between double quotes, each double
// quote in it doubled, so that blanks, "/" or quotes in a name are taken as written.
QString quotedName(const QString &name);

// "INSERT INTO" the table, naming the columns, with a "?" for each value to bind.
QString insertStatement(const QString &table, const QStringList &columns);

// The table a statement reads, as "FROM" names it, and where that name ends in the
// statement; an empty name when there is none.
struct NamedTable
{
    QString name;
    qsizetype end = -1;
};
NamedTable tableOf(const QString &statement);

} // namespace ValueText
