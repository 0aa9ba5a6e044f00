#include "listingfixture.h"
#include "testsupport.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/recordset.h"
#include "core/valuetext.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <sqlite3.h>

#include <sys/stat.h>

// The connection and the record set, on real SQLite files, and on the test server when the
// program runs with QUILLONIX_TEST_BACKEND=server.
class TestDataAccess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }

    void fileKindDecidesHowTheConnectionOpens();
    void connectionStringNamesTheFileAfterDbq();
    void recordSetReadsRowsInOrderWithExactCount();
    void nullStaysApartFromEmptyText();
    void fieldsByNameIgnoreLetterCaseAndByPosition();
    void textOfAFieldIsItsPlainForm();
    void failuresCarryNumberAndDescription();
    void newRowIsStoredInTheSelectedTable();
    void quoteInDataCannotChangeAStatement();
    void boundValuesRunOneStatementManyTimes();
    void textInOtherEncodingsIsShownDecodedAndFoundByItsBytes_data();
    void textInOtherEncodingsIsShownDecodedAndFoundByItsBytes();
    void statementThatRunsTooLongIsStopped_data();
    void statementThatRunsTooLongIsStopped();
    void closingTheConnectionLeavesNothingOfItBehind_data();
    void closingTheConnectionLeavesNothingOfItBehind();
    void databaseIsClosedBeforeQtSqlCleansUpAtExit();
};

