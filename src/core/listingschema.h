#pragma once

#include <QSqlDatabase>
#include <QStringList>

// The four tables of a listing database kept as SQLite, and the indexes its queries use.
// The program reads any database with these tables and columns; it does not rely on the
// types or indexes given here, since a database kept by other means may lack them.
namespace ListingSchema {

QStringList tableStatements();
// The columns of the search's covering index, in its order: the listing's status, the time of
// its last change, then every other column the search filters on or lists.
QStringList searchIndexColumns();
QStringList indexStatements();

// Creates the tables and indexes in an empty database; throws DbError on failure.
void create(QSqlDatabase &database);

} // namespace ListingSchema
