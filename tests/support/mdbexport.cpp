#include "mdbexport.h"

#include "core/valuetext.h"

#include <QDate>
#include <QTime>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <utility>

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

// The columns' types from mdb-schema's CREATE TABLE: "\t[Name]\t\t\tLong Integer, ".
QStringList columnTypes(const QString &accessFile, const QString &table)
{
    static const QRegularExpression columnLine(QStringLiteral("^\\t\\[(.*)\\]\\t+([^(,]+?)(?: \\(\\d+\\))?(?:, ?)?$"));
    const QString schema = QString::fromUtf8(
        run(QStringLiteral("mdb-schema"), {QStringLiteral("-T"), table, QStringLiteral("--no-indexes"),
                                           QStringLiteral("--no-relations"), QStringLiteral("--no-not-null"),
                                           accessFile}));
    QStringList types;
    for (const QString &line : schema.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = columnLine.match(line);
        if (match.hasMatch())
            types << match.captured(2);
    }
    return types;
}

// A date "yyyy-mm-dd hh:mm:ss" as day and time, without a time zone to shift it; invalid
// where the text is not one.
std::pair<QDate, QTime> dateTimeOf(const QString &text)
{
    if (text.size() != 19 || text.at(10) != QLatin1Char(' '))
        return {};
    return {QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")),
            QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"))};
}

// Whether a value read from the copy is the one mdb-export shows, for a column of that type;
// false with the reference unreadable for a date mdb-export cannot print.
bool sameValue(const QString &type, const QVariant &value, const QString &reference, bool &referenceReadable)
{
    referenceReadable = true;
    if (type == QLatin1String("Boolean"))
        return value.toLongLong() == (reference == QLatin1String("TRUE") ? -1 : 0)
               && (reference == QLatin1String("TRUE") || reference == QLatin1String("FALSE"));
    if (type == QLatin1String("Single"))
        return float(value.toDouble()) == float(reference.toDouble());
    if (type == QLatin1String("Double") || type == QLatin1String("Currency") || type == QLatin1String("Numeric"))
        return value.toDouble() == reference.toDouble();
    if (type == QLatin1String("DateTime")) {
        const auto expected = dateTimeOf(reference);
        referenceReadable = expected.first.isValid() && expected.second.isValid();
        return dateTimeOf(value.toString()) == expected;
    }
    if (type == QLatin1String("OLE") || type == QLatin1String("Binary"))
        return value.toByteArray().toHex().toUpper() == reference.toLatin1();
    return ValueText::plain(value) == reference;
}

} // namespace

QStringList MdbExport::tables(const QString &accessFile)
{
    return QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), accessFile}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

MdbExport::Table MdbExport::table(const QString &accessFile, const QString &name)
{
    const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
    const QByteArray csv = run(QStringLiteral("mdb-export"),
                               {QStringLiteral("-D"), format, QStringLiteral("-T"), format, QStringLiteral("-B"),
                                QStringLiteral("-b"), QStringLiteral("hex"), accessFile, name});
    QVector<QVariantList> rows = parseCsv(QString::fromUtf8(csv));
    Table table;
    if (rows.isEmpty())
        return table;
    for (const QVariant &column : rows.takeFirst())
        table.columns << column.toString();
    table.rows = rows;
    table.types = columnTypes(accessFile, name);
    return table;
}

QStringList MdbExport::compare(const Table &expected, const QStringList &columns, const QVector<QVariantList> &rows)
{
    QStringList unreadable;
    [&] {
        QCOMPARE(columns, expected.columns);
        QCOMPARE(expected.types.size(), columns.size());
        QCOMPARE(rows.size(), expected.rows.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            QCOMPARE(rows.at(r).size(), expected.rows.at(r).size());
            for (qsizetype c = 0; c < rows.at(r).size(); ++c) {
                const QVariant &value = rows.at(r).at(c);
                const QVariant &reference = expected.rows.at(r).at(c);
                const QString where = QStringLiteral("row %1, column %2").arg(r + 1).arg(columns.at(c));
                QVERIFY2(value.isNull() == reference.isNull(), qPrintable(where));
                if (value.isNull())
                    continue;
                bool readable = true;
                const bool same = sameValue(expected.types.at(c), value, reference.toString(), readable);
                if (!readable) {
                    unreadable << where;
                    continue;
                }
                QVERIFY2(same, qPrintable(where + QStringLiteral(" (") + expected.types.at(c) + QStringLiteral("): ")
                                          + ValueText::plain(value) + QStringLiteral(" / ") + reference.toString()));
            }
        }
    }();
    return unreadable;
}
