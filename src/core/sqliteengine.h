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

// Gives the engine the program's own SQL functions, once per connection. number_or_null(x): a number as itself, text that reads as a number (blanks
// around it, a sign, a decimal point, an exponent) as that number, anything else Null; so
// that a range on a number column leaves out "面议" and Null alike.
void registerListingFunctions(sqlite3 *engine);

// Whether text reads as a number the way number_or_null reads it, and the number.
bool readsAsNumber(const char *text, int length, double *number);
