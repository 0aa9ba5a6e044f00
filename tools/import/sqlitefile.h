#pragma once

#include "cellvalue.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct sqlite3;
struct sqlite3_stmt;

// An SQLite database file being written. Throws DbError on every failure.
class SqliteFile
{
public:
    explicit SqliteFile(const QString &fileName);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    void exec(const QString &statement);
    // False, with nothing changed, when the statement fails.
    bool tryExec(const QString &statement);
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// Rows added to one table of an SQLite file (every column, in order) through one prepared
// statement.
class SqliteInsert
{
public:
    SqliteInsert(SqliteFile &file, const QString &table, int columnCount);
    ~SqliteInsert();
    SqliteInsert(const SqliteInsert &) = delete;
    SqliteInsert &operator=(const SqliteInsert &) = delete;

    void insert(const QVector<CellValue> &row);

private:
    SqliteFile &m_file;
    sqlite3_stmt *m_statement = nullptr;
};
