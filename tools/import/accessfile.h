#pragma once

#include "mdb.h"

#include <QString>

// The agency's Access (Jet) database file, opened read-only through libmdb. Jet 3
// (Access 97) text is decoded by the Windows code page the file records, as GBK when it
// records none; Jet 4 text is Unicode. Throws DbError when the file cannot be read as one.
class AccessFile
{
public:
    explicit AccessFile(const QString &fileName);
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    MdbHandle *handle() const { return m_mdb; }
    // How many pages the file holds: a page number past them points nowhere.
    qint64 pageCount() const { return m_pageCount; }

    // The most bytes one value is read with: a memo of 65 535 characters fits.
    static constexpr size_t bindSize = 200000;
    // Enough for any other value: a text of 255 characters in UTF-8, a number, a date.
    static constexpr size_t shortBindSize = 4096;

private:
    void prepare(qint64 fileSize);
    void decodeJet3TextBy(quint16 codePage);

    MdbHandle *m_mdb = nullptr;
    qint64 m_pageCount = 0;
};
