#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// What mdbtools' own programs (mdb-tables, mdb-export) show of an Access file: the reference
// the program's reader is held to. Values as text, Null as an invalid QVariant.
class MdbExport
{
public:
    struct Table
    {
        QStringList columns;
        QVector<QVariantList> rows;
    };

    static QStringList tables(const QString &accessFile);
    static Table table(const QString &accessFile, const QString &name);

    // Fails the running test unless columns and rows match the table's export, value for
    // value in their plain text form, Null for Null.
    static void compare(const Table &expected, const QStringList &columns, const QVector<QVariantList> &rows);
};
