#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QVariantMap>

// Text as older tools stored it: GBK bytes (GB18030 for characters GBK lacks), or UTF-8
// behind a byte-order mark.
QByteArray gbkBytes(const QString &text);
QByteArray markedUtf8Bytes(const QString &text);

// A listing database written by a test: a folder with itdb.mdb (SQLite) holding the four
// tables, filled row by row, and a picture folder for photo files.
class ListingFixture
{
public:
    // A new folder in the test sandbox; withTables false leaves the database empty.
    explicit ListingFixture(bool withTables = true);
    ~ListingFixture();
    ListingFixture(const ListingFixture &) = delete;
    ListingFixture &operator=(const ListingFixture &) = delete;

    QString folder() const { return m_folder; }
    QString databaseFile() const;
    QString pictureFolder() const;

    void exec(const QString &statement, const QVariantList &values = {});
    QVariant scalar(const QString &statement);

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
    // A real picture file of one colour in the picture folder; returns its path.
    QString writePhoto(const QString &fileName, const QSize &size = QSize(64, 48), const char *format = "JPEG",
                       const QColor &colour = QColor(40, 120, 200));
    // A file with these bytes in the picture folder; returns its path.
    QString writePictureFile(const QString &fileName, const QByteArray &content);

    // Points the program at this database (gDBType, gDBPath) and opens gConnection.
    void connect() const;

private:
    QString m_folder;
    QString m_connection;
    int m_houses = 0;
};
