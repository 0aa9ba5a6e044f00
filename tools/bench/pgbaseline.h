#pragma once

#include <QByteArrayList>
#include <QString>
#include <string>
#include <vector>

struct pg_conn;

// What reading rows costs with libpq alone: the yardstick of the program's figures on a
// PostgreSQL server. The session runs its statements as the program's does, without
// parallel workers.
class PgBaseline
{
public:
    explicit PgBaseline(const QString &uri);
    ~PgBaseline();
    PgBaseline(const PgBaseline &) = delete;
    PgBaseline &operator=(const PgBaseline &) = delete;

    // Runs the statement (in the server's form: $1, $2 …, each taking the next of texts,
    // bound as text) and copies every cell of every row into memory; returns the rows.
    std::vector<std::vector<std::string>> readAll(const QByteArray &statement, const QByteArrayList &texts = {}) const;

private:
    pg_conn *m_conn = nullptr;
};
