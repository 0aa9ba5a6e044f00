#include "mdbexport.h"
#include "testsupport.h"

#include "accessfile.h"
#include "accessimport.h"
#include "cellvalue.h"
#include "sqlitefile.h"

#include "core/dberror.h"
#include "core/listingschema.h"
#include "core/valuetext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace QTest {
template<>
char *toString(const CellValue &value)
{
    switch (value.kind) {
    case CellValue::Null:
        return qstrdup("Null");
    case CellValue::Integer:
        return qstrdup(qPrintable(QStringLiteral("integer %1").arg(value.integer)));
    case CellValue::Real:
        return qstrdup(qPrintable(QStringLiteral("real %1").arg(value.real, 0, 'g', 17)));
    case CellValue::Text:
        return qstrdup(qPrintable(QStringLiteral("text \"%1\"").arg(QString::fromUtf8(value.bytes))));
    case CellValue::Blob:
        return qstrdup(qPrintable(QStringLiteral("blob %1").arg(QString::fromLatin1(value.bytes.toHex()))));
    }
    return qstrdup("?");
}
} // namespace QTest

// quillonix-import and the conversion under it: Access values, Access files, the indexes.
class TestAccessImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_work.isValid()); }

    void valuesKeepTheirKind();
    void libmdbRenderingsReadBackAsTyped();
    void datesComeFromTheStoredNumber_data();
    void datesComeFromTheStoredNumber();
    void everyDayFrom100To9999ReadsBackAsStored();
    void jet3TextIsReadByItsCodePage_data();
    void jet3TextIsReadByItsCodePage();
    void converterWritesEveryCellAsMdbExportShowsIt_data();
    void converterWritesEveryCellAsMdbExportShowsIt();
    void damagedCatalogueIsRefused_data();
    void damagedCatalogueIsRefused();
    void everyFlippedBitOfATablesEntryIsRefusedOrHarmless();
    void tableNamesArePrintedAsTheyAre();
    void converterOverwritesOnlyWhenTold();
    void listingIndexesOnlyWhereTheirColumnsAre();

private:
    QString newFolder() { return m_work.filePath(QString::number(++m_folders)); }
    // A writable copy of one of the real Access files, or of fruit.mdb.
    QString copyOf(const QString &accessFile);
    QTemporaryDir m_work;
    int m_folders = 0;
};

namespace {

struct Run
{
    int exitCode;
    QString output;
    QString errors;
};

Run runConverter(const QStringList &arguments)
{
    QProcess converter;
    converter.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quillonix-import"), arguments);
    if (!converter.waitForFinished(30000) || converter.exitStatus() != QProcess::NormalExit)
        return {-1, QString(), QStringLiteral("did not finish")};
    return {converter.exitCode(), QString::fromUtf8(converter.readAllStandardOutput()),
            QString::fromUtf8(converter.readAllStandardError())};
}

CellValue read(int type, const char *text)
{
    return AccessValue::fromText(type, text, int(std::strlen(text)));
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

using MdbFile = std::unique_ptr<MdbHandle, decltype(&mdb_close)>;

MdbFile openMdb(const QString &accessFile)
{
    MdbFile mdb(mdb_open(QFile::encodeName(accessFile).constData(), MDB_NOFLAGS), mdb_close);
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        qFatal("libmdb cannot open %s", qPrintable(accessFile));
    return mdb;
}

// Where a value is stored in an Access file: an offset into the file and a length.
struct StoredBytes
{
    qint64 offset = -1;
    int size = 0;
};

// Where one column of an object's row in the catalogue (MSysObjects) is stored.
StoredBytes catalogueField(const QString &accessFile, const QString &objectName, const QString &column)
{
    MdbFile mdb = openMdb(accessFile);
    std::unique_ptr<MdbTableDef, decltype(&mdb_free_tabledef)> catalog(
        mdb_read_table_by_name(mdb.get(), const_cast<char *>("MSysObjects"), MDB_TABLE), mdb_free_tabledef);
    if (!catalog || !mdb_read_columns(catalog.get()))
        qFatal("no catalogue in %s", qPrintable(accessFile));
    mdb_rewind_table(catalog.get());
    std::vector<char> name(MDB_BIND_SIZE);
    const int nameColumn = mdb_bind_column_by_name(catalog.get(), const_cast<char *>("Name"), name.data(), nullptr);
    int wanted = -1;
    for (unsigned int i = 0; i < catalog->num_cols; ++i) {
        if (QString::fromUtf8(static_cast<MdbColumn *>(g_ptr_array_index(catalog->columns, i))->name) == column)
            wanted = int(i);
    }
    std::vector<MdbField> fields(std::max<size_t>(catalog->num_cols, 256));
    while (nameColumn > 0 && wanted >= 0 && mdb_fetch_row(catalog.get())) {
        if (QString::fromUtf8(name.data()) != objectName)
            continue;
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb.get(), int(catalog->cur_row) - 1, &start, &size) != 0
            || mdb_crack_row(catalog.get(), start & 0x1fff, size, fields.data()) <= wanted)
            break;
        return {qint64(catalog->cur_phys_pg) * mdb->fmt->pg_size + fields[size_t(wanted)].start,
                fields[size_t(wanted)].siz};
    }
    qFatal("no %s of %s in the catalogue of %s", qPrintable(column), qPrintable(objectName), qPrintable(accessFile));
}

