#include "core/accesssource.h"

#include "core/dberror.h"
#include "core/importhelper.h"
#include "core/logcategories.h"
#include "core/memorycopy.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// What tells that other programs of the agency changed the file.
struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    QDateTime statusChanged;

    static FileStamp of(const QString &fileName)
    {
        const QFileInfo info(fileName);
        if (!info.isFile())
            return {};
        return {true, info.size(), info.lastModified(), info.metadataChangeTime()};
    }
    bool operator==(const FileStamp &other) const
    {
        return exists == other.exists && size == other.size && modified == other.modified
               && statusChanged == other.statusChanged;
    }
    bool operator!=(const FileStamp &other) const { return !(*this == other); }
};

class AccessSource : public DatabaseSource
{
public:
    AccessSource(const QString &fileName, int timeoutSeconds) : m_fileName(fileName), m_timeoutSeconds(timeoutSeconds)
    {
        if (!m_work.isValid())
            throw DbError(DbError::ProviderError, QStringLiteral("不能创建临时文件夹：") + m_work.errorString());
        readFile(FileStamp::of(m_fileName));
    }

    QSqlDatabase database() override
    {
        const FileStamp now = FileStamp::of(m_fileName);
        // A file that is gone, or that changed into something unreadable, leaves the
        // listings as last read: the desk goes on working.
        if (now.exists && now != m_seen) {
            try {
                readFile(now);
            } catch (const DbError &error) {
                logError(lcDatabase, error.description());
            }
        }
        return m_copy.database();
    }

private:
    // Reads the file as it was at `before` into the copy; throws DbError and keeps the copy
    // as it was when that fails.
    void readFile(const FileStamp &before)
    {
        const QString snapshot = m_work.filePath(QStringLiteral("copy.sqlite"));
        QFile::remove(snapshot);
        try {
            writeAccessSnapshot(m_fileName, snapshot, m_timeoutSeconds);
        } catch (const DbError &) {
            rememberUnlessChanged(before);
            throw;
        }
        if (!rememberUnlessChanged(before)) {
            QFile::remove(snapshot);
            // Read half way through a change: the next statement reads it again.
            throw DbError(DbError::ProviderError,
                          QStringLiteral("不能读取 Access 数据库文件：%1（文件在读取时被改动）").arg(m_fileName));
        }
        m_copy.load(snapshot);
        QFile::remove(snapshot);
    }

    // A file read as it stood is not read again until it changes; false when it changed
    // while it was read.
    bool rememberUnlessChanged(const FileStamp &before)
    {
        if (FileStamp::of(m_fileName) != before)
            return false;
        m_seen = before;
        return true;
    }

    QString m_fileName;
    int m_timeoutSeconds;
    QTemporaryDir m_work;
    MemoryCopy m_copy;
    FileStamp m_seen;
};

} // namespace

std::unique_ptr<DatabaseSource> openAccessFile(const QString &fileName, int timeoutSeconds)
{
    return std::make_unique<AccessSource>(fileName, timeoutSeconds);
}
