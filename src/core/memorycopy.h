#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

// An SQLite database held in memory, on a Qt SQL connection of its own, whose whole content
// is replaced by that of a database file. The rows the program adds itself (the first user)
// are added again to each new content, as they would stand in the file had it been written.
// Throws DbError on failure.
class MemoryCopy
{
public:
    MemoryCopy();
    ~MemoryCopy();
    MemoryCopy(const MemoryCopy &) = delete;
    MemoryCopy &operator=(const MemoryCopy &) = delete;

    QSqlDatabase database() const;
    // Tables, columns with their declared types, rows and indexes of the file, in place of
    // what the copy held; on failure the copy keeps what it held.
    void load(const QString &sqliteFile);

private:
    struct AddedRow
    {
        QString table;
        qint64 rowid;
    };
    struct KeptRow
    {
        QString table;
        QStringList columns;
        QVariantList values;
    };
    static void rowChanged(void *copy, int operation, const char *database, const char *table, qint64 rowid);
    QVector<KeptRow> addedRows() const;
    void addAgain(const QVector<KeptRow> &rows);

    QString m_name;
    QVector<AddedRow> m_added;
};