// The first page that holds rows of a table.
qint64 firstDataPage(const QString &accessFile, const QString &tableName)
{
    MdbFile mdb = openMdb(accessFile);
    QByteArray name = tableName.toUtf8();
    std::unique_ptr<MdbTableDef, decltype(&mdb_free_tabledef)> table(
        mdb_read_table_by_name(mdb.get(), name.data(), MDB_TABLE), mdb_free_tabledef);
    if (!table || !mdb_read_columns(table.get()) || mdb_rewind_table(table.get()) != 0 || !mdb_fetch_row(table.get()))
        qFatal("no rows of %s in %s", qPrintable(tableName), qPrintable(accessFile));
    return table->cur_phys_pg;
}

// The tables of a converted database with all their rows, in the database's order.
struct ConvertedTable
{
    QString name;
    QStringList columns;
    QVector<QVariantList> rows;
};

QVector<ConvertedTable> tablesOf(const QString &sqliteFile)
{
    static int connections = 0;
    const QString connection = QStringLiteral("converted-%1").arg(++connections);
    QVector<ConvertedTable> tables;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(sqliteFile);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(sqliteFile));
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"));
        while (query.next())
            tables.append({query.value(0).toString(), {}, {}});
        for (ConvertedTable &table : tables) {
            query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(ValueText::quotedName(table.name)));
            for (int i = 0; i < query.record().count(); ++i)
                table.columns << query.record().fieldName(i);
            while (query.next()) {
                QVariantList row;
                for (int i = 0; i < table.columns.size(); ++i)
                    row << (query.isNull(i) ? QVariant() : query.value(i));
                table.rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return tables;
}

QVariant scalar(const QString &sqliteFile, const QString &statement)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("scalar"));
        db.setDatabaseName(sqliteFile);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(statement) || !query.next())
            qFatal("%s fails on %s", qPrintable(statement), qPrintable(sqliteFile));
        value = query.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("scalar"));
    return value;
}

QStringList names(const QVector<ConvertedTable> &tables)
{
    QStringList found;
    for (const ConvertedTable &table : tables)
        found << table.name;
    return found;
}

// Fruit.mdb's own tables, none of Access's.
const QStringList fruitTables = {QStringLiteral("Fruit"), QStringLiteral("Fruit Salad"), QStringLiteral("Veggie Salad"),
                                 QStringLiteral("Muffin/Bread"), QStringLiteral("Dried")};

} // namespace

QString TestAccessImport::copyOf(const QString &accessFile)
{
    const QString source = accessFile == QLatin1String("fruit.mdb")
                               ? QStringLiteral(FRUIT_MDB)
                               : QStringLiteral(ACCESS_TESTDATA "/") + accessFile;
    if (!QFileInfo(source).isFile())
        return QString();
    return writeTestFile(newFolder() + QLatin1Char('-') + accessFile, contentOf(source));
}

