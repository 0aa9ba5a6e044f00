#pragma once

#include <QString>
#include <QStringList>

class AccessFile;

// The catalogue of an Access file, its system table MSysObjects, read whole and checked
// against itself and against the tables libmdb found in it before anything is copied: a
// damaged catalogue may otherwise hide tables or pass system tables off as the agency's.
// Throws DbError when it does not agree with itself.
class AccessCatalog
{
public:
    explicit AccessCatalog(const AccessFile &file);

    // The tables the agency keeps, in the catalogue's order: no system tables.
    const QStringList &userTables() const { return m_userTables; }

private:
    QStringList m_userTables;
};
