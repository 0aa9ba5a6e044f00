#include "mdbexport.h"
#include "testsupport.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/recordset.h"
#include "core/valuetext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <sys/resource.h>

// The program's reader of the agency's Access database, on fruit.mdb, an Access file made
// elsewhere, and on damaged copies of it.
class TestAccessSource : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }

    // First: it measures how far the peak memory grows.
    void floodOfWarningsKeepsMemoryAndPainting();
    void tablesReadAsMdbToolsShowThem();
    void writesGoIntoTheCopyOnly();
    void copyFollowsTheFileOnDisk();
    void damagedFilesAreRefusedOrRead();
    void readerThatOverrunsTheTimeOutIsStopped();
};

namespace {

const QByteArray fruitBytes()
{
    QFile file(QStringLiteral(FRUIT_MDB));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("fruit.mdb is missing: %s", FRUIT_MDB);
    return file.readAll();
}

void setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.setFileTime(time, QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
}

void open(Connection &connection, const QString &file, int timeoutSeconds = 30)
{
    connection.setConnectionString(QStringLiteral("driver={Microsoft Access Driver (*.mdb)};dbq=") + file);
    connection.setConnectionTimeout(timeoutSeconds);
    connection.open();
}

QVector<QVariantList> rowsOf(Connection &connection, const QString &statement)
{
    Recordset rows;
    rows.open(statement, connection);
    QVector<QVariantList> read;
    for (; !rows.eof(); rows.moveNext()) {
        QVariantList row;
        for (int i = 0; i < rows.fieldCount(); ++i)
            row << rows.field(i);
        read << row;
    }
    return read;
}

QVariant scalar(Connection &connection, const QString &statement)
{
    Recordset rows;
    rows.open(statement, connection);
    return rows.field(0);
}

QStringList column(const QVector<QVariantList> &rows, int position)
{
    QStringList values;
    for (const QVariantList &row : rows)
        values << row.at(position).toString();
    return values;
}

// Fruit.mdb with one value changed where it is stored, as another program would change it.
QByteArray fruitWithPomegranateRenamed()
{
    QByteArray changed = fruitBytes();
    const qsizetype at = changed.indexOf("Pomegranate");
    if (at < 0 || changed.indexOf("Pomegranate", at + 1) >= 0)
        qFatal("fruit.mdb holds Pomegranate other than once");
    changed[at + 10] = 'x';
    return changed;
}

// A window that counts how often it is painted.
class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

long peakMemoryKb()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

void TestAccessSource::tablesReadAsMdbToolsShowThem()
{
    const QString file = writeTestFile(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"), fruitBytes());
    Connection connection;
    QElapsedTimer clock;
    clock.start();
    open(connection, file);
    qInfo("fruit.mdb read into memory in %lld ms", clock.elapsed());
    const QStringList tables = column(
        rowsOf(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid")), 0);
    QCOMPARE(tables, MdbExport::tables(file));
    QVERIFY(tables.contains(QStringLiteral("Muffin/Bread")));
    QVERIFY(tables.contains(QStringLiteral("Fruit Salad")));

    for (const QString &table : tables) {
        const QVector<QVariantList> definition
            = rowsOf(connection, QStringLiteral("PRAGMA table_info(%1)").arg(ValueText::quotedName(table)));
        const QVector<QVariantList> rows
            = rowsOf(connection, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(ValueText::quotedName(table)));
        MdbExport::compare(MdbExport::table(file, table), column(definition, 1), rows);
        if (QTest::currentTestFailed())
            return;
    }

    // Text stays text, whole numbers are integers, Null stays Null.
    const QVector<QVariantList> fruit = rowsOf(connection, QStringLiteral("PRAGMA table_info(Fruit)"));
    QCOMPARE(column(fruit, 2).first(), QStringLiteral("TEXT"));
    QCOMPARE(column(fruit, 2).last(), QStringLiteral("INTEGER"));
    const QVariant vitaminA = scalar(connection, QStringLiteral("SELECT \"Vit A\" FROM Fruit WHERE Fruit='Apricot'"));
    QCOMPARE(vitaminA.typeId(), int(QMetaType::LongLong));
    QCOMPARE(vitaminA.toInt(), 420);
    QVERIFY(scalar(connection, QStringLiteral("SELECT \"Vit B6\" FROM Fruit WHERE Fruit='Kumquat'")).isNull());
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM \"Muffin/Bread\" WHERE fruit='Carrots'")).toInt(), 1);
}

void TestAccessSource::writesGoIntoTheCopyOnly()
{
    const QString file = writeTestFile(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"), fruitBytes());
    setModified(file, QDateTime(QDate(2024, 3, 1), QTime(10, 0)));
    const QDateTime modified = QFileInfo(file).lastModified();

    Connection connection;
    open(connection, file);
    Recordset dried;
    dried.open(QStringLiteral("SELECT * FROM Dried"), connection);
    QCOMPARE(dried.recordCount(), 12);
    dried.addNew();
    dried.setField(QStringLiteral("Fruit"), QStringLiteral("山楂"));
    dried.update();
    dried.close();
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Dried")).toInt(), 13);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Dried WHERE Fruit='山楂'")).toInt(), 1);

    // The Access file is as it was, and a new connection reads it as it was.
    QCOMPARE(QFileInfo(file).lastModified(), modified);
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll() == fruitBytes());
    Connection other;
    open(other, file);
    QCOMPARE(scalar(other, QStringLiteral("SELECT count(*) FROM Dried")).toInt(), 12);
}