void TestAccessImport::valuesKeepTheirKind()
{
    QCOMPARE(read(MDB_TEXT, "天河区 A座"), CellValue::ofText("天河区 A座"));
    QCOMPARE(read(MDB_MEMO, "南北通透，近地铁"), CellValue::ofText("南北通透，近地铁"));
    QCOMPARE(read(MDB_LONGINT, "-1500"), CellValue::ofInteger(-1500));
    QCOMPARE(read(MDB_INT, "32767"), CellValue::ofInteger(32767));
    QCOMPARE(read(MDB_BYTE, "200"), CellValue::ofInteger(200));
    QCOMPARE(read(MDB_BOOL, "1"), CellValue::ofInteger(-1));
    QCOMPARE(read(MDB_BOOL, "0"), CellValue::ofInteger(0));
    QCOMPARE(read(MDB_DOUBLE, "85.5"), CellValue::ofReal(85.5));
    QCOMPARE(read(MDB_DOUBLE, "1e+20"), CellValue::ofReal(1e20));
    QCOMPARE(read(MDB_MONEY, "1500.0000"), CellValue::ofReal(1500));
    QCOMPARE(read(MDB_NUMERIC, "-12.345"), CellValue::ofReal(-12.345));
    QCOMPARE(read(MDB_FLOAT, "85.300003"), CellValue::ofReal(85.3));
    QCOMPARE(read(MDB_BINARY, "\x01\x02"), CellValue::ofBlob("\x01\x02"));
    // Nothing is Null, whatever the type; a number libmdb could not print stays as printed.
    QCOMPARE(read(MDB_TEXT, ""), CellValue::null());
    QCOMPARE(read(MDB_LONGINT, ""), CellValue::null());
    QCOMPARE(read(MDB_LONGINT, "12a"), CellValue::ofText("12a"));

    QCOMPARE(AccessValue::declaredType(MDB_TEXT), QStringLiteral("TEXT"));
    QCOMPARE(AccessValue::declaredType(MDB_MEMO), QStringLiteral("TEXT"));
    QCOMPARE(AccessValue::declaredType(MDB_LONGINT), QStringLiteral("INTEGER"));
    QCOMPARE(AccessValue::declaredType(MDB_BOOL), QStringLiteral("INTEGER"));
    QCOMPARE(AccessValue::declaredType(MDB_MONEY), QStringLiteral("REAL"));
    QCOMPARE(AccessValue::declaredType(MDB_FLOAT), QStringLiteral("REAL"));
    QCOMPARE(AccessValue::declaredType(MDB_DATETIME), QStringLiteral("DATETIME"));
    QCOMPARE(AccessValue::declaredType(MDB_OLE), QStringLiteral("BLOB"));
}

void TestAccessImport::libmdbRenderingsReadBackAsTyped()
{
    // Values as Access stores them, printed by libmdb the way the converter has it print them.
    const AccessFile file(QStringLiteral(FRUIT_MDB));
    MdbHandle *mdb = file.handle();
    const auto rendered = [mdb](int type, const void *stored, int size) {
        std::memcpy(mdb->pg_buf, stored, size_t(size));
        // libmdb prints from the page in hand.
        char *text = mdb_col_to_string(mdb, mdb->pg_buf, 0, type, size);
        const CellValue value = read(type, text);
        g_free(text);
        return value;
    };
    const double area = 85.5;
    QCOMPARE(rendered(MDB_DOUBLE, &area, 8), CellValue::ofReal(85.5));
    const float single = 85.3f;
    QCOMPARE(rendered(MDB_FLOAT, &single, 4), CellValue::ofReal(85.3));
    const qint64 rent = 15000000; // currency in ten-thousandths
    QCOMPARE(rendered(MDB_MONEY, &rent, 8), CellValue::ofReal(1500));
    const qint32 floors = -5;
    QCOMPARE(rendered(MDB_LONGINT, &floors, 4), CellValue::ofInteger(-5));
}

