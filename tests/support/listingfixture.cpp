#include "listingfixture.h"

#include "serverimport.h"
#include "testserver.h"
#include "testsupport.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/engine.h"
#include "core/listingschema.h"
#include "core/mQuillonix.h"
#include "core/recordset.h"
#include "core/valuetext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <vector>

QByteArray gbkBytes(const QString &text)
{
    QStringEncoder gb18030("GB18030");
    return gb18030(text);
}

QByteArray markedUtf8Bytes(const QString &text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return !utf8.hasError();
}

void addStoredNumberRows()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("GBK") << "碧桂园101" << gbkBytes(QStringLiteral("碧桂园101"));
    QTest::newRow("after a byte-order mark") << "D4" << markedUtf8Bytes(QStringLiteral("D4"));
}

namespace {

// Databases of the test server this process has made, free for the next fixture: making a
// database takes far longer than emptying one.
std::vector<std::unique_ptr<TestServerDatabase>> &freeServerDatabases()
{
    static std::vector<std::unique_ptr<TestServerDatabase>> databases;
    return databases;
}

std::unique_ptr<TestServerDatabase> emptyServerDatabase()
{
    std::vector<std::unique_ptr<TestServerDatabase>> &free = freeServerDatabases();
    if (free.empty())
        return std::make_unique<TestServerDatabase>();
    std::unique_ptr<TestServerDatabase> database = std::move(free.back());
    free.pop_back();
    if (!database->exec(QStringLiteral(
            "SET client_min_messages = warning; DROP SCHEMA public CASCADE; CREATE SCHEMA public")))
        qFatal("test server: cannot empty %s: %s", qPrintable(database->name()), qPrintable(database->lastError()));
    return database;
}

} // namespace

// The fixture's database loaded into a database of the test server, which the folder names.
class ListingFixture::ServerCopy
{
public:
    ServerCopy(const QString &folder, const QString &databaseFile, const QStringList &views)
        : m_database(emptyServerDatabase())
    {
        try {
            ServerImport(m_database->uri()).load(databaseFile, false);
        } catch (const DbError &error) {
            qFatal("cannot load the test database into the server: %s", error.what());
        }
        writeTestFile(folder + QStringLiteral("/itdb.conn"), m_database->uri().toUtf8() + '\n');
        m_connection.setConnectionString(QStringLiteral("dbq=") + folder + QStringLiteral("/itdb.mdb"));
        for (const QString &view : views)
            exec(view, {});
    }
    ~ServerCopy()
    {
        m_connection.close();
        freeServerDatabases().push_back(std::move(m_database));
    }

    void exec(const QString &statement, const QVariantList &values)
    {
        // Bytes go to the server as text of those very bytes, as they go into the file.
        QVariantList asText;
        for (const QVariant &value : values) {
            asText << (value.typeId() == QMetaType::QByteArray
                           ? QVariant::fromValue(StoredText::fromBytes(value.toByteArray()))
                           : value);
        }
        try {
            session()->run(statement, asText);
        } catch (const DbError &error) {
            qFatal("test server: %s: %s", qPrintable(statement), error.what());
        }
    }

    QVariant scalar(const QString &statement)
    {
        try {
            session();
            Recordset rows;
            rows.open(statement, m_connection);
            return rows.field(0);
        } catch (const DbError &error) {
            qFatal("test server: %s: %s", qPrintable(statement), error.what());
        }
    }

private:
    // The fixture's own connection, through the program's engine, made when first needed.
    std::shared_ptr<EngineSession> session()
    {
        if (!m_connection.isOpen())
            m_connection.open();
        return m_connection.session();
    }

    std::unique_ptr<TestServerDatabase> m_database;
    Connection m_connection;
};

bool ListingFixture::onServer()
{
    return qgetenv("QUILLONIX_TEST_BACKEND") == "server";
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
    m_server.reset();
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

QString ListingFixture::databaseFolder()
{
    if (onServer() && !m_server)
        m_server = std::make_unique<ServerCopy>(m_folder, databaseFile(), m_views);
    return m_folder;
}

void ListingFixture::exec(const QString &statement, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        qFatal("test database: %s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    if (statement.startsWith(QLatin1String("PRAGMA"), Qt::CaseInsensitive))
        return;
    if (m_server)
        m_server->exec(statement, values);
    else if (statement.startsWith(QLatin1String("CREATE VIEW"), Qt::CaseInsensitive))
        m_views << statement;
}

QVariant ListingFixture::scalar(const QString &statement)
{
    if (m_server)
        return m_server->scalar(statement);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(statement) || !query.next())
        qFatal("test database: %s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    return query.value(0);
}

ListingFixture::Page ListingFixture::indexRootPage(const QString &index)
{
    const qint64 size = scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
    const qint64 root = scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='%1'").arg(index)).toLongLong();
    return {(root - 1) * size, size};
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

void ListingFixture::addTwinsUnderOneNumber(const QString &shown, const QByteArray &stored)
{
    addHouse(QStringLiteral("OLD-TOOL"), {{"fpyx", 2}, {"wymc", "旧库"}});
    storeTextBytes(QStringLiteral("house"), QStringLiteral("fybh"), stored, QStringLiteral("fybh='OLD-TOOL'"));
    addHouse(shown, {{"fpyx", 1}, {"wymc", "新库"}});
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

void ListingFixture::connect()
{
    gDBType = QStringLiteral("A");
    gDBPath = databaseFolder() + QLatin1Char('/');
    if (!funConnectDatabase())
        qFatal("cannot connect to the test database %s", qPrintable(databaseFile()));
}

QString ListingFixture::writePictureFile(const QString &fileName, const QByteArray &content)
{
    return writeTestFile(pictureFolder() + QLatin1Char('/') + fileName, content);
}
