#pragma once

#include "core/storedtext.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

class Connection;
class EngineRows;
class EngineSession;

// The rows of one SELECT, read front to back straight from the database engine, so that
// a search with a hundred thousand hits costs little more than the engine's own reading.
// Fields are found by position or by name (letter case ignored); a Null field is an
// invalid QVariant, apart from the empty text. Text is shown decoded (see StoredText);
// storedText() gives a field as stored, to find its row again. Every failure throws
// DbError. A record set whose connection closes is closed with it.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset &&other);
    Recordset &operator=(Recordset &&other);

    // Runs the SELECT; each "?" in it takes the next of values, bound as data.
    void open(const QString &source, Connection &activeConnection, const QVariantList &values = {});
    // The same for a SELECT of many rows: on a server its rows come a page at a time, the
    // next page asked for while the one before is read.
    void openInPages(const QString &source, Connection &activeConnection, const QVariantList &values = {});
    void close();
    bool isOpen() const;

    bool eof() const;
    void moveNext();
    // False while the next row is still on its way from the server: moveNext() would wait.
    bool nextAtHand() const;
    // Calls ready once, on this thread, when the next row is at hand.
    void whenNextAtHand(std::function<void()> ready);
    // Takes in what has come from the server meanwhile, without waiting: a reader that holds
    // the event loop a while calls it now and then, so that the next page is not held up.
    void takeArrived();
    // The exact number of rows the SELECT gives.
    int recordCount();
    // For a SELECT that found no row: throws the damage error when the engine, reading the
    // table without its indexes, finds rows for it after all.
    void confirmNoRows();

    int fieldCount() const;
    QVariant field(int position) const;
    QVariant field(const QString &name) const;
    // A field's plain text form ("" for Null), valid until the next call on this record
    // set: for reading many rows without making a string of every field.
    QStringView text(int position);
    // A field exactly as stored, to go back into a statement and find its row again.
    StoredText storedText(int position) const;
    StoredText storedText(const QString &name) const;
    // The same bytes without making an object of them, valid until the next move.
    QByteArrayView storedBytes(int position) const;

    // A new row for the table the SELECT reads: set its fields, then store it with update().
    void addNew();
    void setField(const QString &name, const QVariant &value);
    void update();

private:
    void start(std::unique_ptr<EngineRows> rows, const std::shared_ptr<EngineSession> &session, const QString &source,
               const QVariantList &values);
    std::shared_ptr<EngineSession> session() const;
    void requireOpen() const;
    void requireRow() const;
    int checkedPosition(int position) const;
    int positionOf(const QString &name) const;
    QString decoded(QByteArrayView bytes) const;

    std::weak_ptr<EngineSession> m_session;
    std::unique_ptr<EngineRows> m_rows;
    QString m_source;
    QVariantList m_values;
    QStringList m_names;
    bool m_atEnd = true;
    QString m_textBuffer;
    mutable StoredTextDecoder m_decoder;
    QVector<QPair<QString, QVariant>> m_newRow;
    bool m_adding = false;
};