void TestAccessImport::datesComeFromTheStoredNumber_data()
{
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("date");
    QTest::newRow("the first day") << 0.0 << QStringLiteral("1899-12-30 00:00:00");
    QTest::newRow("time of day") << 45292.375 << QStringLiteral("2024-01-01 09:00:00");
    QTest::newRow("a second short of a whole one") << 44532.41744212962 << QStringLiteral("2021-12-02 10:01:07");
    QTest::newRow("1 March 1900, no 29 February") << 61.0 << QStringLiteral("1900-03-01 00:00:00");
    QTest::newRow("the day before") << -1.0 << QStringLiteral("1899-12-29 00:00:00");
    QTest::newRow("before 1899-12-30 the time still counts forward")
        << -1.25 << QStringLiteral("1899-12-29 06:00:00");
    QTest::newRow("half a day either side of the first") << -0.5 << QStringLiteral("1899-12-30 12:00:00");
    QTest::newRow("1898") << -728.0 << QStringLiteral("1898-01-01 00:00:00");
    QTest::newRow("year 632") << -463126.0 << QStringLiteral("0632-01-01 00:00:00");
    QTest::newRow("year 100, the first Access date") << -657434.0 << QStringLiteral("0100-01-01 00:00:00");
    QTest::newRow("the last moment of year 100's first day")
        << -657434.99998842592 << QStringLiteral("0100-01-01 23:59:59");
    QTest::newRow("year 9999") << 2958101.0 << QStringLiteral("9999-01-01 00:00:00");
    QTest::newRow("the last Access second") << 2958465.99998842592 << QStringLiteral("9999-12-31 23:59:59");
}

void TestAccessImport::datesComeFromTheStoredNumber()
{
    QFETCH(double, days);
    QFETCH(QString, date);
    QCOMPARE(AccessValue::fromStoredDate(days), CellValue::ofText(date.toLatin1()));
    // Outside Access's dates the number is kept as it is.
    for (const double outside : {-657435.0, 2958466.0, 1e300})
        QCOMPARE(AccessValue::fromStoredDate(outside), CellValue::ofReal(outside));
}

void TestAccessImport::everyDayFrom100To9999ReadsBackAsStored()
{
    // Day by day from 100-01-01, the first stored day, through the Gregorian calendar.
    int year = 100;
    int month = 1;
    int day = 1;
    const auto stepOneDay = [&] {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        const int length[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++day > length[month - 1]) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    };
    int wrong = 0;
    QString firstWrong;
    for (qint64 stored = -657434; stored <= 2958465; ++stored, stepOneDay()) {
        // Noon: before 1899-12-30 the whole days count back and the fraction forward.
        const double noon = stored >= 0 ? stored + 0.5 : stored - 0.5;
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02d 12:00:00", year, month, day);
        const CellValue read = AccessValue::fromStoredDate(noon);
        if ((read.kind != CellValue::Text || read.bytes != expected) && wrong++ == 0)
            firstWrong = QStringLiteral("%1 is not %2").arg(stored).arg(QLatin1String(expected));
    }
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 days wrong, the first: %2").arg(wrong).arg(firstWrong)));
    QCOMPARE(QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day), QStringLiteral("10000-1-1"));
}

void TestAccessImport::jet3TextIsReadByItsCodePage_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("city"); // stored in place of "México", six bytes
    QTest::addColumn<QString>("cityRead");
    QTest::addColumn<QString>("tableRead"); // "Umsätze" as stored in code page 1252
    // nwind.mdb records code page 1252; the others are nwind.mdb with another recorded.
    QTest::newRow("1252 Western, as recorded") << 1252 << QByteArray("M\xe9xico") << QStringLiteral("México")
                                               << QStringLiteral("Umsätze");
    QTest::newRow("936 GBK") << 936 << QByteArray("\xcc\xec\xba\xd3\xc7\xf8") << QStringLiteral("天河区")
                             << QStringLiteral("Ums鋞ze");
    QTest::newRow("none recorded: GBK") << 0 << QByteArray("\xcc\xec\xba\xd3\xc7\xf8") << QStringLiteral("天河区")
                                        << QStringLiteral("Ums鋞ze");
    QTest::newRow("950 Big5") << 950 << QByteArray("\xbb\x4f\xa5\x5f\xa5\xab") << QStringLiteral("臺北市")
                              << QStringLiteral("Ums酹ze");
    QTest::newRow("1251 Cyrillic") << 1251 << QByteArray("\xcc\xee\xf1\xea\xe2\xe0") << QStringLiteral("Москва")
                                   << QStringLiteral("Umsдtze");
    QTest::newRow("a code page nobody knows") << 12345 << QByteArray("M\xe9xico") << QString() << QString();
}

