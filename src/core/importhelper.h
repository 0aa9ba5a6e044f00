#pragma once

#include <QString>

// Has the converter beside the program (quillonix-import) write an SQLite copy of an Access
// file, in a process of its own: libmdb reading a damaged file may crash or never end, and
// must take nothing but that process with it. While it waits, the windows repaint and their
// timers run, but no input reaches them. Throws DbError, with a description for the user,
// when no copy was written within timeoutSeconds.
void writeAccessSnapshot(const QString &accessFile, const QString &sqliteFile, int timeoutSeconds);
