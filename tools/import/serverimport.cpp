#include "serverimport.h"

#include "servercolumn.h"
#include "sqlitesource.h"
#include "tablesettings.h"

#include "core/changenotice.h"
#include "core/dberror.h"
#include "core/listingschema.h"
#include "core/valuetext.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

// The server cuts longer names short.
constexpr int longestName = 63;
// COPY data go to the server in pieces of about this size.
constexpr int copyPieceSize = 1 << 20;

QString serverName(const QString &name)
{
    QString lower = name;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    if (lower.toUtf8().size() > longestName) {
        throw DbError(DbError::ProviderError,
                      QStringLiteral("名称 %1 超过 %2 字节，PostgreSQL 不能保存").arg(name).arg(longestName));
    }
    return lower;
}

} // namespace

ServerImport::ServerImport(const QString &uri) : m_server(uri)
{
}

ImportSummary ServerImport::load(const QString &sourceFile, bool replaceExisting)
{
    if (SqliteSource::isSqliteFile(sourceFile))
        return loadSqlite(sourceFile, replaceExisting);
    // An Access file goes through the copy the program itself reads, so that the server holds
    // the very values the program shows from the file.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw DbError(DbError::ProviderError, QStringLiteral("不能创建临时文件夹：") + scratch.errorString());
    const QString copy = scratch.filePath(QStringLiteral("itdb.sqlite"));
    importAccessFile(sourceFile, copy);
    return loadSqlite(copy, replaceExisting);
}

ImportSummary ServerImport::loadSqlite(const QString &sqliteFile, bool replaceExisting)
{
    m_notes.clear();
    const SqliteSource source(sqliteFile);
    const QStringList tables = source.tableNames();
    QHash<QString, QString> serverNames;
    for (const QString &table : tables)
        serverNames.insert(table, serverName(table));

    m_server.exec(QStringLiteral("BEGIN"));
    // A desk in the middle of a statement holds a table for a moment, never longer.
    m_server.exec(QStringLiteral("SET LOCAL lock_timeout = '30s'"));
    const QStringList present = m_server.column(
        QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                       " WHERE n.nspname = current_schema()"));
    const QSet<QString> presentNames(present.cbegin(), present.cend());
    QStringList existing;
    for (const QString &table : tables) {
        if (presentNames.contains(serverNames.value(table)))
            existing << serverNames.value(table);
    }
    if (!existing.isEmpty() && !replaceExisting) {
        throw DbError(DbError::ProviderError,
                      QStringLiteral("%1 中已有表 %2，没有覆盖（用 --force 覆盖）")
                          .arg(m_server.description(), existing.join(QStringLiteral(", "))));
    }

    // What the administrator set on the tables replaced goes on the new ones.
    QVector<TableSettings> kept;
    for (const QString &name : std::as_const(existing))
        kept.append(TableSettings(m_server, name));

    ImportSummary summary;
    QHash<QString, QStringList> columnsOfTables;
    for (const QString &table : tables) {
        const QString name = serverNames.value(table);
        QStringList columns;
        const int rows = copyTable(source, table, existing.contains(name), columns);
        summary.tables.append({name, rows});
        columnsOfTables.insert(name, columns);
    }
    summary.indexes = createListingIndexes(columnsOfTables);
    createChangeNotices(columnsOfTables);
    for (const TableSettings &settings : std::as_const(kept))
        settings.restore(m_server, m_notes);
    m_server.exec(QStringLiteral("COMMIT"));
    return summary;
}