namespace {

QString connectString(const QString &file)
{
    return QStringLiteral("uid=admin;pwd=qzbarnwet;driver={Microsoft Access Driver (*.mdb)};dbq=") + file;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

void TestDataAccess::fileKindDecidesHowTheConnectionOpens()
{
    ListingFixture listings;
    Connection connection;
    connection.setConnectionString(connectString(listings.databaseFile()));
    connection.open();
    QVERIFY(connection.isOpen());
    connection.close();
    QVERIFY(!connection.isOpen());

    const QString folder = TestSandbox::newFolder();
    // A file that is refused is left exactly as it was, and none is made where none was.
    const auto refused = [&](const QString &file) {
        const QFileInfo before(file);
        Connection other;
        other.setConnectionString(connectString(file));
        QVERIFY_THROWS_EXCEPTION(DbError, other.open());
        QVERIFY(!other.isOpen());
        const QFileInfo after(file);
        QCOMPARE(after.exists(), before.exists());
        QCOMPARE(after.size(), before.size());
    };
    refused(folder + QStringLiteral("/missing.mdb"));
    QVERIFY(!QFile::exists(folder + QStringLiteral("/missing.mdb")));
    writeFile(folder + QStringLiteral("/text.mdb"), "just some text, not a database at all");
    refused(folder + QStringLiteral("/text.mdb"));
    writeFile(folder + QStringLiteral("/empty.mdb"), QByteArray());
    refused(folder + QStringLiteral("/empty.mdb"));
    // An SQLite header with nothing sound behind it.
    writeFile(folder + QStringLiteral("/damaged.mdb"), QByteArray("SQLite format 3\0", 16) + QByteArray(200, 'x'));
    refused(folder + QStringLiteral("/damaged.mdb"));
    refused(folder);
    // Only a regular file is a database: a FIFO would hold the start for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(folder + QStringLiteral("/fifo.mdb")).constData(), 0600), 0);
    refused(folder + QStringLiteral("/fifo.mdb"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/null.mdb")));
    refused(folder + QStringLiteral("/null.mdb"));
    QVERIFY(QFile::link(folder + QStringLiteral("/missing.mdb"), folder + QStringLiteral("/broken.mdb")));
    refused(folder + QStringLiteral("/broken.mdb"));
    refused(QStringLiteral("/dev/null"));
}

void TestDataAccess::connectionStringNamesTheFileAfterDbq()
{
    QCOMPARE(Connection::fileOf(connectString(QStringLiteral("/srv/agency/itdb.mdb"))),
             QStringLiteral("/srv/agency/itdb.mdb"));
    QCOMPARE(Connection::fileOf(QStringLiteral("DBQ=/a;b/itdb.mdb")), QStringLiteral("/a;b/itdb.mdb"));
    QCOMPARE(Connection::fileOf(QStringLiteral("DSN=Pubs;UID=sa;PWD=mzt;")), QString());
}

void TestDataAccess::recordSetReadsRowsInOrderWithExactCount()
{
    ListingFixture listings;
    for (const char *name : {"丙", "甲", "乙"})
        listings.addUser(QString::fromUtf8(name), QStringLiteral("x"));
    listings.connect();

    Recordset users;
    users.open(QStringLiteral("SELECT * FROM user "), gConnection);
    QCOMPARE(users.recordCount(), 3);
    QStringList names;
    for (; !users.eof(); users.moveNext())
        names << users.field(QStringLiteral("yhm")).toString();
    QCOMPARE(names, (QStringList{"丙", "甲", "乙"}));
    QCOMPARE(users.recordCount(), 3);
    QVERIFY_THROWS_EXCEPTION(DbError, users.moveNext());
    users.close();
    QVERIFY(!users.isOpen());
    QVERIFY_THROWS_EXCEPTION(DbError, users.eof());

    // Counting part-way through leaves the rows still to be read in place.
    users.open(QStringLiteral("SELECT * FROM user "), gConnection);
    users.moveNext();
    QCOMPARE(users.recordCount(), 3);
    QCOMPARE(users.field(0).toString(), QStringLiteral("甲"));
    users.moveNext();
    QCOMPARE(users.field(0).toString(), QStringLiteral("乙"));
    users.moveNext();
    QVERIFY(users.eof());

    users.open(QStringLiteral("SELECT * FROM user WHERE yhm='无此人'"), gConnection);
    QVERIFY(users.eof());
    QCOMPARE(users.recordCount(), 0);
}

void TestDataAccess::nullStaysApartFromEmptyText()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("空"), QString(""));
    listings.addUser(QStringLiteral("无"), QVariant());
    listings.connect();
    Recordset users;
    users.open(QStringLiteral("SELECT yhkl FROM user"), gConnection);
    QVERIFY(!users.field(0).isNull());
    QCOMPARE(users.field(0).toString(), QString(""));
    users.moveNext();
    QVERIFY(users.field(0).isNull());
    QVERIFY(!users.field(0).isValid());
}

void TestDataAccess::fieldsByNameIgnoreLetterCaseAndByPosition()
{
    ListingFixture listings;
    listings.addHouse(QStringLiteral("A1"), {{QStringLiteral("jzmz"), 85.5}, {QStringLiteral("Zj"), 1500}});
    listings.connect();
    Recordset house;
    house.open(QStringLiteral("SELECT * FROM house WHERE fybh='A1'"), gConnection);
    QCOMPARE(house.field(QStringLiteral("Jzmz")).toDouble(), 85.5);
    QCOMPARE(house.field(QStringLiteral("JZMZ")).toDouble(), 85.5);
    QCOMPARE(house.field(QStringLiteral("zj")).toDouble(), 1500.0);
    QCOMPARE(house.field(0).toString(), QStringLiteral("A1"));
    try {
        house.field(QStringLiteral("nothing"));
        QFAIL("a missing field was read");
    } catch (const DbError &error) {
        QCOMPARE(error.number(), int(DbError::ItemNotFound));
        QVERIFY(error.description().contains(QStringLiteral("nothing")));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, house.field(house.fieldCount()));
    house.moveNext();
    try {
        house.field(0);
        QFAIL("a field was read past the last row");
    } catch (const DbError &error) {
        QCOMPARE(error.number(), int(DbError::NoCurrentRecord));
    }
}

void TestDataAccess::textOfAFieldIsItsPlainForm()
{
    ListingFixture listings;
    listings.exec(QStringLiteral("CREATE TABLE kinds (v)"));
    QVariantList values = {QStringLiteral("碧桂园 3栋"), qlonglong(1500), 1500.0, 85.5, 0.1 + 0.2, -0.25, 1e21,
                           QVariant(), QString(""), QStringLiteral("天河区\u0000后")};
    // Text on a server holds no zero byte: quillonix-import refuses such a database.
    if (ListingFixture::onServer())
        values.removeLast();
    for (const QVariant &value : values)
        listings.exec(QStringLiteral("INSERT INTO kinds (v) VALUES (?)"), {value});
    listings.connect();
    Recordset &kinds = funOpenQuery(QStringLiteral("SELECT v FROM kinds"));
    QStringList texts;
    for (; !kinds.eof(); kinds.moveNext()) {
        const QString text = kinds.text(0).toString();
        QCOMPARE(text, ValueText::plain(kinds.field(0)));
        texts << text;
    }
    QStringList expected = {"碧桂园 3栋", "1500", "1500", "85.5", "0.30000000000000004", "-0.25",
                            "1000000000000000000000", "", "", QStringLiteral("天河区\u0000后")};
    QCOMPARE(texts, expected.first(values.size()));
}

void TestDataAccess::failuresCarryNumberAndDescription()
{
    ListingFixture listings(false);
    listings.connect();
    try {
        funOpenQuery(QStringLiteral("SELECT * FROM user "));
        QFAIL("a missing table was read");
    } catch (const DbError &error) {
        QVERIFY(error.number() != 0);
        QVERIFY2(error.description().contains(QStringLiteral("user")), qPrintable(error.description()));
        QVERIFY(error.report().startsWith(QStringLiteral("(")));
    }
    gConnection.close();
    QVERIFY_THROWS_EXCEPTION(DbError, funOpenQuery(QStringLiteral("SELECT 1")));
}

void TestDataAccess::newRowIsStoredInTheSelectedTable()
{
    ListingFixture listings;
    listings.connect();
    Recordset &users = funOpenQuery(QStringLiteral("SELECT * FROM user "));
    QCOMPARE(users.recordCount(), 0);
    users.addNew();
    users.setField(QStringLiteral("YHM"), QStringLiteral("ADMIN"));
    users.setField(QStringLiteral("xgr"), QStringLiteral("SYSTEM"));
    users.update();
    users.close();
    QCOMPARE(listings.scalar(QStringLiteral("SELECT count(*) FROM user WHERE yhm='ADMIN' AND yhkl IS NULL")).toInt(), 1);

    Recordset &again = funOpenQuery(QStringLiteral("SELECT * FROM user "));
    again.addNew();
    QVERIFY_THROWS_EXCEPTION(DbError, again.setField(QStringLiteral("nothing"), 1));
    QVERIFY_THROWS_EXCEPTION(DbError, Recordset().addNew());
}

void TestDataAccess::quoteInDataCannotChangeAStatement()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("O'Neil"), QStringLiteral("pw"));
    listings.addUser(QStringLiteral("other"), QStringLiteral("secret"));
    listings.connect();
    QVERIFY(funCheckPassword(QStringLiteral("O'Neil"), QStringLiteral("pw")));
    // A name made to widen the condition finds nobody, and nobody is let in.
    QVERIFY_THROWS_EXCEPTION(DbError, funCheckPassword(QStringLiteral("x' OR '1'='1"), QStringLiteral("secret")));
    QVERIFY_THROWS_EXCEPTION(DbError, funCheckPassword(QStringLiteral("other' --"), QStringLiteral("")));
    QCOMPARE(listings.scalar(QStringLiteral("SELECT count(*) FROM user")).toInt(), 2);
}

