#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QVariantMap>

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
