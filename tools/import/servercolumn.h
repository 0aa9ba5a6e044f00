#pragma once

#include "cellvalue.h"

#include <QByteArray>
#include <QString>

// How one column of a listing database is kept on a PostgreSQL server, chosen from the values
// it holds and the type it was declared with, so that every value reads back from the server
// as text in the same plain form in which the program shows it from the file:
//
//   whole numbers only                          bigint
//   other numbers, with or without whole ones   numeric, each in its shortest form (85.5, 1500)
//   "yyyy-mm-dd hh:mm:ss" in a date column      timestamp(0) without time zone
//   binary data only                            bytea
//   text, or values of several kinds            text COLLATE "C": numbers in it in their plain
//                                               form; ordered by code point, as in SQLite
//
// A date column is one declared with DATE or TIME in its type (Access dates come so). A column
// without values takes the type its declaration suggests.
class ServerColumn
{
public:
    enum Type { Undecided, BigInt, Numeric, Timestamp, Text, Bytea };

    ServerColumn(const QString &name, const QString &declaredType);

    // Widens the type, where needed, to hold the value.
    void observe(const CellValue &value);

    Type type() const;
    const QString &name() const { return m_name; }
    // The type as the server names it ("bigint" ...), and the column as CREATE TABLE declares it.
    QString typeName() const;
    QString definition() const;
    // True when the column was declared a type its values did not all fit.
    bool departsFromDeclaration() const { return m_declared != Undecided && type() != m_declared; }

    // Adds the value as a field of COPY's text format. False, with nothing added, for text the
    // server cannot hold: bytes that are not UTF-8, or a zero byte.
    bool appendCopyField(const CellValue &value, QByteArray &line) const;

private:
    QString m_name;
    Type m_declared;
    bool m_dateColumn;
    Type m_type = Undecided;
};
