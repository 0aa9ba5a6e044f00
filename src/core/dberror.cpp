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
