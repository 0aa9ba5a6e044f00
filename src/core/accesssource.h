#pragma once

#include "core/connection.h"

// Opens an Access (Jet) listing database file for reading; throws DbError when it cannot.
std::unique_ptr<DatabaseSource> openAccessFile(const QString &fileName, int timeoutSeconds);
