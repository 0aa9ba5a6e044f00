#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Notices that another program changed a listing database file: a commit changes the
// file, or its write-ahead log beside it, and a database replaced as a whole is another
// file at the same name. The file is looked at on a thread of the pool, every few seconds
// and whenever asked, so that a slow share never holds up the window; a look still under
// way is not started again.
class FileChangeWatch : public QObject
{
    Q_OBJECT
public:
    // What the file system says of the database file and its log; equal when unchanged.
    struct Stamp
    {
        QByteArray bytes;
        bool operator==(const Stamp &other) const { return bytes == other.bytes; }
    };

    FileChangeWatch(const QString &file, int intervalMs, QObject *parent);

    // Looks at the file now (after the look under way, if any).
    void check();
    static Stamp stampOf(const QString &file);

signals:
    // The file differs from the last look.
    void changed();

private:
    void taken();

    QString m_file;
    QTimer m_timer;
    QFutureWatcher<Stamp> m_look;
    Stamp m_last;
    bool m_checkAgain = false;
};