void TestAccessImport::jet3TextIsReadByItsCodePage()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, city);
    QFETCH(QString, cityRead);
    QFETCH(QString, tableRead);
    const QString original = copyOf(QStringLiteral("nwind.mdb"));
    QVERIFY2(!original.isEmpty(), "nwind.mdb is missing from " ACCESS_TESTDATA);
    QByteArray bytes = contentOf(original);
    // The code page is recorded at 0x3C of the header, in its part that is stored XORed
    // with a fixed key stream: flipping the stored bits flips the recorded ones.
    const int flipped = 1252 ^ codePage;
    bytes[0x3c] = char(bytes[0x3c] ^ (flipped & 0xff));
    bytes[0x3d] = char(bytes[0x3d] ^ (flipped >> 8));
    bytes.replace(QByteArray("M\xe9xico"), city);
    const QString file = writeTestFile(original + QStringLiteral(".edited.mdb"), bytes);
    QCOMPARE(openMdb(file)->f->code_page, quint16(codePage));

    const QString folder = newFolder();
    const Run run = runConverter({file, folder});
    if (cityRead.isEmpty()) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("代码页 %1 无法识别").arg(codePage)), qPrintable(run.errors));
        return;
    }
    QCOMPARE(run.exitCode, 0);
    const QString converted = folder + QStringLiteral("/itdb.mdb");
    QVERIFY2(run.output.contains(QStringLiteral("table %1: 830 rows").arg(tableRead)), qPrintable(run.output));
    QCOMPARE(scalar(converted, QStringLiteral("SELECT City FROM Customers WHERE CustomerID='ANATR'")).toString(),
             cityRead + QStringLiteral(" D.F."));
    QCOMPARE(scalar(converted, QStringLiteral("SELECT count(*) FROM Orders WHERE ShipCity='%1 D.F.'").arg(cityRead))
                 .toInt(),
             28);
}

