#include "accesscatalog.h"

#include "accessfile.h"
#include "accesstable.h"

#include "core/dberror.h"

#include <QHash>
#include <QVector>

namespace {

// Object types and flags as Access writes them in MSysObjects.
constexpr qint64 tableType = 1;
constexpr qint64 containerType = 3;
constexpr qint64 systemFlags = 0x80000002;
// A table's Id is the page of its definition; other objects' Ids lie above every page number.
constexpr qint64 firstIdAbovePages = 0x01000000;
// The first byte of a table definition page; the definition's own mark for Access's core
// tables, which Jet 3 and Jet 4 both keep five bytes before the number of columns.
constexpr unsigned char definitionPage = 0x02;
constexpr unsigned char systemTableMark = 'S';
constexpr int markBeforeColumnCount = 5;

struct CatalogRow
{
    qint64 id = 0;
    qint64 parentId = 0;
    QString name;
    qint64 type = 0;
    qint64 flags = 0;
};

DbError damaged(const QString &what)
{
    return DbError(DbError::ProviderError, QStringLiteral("Access 数据库文件的目录已损坏：") + what);
}

QVector<CatalogRow> readRows(const AccessFile &file)
{
    AccessTable catalog(file, QStringLiteral("MSysObjects"));
    QHash<QString, int> position;
    for (int i = 0; i < catalog.columns().size(); ++i)
        position.insert(catalog.columns().at(i).name, i);
    for (const char *needed : {"Id", "ParentId", "Name", "Type", "Flags"}) {
        if (!position.contains(QLatin1String(needed)))
            throw damaged(QStringLiteral("没有 %1 列").arg(QLatin1String(needed)));
    }
    const auto number = [&](const QVector<CellValue> &row, const char *column) {
        return row.at(position.value(QLatin1String(column))).integer;
    };
    QVector<CatalogRow> rows;
    // Reading every row also proves the catalogue whole: AccessTable refuses a table that
    // ends before the number of rows it records.
    for (QVector<CellValue> row; catalog.next(row);) {
        rows.append({number(row, "Id"), number(row, "ParentId"),
                     QString::fromUtf8(row.at(position.value(QStringLiteral("Name"))).bytes), number(row, "Type"),
                     number(row, "Flags")});
    }
    return rows;
}

qint64 tablesContainer(const QVector<CatalogRow> &rows)
{
    QVector<qint64> found;
    for (const CatalogRow &row : rows) {
        if (row.type == containerType && row.name == QLatin1String("Tables"))
            found << row.id;
    }
    if (found.size() != 1)
        throw damaged(QStringLiteral("表的目录有 %1 个").arg(found.size()));
    return found.first();
}

// Access's own tables are named MSys… (and ~… while it works, f_… for the values of
// multi-valued columns); a system mark on any other name is damage hiding a table.
bool nameOfSystemTable(const QString &name)
{
    return name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive) || name.startsWith(QLatin1Char('~'))
           || name.startsWith(QLatin1String("f_"), Qt::CaseInsensitive);
}

// True for one of Access's own tables; throws where the catalogue and the table's own
// definition disagree about it.
bool isSystemTable(const AccessFile &file, const CatalogRow &table)
{
    MdbHandle *mdb = file.handle();
    if (!mdb_read_pg(mdb, static_cast<unsigned long>(table.id)) || mdb->pg_buf[0] != definitionPage)
        throw damaged(QStringLiteral("表 %1 的位置上没有表的定义").arg(table.name));
    const bool marked = mdb->pg_buf[mdb->fmt->tab_num_cols_offset - markBeforeColumnCount] == systemTableMark;
    const bool flagged = (table.flags & systemFlags) != 0;
    const bool named = nameOfSystemTable(table.name);
    if (flagged && !marked && !named)
        throw damaged(QStringLiteral("表 %1 被标为系统表").arg(table.name));
    return flagged || marked || table.name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive);
}

// The tables libmdb listed for itself, as "name@page".
QStringList tablesLibmdbFound(const AccessFile &file)
{
    QStringList names;
    MdbHandle *mdb = file.handle();
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        const auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE)
            names << QString::fromUtf8(entry->object_name) + QLatin1Char('@') + QString::number(entry->table_pg);
    }
    return names;
}

} // namespace

AccessCatalog::AccessCatalog(const AccessFile &file)
{
    const QVector<CatalogRow> rows = readRows(file);
    const qint64 tables = tablesContainer(rows);
    QStringList catalogued;
    QHash<qint64, QString> tableAt;
    for (const CatalogRow &row : rows) {
        const bool idIsPage = row.id > 0 && row.id < firstIdAbovePages;
        if (row.type != tableType) {
            if (idIsPage)
                throw damaged(QStringLiteral("%1 不是表，却指向第 %2 页").arg(row.name, QString::number(row.id)));
            continue;
        }
        if (row.parentId != tables)
            throw damaged(QStringLiteral("表 %1 不在表的目录中").arg(row.name));
        if (!idIsPage || row.id >= file.pageCount())
            throw damaged(QStringLiteral("表 %1 指向文件以外").arg(row.name));
        if (tableAt.contains(row.id))
            throw damaged(QStringLiteral("表 %1 和表 %2 指向同一页").arg(tableAt.value(row.id), row.name));
        tableAt.insert(row.id, row.name);
        catalogued << row.name + QLatin1Char('@') + QString::number(row.id);
        if (!isSystemTable(file, row))
            m_userTables << row.name;
    }
    // libmdb reads its list of tables from the same rows on its own; it must have found them all.
    if (tablesLibmdbFound(file) != catalogued)
        throw damaged(QStringLiteral("读出的表与目录不符"));
}
