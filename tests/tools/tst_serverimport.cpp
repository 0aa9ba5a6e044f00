#include "demodatabase.h"
#include "listingfixture.h"
#include "mainwindowfixture.h"
#include "testserver.h"
#include "testsupport.h"

#include "core/listingschema.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <libpq-fe.h>

// quillonix-import and quillonix-demodb writing to a PostgreSQL server, on the test suite's
// throw-away cluster: what arrives there is read back through libpq and held to the file.
class TestServerImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void everyTableAndCellArrives_data();
    void everyTableAndCellArrives();
    void replacesTablesOnlyWhenToldKeepingWhatTheAdministratorSet();
    void failureLeavesTheServerAsItWas_data();
    void failureLeavesTheServerAsItWas();
    void demoDatabaseGoesToTheServer();
    void listingChangesAreNotifiedWithTheirNumber_data();
    void listingChangesAreNotifiedWithTheirNumber();
};

namespace {

struct Run
{
    int exitCode;
    QString output;
    QString errors;
};

Run runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + tool, arguments);
    if (!process.waitForFinished(90000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QString(), QStringLiteral("did not finish")};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A name as the server keeps it: ASCII letters in lower case.
QString serverName(const QString &name)
{
    QString lower = name;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = c.toLower();
    }
    return lower;
}

QString literal(const QString &text)
{
    QString doubled = text;
    return QLatin1Char('\'') + doubled.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// An SQLite listing database as the program reads it, on a Qt SQL connection of its own.
class FileDatabase
{
public:
    explicit FileDatabase(const QString &file) : m_name(QStringLiteral("file-") + file)
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(file);
        if (!database.open())
            qFatal("cannot open %s", qPrintable(file));
    }
    ~FileDatabase()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    void exec(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        if (!query.exec(statement))
            qFatal("cannot run %s", qPrintable(statement));
    }
    QStringList tables() const
    {
        return column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid"));
    }
    QStringList columns(const QString &table) const
    {
        return column(QStringLiteral("SELECT name FROM pragma_table_info(%1)").arg(literal(table)));
    }
    QStringList column(const QString &statement) const
    {
        QStringList values;
        for (const QVariantList &row : rows(statement))
            values << row.first().toString();
        return values;
    }
    // Every value as the program shows it (binary data as the server writes bytea), Null as an
    // invalid QVariant.
    QVector<QVariantList> rows(const QString &statement) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        query.setForwardOnly(true);
        if (!query.exec(statement))
            qFatal("cannot run %s", qPrintable(statement));
        QVector<QVariantList> rows;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i) {
                const QVariant value = query.value(i);
                if (query.isNull(i))
                    row << QVariant();
                else if (value.typeId() == QMetaType::QByteArray)
                    row << QVariant(QStringLiteral("\\x") + QString::fromLatin1(value.toByteArray().toHex()));
                else
                    row << QVariant(ValueText::plain(value));
            }
            rows << row;
        }
        return rows;
    }

private:
    QString m_name;
};

// Fails the running test unless every table of the file is on the server with the same
// columns, and the same rows in the same order, every cell the same text, Null for Null.
void compareWithFile(TestServerDatabase &server, const QString &file)
{
    const FileDatabase source(file);
    for (const QString &table : source.tables()) {
        const QString name = serverName(table);
        QStringList columns;
        for (const QVariantList &row : server.rows(QStringLiteral("SELECT column_name FROM information_schema.columns"
                                                                  " WHERE table_schema = 'public' AND table_name = %1"
                                                                  " ORDER BY ordinal_position")
                                                       .arg(literal(name)))) {
            columns << row.first().toString();
        }
        QStringList expectedColumns;
        for (const QString &column : source.columns(table))
            expectedColumns << serverName(column);
        QVERIFY2(columns == expectedColumns, qPrintable(name + QStringLiteral(": ") + columns.join(QLatin1Char(','))));

        const QVector<QVariantList> rows
            = server.rows(QStringLiteral("SELECT * FROM %1 ORDER BY ctid").arg(ValueText::quotedName(name)));
        const QVector<QVariantList> expected
            = source.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(ValueText::quotedName(table)));
        QCOMPARE(rows.size(), expected.size());
        for (int row = 0; row < rows.size(); ++row) {
            for (int column = 0; column < columns.size(); ++column) {
                const QVariant value = rows.at(row).at(column);
                const QVariant wanted = expected.at(row).at(column);
                QVERIFY2(value == wanted && value.isValid() == wanted.isValid(),
                         qPrintable(QStringLiteral("%1 row %2 %3: server \"%4\"%5, file \"%6\"%7")
                                        .arg(name)
                                        .arg(row + 1)
                                        .arg(columns.at(column), value.toString(),
                                             value.isValid() ? QString() : QStringLiteral(" (Null)"), wanted.toString(),
                                             wanted.isValid() ? QString() : QStringLiteral(" (Null)"))));
            }
        }
    }
}

