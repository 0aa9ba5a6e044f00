#include "listingfixture.h"
#include "testsupport.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/filechangewatch.h"
#include "core/recordset.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

// Another program changes the listing database while the desk watches it.
class TestFileChangeWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }

    void changeBySecondConnectionIsNoticed_data();
    void changeBySecondConnectionIsNoticed();
    void replacedFileIsNoticed();
    void unchangedFileIsQuiet();
    void accessFileChangedIsNoticedAndReadAgain();
};

void TestFileChangeWatch::changeBySecondConnectionIsNoticed_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<QString>("statement");
    for (const QString &journal : {QStringLiteral("DELETE"), QStringLiteral("WAL")}) {
        const QByteArray mode = journal.toLatin1();
        QTest::newRow(mode + ", price changed") << journal << QStringLiteral("UPDATE house SET sj = 99 WHERE fybh = 'A1'");
        QTest::newRow(mode + ", withdrawn") << journal << QStringLiteral("UPDATE house SET wyzt = 0 WHERE fybh = 'A1'");
        QTest::newRow(mode + ", deleted") << journal << QStringLiteral("DELETE FROM house WHERE fybh = 'A2'");
        QTest::newRow(mode + ", photo added")
            << journal << QStringLiteral("INSERT INTO picture (fybh, tpbh, tpm) VALUES ('A1', 2, 'b.jpg')");
    }
}

void TestFileChangeWatch::changeBySecondConnectionIsNoticed()
{
    QFETCH(QString, journal);
    QFETCH(QString, statement);
    ListingFixture db;
    db.addHouse(QStringLiteral("A1"));
    db.addHouse(QStringLiteral("A2"));
    db.addPicture(QStringLiteral("A1"), 1, QStringLiteral("a.jpg"));
    db.exec(QStringLiteral("PRAGMA journal_mode = ") + journal);

    FileChangeWatch watch(db.databaseFile(), 200, nullptr);
    QSignalSpy changed(&watch, &FileChangeWatch::changed);
    // The first look learns how the file stands and says nothing.
    QTest::qWait(500);
    QCOMPARE(changed.count(), 0);
    // Times of a file system that keeps whole seconds only must differ as well.
    QTest::qWait(1000);
    db.exec(statement);
    QVERIFY(changed.wait(3000));
}

void TestFileChangeWatch::replacedFileIsNoticed()
{
    ListingFixture db;
    db.addHouse(QStringLiteral("A1"));
    const QString file = db.databaseFile();
    const QString copy = file + QStringLiteral(".new");
    QVERIFY(QFile::copy(file, copy));
    FileChangeWatch watch(file, 200, nullptr);
    QSignalSpy changed(&watch, &FileChangeWatch::changed);
    QTest::qWait(500);
    // The back office puts a new database in place of the old, as a copy tool does.
    QVERIFY(QFile::remove(file));
    QVERIFY(QFile::rename(copy, file));
    QVERIFY(changed.wait(3000));
}

void TestFileChangeWatch::unchangedFileIsQuiet()
{
    ListingFixture db;
    db.addHouse(QStringLiteral("A1"));
    FileChangeWatch watch(db.databaseFile(), 100, nullptr);
    QSignalSpy changed(&watch, &FileChangeWatch::changed);
    for (int i = 0; i < 5; ++i)
        watch.check();
    QTest::qWait(800);
    QCOMPARE(changed.count(), 0);
}

void TestFileChangeWatch::accessFileChangedIsNoticedAndReadAgain()
{
    const QString file = TestSandbox::newFolder() + QStringLiteral("/itdb.mdb");
    QVERIFY(QFile::copy(QStringLiteral(FRUIT_MDB), file));
    Connection access;
    access.setConnectionString(QStringLiteral("dbq=") + file);
    access.open();
    const auto rowsOf = [&access](const QString &table) {
        Recordset counted;
        counted.open(QStringLiteral("SELECT count(*) FROM ") + table, access);
        return counted.field(0).toInt();
    };
    QVERIFY(rowsOf(QStringLiteral("Fruit")) > 0);
    FileChangeWatch watch(Connection::fileOf(access.connectionString()), 200, nullptr);
    QSignalSpy changed(&watch, &FileChangeWatch::changed);
    QTest::qWait(500);
    QCOMPARE(changed.count(), 0);
    // The back office puts its newer file in place: the copy the desk reads is stale, and the
    // desk hears of it.
    const QString newer = file + QStringLiteral(".new");
    QVERIFY(QFile::copy(QStringLiteral(ACCESS_TESTDATA "/DateTestDatabase.mdb"), newer));
    QVERIFY(QFile::remove(file));
    QVERIFY(QFile::rename(newer, file));
    QVERIFY(changed.wait(3000));
    // What the desk then reads, it reads from the newer file.
    QVERIFY(rowsOf(QStringLiteral("DateTest")) > 0);
    QVERIFY_THROWS_EXCEPTION(DbError, rowsOf(QStringLiteral("Fruit")));
}

QTEST_MAIN(TestFileChangeWatch)
#include "tst_filechangewatch.moc"
