#pragma once

#include <QString>
#include <functional>

// Has the converter beside the program (quillonix-import) write an SQLite copy of an Access
// file, in a process of its own: libmdb reading a damaged file may crash or never end, and
// must take nothing but that process with it. While it waits, the windows repaint and their
// timers run, but no input reaches them. Throws DbError, with a description for the user,
// when no copy was written within timeoutSeconds.
void writeAccessSnapshot(const QString &accessFile, const QString &sqliteFile, int timeoutSeconds);

// Told true when the program starts waiting for the converter and false when it stops, so
// that the windows can show that the database is being read. The core has no windows: the
// windows layer installs it; an empty one shows nothing.
using ReadingIndicator = std::function<void(bool reading)>;
void setReadingIndicator(ReadingIndicator indicator);
