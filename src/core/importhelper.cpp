#include "core/importhelper.h"

#include "core/dberror.h"
#include "core/heldinput.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>

namespace {

// What the user is told of a failure is the converter's last line. libmdb may write
// hundreds of megabytes of warnings about a damaged file before it: only this much of the
// end is kept.
constexpr qsizetype keptErrorBytes = 4096;

// The end of a stream, read as it arrives.
class OutputTail
{
public:
    void append(const QByteArray &bytes)
    {
        m_kept += bytes;
        if (m_kept.size() > keptErrorBytes)
            m_kept.remove(0, m_kept.size() - keptErrorBytes);
    }
    QString lastLine() const
    {
        const QList<QByteArray> lines = m_kept.trimmed().split('\n');
        return QString::fromUtf8(lines.last().trimmed());
    }

private:
    QByteArray m_kept;
};

DbError unreadable(const QString &accessFile, const QString &reason)
{
    return DbError(DbError::ProviderError,
                   QStringLiteral("不能读取 Access 数据库文件：%1（%2）").arg(accessFile, reason));
}

} // namespace

void writeAccessSnapshot(const QString &accessFile, const QString &sqliteFile, int timeoutSeconds)
{
    const QString converter = QCoreApplication::applicationDirPath() + QStringLiteral("/quillonix-import");
    QProcess helper;
    helper.setProgram(converter);
    helper.setArguments({QStringLiteral("--snapshot"), QString::number(std::max(1, timeoutSeconds)), accessFile,
                         sqliteFile});
    helper.setStandardOutputFile(QProcess::nullDevice());
    OutputTail errors;
    QEventLoop waiting;
    QObject::connect(&helper, &QProcess::readyReadStandardError, &waiting,
                     [&] { errors.append(helper.readAllStandardError()); });
    QObject::connect(&helper, &QProcess::finished, &waiting, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &waiting, &QEventLoop::quit);

    helper.start();
    if (!helper.waitForStarted())
        throw unreadable(accessFile, QStringLiteral("不能启动读取程序 ") + converter);
    deadline.start(std::max(0, timeoutSeconds) * 1000);
    // Reading an Access file takes a moment at least: the desk says so at once.
    waitHoldingInput(waiting, std::chrono::milliseconds(0));
    if (helper.state() != QProcess::NotRunning) {
        helper.kill();
        helper.waitForFinished();
        throw unreadable(accessFile, QStringLiteral("%1 秒内没有读完").arg(timeoutSeconds));
    }
    if (helper.exitStatus() == QProcess::CrashExit)
        throw unreadable(accessFile, QStringLiteral("文件已损坏，读取程序异常终止"));
    if (helper.exitCode() != 0) {
        errors.append(helper.readAllStandardError());
        const QString reason = errors.lastLine();
        throw unreadable(accessFile, reason.isEmpty() ? QStringLiteral("读取程序出错") : reason);
    }
}
