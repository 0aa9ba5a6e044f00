#include "demodatabase.h"
#include "testsupport.h"

#include "core/mQuillonix.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

// Answers one query on a database the test opens itself.
class Reader
{
public:
    explicit Reader(const QString &file) : m_name(QStringLiteral("reader-") + file)
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(file);
        database.open();
    }
    ~Reader()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QVariant value(const QString &statement) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(statement) && query.next() ? query.value(0) : QVariant(QStringLiteral("(failed)"));
    }
    int count(const QString &condition) const
    {
        return value(QStringLiteral("SELECT count(*) FROM ") + condition).toInt();
    }
    QStringList column(const QString &statement) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        QStringList values;
        for (query.exec(statement); query.next();)
            values << query.value(0).toString();
        return values;
    }

private:
    QString m_name;
};

QByteArray digest(const QString &file)
{
    QFile content(file);
    content.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(content.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestDemoDatabase : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }

    void holdsEveryKindOfListingTheProgramMeets();
    void photosAreRealPicturesAndSomeAreMissing();
    void sameSeedSameDatabase();
    void largeDatabasesSharePhotoFiles();
    void usersLogInWithTheirPasswords();
};

void TestDemoDatabase::holdsEveryKindOfListingTheProgramMeets()
{
    const QString folder = TestSandbox::newFolder();
    const DemoSummary summary = writeDemoDatabase(folder, {400, 3});
    QCOMPARE(summary.listings, 400);
    const Reader db(folder + QStringLiteral("/itdb.mdb"));
    QCOMPARE(db.count(QStringLiteral("house")), 400);
    QCOMPARE(db.count(QStringLiteral("(SELECT DISTINCT fybh FROM house)")), 400);
    for (int offerType = 1; offerType <= 3; ++offerType)
        QVERIFY(db.count(QStringLiteral("house WHERE fpyx = %1").arg(offerType)) > 40);
    QVERIFY(db.count(QStringLiteral("house WHERE fpyx NOT IN (1, 2, 3)")) > 0);
    QVERIFY(db.count(QStringLiteral("house WHERE wyzt = 0")) > 0);
    QVERIFY(db.count(QStringLiteral("house WHERE seq IS NULL")) > 0);
    QVERIFY(db.count(QStringLiteral("house WHERE wymc IS NULL")) > 0);
    QVERIFY(db.count(QStringLiteral("house WHERE dt = -1")) > 0);
    // Every column is filled for most listings.
    const QStringList columns = {"qy", "wylb", "wylx", "Wytd", "wyhx", "wymc", "jzmz", "Symz", "cx", "Ch", "Yt", "Wsj",
                                 "zx", "jg", "Ll", "Zlc", "lc", "dh", "wyqy", "cqz", "Qtss", "Glf", "skyq", "skfs"};
    for (const QString &column : columns)
        QVERIFY2(db.count(QStringLiteral("house WHERE %1 IS NOT NULL").arg(column)) > 250, qPrintable(column));
    QVERIFY(db.count(QStringLiteral("house WHERE fpyx = 2 AND sj IS NOT NULL")) > 0);
    QVERIFY(db.count(QStringLiteral("house WHERE fpyx = 1 AND zj IS NOT NULL")) > 0);
    // Regions and categories of the listings are the values the search lists offer.
    QCOMPARE(db.count(QStringLiteral("house WHERE qy NOT IN (SELECT lbm FROM parasetting WHERE lbh = 1)")), 0);
    QCOMPARE(db.count(QStringLiteral("house WHERE wylb NOT IN (SELECT lbm FROM parasetting WHERE lbh = 2)")), 0);
    QVERIFY(db.count(QStringLiteral("parasetting WHERE lbh NOT IN (1, 2)")) > 0);
    QVERIFY(db.count(QStringLiteral("picture WHERE tpm LIKE ' %'")) > 0);
}

