#include "pgbaseline.h"

#include <libpq-fe.h>
#include <stdexcept>

PgBaseline::PgBaseline(const QString &uri) : m_conn(PQconnectdb(uri.toUtf8().constData()))
{
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string reason = PQerrorMessage(m_conn);
        PQfinish(m_conn);
        throw std::runtime_error(reason);
    }
    // The statements run as a desk's session runs them: on one core each.
    PQclear(PQexec(m_conn, "SET max_parallel_workers_per_gather = 0"));
}

PgBaseline::~PgBaseline()
{
    PQfinish(m_conn);
}

std::vector<std::vector<std::string>> PgBaseline::readAll(const QByteArray &statement, const QByteArrayList &texts) const
{
    std::vector<const char *> values;
    for (const QByteArray &text : texts)
        values.push_back(text.constData());
    PGresult *result = PQexecParams(m_conn, statement.constData(), int(values.size()), nullptr, values.data(),
                                    nullptr, nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        const std::string reason = PQresultErrorMessage(result);
        PQclear(result);
        throw std::runtime_error(reason);
    }
    const int rowCount = PQntuples(result);
    const int columns = PQnfields(result);
    std::vector<std::vector<std::string>> rows;
    rows.reserve(size_t(rowCount));
    for (int row = 0; row < rowCount; ++row) {
        std::vector<std::string> cells(static_cast<size_t>(columns));
        for (int column = 0; column < columns; ++column)
            cells[size_t(column)].assign(PQgetvalue(result, row, column), size_t(PQgetlength(result, row, column)));
        rows.push_back(std::move(cells));
    }
    PQclear(result);
    return rows;
}