void TestAccessSource::copyFollowsTheFileOnDisk()
{
    const QString file = writeTestFile(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"), fruitBytes());
    setModified(file, QDateTime(QDate(2024, 3, 1), QTime(10, 0)));
    Connection connection;
    open(connection, file, 10);
    const QString pomegranates = QStringLiteral("SELECT count(*) FROM Fruit WHERE Fruit='Pomegranate'");
    QCOMPARE(scalar(connection, pomegranates).toInt(), 1);
    // The program's own row, in the copy only: it stays through every reading of the file.
    Recordset dried;
    dried.open(QStringLiteral("SELECT * FROM Dried"), connection);
    dried.addNew();
    dried.setField(QStringLiteral("Fruit"), QStringLiteral("copy only"));
    dried.update();
    dried.close();
    const QString copyOnly = QStringLiteral("SELECT count(*) FROM Dried WHERE Fruit='copy only'");

    // Half written, then garbage behind the signature, then gone: the last good copy serves.
    writeTestFile(file, fruitBytes().left(70000));
    setModified(file, QDateTime(QDate(2024, 3, 2), QTime(10, 0)));
    QCOMPARE(scalar(connection, pomegranates).toInt(), 1);
    QCOMPARE(scalar(connection, copyOnly).toInt(), 1);
    writeTestFile(file, fruitBytes().left(64) + QByteArray(20000, '\xA5'));
    QCOMPARE(scalar(connection, pomegranates).toInt(), 1);
    QVERIFY(QFile::remove(file));
    QCOMPARE(scalar(connection, copyOnly).toInt(), 1);

    // Another program saved its change: the next query sees it.
    writeTestFile(file, fruitWithPomegranateRenamed());
    setModified(file, QDateTime(QDate(2024, 3, 3), QTime(10, 0)));
    QCOMPARE(scalar(connection, pomegranates).toInt(), 0);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Fruit WHERE Fruit='Pomegranatx'")).toInt(), 1);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Fruit")).toInt(), 37);
    QCOMPARE(scalar(connection, copyOnly).toInt(), 1);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Dried")).toInt(), 13);

    // Fruit.mdb again, the same size as the last one, at another time.
    writeTestFile(file, fruitBytes());
    setModified(file, QDateTime(QDate(2024, 3, 4), QTime(10, 0)));
    QCOMPARE(scalar(connection, pomegranates).toInt(), 1);
    QCOMPARE(scalar(connection, copyOnly).toInt(), 1);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Dried")).toInt(), 13);
}