// The search, newest change first, as it comes from the file and from the server, where it
// must be read from the search index in the same order, ties and Null included.
void compareSearchOrder(TestServerDatabase &server, const QString &file, const QString &conditions)
{
    const QString search = QStringLiteral("SELECT fybh,fpyx,wymc,wyqy,wyhx,jzmz,lc,cx,zj,sj FROM house"
                                          " WHERE seq >= -1 AND wyzt=1")
        + conditions;
    const QVector<QVariantList> fromFile = FileDatabase(file).rows(search + QStringLiteral(" order by xgsj desc"));
    QVERIFY(server.exec(QStringLiteral("SET enable_seqscan = off; SET enable_sort = off")));
    const QString serverSearch = search + QStringLiteral(" ORDER BY xgsj DESC NULLS LAST");
    QString plan;
    for (const QVariantList &line : server.rows(QStringLiteral("EXPLAIN ") + serverSearch))
        plan += line.first().toString() + QLatin1Char('\n');
    QVERIFY2(plan.contains(QStringLiteral("Index Only Scan Backward using house_search"))
                 && !plan.contains(QStringLiteral("Sort")),
             qPrintable(plan));
    const QVector<QVariantList> fromServer = server.rows(serverSearch);
    QVERIFY(server.exec(QStringLiteral("RESET enable_seqscan; RESET enable_sort")));
    QVERIFY(!fromFile.isEmpty());
    QCOMPARE(fromServer, fromFile);
}

