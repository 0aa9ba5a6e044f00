#include "mdbexport.h"

#include "core/valuetext.h"

#include <QProcess>
#include <QTest>

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

// mdb-export's CSV: text between double quotes with quotes doubled, numbers bare, Null as
// nothing at all.
QVector<QVariantList> parseCsv(const QString &text)
{
    QVector<QVariantList> rows;
    QVariantList row;
    QString field;
    bool quoted = false;
    bool inQuotes = false;
    const auto endField = [&] {
        row << ((quoted || !field.isEmpty()) ? QVariant(field) : QVariant());
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endField();
            rows << row;
            row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

} // namespace

QStringList MdbExport::tables(const QString &accessFile)
{
    return QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), accessFile}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

MdbExport::Table MdbExport::table(const QString &accessFile, const QString &name)
{
    const QByteArray csv = run(QStringLiteral("mdb-export"),
                               {QStringLiteral("-D"), QStringLiteral("%Y-%m-%d %H:%M:%S"), accessFile, name});
    QVector<QVariantList> rows = parseCsv(QString::fromUtf8(csv));
    Table table;
    if (rows.isEmpty())
        return table;
    for (const QVariant &column : rows.takeFirst())
        table.columns << column.toString();
    table.rows = rows;
    return table;
}

void MdbExport::compare(const Table &expected, const QStringList &columns, const QVector<QVariantList> &rows)
{
    QCOMPARE(columns, expected.columns);
    QCOMPARE(rows.size(), expected.rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QCOMPARE(rows.at(r).size(), expected.rows.at(r).size());
        for (qsizetype c = 0; c < rows.at(r).size(); ++c) {
            const QVariant &value = rows.at(r).at(c);
            const QVariant &reference = expected.rows.at(r).at(c);
            const QString where = QStringLiteral("row %1, column %2").arg(r + 1).arg(columns.at(c));
            QVERIFY2(value.isNull() == reference.isNull(), qPrintable(where));
            QVERIFY2(ValueText::plain(value) == reference.toString(),
                     qPrintable(where + QStringLiteral(": ") + ValueText::plain(value) + QStringLiteral(" / ")
                                + reference.toString()));
        }
    }
}
