#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

struct pg_conn;

// A database of its own on the test suite's throw-away PostgreSQL cluster (tests/CMakeLists.txt
// starts it for the tests that declare quillonix_needs_server), made empty for one test and
// dropped at the end, with the roles made for it. Test programs run side by side, so each
// works in databases and roles of its own.
// Fails the running test, or ends the program, when the cluster cannot be reached.
class TestServerDatabase
{
public:
    TestServerDatabase();
    ~TestServerDatabase();
    TestServerDatabase(const TestServerDatabase &) = delete;
    TestServerDatabase &operator=(const TestServerDatabase &) = delete;

    // The libpq URI (postgresql://…) of this database.
    const QString &uri() const { return m_uri; }
    // The same database reached as another role.
    QString uriAs(const QString &role) const;
    // A new role of this test's own, made with the options of CREATE ROLE (LOGIN, say) and
    // dropped with the database; returns its name.
    QString addRole(const QString &purpose, const QString &options);
    const QString &name() const { return m_name; }

    // Runs statements on this database through libpq; false, with the server's message in
    // lastError(), when one fails.
    bool exec(const QString &statements);
    QString lastError() const { return m_lastError; }
    // Every row of a statement, every value as the server's text (dates with DateStyle ISO);
    // a Null as an invalid QVariant. No rows, with lastError(), when the statement fails.
    QVector<QVariantList> rows(const QString &statement);

    // The URI of the cluster's own database, as the fixture wrote it.
    static QString clusterUri();
    // The URI of another database on the cluster.
    static QString uriOf(const QString &database);

private:
    QString m_name;
    QString m_uri;
    QString m_lastError;
    QStringList m_roles;
    pg_conn *m_conn = nullptr;
};