// Listings, users and an agency's own table with quotes, line breaks, tabs, backslashes, COPY's
// own markers, control characters, numbers at the ends of their range, dates at the ends of
// theirs, ties and Null in the search's order, and columns holding values of several kinds.
QString writeOddDatabase()
{
    ListingFixture odd;
    const QStringList texts = {QStringLiteral("O'Brien"),
                               QStringLiteral("双\"引号\""),
                               QStringLiteral("back\\slash\\"),
                               QStringLiteral("tab\there"),
                               QStringLiteral("new\nline"),
                               QStringLiteral("cr\rhere"),
                               QStringLiteral("\\N"),
                               QStringLiteral("\\."),
                               QStringLiteral("  blanks  "),
                               QStringLiteral(""),
                               QStringLiteral("😀 天河区"),
                               QStringLiteral("\x01\x1f\x7f"),
                               QStringLiteral("'; DROP TABLE house; --")};
    for (const QString &text : texts) {
        odd.addUser(text, text);
        odd.addSetting(1, text);
    }
    odd.addUser(QVariant(), QVariant());
    odd.addHouse(QStringLiteral("QX'1"),
                 {{QStringLiteral("wymc"), texts.at(1)},
                  {QStringLiteral("jzmz"), 85.5},
                  {QStringLiteral("zj"), 1500},
                  {QStringLiteral("sj"), 0.1 + 0.2}});
    odd.addHouse(QStringLiteral("\\N"),
                 {{QStringLiteral("jzmz"), 1e300},
                  {QStringLiteral("sj"), 5e-324},
                  {QStringLiteral("Wytd"), texts.at(4)},
                  {QStringLiteral("fpyx"), QVariant()}});
    odd.addHouse(QStringLiteral("QX3"),
                 {{QStringLiteral("xgsj"), QStringLiteral("0100-01-01 00:00:00")}, {QStringLiteral("Ll"), 12}});
    odd.addHouse(QStringLiteral("QX4"),
                 {{QStringLiteral("xgsj"), QStringLiteral("9999-12-31 23:59:59")}, {QStringLiteral("zj"), -1e20}});
    odd.addHouse(QStringLiteral("QX5"), {{QStringLiteral("xgsj"), QVariant()}});
    // Three listings changed at the same moment.
    for (const int seq : {0, 5, -1}) {
        odd.addHouse(QStringLiteral("QXtie%1").arg(seq),
                     {{QStringLiteral("xgsj"), QStringLiteral("2025-06-01 12:00:00")},
                      {QStringLiteral("seq"), seq},
                      {QStringLiteral("qy"), texts.at(seq == 5 ? 0 : 10)}});
    }
    odd.addPicture(QStringLiteral("QX'1"), texts.at(0), texts.at(3));
    odd.addPicture(QStringLiteral("QX'1"), texts.at(6), texts.at(8));

    odd.exec(
        QStringLiteral("CREATE TABLE \"It's \"\"Odd\"\"\" (\"A\"\"b\" TEXT, n INTEGER, d DATETIME, r REAL, b BLOB, "
                       "e, m)"));
    const QString insert = QStringLiteral("INSERT INTO \"It's \"\"Odd\"\"\" VALUES (?, ?, ?, ?, ?, ?, ?)");
    odd.exec(
        insert,
        {texts.at(0), 5, QStringLiteral("2024-02-29 23:59:59"), 1e20, QByteArray("\x00\xff\\x", 4), QVariant(), 1});
    odd.exec(
        insert,
        {texts.at(4), 2.5, QStringLiteral("2023-02-29 00:00:00"), 7, QByteArray(), QVariant(), QStringLiteral("x")});
    odd.exec(insert, {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), 2.25});
    return odd.databaseFile();
}

// What an administrator sets on the listing tables, table by table: owner, privileges on the
// table and its columns, indexes and constraints.
QVector<QVariantList> administratorsSettings(TestServerDatabase &server)
{
    return server.rows(QStringLiteral(
        "SELECT c.relname, pg_get_userbyid(c.relowner),"
        " (SELECT string_agg(item::text, ' ' ORDER BY item::text) FROM unnest(c.relacl) item),"
        " (SELECT string_agg(a.attname || ':' || a.attacl::text, ' ' ORDER BY a.attname) FROM pg_attribute a"
        "  WHERE a.attrelid = c.oid AND a.attacl IS NOT NULL),"
        " (SELECT string_agg(pg_get_indexdef(x.indexrelid), '; ' ORDER BY pg_get_indexdef(x.indexrelid))"
        "  FROM pg_index x WHERE x.indrelid = c.oid),"
        " (SELECT string_agg(k.conname || ' ' || pg_get_constraintdef(k.oid), '; ' ORDER BY k.conname)"
        "  FROM pg_constraint k WHERE k.conrelid = c.oid)"
        " FROM pg_class c WHERE c.relnamespace = 'public'::regnamespace AND c.relkind = 'r' ORDER BY c.relname"));
}

// The listing numbers a desk finds with the start choices, reading the server as the role
// that uri names; a message on the way fails the test.
QStringList deskSearch(const QString &uri)
{
    const QString folder = TestSandbox::newFolder();
    writeTestFile(folder + QStringLiteral("/itdb.conn"), uri.toUtf8());
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    if (!funConnectDatabase())
        return {QStringLiteral("cannot connect")};
    frmQX_Quillonix window;
    window.Form_Load();
    QTest::mouseClick(window.controls().cmdSearch, Qt::LeftButton);
    QStringList found = MainWindowFixture::column(*window.controls().lsvHouse, 0);
    funCloseDatabase();
    found.sort();
    return found;
}