void TestAccessImport::converterWritesEveryCellAsMdbExportShowsIt_data()
{
    QTest::addColumn<QString>("accessFile");
    QTest::addColumn<QString>("summary");
    // Cells mdb-export cannot show (dates before 1900, the year 9999), as "table: row, column".
    QTest::addColumn<QStringList>("notShownByMdbExport");
    // Statements on the copy with the value each must give: the stored values decide.
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QVariantList>("values");

    QTest::newRow("fruit.mdb, Jet 4") << QStringLiteral("fruit.mdb") << QStringLiteral("5 tables, 84 rows")
                                      << QStringList() << QStringList{QStringLiteral("SELECT count(*) FROM Dried")}
                                      << QVariantList{12};
    QTest::newRow("nwind.mdb, Jet 3 in code page 1252")
        << QStringLiteral("nwind.mdb") << QStringLiteral("9 tables, 4032 rows") << QStringList()
        << QStringList{QStringLiteral("SELECT City FROM Customers WHERE CustomerID='ANATR'"),
                       QStringLiteral("SELECT count(*) FROM \"Umsätze\""),
                       QStringLiteral("SELECT group_concat(Discontinued) FROM Products WHERE ProductID IN (4, 5)"),
                       QStringLiteral("SELECT count(*) FROM Customers WHERE Address LIKE '%'||char(13, 10)||'%'"),
                       QStringLiteral("SELECT OrderDate FROM Orders WHERE OrderID=10248"),
                       QStringLiteral("SELECT UnitPrice FROM Products WHERE ProductID=1"),
                       QStringLiteral("SELECT length(Picture) FROM Categories WHERE CategoryID=1")}
        << QVariantList{QStringLiteral("México D.F."), 830, QStringLiteral("0,-1"), 8,
                        QStringLiteral("1994-08-04 00:00:00"), 18.0, 10746};
    const QStringList dateColumns = {QStringLiteral("DateTimeCol"), QStringLiteral("DateCol"),
                                     QStringLiteral("TimeCol")};
    QStringList beyondMdbExport;
    for (int row : {2, 3, 4}) {
        for (const QString &column : dateColumns) {
            if (row != 3 || column != QLatin1String("TimeCol"))
                beyondMdbExport << QStringLiteral("DateTest: row %1, column %2").arg(row).arg(column);
        }
    }
    QTest::newRow("DateTestDatabase.mdb, Jet 4")
        << QStringLiteral("DateTestDatabase.mdb") << QStringLiteral("1 tables, 6 rows") << beyondMdbExport
        << QStringList{QStringLiteral("SELECT DateTimeCol FROM DateTest WHERE IDCol=2"),
                       QStringLiteral("SELECT DateTimeCol || ' ' || DateCol || ' ' || TimeCol FROM DateTest "
                                      "WHERE IDCol=3"),
                       QStringLiteral("SELECT DateTimeCol || ' ' || DateCol || ' ' || TimeCol FROM DateTest "
                                      "WHERE IDCol=4"),
                       QStringLiteral("SELECT LongTextCol FROM DateTest WHERE IDCol=6")}
        << QVariantList{QStringLiteral("9999-01-01 00:00:00"),
                        QStringLiteral("1898-01-01 00:00:00 1899-01-01 00:00:00 1900-01-01 00:00:00"),
                        QStringLiteral("0632-01-01 00:00:00 0633-01-01 00:00:00 0634-01-01 00:00:00"),
                        QStringLiteral("New line\r\nin field")};
    QTest::newRow("ASampleDatabase.accdb, ACE")
        << QStringLiteral("ASampleDatabase.accdb") << QStringLiteral("1 tables, 65 rows") << QStringList()
        << QStringList{QStringLiteral("SELECT Acquired || ' ' || Cost FROM \"Asset Items\" WHERE \"Asset No\"='30050'")}
        << QVariantList{QStringLiteral("1997-09-02 00:00:00 1995.5")};
}

void TestAccessImport::converterWritesEveryCellAsMdbExportShowsIt()
{
    QFETCH(QString, accessFile);
    QFETCH(QString, summary);
    QFETCH(QStringList, notShownByMdbExport);
    QFETCH(QStringList, statements);
    QFETCH(QVariantList, values);
    const QString file = copyOf(accessFile);
    QVERIFY2(!file.isEmpty(), qPrintable(accessFile + QStringLiteral(" is missing from " ACCESS_TESTDATA)));

    const QString folder = newFolder();
    const Run run = runConverter({file, folder});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains(summary + QStringLiteral(", indexes: none")), qPrintable(run.output));
    // Nothing but the database.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("itdb.mdb")});

    const QString converted = folder + QStringLiteral("/itdb.mdb");
    const QVector<ConvertedTable> tables = tablesOf(converted);
    QCOMPARE(names(tables), MdbExport::tables(file));
    QStringList notShown;
    for (const ConvertedTable &table : tables) {
        const QStringList cells = MdbExport::compare(MdbExport::table(file, table.name), table.columns, table.rows);
        if (QTest::currentTestFailed())
            return;
        for (const QString &cell : cells)
            notShown << table.name + QStringLiteral(": ") + cell;
    }
    QCOMPARE(notShown, notShownByMdbExport);
    for (int i = 0; i < statements.size(); ++i)
        QCOMPARE(scalar(converted, statements.at(i)), values.at(i));
}

