#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class Connection;
class StatementCache;
struct sqlite3_stmt;

// The rows of one SELECT, read front to back straight from the database engine, so that
// a search with a hundred thousand hits costs little more than the engine's own reading.
// Fields are found by position or by name (letter case ignored); a Null field is an
// invalid QVariant, apart from the empty text. Every failure throws DbError.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset &&other) noexcept;
    Recordset &operator=(Recordset &&other) noexcept;

    // Runs the SELECT; each "?" in it takes the next of values, bound as data.
    void open(const QString &source, Connection &activeConnection, const QVariantList &values = {});
    void close();
    bool isOpen() const { return m_statement != nullptr; }

    bool eof() const;
    void moveNext();
    // The exact number of rows the SELECT gives.
    int recordCount();

    int fieldCount() const;
    QVariant field(int position) const;
    QVariant field(const QString &name) const;
    // A field's plain text form ("" for Null), valid until the next call on this record
    // set: for reading many rows without making a string of every field.
    QStringView text(int position);

    // A new row for the table the SELECT reads: set its fields, then store it with update().
    void addNew();
    void setField(const QString &name, const QVariant &value);
    void update();

private:
    struct StatementDeleter
    {
        void operator()(sqlite3_stmt *statement) const;
    };

    void bind(const QVariantList &values);
    // Another statement run on the same connection with these values, at its first row.
    Recordset runBeside(const QString &source, const QVariantList &values) const;
    void requireOpen() const;
    void requireRow() const;
    int checkedPosition(int position) const;
    int positionOf(const QString &name) const;
    void step();

    QSqlDatabase m_database;
    std::weak_ptr<StatementCache> m_cache;
    std::unique_ptr<sqlite3_stmt, StatementDeleter> m_statement;
    QString m_source;
    QVariantList m_values;
    QStringList m_names;
    bool m_atEnd = true;
    QString m_textBuffer;
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    QVector<QPair<QString, QVariant>> m_newRow;
    bool m_adding = false;
};
