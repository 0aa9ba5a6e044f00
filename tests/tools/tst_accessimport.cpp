#include "mdbexport.h"

#include "accessfile.h"
#include "accessimport.h"
#include "cellvalue.h"
#include "sqlitefile.h"

#include "core/dberror.h"
#include "core/listingschema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

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
    void jet3TextIsReadAsGbk();
    void converterWritesTheTablesAsMdbExportShowsThem();
    void converterOverwritesOnlyWhenTold();
    void listingIndexesOnlyWhereTheirColumnsAre();

private:
    QString newFolder() { return m_work.filePath(QString::number(++m_folders)); }
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

} // namespace

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
    QCOMPARE(read(MDB_DATETIME, "2024-01-01 09:00:00"), CellValue::ofText("2024-01-01 09:00:00"));
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
    const double changed = 45292.375; // days since 1899-12-30
    QCOMPARE(rendered(MDB_DATETIME, &changed, 8), CellValue::ofText("2024-01-01 09:00:00"));
    const qint32 floors = -5;
    QCOMPARE(rendered(MDB_LONGINT, &floors, 4), CellValue::ofInteger(-5));
}

void TestAccessImport::jet3TextIsReadAsGbk()
{
    // Reading an Access file sets the character set libmdb reads Jet 3 text with. No Access 97
    // file is at hand: fruit.mdb marked as Jet 3 opens far enough to decode text.
    { const AccessFile fruit(QStringLiteral(FRUIT_MDB)); }
    QFile original(QStringLiteral(FRUIT_MDB));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    bytes[0x14] = 0;
    const QString jet3 = newFolder() + QStringLiteral(".mdb");
    QFile marked(jet3);
    QVERIFY(marked.open(QIODevice::WriteOnly) && marked.write(bytes) == bytes.size());
    marked.close();
    const std::unique_ptr<MdbHandle, decltype(&mdb_close)> mdb(mdb_open(QFile::encodeName(jet3).constData(), MDB_NOFLAGS),
                                                              mdb_close);
    QVERIFY(mdb && IS_JET3(mdb.get()));
    const QByteArray gbk("\xcc\xec\xba\xd3\xc7\xf8"); // 天河区
    char decoded[64] = {};
    mdb_unicode2ascii(mdb.get(), gbk.constData(), size_t(gbk.size()), decoded, sizeof decoded);
    QCOMPARE(QString::fromUtf8(decoded), QStringLiteral("天河区"));
    QVERIFY_THROWS_EXCEPTION(DbError, AccessFile{jet3});
}

void TestAccessImport::converterWritesTheTablesAsMdbExportShowsThem()
{
    const QString folder = newFolder();
    const Run run = runConverter({QStringLiteral(FRUIT_MDB), folder});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains(QStringLiteral("table Muffin/Bread: 13 rows")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("5 tables, 84 rows, indexes: none")), qPrintable(run.output));
    // Nothing but the database.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("itdb.mdb")});

    const QString name = QStringLiteral("converted");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/itdb.mdb"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid")));
        QStringList tables;
        while (query.next())
            tables << query.value(0).toString();
        QCOMPARE(tables, MdbExport::tables(QStringLiteral(FRUIT_MDB)));
        for (const QString &table : std::as_const(tables)) {
            QVERIFY(query.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)));
            QStringList columns;
            for (int i = 0; i < query.record().count(); ++i)
                columns << query.record().fieldName(i);
            QVector<QVariantList> rows;
            while (query.next()) {
                QVariantList row;
                for (int i = 0; i < columns.size(); ++i)
                    row << (query.isNull(i) ? QVariant() : query.value(i));
                rows << row;
            }
            MdbExport::compare(MdbExport::table(QStringLiteral(FRUIT_MDB), table), columns, rows);
            if (QTest::currentTestFailed())
                break;
        }
    }
    QSqlDatabase::removeDatabase(name);
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

    QCOMPARE(runConverter({QStringLiteral(FRUIT_MDB)}).exitCode, 2);
    QCOMPARE(runConverter({QStringLiteral(FRUIT_MDB), folder, QStringLiteral("--bogus")}).exitCode, 2);
}

void TestAccessImport::listingIndexesOnlyWhereTheirColumnsAre()
{
    // An agency's database may hold the listings and users and lack the photo numbers.
    SqliteFile file(newFolder() + QStringLiteral(".sqlite"));
    file.exec(ListingSchema::tableStatements().at(0));
    file.exec(QStringLiteral("CREATE TABLE picture (seq INTEGER, tpbh TEXT)"));
    file.exec(ListingSchema::tableStatements().at(3));
    QCOMPARE(createListingIndexes(file), (QStringList{QStringLiteral("house_fybh"), QStringLiteral("house_search"),
                                                      QStringLiteral("user_yhm")}));
    // Made once: a second pass finds them there.
    QCOMPARE(createListingIndexes(file).size(), 3);
    QVERIFY(!file.tryExec(QStringLiteral("CREATE INDEX house_fybh ON house (fybh)")));
}

QTEST_GUILESS_MAIN(TestAccessImport)
#include "tst_accessimport.moc"