void TestAccessImport::damagedCatalogueIsRefused_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("bit");
    QTest::addColumn<bool>("refused"); // or else read with exactly fruit.mdb's own tables

    QTest::newRow("a table no longer a table") << QStringLiteral("Fruit") << QStringLiteral("Type") << 0 << true;
    QTest::newRow("a table become a query") << QStringLiteral("Fruit") << QStringLiteral("Type") << 2 << true;
    QTest::newRow("a table marked as Access's own") << QStringLiteral("Fruit") << QStringLiteral("Flags") << 1
                                                    << true;
    QTest::newRow("a table marked as a system table") << QStringLiteral("Fruit") << QStringLiteral("Flags") << 31
                                                      << true;
    QTest::newRow("a table out of the tables' folder") << QStringLiteral("Fruit") << QStringLiteral("ParentId") << 0
                                                       << true;
    QTest::newRow("a table moved onto another's definition")
        << QStringLiteral("Fruit") << QStringLiteral("Id") << 3 << true;
    QTest::newRow("a query moved onto a page") << QStringLiteral("In Dried") << QStringLiteral("Id") << 31 << true;
    QTest::newRow("a system table's mark lost") << QStringLiteral("MSysACEs") << QStringLiteral("Flags") << 31
                                                << false;
    QTest::newRow("Access's own table's mark lost")
        << QStringLiteral("MSysAccessObjects") << QStringLiteral("Flags") << 1 << false;
    QTest::newRow("a hidden mark") << QStringLiteral("Fruit") << QStringLiteral("Flags") << 3 << false;
}

void TestAccessImport::damagedCatalogueIsRefused()
{
    QFETCH(QString, object);
    QFETCH(QString, column);
    QFETCH(int, bit);
    QFETCH(bool, refused);
    const QString fruit = copyOf(QStringLiteral("fruit.mdb"));
    const StoredBytes field = catalogueField(fruit, object, column);
    QVERIFY(bit / 8 < field.size);
    QByteArray bytes = contentOf(fruit);
    bytes[field.offset + bit / 8] = char(bytes[field.offset + bit / 8] ^ (1 << (bit % 8)));
    const QString damaged = writeTestFile(fruit + QStringLiteral(".damaged.mdb"), bytes);

    const QString folder = newFolder();
    const Run run = runConverter({damaged, folder});
    if (refused) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("Access 数据库文件的目录已损坏")), qPrintable(run.errors));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/itdb.mdb")));
        return;
    }
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(names(tablesOf(folder + QStringLiteral("/itdb.mdb"))), fruitTables);
}

void TestAccessImport::everyFlippedBitOfATablesEntryIsRefusedOrHarmless()
{
    const QString fruit = copyOf(QStringLiteral("fruit.mdb"));
    const QString intactFolder = newFolder();
    QCOMPARE(runConverter({fruit, intactFolder}).exitCode, 0);
    const QVector<ConvertedTable> intact = tablesOf(intactFolder + QStringLiteral("/itdb.mdb"));
    const QByteArray original = contentOf(fruit);
    const QString damaged = fruit + QStringLiteral(".damaged.mdb");
    int refused = 0;
    int read = 0;
    for (const QString &column : {QStringLiteral("Id"), QStringLiteral("ParentId"), QStringLiteral("Type"),
                                  QStringLiteral("Flags")}) {
        const StoredBytes field = catalogueField(fruit, QStringLiteral("Veggie Salad"), column);
        for (int bit = 0; bit < field.size * 8; ++bit) {
            QByteArray bytes = original;
            bytes[field.offset + bit / 8] = char(bytes[field.offset + bit / 8] ^ (1 << (bit % 8)));
            writeTestFile(damaged, bytes);
            const QString folder = newFolder();
            const Run run = runConverter({damaged, folder});
            const QString where = QStringLiteral("%1 bit %2: ").arg(column).arg(bit);
            if (run.exitCode != 0) {
                QVERIFY2(run.exitCode == 1, qPrintable(where + run.errors));
                ++refused;
                continue;
            }
            ++read;
            const QVector<ConvertedTable> tables = tablesOf(folder + QStringLiteral("/itdb.mdb"));
            QVERIFY2(names(tables) == fruitTables, qPrintable(where + names(tables).join(QLatin1Char(','))));
            for (int i = 0; i < tables.size(); ++i)
                QVERIFY2(tables.at(i).rows == intact.at(i).rows, qPrintable(where + tables.at(i).name));
        }
    }
    qInfo("%d flipped bits refused, %d read whole", refused, read);
    QVERIFY(refused > 0 && read > 0);
}