QStringList currentListings(TestServerDatabase &server)
{
    QStringList numbers;
    for (const QVariantList &row : server.rows(QStringLiteral("SELECT fybh FROM house WHERE seq >= -1 AND wyzt = 1")))
        numbers << row.first().toString();
    numbers.sort();
    return numbers;
}

} // namespace

void TestServerImport::everyTableAndCellArrives_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("types"); // table.column:type, as the server declares them
    QTest::addColumn<QStringList>("output"); // lines the import prints
    QTest::addColumn<QStringList>("searches"); // conditions of searches to hold to the file's order

    const QStringList listingTypes
        = {"house.fybh:text",    "house.fpyx:bigint",     "house.xgsj:timestamp without time zone",
           "house.jzmz:numeric", "house.wytd:text",       "picture.seq:bigint",
           "user.yhm:text",      "parasetting.lbh:bigint"};
    const QStringList listingIndexes = {QStringLiteral("indexes: house_fybh, house_search, house_wyhx, house_cx, picture_fybh, user_yhm")};
    QTest::newRow("demo listings") << QStringLiteral("demo") << listingTypes << listingIndexes
                                   << QStringList{QString(),
                                                  QStringLiteral(" AND qy='天河区' AND wylb='住宅' AND fpyx=2 ")};
    QTest::newRow("odd data")
        << QStringLiteral("odd")
        << (listingTypes
            + QStringList{"it's \"odd\".a\"b:text", "it's \"odd\".n:numeric", "it's \"odd\".d:text",
                          "it's \"odd\".r:numeric", "it's \"odd\".b:bytea", "it's \"odd\".e:text",
                          "it's \"odd\".m:text"})
        << (listingIndexes
            + QStringList{"column it's \"odd\".n, declared INTEGER, holds other values: kept as numeric",
                          "column it's \"odd\".d, declared DATETIME, holds other values: kept as text"})
        << QStringList{QString(), QStringLiteral(" AND qy='O''Brien'")};
    QTest::newRow("Access file") << QStringLiteral(FRUIT_MDB)
                                 << QStringList{"fruit.fruit:text", "fruit.fiber:bigint", "muffin/bread.fruit:text"}
                                 << QStringList{QStringLiteral("5 tables, 84 rows, indexes: none")} << QStringList();
}

void TestServerImport::everyTableAndCellArrives()
{
    QFETCH(QString, source);
    QFETCH(QStringList, types);
    QFETCH(QStringList, output);
    QFETCH(QStringList, searches);

    // The file the program would read: the listing database, or the Access file's copy.
    QString file;
    if (source == QLatin1String("demo")) {
        const QString folder = TestSandbox::newFolder();
        writeDemoDatabase(folder, {300, 7});
        source = file = folder + QStringLiteral("/itdb.mdb");
    } else if (source == QLatin1String("odd")) {
        source = file = writeOddDatabase();
    } else {
        const QString folder = TestSandbox::newFolder();
        QCOMPARE(runTool(QStringLiteral("quillonix-import"), {source, folder, QStringLiteral("--force")}).exitCode, 0);
        file = folder + QStringLiteral("/itdb.mdb");
    }

    TestServerDatabase server;
    const Run run = runTool(QStringLiteral("quillonix-import"), {source, server.uri()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    for (const QString &line : std::as_const(output))
        QVERIFY2(run.output.contains(line), qPrintable(run.output));
    QCOMPARE(run.output.count(QStringLiteral("holds other values")), output.size() - 1);

    compareWithFile(server, file);
    if (QTest::currentTestFailed())
        return;
    QStringList tables;
    for (const QVariantList &row : server.rows(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = "
                                                              "'public' ORDER BY tablename")))
        tables << row.first().toString();
    QStringList expectedTables;
    for (const QString &table : FileDatabase(file).tables())
        expectedTables << serverName(table);
    expectedTables.sort();
    QCOMPARE(tables, expectedTables);

    for (const QString &typed : std::as_const(types)) {
        const qsizetype colon = typed.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = typed.lastIndexOf(QLatin1Char('.'), colon);
        const QVector<QVariantList> type = server.rows(
            QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_schema = 'public'"
                           " AND table_name = %1 AND column_name = %2")
                .arg(literal(typed.left(dot)), literal(typed.mid(dot + 1, colon - dot - 1))));
        QVERIFY2(type.size() == 1, qPrintable(typed));
        QCOMPARE(type.first().first().toString(), typed.mid(colon + 1));
    }

    for (const QString &conditions : std::as_const(searches))
        compareSearchOrder(server, file, conditions);
}

