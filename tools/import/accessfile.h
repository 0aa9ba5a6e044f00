#pragma once

#include "mdb.h"

#include <QString>
#include <QStringList>

// The agency's Access (Jet) database file, opened read-only through libmdb. Jet 3
// (Access 97) text is decoded as GBK, Jet 4 text as Unicode; dates read as
// "yyyy-mm-dd hh:mm:ss". Throws DbError when the file cannot be read as one.
class AccessFile
{
public:
    explicit AccessFile(const QString &fileName);
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    // The tables the agency keeps (no system tables), in the file's order.
    QStringList tableNames() const;
    MdbHandle *handle() const { return m_mdb; }

    // The most bytes one value is read with: a memo of 65 535 characters fits.
    static constexpr size_t bindSize = 200000;

private:
    MdbHandle *m_mdb = nullptr;
};
