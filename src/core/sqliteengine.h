#pragma once

class QSqlDatabase;
struct sqlite3;

// The SQLite engine under a Qt SQL connection, or nullptr when the connection is not an
// open SQLite one. Qt's driver and this program use the same system library, so the
// program can run its statements on the very connection Qt opened.
sqlite3 *sqliteEngineOf(const QSqlDatabase &database);
