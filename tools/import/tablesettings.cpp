#include "tablesettings.h"

#include "pgconnection.h"

#include "core/dberror.h"
#include "core/valuetext.h"

namespace {

QString literal(const QString &text)
{
    QString doubled = text;
    return QLatin1Char('\'') + doubled.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// The table, as a statement of the server names it with a text value.
QString tableLiteral(const QString &table)
{
    return literal(ValueText::quotedName(table)) + QStringLiteral("::regclass");
}

// A grantee as GRANT and REVOKE name it: PUBLIC, or a role.
const QString granteeName
    = QStringLiteral("CASE WHEN a.grantee = 0 THEN 'PUBLIC' ELSE quote_ident(pg_get_userbyid(a.grantee)) END");

// Runs the statement in a savepoint: false, with the server's words, where it fails, and
// the transaction goes on without it.
bool attempt(PgConnection &server, const QString &statement, QString &failure)
{
    server.exec(QStringLiteral("SAVEPOINT kept_setting"));
    try {
        server.exec(statement);
        server.exec(QStringLiteral("RELEASE SAVEPOINT kept_setting"));
        return true;
    } catch (const DbError &error) {
        server.exec(QStringLiteral("ROLLBACK TO SAVEPOINT kept_setting"));
        failure = error.description();
        return false;
    }
}

} // namespace

TableSettings::TableSettings(PgConnection &server, const QString &table) : m_table(table)
{
    const QString oid = tableLiteral(table);
    m_owner = server.column(QStringLiteral("SELECT quote_ident(pg_get_userbyid(relowner)) FROM pg_class WHERE oid = ")
                            + oid)
                  .value(0);
    const QString grantOption = QStringLiteral("CASE WHEN a.is_grantable THEN ' WITH GRANT OPTION' ELSE '' END");
    m_grants = server.column(
        QStringLiteral("SELECT format('GRANT %s ON TABLE %I TO %s%s', a.privilege_type, c.relname, %1, %2)"
                       " FROM pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a"
                       " WHERE c.oid = %3 AND a.grantee <> c.relowner"
                       " UNION ALL"
                       " SELECT format('GRANT %s (%I) ON TABLE %I TO %s%s', a.privilege_type, t.attname, c.relname,"
                       " %1, %2)"
                       " FROM pg_class c JOIN pg_attribute t ON t.attrelid = c.oid"
                       " CROSS JOIN LATERAL aclexplode(t.attacl) a"
                       " WHERE c.oid = %3 AND t.attnum > 0 AND NOT t.attisdropped AND a.grantee <> c.relowner")
            .arg(granteeName, grantOption, oid));
    // An index that a constraint makes is made again by the constraint.
    for (const QStringList &index : server.rows(
             QStringLiteral("SELECT i.relname, CASE WHEN k.conname IS NULL THEN pg_get_indexdef(x.indexrelid)"
                            " ELSE format('ALTER TABLE %I ADD CONSTRAINT %I %s', c.relname, k.conname,"
                            " pg_get_constraintdef(k.oid)) END"
                            " FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid"
                            " JOIN pg_class c ON c.oid = x.indrelid"
                            " LEFT JOIN pg_constraint k ON k.conindid = x.indexrelid AND k.conrelid = x.indrelid"
                            " WHERE x.indrelid = %1 ORDER BY i.relname")
                 .arg(oid))) {
        m_indexes.append({index.at(0), index.at(1)});
    }
}

QString TableSettings::granteesQuery(const QString &tableLiteral)
{
    return QStringLiteral("SELECT DISTINCT %1 FROM pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a"
                          " WHERE c.oid = %2 AND a.grantee <> c.relowner")
        .arg(granteeName, tableLiteral);
}

void TableSettings::restore(PgConnection &server, QStringList &notes) const
{
    const QString oid = tableLiteral(m_table);
    const QString table = ValueText::quotedName(m_table);
    // Privileges that new tables get by default go, so that the grants are the old ones alone.
    for (const QString &grantee : server.column(granteesQuery(oid)))
        server.exec(QStringLiteral("REVOKE ALL ON TABLE %1 FROM %2").arg(table, grantee));
    QString failure;
    for (const QString &grant : m_grants) {
        // A column granted on may be gone from the new table.
        if (!attempt(server, grant, failure))
            notes << QStringLiteral("table %1: not granted again: %2: %3").arg(m_table, grant, failure);
    }
    for (const Index &index : m_indexes) {
        // The import made its listing indexes anew.
        const bool made = !server.column(QStringLiteral("SELECT to_regclass(%1)").arg(literal(ValueText::quotedName(index.name))))
                               .value(0)
                               .isEmpty();
        if (!made && !attempt(server, index.statement, failure))
            notes << QStringLiteral("table %1: index %2 not made again: %3").arg(m_table, index.name, failure);
    }
    if (!m_owner.isEmpty())
        server.exec(QStringLiteral("ALTER TABLE %1 OWNER TO %2").arg(table, m_owner));
}
