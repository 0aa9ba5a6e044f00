#include "listingfixture.h"

#include "testsupport.h"

#include "core/listingschema.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>

QByteArray gbkBytes(const QString &text)
{
    QStringEncoder gb18030("GB18030");
    return gb18030(text);
}

QByteArray markedUtf8Bytes(const QString &text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

ListingFixture::ListingFixture(bool withTables) : m_folder(TestSandbox::newFolder())
{
    static int fixtures = 0;
    m_connection = QStringLiteral("fixture%1").arg(++fixtures);
    QDir(m_folder).mkpath(QStringLiteral("picture"));
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    database.setDatabaseName(databaseFile());
    if (!database.open())
        qFatal("cannot write the test database %s", qPrintable(databaseFile()));
    if (withTables)
        ListingSchema::create(database);
    else
        exec(QStringLiteral("PRAGMA user_version = 1"));
}

ListingFixture::~ListingFixture()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QString ListingFixture::databaseFile() const
{
    return m_folder + QStringLiteral("/itdb.mdb");
}

QString ListingFixture::pictureFolder() const
{
    return m_folder + QStringLiteral("/picture");
}

void ListingFixture::exec(const QString &statement, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        qFatal("test database: %s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
}

QVariant ListingFixture::scalar(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(statement) || !query.next())
        qFatal("test database: %s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    return query.value(0);
}

void ListingFixture::addUser(const QVariant &name, const QVariant &password)
{
    exec(QStringLiteral("INSERT INTO user (yhm, yhkl, xgr, xgsj) VALUES (?, ?, 'TEST', '2025-01-01 08:00:00')"),
         {name, password});
}

void ListingFixture::addSetting(const QVariant &lbh, const QVariant &lbm)
{
    exec(QStringLiteral("INSERT INTO parasetting (lbh, lbm) VALUES (?, ?)"), {lbh, lbm});
}

void ListingFixture::addHouse(const QString &fybh, const QVariantMap &columns)
{
    ++m_houses;
    QVariantMap row = {
        {QStringLiteral("fybh"), fybh},
        {QStringLiteral("wyzt"), 1},
        {QStringLiteral("seq"), 0},
        {QStringLiteral("fpyx"), 1},
        {QStringLiteral("xgsj"), QDateTime(QDate(2025, 1, 1), QTime(8, 0))
                                     .addSecs(qint64(m_houses) * 60)
                                     .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
    };
    for (auto column = columns.cbegin(); column != columns.cend(); ++column)
        row.insert(column.key(), column.value());
    exec(ValueText::insertStatement(QStringLiteral("house"), row.keys()), row.values());
}

void ListingFixture::addPicture(const QString &fybh, const QVariant &tpbh, const QVariant &tpm)
{
    exec(QStringLiteral("INSERT INTO picture (fybh, seq, tpbh, tpm) VALUES (?, 1, ?, ?)"), {fybh, tpbh, tpm});
}

void ListingFixture::storeTextBytes(const QString &table, const QString &column, const QByteArray &bytes,
                                    const QString &condition, const QVariantList &conditionValues)
{
    // A blob cast to text keeps its bytes: text bound from here would be written as UTF-8.
    exec(QStringLiteral("UPDATE %1 SET %2 = CAST(? AS TEXT) WHERE %3").arg(table, column, condition),
         QVariantList{bytes} + conditionValues);
}

QString ListingFixture::writePhoto(const QString &fileName, const QSize &size, const char *format,
                                   const QColor &colour)
{
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(colour);
    const QString path = pictureFolder() + QLatin1Char('/') + fileName;
    if (!photo.save(path, format))
        qFatal("cannot write the test photo %s", qPrintable(path));
    return path;
}

void ListingFixture::connect() const
{
    gDBType = QStringLiteral("A");
    gDBPath = m_folder + QLatin1Char('/');
    if (!funConnectDatabase())
        qFatal("cannot connect to the test database %s", qPrintable(databaseFile()));
}

QString ListingFixture::writePictureFile(const QString &fileName, const QByteArray &content)
{
    const QString path = pictureFolder() + QLatin1Char('/') + fileName;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}
