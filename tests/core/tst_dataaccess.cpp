#include "listingfixture.h"
#include "testsupport.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/recordset.h"
#include "core/valuetext.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

// The connection and the record set, on real SQLite files.
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
    const QVariantList values = {QStringLiteral("碧桂园 3栋"), qlonglong(1500), 1500.0, 85.5, 0.1 + 0.2, -0.25, 1e21,
                                 QVariant(), QString(""), QStringLiteral("天河区\u0000后")};
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
    QCOMPARE(texts, (QStringList{"碧桂园 3栋", "1500", "1500", "85.5", "0.30000000000000004", "-0.25",
                                 "1000000000000000000000", "", "", QStringLiteral("天河区\u0000后")}));
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

QTEST_MAIN(TestDataAccess)
#include "tst_dataaccess.moc"
