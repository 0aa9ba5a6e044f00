#pragma once

#include "cellvalue.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct sqlite3;
struct sqlite3_stmt;

// A listing database kept as SQLite, opened read-only to be copied elsewhere table by table.
// Throws DbError when the file is no SQLite database or cannot be read.
class SqliteSource
{
public:
    explicit SqliteSource(const QString &fileName);
    ~SqliteSource();
    SqliteSource(const SqliteSource &) = delete;
    SqliteSource &operator=(const SqliteSource &) = delete;

    // The tables the database keeps (none of SQLite's own), in the order they were made.
    QStringList tableNames() const;
    sqlite3 *handle() const { return m_db; }

    // True when the file begins as an SQLite database does.
    static bool isSqliteFile(const QString &fileName);

private:
    sqlite3 *m_db = nullptr;
};

// The rows of one table of an SQLite source, in the order they were stored, as often as asked.
class SqliteSourceTable
{
public:
    struct Column
    {
        QString name;
        QString declaredType; // as the table was made with it: "INTEGER", "DATETIME", "" ...
    };

    SqliteSourceTable(const SqliteSource &source, const QString &name);
    ~SqliteSourceTable();
    SqliteSourceTable(const SqliteSourceTable &) = delete;
    SqliteSourceTable &operator=(const SqliteSourceTable &) = delete;

    const QVector<Column> &columns() const { return m_columns; }
    // The next row's values, one per column; false after the last row.
    bool next(QVector<CellValue> &row);
    // Back to the first row.
    void rewind();

private:
    const SqliteSource &m_source;
    QString m_name;
    QVector<Column> m_columns;
    sqlite3_stmt *m_rows = nullptr;
};
