#include "accessimport.h"

#include "accesscatalog.h"
#include "accessfile.h"
#include "accesstable.h"
#include "sqlitefile.h"

#include "core/dberror.h"
#include "core/listingschema.h"
#include "core/valuetext.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

int copyTable(const AccessFile &access, SqliteFile &copy, const QString &name)
{
    AccessTable table(access, name);
    QStringList definitions;
    for (const AccessTable::Column &column : table.columns())
        definitions << ValueText::quotedName(column.name) + QLatin1Char(' ') + AccessValue::declaredType(column.type);
    copy.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                  .arg(ValueText::quotedName(name), definitions.join(QStringLiteral(", "))));
    SqliteInsert insert(copy, name, int(table.columns().size()));
    int rows = 0;
    for (QVector<CellValue> row; table.next(row); ++rows)
        insert.insert(row);
    return rows;
}

} // namespace

QStringList createListingIndexes(SqliteFile &file)
{
    static const QRegularExpression indexName(QStringLiteral("INDEX IF NOT EXISTS (\\S+) ON"));
    QStringList made;
    for (const QString &statement : ListingSchema::indexStatements()) {
        // Fails, and is left out, where the table or a column is missing.
        if (file.tryExec(statement))
            made << indexName.match(statement).captured(1);
    }
    return made;
}

ImportSummary importAccessFile(const QString &accessFile, const QString &sqliteFile)
{
    const QFileInfo target(sqliteFile);
    if (target.exists() && target.size() > 0)
        throw DbError(DbError::ProviderError, QStringLiteral("目标文件已存在：") + sqliteFile);
    const AccessFile access(accessFile);
    const AccessCatalog catalog(access);
    SqliteFile copy(sqliteFile);
    // The copy is written in one go; a failure leaves a file that is thrown away whole.
    copy.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
    copy.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    copy.exec(QStringLiteral("BEGIN"));
    ImportSummary summary;
    for (const QString &name : catalog.userTables())
        summary.tables.append({name, copyTable(access, copy, name)});
    summary.indexes = createListingIndexes(copy);
    copy.exec(QStringLiteral("COMMIT"));
    return summary;
}
