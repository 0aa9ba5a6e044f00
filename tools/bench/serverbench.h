#pragma once

#include "figures.h"

#include <QString>
#include <QVector>
#include <functional>

// A throw-away cluster (scripts/pgcluster) in the folder handle, stopped and removed when the
// benchmark ends, also when it ends on a fatal error.
class BenchCluster
{
public:
    explicit BenchCluster(const QString &handle);
    ~BenchCluster();
    BenchCluster(const BenchCluster &) = delete;
    BenchCluster &operator=(const BenchCluster &) = delete;
    const QString &uri() const { return m_uri; }

private:
    QString m_handle;
    QString m_uri;
};

// The demo database of `listings` listings written as a file in folder, loaded into the server
// at uri as quillonix-import loads it (over what an earlier load left there), and the folder
// pointed at the server.
void loadDemo(const QString &folder, const QString &uri, int listings);

// quillonix-bench --server: on a PostgreSQL cluster of its own (scripts/pgcluster), the demo
// database of each size in `listings` loaded as quillonix-import loads it; the search, the
// header sort and the listing load against libpq alone, and the peak memory (memoryFigure
// measures it in a process of its own on a folder), then, on the first size, several desks
// searching at once, each a process of its own. Prints the tables; returns the process's
// exit code.
int benchServer(const QVector<int> &listings, int runs, int deskSeconds, const QString &work,
                const std::function<Figure(int runs, const QString &folder)> &memoryFigure);

// Child process: one desk on the database in folder, searching with random choices in a loop
// from startAtMs (milliseconds since the epoch) for `seconds`; prints the time of each search.
int deskWorker(const QString &folder, qint64 startAtMs, int seconds, quint32 seed);
