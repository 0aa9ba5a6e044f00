#include "pgconnection.h"

#include "core/dberror.h"

#include <libpq-fe.h>
#include <memory>

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result resultOf(PGresult *result)
{
    return Result(result, PQclear);
}

bool succeeded(const PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

} // namespace

PgConnection::PgConnection(const QString &uri)
{
    const QByteArray utf8Uri = uri.toUtf8();
    // Later keywords win: a connect_timeout in the URI overrides the 30 seconds.
    const char *const keywords[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
    const char *const values[] = {"30", "UTF8", utf8Uri.constData(), nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString reason = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        PQfinish(m_conn);
        throw DbError(DbError::ProviderError, QStringLiteral("不能连接 PostgreSQL 数据库：") + reason);
    }
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

void PgConnection::fail() const
{
    throw DbError(DbError::ProviderError,
                  QStringLiteral("写入 PostgreSQL 数据库失败：") + QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
}

void PgConnection::exec(const QString &statement)
{
    const Result result = resultOf(PQexec(m_conn, statement.toUtf8().constData()));
    if (!succeeded(result.get()))
        fail();
}

QStringList PgConnection::column(const QString &statement)
{
    QStringList column;
    for (const QStringList &row : rows(statement))
        column << row.value(0);
    return column;
}

QVector<QStringList> PgConnection::rows(const QString &statement)
{
    const Result result = resultOf(PQexec(m_conn, statement.toUtf8().constData()));
    if (!succeeded(result.get()))
        fail();
    QVector<QStringList> rows;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        QStringList values;
        for (int column = 0; column < PQnfields(result.get()); ++column)
            values << QString::fromUtf8(PQgetvalue(result.get(), row, column));
        rows << values;
    }
    return rows;
}

void PgConnection::beginCopy(const QString &statement)
{
    const Result result = resultOf(PQexec(m_conn, statement.toUtf8().constData()));
    if (PQresultStatus(result.get()) != PGRES_COPY_IN)
        fail();
}

void PgConnection::copyData(const QByteArray &data)
{
    if (PQputCopyData(m_conn, data.constData(), int(data.size())) != 1)
        fail();
}

void PgConnection::endCopy()
{
    if (PQputCopyEnd(m_conn, nullptr) != 1)
        fail();
    // The server reports a row it refused only now.
    bool failed = false;
    while (PGresult *next = PQgetResult(m_conn)) {
        const Result result = resultOf(next);
        failed = failed || !succeeded(result.get());
    }
    if (failed)
        fail();
}

QString PgConnection::description() const
{
    return QStringLiteral("database %1 on %2").arg(QString::fromUtf8(PQdb(m_conn)), QString::fromUtf8(PQhost(m_conn)));
}

bool PgConnection::isServerUri(const QString &target)
{
    return target.startsWith(QStringLiteral("postgresql://")) || target.startsWith(QStringLiteral("postgres://"));
}

bool PgConnection::uriHasPassword(const QString &uri)
{
    PQconninfoOption *options = PQconninfoParse(uri.toUtf8().constData(), nullptr);
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> owned(options, PQconninfoFree);
    for (PQconninfoOption *option = options; option && option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
            return true;
    }
    return false;
}