int ServerImport::copyTable(const SqliteSource &source, const QString &name, bool replace, QStringList &columnNames)
{
    SqliteSourceTable table(source, name);
    const QString quotedTable = ValueText::quotedName(serverName(name));
    QVector<ServerColumn> columns;
    for (const SqliteSourceTable::Column &column : table.columns()) {
        columns.append(ServerColumn(serverName(column.name), column.declaredType));
        columnNames << columns.last().name();
    }
    // The values decide each column's type before the table is made.
    QVector<CellValue> row;
    while (table.next(row)) {
        for (int i = 0; i < columns.size(); ++i)
            columns[i].observe(row.at(i));
    }
    table.rewind();
    for (int i = 0; i < columns.size(); ++i) {
        // The server compares such a column with numbers, or orders it, otherwise than the file.
        if (columns.at(i).departsFromDeclaration()) {
            m_notes << QStringLiteral("column %1.%2, declared %3, holds other values: kept as %4")
                           .arg(serverName(name), columns.at(i).name(), table.columns().at(i).declaredType,
                                columns.at(i).typeName());
        }
    }

    if (replace)
        m_server.exec(QStringLiteral("DROP TABLE ") + quotedTable);
    QStringList definitions;
    for (const ServerColumn &column : std::as_const(columns))
        definitions << column.definition();
    m_server.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedTable, definitions.join(QStringLiteral(", "))));

    // Frozen and marked visible as they are written: a search can read the index alone at once.
    m_server.beginCopy(QStringLiteral("COPY %1 FROM STDIN WITH (FREEZE)").arg(quotedTable));
    QByteArray data;
    int rows = 0;
    for (; table.next(row); ++rows) {
        for (int i = 0; i < columns.size(); ++i) {
            if (i > 0)
                data += '\t';
            if (!columns.at(i).appendCopyField(row.at(i), data)) {
                throw DbError(
                    DbError::ProviderError,
                    QStringLiteral("表 %1 第 %2 行 %3 列的文本不是 UTF-8（或含有零字节），PostgreSQL 不能保存")
                        .arg(name)
                        .arg(rows + 1)
                        .arg(table.columns().at(i).name));
            }
        }
        data += '\n';
        if (data.size() >= copyPieceSize) {
            m_server.copyData(data);
            data.clear();
        }
    }
    if (!data.isEmpty())
        m_server.copyData(data);
    m_server.endCopy();
    m_server.exec(QStringLiteral("ANALYZE ") + quotedTable);
    return rows;
}

QStringList ServerImport::createListingIndexes(const QHash<QString, QStringList> &columnsOfTables)
{
    static const QRegularExpression index(
        QStringLiteral("^CREATE INDEX IF NOT EXISTS (\\S+) ON (\\S+) \\(([^)]*)\\)$"));
    QStringList made;
    for (const QString &statement : ListingSchema::indexStatements()) {
        const QRegularExpressionMatch parts = index.match(statement);
        const QString name = parts.captured(1);
        const QString table = serverName(parts.captured(2));
        const QStringList present = columnsOfTables.value(table);
        QStringList keys;
        for (const QString &column : parts.captured(3).split(QLatin1Char(','))) {
            const QString key = serverName(column.trimmed());
            if (!present.contains(key)) {
                keys.clear();
                break;
            }
            // Null first, as SQLite orders it: read backwards, the index gives the search's
            // newest-first order with Null last, ties in the same order as from the file.
            keys << ValueText::quotedName(key) + QStringLiteral(" NULLS FIRST");
        }
        if (keys.isEmpty())
            continue;
        // The index is left out, and the listings still loaded, where the server will not make it.
        m_server.exec(QStringLiteral("SAVEPOINT listing_index"));
        try {
            m_server.exec(
                QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                    .arg(ValueText::quotedName(name), ValueText::quotedName(table), keys.join(QStringLiteral(", "))));
            m_server.exec(QStringLiteral("RELEASE SAVEPOINT listing_index"));
            made << name;
        } catch (const DbError &error) {
            m_server.exec(QStringLiteral("ROLLBACK TO SAVEPOINT listing_index"));
            m_notes << QStringLiteral("index %1 not made: %2").arg(name, error.description());
        }
    }
    return made;
}

void ServerImport::createChangeNotices(const QHash<QString, QStringList> &columnsOfTables)
{
    const QString number = QStringLiteral("fybh");
    QStringList statements;
    for (const QString &table : {QStringLiteral("house"), QStringLiteral("picture")}) {
        if (columnsOfTables.value(table).contains(number))
            statements << ChangeNotice::triggerStatement(table);
    }
    if (statements.isEmpty())
        return;
    statements.prepend(ChangeNotice::functionStatement());
    // Where the server will not make them, the listings are loaded all the same: the desks
    // then see changes at their next search, as before.
    m_server.exec(QStringLiteral("SAVEPOINT change_notice"));
    try {
        for (const QString &statement : std::as_const(statements))
            m_server.exec(statement);
        m_server.exec(QStringLiteral("RELEASE SAVEPOINT change_notice"));
    } catch (const DbError &error) {
        m_server.exec(QStringLiteral("ROLLBACK TO SAVEPOINT change_notice"));
        m_notes << QStringLiteral("desks are not told of changes: %1").arg(error.description());
    }
}