void TestDataAccess::boundValuesRunOneStatementManyTimes()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("甲"), QStringLiteral("a"));
    listings.addUser(QStringLiteral("乙"), QStringLiteral("b"));
    listings.addUser(QStringLiteral("丙"), QStringLiteral("a"));
    listings.addUser(QStringLiteral("O'Neil"), QVariant());
    listings.connect();
    const QString byPassword = QStringLiteral("SELECT yhm FROM user WHERE yhkl=?");
    const auto names = [&](Recordset &users) {
        QStringList found;
        for (; !users.eof(); users.moveNext())
            found << users.field(0).toString();
        return found;
    };
    for (int round = 0; round < 3; ++round) {
        Recordset a;
        a.open(byPassword, gConnection, {QStringLiteral("a")});
        // The same text open twice at once: each has rows of its own.
        Recordset b;
        b.open(byPassword, gConnection, {QStringLiteral("b")});
        QCOMPARE(b.recordCount(), 1);
        QCOMPARE(names(b), QStringList{"乙"});
        QCOMPARE(a.recordCount(), 2);
        QCOMPARE(names(a), (QStringList{"甲", "丙"}));
    }
    Recordset quoted;
    quoted.open(QStringLiteral("SELECT yhkl FROM user WHERE yhm=?"), gConnection, {QStringLiteral("O'Neil")});
    QVERIFY(!quoted.eof());
    QVERIFY(quoted.field(0).isNull());
    // A record set still open when its connection closes is closed safely afterwards.
    gConnection.close();
    quoted.close();
    QVERIFY(!quoted.isOpen());
}

