#include "testserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <memory>

namespace {

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Connection connect(const QString &uri)
{
    Connection connection(PQconnectdb(uri.toUtf8().constData()), PQfinish);
    if (PQstatus(connection.get()) != CONNECTION_OK)
        qFatal("cannot reach the test server at %s: %s", qPrintable(uri), PQerrorMessage(connection.get()));
    return connection;
}

void run(PGconn *connection, const QString &statement)
{
    const Result result(PQexec(connection, statement.toUtf8().constData()), PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
        qFatal("test server: %s: %s", qPrintable(statement), PQerrorMessage(connection));
}

} // namespace

QString TestServerDatabase::clusterUri()
{
    QFile file(QStringLiteral(QUILLONIX_TEST_SERVER_URI));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no test server: %s is missing (the start_test_server fixture writes it)", QUILLONIX_TEST_SERVER_URI);
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString TestServerDatabase::uriOf(const QString &database)
{
    QString uri = clusterUri();
    static const QRegularExpression path(QStringLiteral("^(postgresql://[^/]*/)[^?]*"));
    return uri.replace(path, QStringLiteral("\\1") + database);
}

TestServerDatabase::TestServerDatabase()
{
    static int made = 0;
    m_name = QStringLiteral("%1_%2_%3")
                 .arg(QCoreApplication::applicationName().toLower())
                 .arg(QCoreApplication::applicationPid())
                 .arg(++made);
    const Connection cluster = connect(clusterUri());
    run(cluster.get(), QStringLiteral("CREATE DATABASE \"%1\"").arg(m_name));
    m_uri = uriOf(m_name);
    m_conn = connect(m_uri).release();
    run(m_conn, QStringLiteral("SET DateStyle = ISO"));
}

TestServerDatabase::~TestServerDatabase()
{
    PQfinish(m_conn);
    const Connection cluster = connect(clusterUri());
    // Ends whatever session a failed test left open on it.
    run(cluster.get(), QStringLiteral("DROP DATABASE \"%1\" WITH (FORCE)").arg(m_name));
    // What the roles held went with the database.
    for (const QString &role : std::as_const(m_roles))
        run(cluster.get(), QStringLiteral("DROP ROLE \"%1\"").arg(role));
}

QString TestServerDatabase::uriAs(const QString &role) const
{
    QString uri = m_uri;
    static const QRegularExpression user(QStringLiteral("^postgresql://[^@/]*@"));
    return uri.replace(user, QStringLiteral("postgresql://%1@").arg(role));
}

QString TestServerDatabase::addRole(const QString &purpose, const QString &options)
{
    const QString role = m_name + QLatin1Char('_') + purpose;
    const Connection cluster = connect(clusterUri());
    run(cluster.get(), QStringLiteral("CREATE ROLE \"%1\" %2").arg(role, options));
    m_roles << role;
    return role;
}

bool TestServerDatabase::exec(const QString &statements)
{
    const Result result(PQexec(m_conn, statements.toUtf8().constData()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    m_lastError = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QVector<QVariantList> TestServerDatabase::rows(const QString &statement)
{
    const Result result(PQexec(m_conn, statement.toUtf8().constData()), PQclear);
    QVector<QVariantList> rows;
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        m_lastError = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        return rows;
    }
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        QVariantList values;
        for (int column = 0; column < PQnfields(result.get()); ++column) {
            values << (PQgetisnull(result.get(), row, column)
                           ? QVariant()
                           : QVariant(QString::fromUtf8(PQgetvalue(result.get(), row, column),
                                                        PQgetlength(result.get(), row, column))));
        }
        rows << values;
    }
    return rows;
}
