#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class SqliteFile;

struct ImportedTable
{
    QString name;
    int rows = 0;
};

struct ImportSummary
{
    QVector<ImportedTable> tables;
    QStringList indexes;
};

// Writes every table of the agency's Access file, with all its rows, into a new SQLite
// database file (which must be absent or empty), and the listing indexes that fit its
// tables. Throws DbError when the Access file cannot be read or the copy not written.
ImportSummary importAccessFile(const QString &accessFile, const QString &sqliteFile);

// Creates those indexes of the listing database whose table and columns the file has;
// returns their names. A foreign database may lack some or all of them.
QStringList createListingIndexes(SqliteFile &file);