void TestServerImport::replacesTablesOnlyWhenToldKeepingWhatTheAdministratorSet()
{
    const QString first = TestSandbox::newFolder();
    const QString second = TestSandbox::newFolder();
    writeDemoDatabase(first, {20, 1});
    writeDemoDatabase(second, {30, 2});
    TestServerDatabase server;
    // The back office keeps tables of its own beside the listings.
    QVERIFY(server.exec(QStringLiteral("CREATE TABLE notes (note text); INSERT INTO notes VALUES ('keep')")));
    QCOMPARE(runTool(QStringLiteral("quillonix-import"), {first + QStringLiteral("/itdb.mdb"), server.uri()}).exitCode,
             0);
    // The administrator: a desk role that may only read, an owner of the agency's own for the
    // listings, an index and a key of the back office's, and privileges that new tables get.
    const QString desk = server.addRole(QStringLiteral("desk"), QStringLiteral("LOGIN"));
    const QString office = server.addRole(QStringLiteral("office"), QStringLiteral("NOLOGIN"));
    QVERIFY2(server.exec(QStringLiteral("GRANT SELECT ON house, picture, parasetting, \"user\" TO %1;"
                                        "GRANT UPDATE (yhkl) ON \"user\" TO %1;"
                                        "GRANT %2 TO CURRENT_USER; GRANT CREATE ON SCHEMA public TO %2;"
                                        "ALTER TABLE house OWNER TO %2; GRANT SELECT ON house TO PUBLIC;"
                                        "CREATE INDEX house_report ON house (qy, wylb);"
                                        "ALTER TABLE \"user\" ADD PRIMARY KEY (yhm);"
                                        "ALTER DEFAULT PRIVILEGES GRANT INSERT ON TABLES TO %1")
                             .arg(desk, office)),
             qPrintable(server.lastError()));
    const QVector<QVariantList> settings = administratorsSettings(server);
    QVERIFY(settings.size() == 5 && settings.first().at(1) == office);
    QVERIFY(settings.first().at(2).toString().contains(desk + QStringLiteral("=r/")));
    const QStringList before = deskSearch(server.uriAs(desk));
    QVERIFY(!before.isEmpty());
    QCOMPARE(before, currentListings(server));

    const Run refused
        = runTool(QStringLiteral("quillonix-import"), {second + QStringLiteral("/itdb.mdb"), server.uri()});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.errors.contains(QStringLiteral("已有表 house, picture, parasetting, user"))
                 && refused.errors.contains(QStringLiteral("--force")),
             qPrintable(refused.errors));
    compareWithFile(server, first + QStringLiteral("/itdb.mdb"));

    const Run replaced = runTool(QStringLiteral("quillonix-import"),
                                 {second + QStringLiteral("/itdb.mdb"), server.uri(), QStringLiteral("--force")});
    QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.errors));
    QVERIFY2(!replaced.output.contains(QStringLiteral("again")), qPrintable(replaced.output));
    compareWithFile(server, second + QStringLiteral("/itdb.mdb"));
    QCOMPARE(server.rows(QStringLiteral("SELECT note FROM notes")), (QVector<QVariantList>{{QStringLiteral("keep")}}));
    QCOMPARE(administratorsSettings(server), settings);
    // The new tables tell the desks of their changes as the old ones did.
    QCOMPARE(server.rows(QStringLiteral("SELECT tgrelid::regclass::text FROM pg_trigger"
                                        " WHERE tgname = 'quillonix_listing_changed' ORDER BY 1")),
             (QVector<QVariantList>{{QStringLiteral("house")}, {QStringLiteral("picture")}}));
    // The desk reads the new listings without anybody granting again.
    const QStringList found = deskSearch(server.uriAs(desk));
    QVERIFY(found != before);
    QCOMPARE(found, currentListings(server));
}

