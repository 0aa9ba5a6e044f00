#include "core/importhelper.h"

#include "core/dberror.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>

namespace {

DbError unreadable(const QString &accessFile, const QString &reason)
{
    return DbError(DbError::ProviderError,
                   QStringLiteral("不能读取 Access 数据库文件：%1（%2）").arg(accessFile, reason));
}

QString lastLine(const QByteArray &output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return QString::fromUtf8(lines.last().trimmed());
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
    helper.start();
    if (!helper.waitForStarted())
        throw unreadable(accessFile, QStringLiteral("不能启动读取程序 ") + converter);
    if (!helper.waitForFinished(std::max(0, timeoutSeconds) * 1000)) {
        helper.kill();
        helper.waitForFinished();
        throw unreadable(accessFile, QStringLiteral("%1 秒内没有读完").arg(timeoutSeconds));
    }
    if (helper.exitStatus() == QProcess::CrashExit)
        throw unreadable(accessFile, QStringLiteral("文件已损坏，读取程序异常终止"));
    if (helper.exitCode() != 0) {
        const QString reason = lastLine(helper.readAllStandardError());
        throw unreadable(accessFile, reason.isEmpty() ? QStringLiteral("读取程序出错") : reason);
    }
}
