#include "core/filechangewatch.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/stat.h>

namespace {

// The identity, size and times of one file, or nothing when it is missing.
QByteArray describe(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QByteArray("-;");
    return QByteArray::number(qulonglong(status.st_dev)) + ',' + QByteArray::number(qulonglong(status.st_ino)) + ','
           + QByteArray::number(qlonglong(status.st_size)) + ',' + QByteArray::number(qlonglong(status.st_mtim.tv_sec))
           + '.' + QByteArray::number(qlonglong(status.st_mtim.tv_nsec)) + ','
           + QByteArray::number(qlonglong(status.st_ctim.tv_sec)) + '.'
           + QByteArray::number(qlonglong(status.st_ctim.tv_nsec)) + ';';
}

} // namespace

FileChangeWatch::FileChangeWatch(const QString &file, int intervalMs, QObject *parent)
    : QObject(parent), m_file(file)
{
    connect(&m_look, &QFutureWatcher<Stamp>::finished, this, &FileChangeWatch::taken);
    connect(&m_timer, &QTimer::timeout, this, &FileChangeWatch::check);
    m_timer.start(intervalMs);
    // The first look only learns how the file stands.
    check();
}

FileChangeWatch::Stamp FileChangeWatch::stampOf(const QString &file)
{
    return Stamp{describe(file) + describe(file + QStringLiteral("-wal"))};
}

void FileChangeWatch::check()
{
    if (m_look.isRunning()) {
        m_checkAgain = true;
        return;
    }
    m_look.setFuture(QtConcurrent::run(&FileChangeWatch::stampOf, m_file));
}

void FileChangeWatch::taken()
{
    const Stamp now = m_look.result();
    const bool differs = !m_last.bytes.isEmpty() && !(now == m_last);
    m_last = now;
    if (m_checkAgain) {
        m_checkAgain = false;
        check();
    }
    if (differs)
        emit changed();
}
