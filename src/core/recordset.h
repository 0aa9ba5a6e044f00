#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>
#include <deque>
#include <memory>

class Connection;
class QSqlQuery;

// The rows of one SELECT, read front to back. Fields are found by position or by name
// (letter case ignored); a Null field is an invalid QVariant, apart from the empty text.
// Every failure throws DbError.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset &&) noexcept;
    Recordset &operator=(Recordset &&) noexcept;

    void open(const QString &source, Connection &activeConnection);
    void close();
    bool isOpen() const { return m_query != nullptr; }

    bool eof() const;
    void moveNext();
    // The exact number of rows the SELECT gives, read ahead where needed.
    int recordCount();

    int fieldCount() const;
    QVariant field(int position) const;
    QVariant field(const QString &name) const;
    // Whether the SELECT gives a column of that name (letter case ignored).
    bool hasField(const QString &name) const;

    // A new row for the table the SELECT reads: set its fields, then store it with update().
    void addNew();
    void setField(const QString &name, const QVariant &value);
    void update();

private:
    using Row = QVector<QVariant>;
    bool readRow(Row &row);
    bool fetch(Row &row);
    void requireOpen() const;
    const Row &currentRow() const;
    int positionOf(const QString &name) const;

    QSqlDatabase m_database;
    std::unique_ptr<QSqlQuery> m_query;
    QString m_table;
    QHash<QString, int> m_positions;
    Row m_current;
    bool m_atEnd = true;
    int m_rowsPassed = 0;
    std::deque<Row> m_readAhead;
    bool m_queryExhausted = false;
    QVector<QPair<QString, QVariant>> m_newRow;
    bool m_adding = false;
};