void TestDataAccess::textInOtherEncodingsIsShownDecodedAndFoundByItsBytes_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8") << QStringLiteral("天河区").toUtf8() << QStringLiteral("天河区");
    QTest::newRow("GBK") << gbkBytes(QStringLiteral("天河区")) << QStringLiteral("天河区");
    QTest::newRow("GBK whose last character looks like the start of UTF-8")
        << gbkBytes(QStringLiteral("A宸")) << QStringLiteral("A宸");
    QTest::newRow("UTF-8 after a byte-order mark") << markedUtf8Bytes(QStringLiteral("海珠区")) << QStringLiteral("海珠区");
    QTest::newRow("GB18030 after its byte-order mark")
        << QByteArray("\x84\x31\x95\x33") + gbkBytes(QStringLiteral("越秀区")) << QStringLiteral("越秀区");
    QTest::newRow("GBK after a UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + gbkBytes(QStringLiteral("白云区")) << QStringLiteral("白云区");
    QTest::newRow("a byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << QString("");
}

void TestDataAccess::textInOtherEncodingsIsShownDecodedAndFoundByItsBytes()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    if (ListingFixture::onServer() && !isUtf8(stored))
        QSKIP("A server database holds UTF-8 text only: quillonix-import refuses other bytes.");
    ListingFixture listings;
    listings.exec(QStringLiteral("CREATE TABLE kinds (v TEXT)"));
    listings.exec(QStringLiteral("INSERT INTO kinds (v) VALUES ('placeholder')"));
    listings.storeTextBytes(QStringLiteral("kinds"), QStringLiteral("v"), stored, QStringLiteral("1"));
    listings.connect();

    Recordset &kinds = funOpenQuery(QStringLiteral("SELECT v FROM kinds"));
    QCOMPARE(kinds.field(0).toString(), shown);
    QCOMPARE(kinds.text(0).toString(), shown);
    const StoredText key = kinds.storedText(0);
    QCOMPARE(key.bytes(), stored);
    QCOMPARE(key.shown(), shown);
    QCOMPARE(kinds.storedBytes(0).toByteArray(), stored);
    kinds.close();

    // The value goes back as the bytes it came with and finds its row; what is shown would
    // find it only where it is stored as plain UTF-8.
    const QString byValue = QStringLiteral("SELECT count(*) FROM kinds WHERE v=?");
    QCOMPARE(funOpenQuery(byValue, {QVariant::fromValue(key)}).field(0).toInt(), 1);
    QCOMPARE(funOpenQuery(byValue, {shown}).field(0).toInt(), stored == shown.toUtf8() ? 1 : 0);
}

void TestDataAccess::statementThatRunsTooLongIsStopped_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("reading");
    // A recursive view that never ends: no row ever comes, or rows come for ever.
    const QString counting = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) ");
    const QString none = counting + QStringLiteral("SELECT i FROM n WHERE i < 0");
    const QString endless = counting + QStringLiteral("SELECT i FROM n");
    QTest::newRow("opening, no row ever comes") << none << "open";
    QTest::newRow("counting the rows") << endless << "count";
    QTest::newRow("reading rows that keep coming") << endless << "read";
}

