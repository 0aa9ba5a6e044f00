#pragma once

#include <QSqlDatabase>
#include <QString>

// An SQLite database held in memory, on a Qt SQL connection of its own, whose whole content
// is replaced by that of a database file. Throws DbError on failure.
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
    QString m_name;
};
