#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class PgConnection;

// What an administrator set on a table that the import replaces: its owner, the privileges
// granted on it and on its columns (the desks' SELECT among them), and its indexes, with the
// constraints that make one. Read before the table is dropped, and set again on the new table
// of the same name, so that the desks read it as before.
class TableSettings
{
public:
    // The settings of the table in the current schema, as they stand in the transaction.
    TableSettings(PgConnection &server, const QString &table);

    // Sets them on the new table of that name, loaded with its listing indexes: the grants
    // are made the same as on the old table, indexes the import made itself stay, and the
    // owner comes last. What the server will not do again (an index on a column gone, or one
    // the new rows break) is left out and noted.
    void restore(PgConnection &server, QStringList &notes) const;

private:
    // The grantees other than the owner that hold privileges on the table now, as GRANT and
    // REVOKE name them.
    static QString granteesQuery(const QString &tableLiteral);

    QString m_table;
    QString m_owner;
    QStringList m_grants;
    struct Index
    {
        QString name;
        QString statement;
    };
    QVector<Index> m_indexes;
};