void TestDataAccess::statementThatRunsTooLongIsStopped()
{
    QFETCH(QString, view);
    QFETCH(QString, reading);
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    listings.exec(QStringLiteral("CREATE VIEW endless AS ") + view);
    listings.connect();
    QCOMPARE(gConnection.connectionTimeout(), 30);
    // The connection time-out is the limit; a second keeps the test short.
    gConnection.setConnectionTimeout(1);
    try {
        Recordset &rows = funOpenQuery(QStringLiteral("SELECT i FROM endless"));
        if (reading == QLatin1String("count"))
            rows.recordCount();
        for (; !rows.eof(); rows.moveNext())
            rows.text(0);
        QFAIL("a statement that never ends came to an end");
    } catch (const DbError &error) {
        QCOMPARE(error.report(), QStringLiteral("(-2147217871)查询超过 1 秒没有完成，已停止。"));
    }
    // The connection goes on serving the next statement.
    QCOMPARE(funOpenQuery(QStringLiteral("SELECT yhm FROM user")).field(0).toString(), QStringLiteral("经理"));
}

void TestDataAccess::closingTheConnectionLeavesNothingOfItBehind_data()
{
    QTest::addColumn<bool>("recordSetOpen");
    QTest::addColumn<bool>("recordSetAtItsEnd");
    QTest::newRow("every record set closed first") << false << false;
    QTest::newRow("a record set still open on a row") << true << false;
    QTest::newRow("a record set still open at its end") << true << true;
}

void TestDataAccess::closingTheConnectionLeavesNothingOfItBehind()
{
    QFETCH(bool, recordSetOpen);
    QFETCH(bool, recordSetAtItsEnd);
    SKIP_ON_SERVER("What the SQLite engine holds of a file.");
    ListingFixture listings;
    listings.addUser(QStringLiteral("甲"), QStringLiteral("a"));
    listings.addUser(QStringLiteral("乙"), QStringLiteral("b"));
    // What SQLite holds for the test's own connection to the file, and nothing else.
    const sqlite3_int64 before = sqlite3_memory_used();
    listings.connect();
    // Statements run and kept by the connection, and one left open.
    funOpenQuery(QStringLiteral("SELECT yhkl FROM user WHERE yhm=?"), {QStringLiteral("甲")}).close();
    Recordset users;
    users.open(QStringLiteral("SELECT * FROM user "), gConnection);
    QCOMPARE(users.recordCount(), 2);
    while (recordSetAtItsEnd && !users.eof())
        users.moveNext();
    if (!recordSetOpen)
        users.close();
    funCloseDatabase();
    // A record set left open closes with its connection...
    const bool closedWithTheConnection = !users.isOpen();
    users.close();
    // ...and nothing of the connection stays behind.
    QCOMPARE(sqlite3_memory_used(), before);
    QVERIFY(closedWithTheConnection);
}

namespace {

// In a process of its own: opens the listing database in folder, leaves a record set open,
// lets the application object go as a program's end does, and prints how much memory
// SQLite still holds then.
int exitProbe(int argc, char *argv[])
{
    {
        QCoreApplication application(argc, argv);
        gDBType = QStringLiteral("A");
        gDBPath = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
        if (!funConnectDatabase())
            return 2;
        funOpenQuery(QStringLiteral("SELECT * FROM user "));
    }
    std::printf("%lld\n", static_cast<long long>(sqlite3_memory_used()));
    return 0;
}

} // namespace

void TestDataAccess::databaseIsClosedBeforeQtSqlCleansUpAtExit()
{
    SKIP_ON_SERVER("What the SQLite engine holds of a file.");
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    QProcess probe;
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--exit-probe"), listings.folder()});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(probe.readAllStandardOutput().trimmed(), QByteArray("0"));
}

// QTEST_MAIN, with the exit probe in front of it: the probe makes its own application object.
int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--exit-probe") == 0)
        return exitProbe(argc, argv);
    QApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    TestDataAccess test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dataaccess.moc"
