#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

// Where the SQLite engine's statements run. A listing database kept as SQLite is used as
// it is; an Access file is read into a copy that follows the file (see accesssource.h).
class DatabaseSource
{
public:
    virtual ~DatabaseSource() = default;
    // The database to run the next statement on, brought up to date with its file first.
    virtual QSqlDatabase database() = 0;
};

// Opens an SQLite listing database file; throws DbError when it is not a usable database.
std::unique_ptr<DatabaseSource> openSqliteFile(const QString &fileName, int timeoutSeconds);
