#pragma once

#include <QString>

// quillonix-bench --server: on a PostgreSQL cluster of its own (scripts/pgcluster), the demo
// database of `listings` listings loaded as quillonix-import loads it; the search and the
// listing load against libpq alone, then several desks searching at once, each a process of
// its own. Prints the tables; returns the process's exit code.
int benchServer(int listings, int runs, int deskSeconds, const QString &work);

// Child process: one desk on the database in folder, searching with random choices in a loop
// from startAtMs (milliseconds since the epoch) for `seconds`; prints the time of each search.
int deskWorker(const QString &folder, qint64 startAtMs, int seconds, quint32 seed);
