#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// What mdbtools' own programs (mdb-tables, mdb-schema, mdb-export) show of an Access file:
// the reference the program's reader is held to. Values as text, Null as an invalid
// QVariant; Yes/No as TRUE and FALSE, binary values in hexadecimal.
class MdbExport
{
public:
    struct Table
    {
        QStringList columns;
        QStringList types; // as mdb-schema names them: "Text", "Long Integer", "Boolean", ...
        QVector<QVariantList> rows;
    };

    static QStringList tables(const QString &accessFile);
    static Table table(const QString &accessFile, const QString &name);

    // Fails the running test unless columns and rows match the table's export, value for
    // value, Null for Null: text as stored (line breaks included), numbers and dates by
    // value, a single by its single-precision value, Yes/No as -1 and 0, binary values byte
    // for byte. mdb-export prints no date before 1900 nor in the year 9999 (it shows day 0
    // of 1900 instead): those cells are not compared but returned as "row N, column C", for
    // the test to check by the values stored.
    static QStringList compare(const Table &expected, const QStringList &columns, const QVector<QVariantList> &rows);
};
