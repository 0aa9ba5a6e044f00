#pragma once

#include <QString>
#include <QVector>

// quillonix-bench --conditions: searches with 更多条件 (price and area ranges, a facility and
// keywords) at each size, the program's 检索 against the engine reading the same statement
// raw: the sqlite3 library on the file, and, with a PostgreSQL cluster of its own, libpq on
// the same database loaded into the server. Prints one table per size.
void benchConditions(const QVector<int> &sizes, int runs, const QString &work, bool onServer);
