#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

// Text as older tools stored it: GBK bytes (GB18030 for characters GBK lacks), or UTF-8
// behind a byte-order mark.
QByteArray gbkBytes(const QString &text);
QByteArray markedUtf8Bytes(const QString &text);
bool isUtf8(const QByteArray &bytes);
// The rows of a data-driven test of listing numbers as older tools stored them: "shown", the
// number as the program shows it, and "stored", its bytes: GBK, or UTF-8 behind a byte-order mark.
void addStoredNumberRows();

// A listing database written by a test: a folder with itdb.mdb (SQLite) holding the four
// tables, filled row by row, and a picture folder for photo files.
//
// On the server (onServer(): the test program runs with QUILLONIX_TEST_BACKEND=server), the
// same database is a shared server database: when the program is first pointed at the folder,
// what was written so far is loaded into a database of the test server as quillonix-import
// loads it (views the test made are made there too), and the folder names it in itdb.conn.
// From then on every statement runs on the file and on the server alike (a PRAGMA, the
// file's own, on the file only), and scalar() reads the server.
class ListingFixture
{
public:
    // A new folder in the test sandbox; withTables false leaves the database empty.
    explicit ListingFixture(bool withTables = true);
    ~ListingFixture();
    ListingFixture(const ListingFixture &) = delete;
    ListingFixture &operator=(const ListingFixture &) = delete;

    static bool onServer();

    QString folder() const { return m_folder; }
    // The folder, ready for the program to be pointed at (funSaveDBPath, gDBPath).
    QString databaseFolder();
    QString databaseFile() const;
    QString pictureFolder() const;

    void exec(const QString &statement, const QVariantList &values = {});
    QVariant scalar(const QString &statement);
    // Where the root page of an index of the database file lies, for tests that damage it as
    // a failing disk does.
    struct Page
    {
        qint64 offset;
        qint64 size;
    };
    Page indexRootPage(const QString &index);

    void addUser(const QVariant &name, const QVariant &password);
    void addSetting(const QVariant &lbh, const QVariant &lbm);
    // A current listing (wyzt 1, seq 0) changed at a time later than the one before,
    // with the given columns on top.
    void addHouse(const QString &fybh, const QVariantMap &columns = {});
    void addPicture(const QString &fybh, const QVariant &tpbh, const QVariant &tpm);
    // Puts bytes as they are into a text column of the rows the condition picks, the way
    // older tools stored GBK text or a byte-order mark.
    void storeTextBytes(const QString &table, const QString &column, const QByteArray &bytes, const QString &condition,
                        const QVariantList &conditionValues = {});
    // Two listings shown under one number: 旧库, for sale, whose number an older tool stored as
    // these bytes; and 新库, to let, the same number stored as UTF-8, changed later.
    void addTwinsUnderOneNumber(const QString &shown, const QByteArray &stored);
    // A real picture file of one colour in the picture folder; returns its path.
    QString writePhoto(const QString &fileName, const QSize &size = QSize(64, 48), const char *format = "JPEG",
                       const QColor &colour = QColor(40, 120, 200));
    // A file with these bytes in the picture folder; returns its path.
    QString writePictureFile(const QString &fileName, const QByteArray &content);

    // Points the program at this database (gDBType, gDBPath) and opens gConnection.
    void connect();

private:
    class ServerCopy;

    QString m_folder;
    // Views made before the server copy: quillonix-import loads tables only.
    QStringList m_views;
    std::unique_ptr<ServerCopy> m_server;
    QString m_connection;
    int m_houses = 0;
};

// Skips the running test on the server, for what only a database file has.
#define SKIP_ON_SERVER(reason)                                                                                         \
    do {                                                                                                               \
        if (ListingFixture::onServer())                                                                                \
            QSKIP(reason);                                                                                             \
    } while (false)
