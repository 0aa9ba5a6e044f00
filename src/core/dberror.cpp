#include "core/dberror.h"

DbError::DbError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(report().toUtf8())
{
}

QString DbError::report() const
{
    const QString sign = m_number >= 0 ? QStringLiteral(" ") : QString();
    return QStringLiteral("(") + sign + QString::number(m_number) + QStringLiteral(")") + m_description;
}

DbError DbError::damaged(int number)
{
    return DbError(number, QStringLiteral("数据库文件已损坏，请用备份恢复。"));
}

DbError DbError::timedOut(int seconds)
{
    return DbError(QueryTimeout, QStringLiteral("查询超过 %1 秒没有完成，已停止。").arg(seconds));
}
