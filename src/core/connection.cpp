#include "core/connection.h"

#include "core/accesssource.h"
#include "core/dberror.h"
#include "core/pgsession.h"
#include "core/pgsettings.h"
#include "core/regularfile.h"
#include "core/sqlitesession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

enum class FileKind { Missing, Sqlite, Access, Other };

FileKind kindOf(const QString &fileName)
{
    // Only a regular file can be a database: opening a FIFO of that name would wait for ever.
    QFile file;
    if (!openRegularFile(file, fileName))
        return FileKind::Missing;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::Sqlite;
    const QByteArray signature = head.mid(4, 15);
    if (signature == "Standard Jet DB" || signature == "Standard ACE DB")
        return FileKind::Access;
    return FileKind::Other;
}

// The itdb.conn beside the database file, naming the shared server that stands in for the
// file; "" when there is none.
QString serverFileBeside(const QString &fileName)
{
    if (fileName.isEmpty())
        return QString();
    const QString serverFile = QFileInfo(fileName).dir().filePath(QStringLiteral("itdb.conn"));
    return QFileInfo::exists(serverFile) ? serverFile : QString();
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() = default;

QString Connection::fileOf(const QString &connectString)
{
    const qsizetype at = connectString.indexOf(QStringLiteral("dbq="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    // The file name runs to the end: dbq= is the last part, and a folder may hold a ';'.
    return connectString.mid(at + 4);
}

void Connection::open()
{
    close();
    m_session = openSession();
    m_session->setChangeListener(m_changeListener);
}

bool Connection::tellsOfChanges() const
{
    return !serverFileBeside(fileOf(m_connectString)).isEmpty();
}

void Connection::setChangeListener(EngineSession::ChangeListener listener)
{
    m_changeListener = std::move(listener);
    if (m_session)
        m_session->setChangeListener(m_changeListener);
}

std::shared_ptr<EngineSession> Connection::openSession() const
{
    const QString fileName = fileOf(m_connectString);
    const QString serverFile = serverFileBeside(fileName);
    if (!serverFile.isEmpty())
        return std::make_shared<PgSession>(PgSettings::readServerFile(serverFile), m_timeoutSeconds);
    switch (kindOf(fileName)) {
    case FileKind::Sqlite:
        return std::make_shared<SqliteSession>(openSqliteFile(fileName, m_timeoutSeconds), m_timeoutSeconds);
    case FileKind::Access:
        return std::make_shared<SqliteSession>(openAccessFile(fileName, m_timeoutSeconds), m_timeoutSeconds);
    case FileKind::Missing:
        break;
    case FileKind::Other:
        throw DbError(DbError::ProviderError, QStringLiteral("不是可识别的数据库文件：") + fileName);
    }
    throw DbError(DbError::ProviderError, QStringLiteral("找不到数据库文件：") + fileName);
}

void Connection::close()
{
    m_session.reset();
}

void Connection::setConnectionTimeout(int seconds)
{
    m_timeoutSeconds = seconds;
    if (m_session)
        m_session->setStatementTimeout(seconds);
}

std::shared_ptr<EngineSession> Connection::session() const
{
    if (!m_session)
        throw DbError(DbError::ObjectClosed, QStringLiteral("数据库连接没有打开。"));
    return m_session;
}
