#pragma once

#include "accessimport.h"
#include "pgconnection.h"

#include <QString>
#include <QStringList>

class SqliteSource;

// Loads a listing database into a PostgreSQL database: every table of the source with every
// column and row (column types as ServerColumn chooses them), and the listing indexes whose
// table and columns are there, all in one transaction, so that a failure leaves the server as
// it was. Tables keep their rows in the source's order. Triggers on the listing tables tell
// the desks which listing changed from then on (ChangeNotice).
//
// A table replaced keeps what an administrator set on it: its owner, grants and indexes
// (TableSettings).
//
// Table and column names are written in lower case (ASCII letters only), as the server reads
// names written without quotes: a statement that names them in any case, as SQLite and Access
// allow, finds them there too.
class ServerImport
{
public:
    // Connects to the database the URI names; throws DbError when that fails.
    explicit ServerImport(const QString &uri);

    // Copies an SQLite listing database, or an Access file read as the program reads it. Tables
    // of the same names already in the database are replaced when replaceExisting is true and
    // otherwise refused; other tables there stay as they are. Throws DbError; the server rolls
    // the transaction back as this object, which is then of no further use, closes.
    ImportSummary load(const QString &sourceFile, bool replaceExisting);

    // What the last load did otherwise than asked, and why: a column kept as another type than
    // declared, an index the server would not make.
    const QStringList &notes() const { return m_notes; }
    QString description() const { return m_server.description(); }

private:
    ImportSummary loadSqlite(const QString &sqliteFile, bool replaceExisting);
    int copyTable(const SqliteSource &source, const QString &name, bool replace, QStringList &columnNames);
    QStringList createListingIndexes(const QHash<QString, QStringList> &columnsOfTables);
    // The triggers that tell the desks which listing changed (ChangeNotice), on the tables
    // that hold listing numbers.
    void createChangeNotices(const QHash<QString, QStringList> &columnsOfTables);

    PgConnection m_server;
    QStringList m_notes;
};
