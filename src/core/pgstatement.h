#pragma once

#include <QByteArray>
#include <QString>

// A statement as the program writes it (for SQLite), in the form a PostgreSQL server reads
// with the same meaning:
//   - each "?" becomes $1, $2, … in order;
//   - the table name user, a reserved word there, is quoted;
//   - a name between double quotes is written in lower case, as the server keeps the names
//     quillonix-import writes and every name written without quotes;
//   - each key of an ORDER BY puts Nulls where SQLite does: first going up, last going down;
//   - LIKE ignores the letter case of A to Z, as SQLite's does (ILIKE);
//   - instr(text, part), where part begins in text, is strpos;
//   - number_or_null(column), the program's own function on SQLite, is written out as the
//     same reading of the column's text: a number, or Null.
// Text between single quotes and comments stay exactly as they are.
namespace PgStatement {

// The statement for the server, as UTF-8 text.
QByteArray translate(const QString &statement);

} // namespace PgStatement