void TestAccessSource::damagedFilesAreRefusedOrRead()
{
    const QByteArray fruit = fruitBytes();
    QRandomGenerator random(20240301);
    // Cut short as by a copy that did not finish: whatever is read is all of it.
    QVector<QByteArray> truncated;
    for (int pages = 0; pages < 24; ++pages)
        truncated << fruit.left(pages * 4096) << fruit.left(pages * 4096 + 1 + random.bounded(4095));
    for (int page = 140; page <= 148; ++page)
        truncated << fruit.left(page * 4096);
    while (truncated.size() < 130)
        truncated << fruit.left(random.bounded(int(fruit.size())));
    // Bytes changed, most in the first pages: the header, the catalog and the table definitions.
    QVector<QByteArray> damaged;
    for (int i = 0; i < 180; ++i) {
        QByteArray flipped = fruit;
        const int limit = i % 3 == 0 ? int(fruit.size()) : 3 * 4096;
        for (int n = 1 + random.bounded(8); n > 0; --n)
            flipped[random.bounded(limit)] ^= char(1 + random.bounded(255));
        damaged << flipped;
    }
    // The signature of an Access file with garbage behind it.
    for (int i = 0; i < 10; ++i) {
        QByteArray garbage(64 + random.bounded(40000), Qt::Uninitialized);
        for (char &byte : garbage)
            byte = char(random.bounded(256));
        damaged << fruit.left(4 + 16 + random.bounded(100)) + garbage;
    }

    const QString file = TestSandbox::newFolder() + QStringLiteral("/itdb.mdb");
    QMap<QString, int> outcomes;
    QElapsedTimer clock;
    clock.start();
    const QVector<QByteArray> variants = truncated + damaged;
    for (int i = 0; i < variants.size(); ++i) {
        writeTestFile(file, variants.at(i));
        Connection connection;
        try {
            open(connection, file, 10);
        } catch (const DbError &error) {
            const QString prefix = QStringLiteral("不能读取 Access 数据库文件：") + file + QStringLiteral("（");
            QVERIFY2(error.description().startsWith(prefix)
                         || error.description().startsWith(QStringLiteral("不是可识别的数据库文件")),
                     qPrintable(QStringLiteral("variant %1: %2").arg(i).arg(error.description())));
            const QString reason = error.description().startsWith(prefix)
                                       ? error.description().mid(prefix.size()).section(QLatin1Char(' '), 0, 0)
                                       : error.description().section(QStringLiteral("："), 0, 0);
            ++outcomes[reason];
            continue;
        }
        ++outcomes[QStringLiteral("read")];
        // What was read is a sound database: every table answers a query.
        const QStringList tables = column(
            rowsOf(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")), 0);
        int rows = 0;
        for (const QString &table : tables)
            rows += int(rowsOf(connection, QStringLiteral("SELECT * FROM %1").arg(ValueText::quotedName(table))).size());
        if (i < truncated.size()) {
            QVERIFY2(tables.size() == 5 && rows == 84,
                     qPrintable(QStringLiteral("%1 bytes read as %2 tables with %3 rows")
                                    .arg(variants.at(i).size()).arg(tables.size()).arg(rows)));
        }
    }
    for (auto outcome = outcomes.cbegin(); outcome != outcomes.cend(); ++outcome)
        qInfo("%5d %s", outcome.value(), qPrintable(outcome.key()));
    qInfo("%d damaged files in %lld ms", int(variants.size()), clock.elapsed());
    QVERIFY(variants.size() >= 300);
    QVERIFY(outcomes.value(QStringLiteral("read")) > 0);
    QVERIFY(outcomes.size() > 1);
}

void TestAccessSource::readerThatOverrunsTheTimeOutIsStopped()
{
    const QString file = writeTestFile(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"), fruitBytes());
    Connection connection;
    try {
        open(connection, file, 0);
        QFAIL("a reader given no time at all finished");
    } catch (const DbError &error) {
        QCOMPARE(error.description(), QStringLiteral("不能读取 Access 数据库文件：%1（0 秒内没有读完）").arg(file));
    }
    QVERIFY(!connection.isOpen());
    open(connection, file, 5);
    QCOMPARE(scalar(connection, QStringLiteral("SELECT count(*) FROM Fruit")).toInt(), 37);
}

void TestAccessSource::floodOfWarningsKeepsMemoryAndPainting()
{
    const QString file
        = writeTestFile(TestSandbox::newFolder() + QStringLiteral("/itdb.mdb"), accessFileThatFloods(fruitBytes()));
    PaintCounter window;
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer repaint;
    connect(&repaint, &QTimer::timeout, &window, qOverload<>(&QWidget::update));
    repaint.start(50);
    const int paintsBefore = window.paints;
    const long memoryBefore = peakMemoryKb();

    // libmdb writes tens of megabytes of warnings a second until the reader is stopped.
    constexpr int seconds = 4;
    Connection connection;
    QElapsedTimer clock;
    clock.start();
    try {
        open(connection, file, seconds);
        QFAIL("a file that makes libmdb loop was read");
    } catch (const DbError &error) {
        // Only the converter's last words are kept and shown.
        const QString prefix = QStringLiteral("不能读取 Access 数据库文件：") + file + QStringLiteral("（");
        QVERIFY2(error.description().startsWith(prefix), qPrintable(error.description()));
        QVERIFY2(error.description().size() < prefix.size() + 100, qPrintable(error.description()));
    }
    const long grownKb = peakMemoryKb() - memoryBefore;
    const int paints = window.paints - paintsBefore;
    qInfo("read for %lld ms; meanwhile the window was painted %d times and the peak memory grew by %ld KB",
          clock.elapsed(), paints, grownKb);
    QVERIFY(clock.elapsed() >= (seconds - 1) * 1000);
    QVERIFY2(paints >= seconds * 5, qPrintable(QString::number(paints)));
#ifndef QUILLONIX_SANITIZE // there the peak holds AddressSanitizer's quarantine of freed blocks
    QVERIFY2(grownKb < 8 * 1024, qPrintable(QString::number(grownKb)));
#endif
}

QTEST_MAIN(TestAccessSource)
#include "tst_accesssource.moc"