void TestServerImport::failureLeavesTheServerAsItWas_data()
{
    QTest::addColumn<QString>("sourceChange"); // run on a copy of the new listing database
    QTest::addColumn<QString>("serverChange"); // run on the server before the import
    QTest::addColumn<QString>("message");

    // The listings are replaced first; the tables after them fail.
    QTest::newRow("photo name that is not UTF-8")
        << QStringLiteral("UPDATE picture SET tpm = CAST(X'E5A4A9FF' AS TEXT) WHERE rowid = 3") << QString()
        << QStringLiteral("表 picture 第 3 行 tpm 列的文本不是 UTF-8");
    QTest::newRow("user name with a zero byte")
        << QStringLiteral("UPDATE user SET yhm = CAST(X'410042' AS TEXT) WHERE rowid = 2") << QString()
        << QStringLiteral("表 user 第 2 行 yhm 列");
    QTest::newRow("photos the server will not drop")
        << QString() << QStringLiteral("CREATE VIEW photo_names AS SELECT tpm FROM picture")
        << QStringLiteral("cannot drop table picture because other objects depend on it");
    QTest::newRow("no database") << QStringLiteral("-") << QString()
                                 << QStringLiteral("不是可以读取的 Access 数据库文件");
}

void TestServerImport::failureLeavesTheServerAsItWas()
{
    QFETCH(QString, sourceChange);
    QFETCH(QString, serverChange);
    QFETCH(QString, message);

    const QString loaded = TestSandbox::newFolder();
    writeDemoDatabase(loaded, {20, 1});
    TestServerDatabase server;
    QCOMPARE(runTool(QStringLiteral("quillonix-import"), {loaded + QStringLiteral("/itdb.mdb"), server.uri()}).exitCode,
             0);
    if (!serverChange.isEmpty())
        QVERIFY2(server.exec(serverChange), qPrintable(server.lastError()));

    const QString failing = TestSandbox::newFolder();
    writeDemoDatabase(failing, {30, 2});
    const QString source = failing + QStringLiteral("/itdb.mdb");
    if (sourceChange == QLatin1String("-")) {
        QFile::remove(source);
        QFile text(source);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("fybh,qy\nQX1,天河区\n") > 0);
    } else if (!sourceChange.isEmpty()) {
        FileDatabase(source).exec(sourceChange);
    }
    const Run run = runTool(QStringLiteral("quillonix-import"), {source, server.uri(), QStringLiteral("--force")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    compareWithFile(server, loaded + QStringLiteral("/itdb.mdb"));
    QCOMPARE(server.rows(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE schemaname = 'public'")),
             (QVector<QVariantList>{{QString::number(ListingSchema::indexStatements().size())}}));
}

void TestServerImport::demoDatabaseGoesToTheServer()
{
    const QString reference = TestSandbox::newFolder();
    writeDemoDatabase(reference, {40, 3});
    TestServerDatabase server;
    const QString folder = TestSandbox::newFolder();
    const QStringList arguments = {server.uri(),
                                   QStringLiteral("--listings"),
                                   QStringLiteral("40"),
                                   QStringLiteral("--seed"),
                                   QStringLiteral("3"),
                                   QStringLiteral("--folder"),
                                   folder};
    Run run = runTool(QStringLiteral("quillonix-demodb"), arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    compareWithFile(server, reference + QStringLiteral("/itdb.mdb"));
    // The folder of the desks: the photos, and the server named in place of the file.
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("itdb.conn")});
    QFile link(folder + QStringLiteral("/itdb.conn"));
    QVERIFY(link.open(QIODevice::ReadOnly));
    QCOMPARE(link.readAll(), server.uri().toUtf8() + '\n');
    QCOMPARE(QDir(folder + QStringLiteral("/picture")).entryList(QDir::Files),
             QDir(reference + QStringLiteral("/picture")).entryList(QDir::Files));

    run = runTool(QStringLiteral("quillonix-demodb"),
                  {server.uri(), QStringLiteral("--listings"), QStringLiteral("5")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("--force")), qPrintable(run.errors));
    compareWithFile(server, reference + QStringLiteral("/itdb.mdb"));
    run = runTool(QStringLiteral("quillonix-demodb"), arguments + QStringList{QStringLiteral("--force")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    compareWithFile(server, reference + QStringLiteral("/itdb.mdb"));

    // A password never goes into the folder every desk reads.
    const QString withPassword = TestSandbox::newFolder();
    QString uri = server.uri();
    uri.replace(QStringLiteral("quillonix@"), QStringLiteral("quillonix:secret@"));
    run = runTool(QStringLiteral("quillonix-demodb"), {uri, QStringLiteral("--folder"), withPassword});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("密码")), qPrintable(run.errors));
    QVERIFY(QDir(withPassword).isEmpty());
    QCOMPARE(runTool(QStringLiteral("quillonix-demodb"), {folder, QStringLiteral("--force")}).exitCode, 2);
}

void TestServerImport::listingChangesAreNotifiedWithTheirNumber_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("numbers"); // the payloads, in the order they come

    QTest::newRow("a listing added") << "INSERT INTO house (fybh, wyzt, seq) VALUES ('NEW-1', 1, 0)"
                                     << QStringList{"NEW-1"};
    QTest::newRow("a listing withdrawn") << "UPDATE house SET wyzt = 0 WHERE fybh = 'QX000003'"
                                         << QStringList{"QX000003"};
    QTest::newRow("a listing numbered anew") << "UPDATE house SET fybh = 'QX-3' WHERE fybh = 'QX000003'"
                                             << QStringList{"QX000003", "QX-3"};
    QTest::newRow("a listing deleted") << "DELETE FROM house WHERE fybh = 'QX000004'" << QStringList{"QX000004"};
    QTest::newRow("a photo added") << "INSERT INTO picture (fybh, tpbh, tpm) VALUES ('QX000002', 'n.jpg', '新')"
                                   << QStringList{"QX000002"};
    QTest::newRow("photos deleted, each listing named once")
        << "DELETE FROM picture WHERE fybh IN ('QX000001', 'QX000002')" << QStringList{"QX000001", "QX000002"};
    QTest::newRow("a setting changed") << "UPDATE parasetting SET lbm = lbm" << QStringList{};
    QTest::newRow("a listing without a number") << "INSERT INTO house (wyzt, seq) VALUES (1, 0)" << QStringList{};
}

