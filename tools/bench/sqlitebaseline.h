#pragma once

#include <QByteArrayList>
#include <QString>
#include <QVariantList>
#include <array>
#include <string>
#include <vector>

// What reading rows costs with the sqlite3 C library alone: the yardstick the program's
// own figures are measured against. The program's own SQL functions are given to it, as the
// program gives them to its connection.
class SqliteBaseline
{
public:
    explicit SqliteBaseline(const QString &databaseFile);
    ~SqliteBaseline();
    SqliteBaseline(const SqliteBaseline &) = delete;
    SqliteBaseline &operator=(const SqliteBaseline &) = delete;

    // Reads every row of the statement into memory, each column as text; returns the rows.
    // Each "?" takes the next of texts, bound as text.
    std::vector<std::vector<std::string>> readAll(const QString &statement, const QByteArrayList &texts = {}) const;
    // The same with values of their own types: numbers bound as numbers, any text as text.
    std::vector<std::vector<std::string>> readAllTyped(const QString &statement, const QVariantList &values) const;

private:
    struct sqlite3 *m_database = nullptr;
};