void TestDemoDatabase::photosAreRealPicturesAndSomeAreMissing()
{
    const QString folder = TestSandbox::newFolder();
    const DemoSummary summary = writeDemoDatabase(folder, {60, 5});
    const Reader db(folder + QStringLiteral("/itdb.mdb"));
    QCOMPARE(db.count(QStringLiteral("picture")), summary.photoRows);
    QVERIFY(db.count(QStringLiteral("(SELECT fybh FROM picture GROUP BY fybh HAVING count(*) < 2 OR count(*) > 5)"))
            == 0);
    QCOMPARE(db.count(QStringLiteral("(SELECT DISTINCT fybh FROM picture)")), 60);
    int missing = 0;
    QSet<QSize> sizes;
    for (const QString &photo : db.column(QStringLiteral("SELECT tpbh FROM picture"))) {
        const QString file = folder + QStringLiteral("/picture/") + photo;
        if (!QFile::exists(file)) {
            ++missing;
            continue;
        }
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        sizes.insert(reader.size());
        QVERIFY(!reader.read().isNull());
    }
    QCOMPARE(missing, summary.missingPhotoFiles);
    QVERIFY(sizes.size() > 10);
    QCOMPARE(int(QDir(folder + QStringLiteral("/picture")).entryList(QDir::Files).size()), summary.photoFiles);
}

void TestDemoDatabase::sameSeedSameDatabase()
{
    const QString first = TestSandbox::newFolder();
    const QString second = TestSandbox::newFolder();
    const QString other = TestSandbox::newFolder();
    writeDemoDatabase(first, {30, 9});
    writeDemoDatabase(second, {30, 9});
    writeDemoDatabase(other, {30, 10});
    QCOMPARE(digest(first + QStringLiteral("/itdb.mdb")), digest(second + QStringLiteral("/itdb.mdb")));
    QVERIFY(digest(first + QStringLiteral("/itdb.mdb")) != digest(other + QStringLiteral("/itdb.mdb")));
    const QStringList photos = QDir(first + QStringLiteral("/picture")).entryList(QDir::Files);
    QCOMPARE(QDir(second + QStringLiteral("/picture")).entryList(QDir::Files), photos);
    QCOMPARE(digest(first + QStringLiteral("/picture/") + photos.first()),
             digest(second + QStringLiteral("/picture/") + photos.first()));
}

void TestDemoDatabase::largeDatabasesSharePhotoFiles()
{
    const QString folder = TestSandbox::newFolder();
    QProcess maker;
    maker.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quillonix-demodb"),
                {folder, QStringLiteral("--listings"), QStringLiteral("3000"), QStringLiteral("--seed"), QStringLiteral("4")});
    QVERIFY(maker.waitForFinished(60000));
    QCOMPARE(maker.exitCode(), 0);
    QVERIFY(maker.readAllStandardOutput().contains("3000 listings"));
    const Reader db(folder + QStringLiteral("/itdb.mdb"));
    QCOMPARE(db.count(QStringLiteral("house")), 3000);
    QVERIFY(QDir(folder + QStringLiteral("/picture")).entryList(QDir::Files).size() <= 200);

    QProcess refused;
    refused.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quillonix-demodb"),
                  {folder, QStringLiteral("--listings"), QStringLiteral("many")});
    QVERIFY(refused.waitForFinished(10000));
    QCOMPARE(refused.exitCode(), 2);
}

void TestDemoDatabase::usersLogInWithTheirPasswords()
{
    const QString folder = TestSandbox::newFolder();
    writeDemoDatabase(folder, {5, 1});
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    QVERIFY(funConnectDatabase());
    for (const DemoUser &user : demoUsers) {
        QVERIFY(funCheckPassword(QString::fromUtf8(user.name), QString::fromUtf8(user.password)));
        QVERIFY(!funCheckPassword(QString::fromUtf8(user.name), QStringLiteral("wrong")));
    }
    funCloseDatabase();
}

QTEST_MAIN(TestDemoDatabase)
#include "tst_demodb.moc"