void TestAccessImport::tableNamesArePrintedAsTheyAre()
{
    // "Dried" renamed in the catalogue to a name that a format string would take apart.
    const QString fruit = copyOf(QStringLiteral("fruit.mdb"));
    const StoredBytes name = catalogueField(fruit, QStringLiteral("Dried"), QStringLiteral("Name"));
    QByteArray bytes = contentOf(fruit);
    QByteArray stored = bytes.mid(name.offset, name.size);
    // Jet 4 stores a name as UTF-16 or, marked by FF FE, one byte per character.
    const bool compressed = stored.startsWith("\xff\xfe");
    const auto encoded = [compressed](const QString &text) {
        return compressed ? text.toLatin1() : QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    };
    const QString strange = QStringLiteral("%2%1d");
    QVERIFY(stored.contains(encoded(QStringLiteral("Dried"))));
    stored.replace(encoded(QStringLiteral("Dried")), encoded(strange));
    bytes.replace(name.offset, name.size, stored);
    const QString renamed = writeTestFile(fruit + QStringLiteral(".renamed.mdb"), bytes);

    Run run = runConverter({renamed, newFolder()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains(QStringLiteral("table %2%1d: 12 rows\n")), qPrintable(run.output));

    // Its rows' page lost: the message names the table as it is.
    const qint64 page = firstDataPage(renamed, strange);
    bytes[page * 4096] = 0;
    run = runConverter({writeTestFile(renamed, bytes), newFolder()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("表 %2%1d 只读出 0 行，应有 12 行")), qPrintable(run.errors));
}

void TestAccessImport::converterOverwritesOnlyWhenTold()
{
    const QString folder = newFolder();
    QVERIFY(QDir().mkpath(folder));
    const QString database = folder + QStringLiteral("/itdb.mdb");
    QFile existing(database);
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("the agency's own database") > 0);
    existing.close();

    Run run = runConverter({QStringLiteral(FRUIT_MDB), folder});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("--force")), qPrintable(run.errors));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("the agency's own database"));
    existing.close();

    // A file that is no Access database leaves the existing one as it was, even with --force.
    run = runConverter({database, folder, QStringLiteral("--force")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("不是可以读取的 Access 数据库文件")), qPrintable(run.errors));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("the agency's own database"));
    existing.close();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);

    run = runConverter({QStringLiteral(FRUIT_MDB), folder, QStringLiteral("--force")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QVERIFY(existing.read(16).startsWith("SQLite format 3"));

    // A wrong call says what is wrong in one line; --help shows the usage under the
    // converter's own name.
    run = runConverter({QStringLiteral(FRUIT_MDB)});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.errors, QStringLiteral("quillonix-import: SOURCE and TARGET are needed, and nothing more "
                                        "(see quillonix-import --help)\n"));
    QCOMPARE(runConverter({QStringLiteral(FRUIT_MDB), folder, QStringLiteral("--bogus")}).exitCode, 2);
    run = runConverter({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.startsWith(QStringLiteral("Usage: quillonix-import [options] SOURCE TARGET")),
             qPrintable(run.output));
}

void TestAccessImport::listingIndexesOnlyWhereTheirColumnsAre()
{
    // An agency's database may hold the listings and users and lack the photo numbers.
    SqliteFile file(newFolder() + QStringLiteral(".sqlite"));
    file.exec(ListingSchema::tableStatements().at(0));
    file.exec(QStringLiteral("CREATE TABLE picture (seq INTEGER, tpbh TEXT)"));
    file.exec(ListingSchema::tableStatements().at(3));
    QCOMPARE(createListingIndexes(file), (QStringList{QStringLiteral("house_fybh"), QStringLiteral("house_search"),
                                                      QStringLiteral("house_wyhx"), QStringLiteral("house_cx"),
                                                      QStringLiteral("user_yhm")}));
    // Made once: a second pass finds them there.
    QCOMPARE(createListingIndexes(file).size(), 5);
    QVERIFY(!file.tryExec(QStringLiteral("CREATE INDEX house_fybh ON house (fybh)")));
}

QTEST_GUILESS_MAIN(TestAccessImport)
#include "tst_accessimport.moc"
