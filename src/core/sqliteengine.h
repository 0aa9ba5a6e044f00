#pragma once

class DbError;
class QSqlDatabase;
struct sqlite3;

// The SQLite engine under a Qt SQL connection, or nullptr when the connection is not an
// open SQLite one. Qt's driver and this program use the same system library, so the
// program can run its statements on the very connection Qt opened.
sqlite3 *sqliteEngineOf(const QSqlDatabase &database);

// The engine's last failure as the program reports it: its number and message, or, when
// the engine found the file damaged, the damage in the program's own words.
DbError sqliteError(sqlite3 *engine);