void TestServerImport::listingChangesAreNotifiedWithTheirNumber()
{
    QFETCH(QString, change);
    QFETCH(QStringList, numbers);
    const QString folder = TestSandbox::newFolder();
    writeDemoDatabase(folder, {5, 1});
    TestServerDatabase server;
    const Run run = runTool(QStringLiteral("quillonix-import"), {folder + QStringLiteral("/itdb.mdb"), server.uri()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    PGconn *desk = PQconnectdb(server.uri().toUtf8().constData());
    const auto closing = qScopeGuard([desk] { PQfinish(desk); });
    QVERIFY2(PQstatus(desk) == CONNECTION_OK, PQerrorMessage(desk));
    PQclear(PQexec(desk, "LISTEN quillonix_listing"));
    QVERIFY2(server.exec(change), qPrintable(server.lastError()));
    // A round trip after the change: what it notified has come by its end.
    PQclear(PQexec(desk, "SELECT 1"));
    QStringList told;
    PQconsumeInput(desk);
    while (PGnotify *notification = PQnotifies(desk)) {
        told << QString::fromUtf8(notification->extra);
        PQfreemem(notification);
    }
    // Rows come in the order the server visits them.
    told.sort();
    numbers.sort();
    QCOMPARE(told, numbers);
}

QTEST_MAIN(TestServerImport)
#include "tst_serverimport.moc"
