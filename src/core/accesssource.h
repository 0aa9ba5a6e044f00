#pragma once

#include "core/sqlitesource.h"

// Opens the agency's Access (Jet) listing database: its tables are read into an SQLite
// copy in memory, on which every statement runs. The file is never written; the program's
// own write goes into the copy. When the file changes on disk the copy is read again before
// the next statement. Throws DbError when the file cannot be read within timeoutSeconds.
std::unique_ptr<DatabaseSource> openAccessFile(const QString &fileName, int timeoutSeconds);
