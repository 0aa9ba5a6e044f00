#include "core/listingschema.h"

#include "core/dberror.h"

#include <QSqlError>
#include <QSqlQuery>

namespace ListingSchema {

QStringList tableStatements()
{
    return {
        QStringLiteral(
            "CREATE TABLE house ("
            "fybh TEXT, fpyx INTEGER, wyzt INTEGER, seq INTEGER, xgsj DATETIME,"
            "qy TEXT, wylb TEXT, wylx TEXT, Wytd TEXT, wyhx TEXT, wymc TEXT,"
            "jzmz REAL, Symz REAL, cx TEXT, Ch INTEGER, Yt INTEGER, Wsj INTEGER,"
            "zx TEXT, jg TEXT, Ll TEXT, Zlc INTEGER, lc INTEGER,"
            "dh INTEGER, dsj INTEGER, dbx INTEGER, xyj INTEGER, kt INTEGER,"
            "nq INTEGER, jj INTEGER, gdmq INTEGER, dt INTEGER,"
            "wyqy TEXT, cqz TEXT, Qtss TEXT, sj REAL, zj REAL, Glf REAL,"
            "skyq TEXT, skfs TEXT)"),
        QStringLiteral("CREATE TABLE picture (fybh TEXT, seq INTEGER, tpbh TEXT, tpm TEXT)"),
        QStringLiteral("CREATE TABLE parasetting (lbh INTEGER, lbm TEXT)"),
        QStringLiteral("CREATE TABLE user (yhm TEXT, yhkl TEXT, xgr TEXT, xgsj DATETIME)"),
    };
}

QStringList searchIndexColumns()
{
    return {QStringLiteral("wyzt"), QStringLiteral("xgsj"), QStringLiteral("seq"),  QStringLiteral("qy"),
            QStringLiteral("wylb"), QStringLiteral("fpyx"), QStringLiteral("fybh"), QStringLiteral("wymc"),
            QStringLiteral("wyqy"), QStringLiteral("wyhx"), QStringLiteral("jzmz"), QStringLiteral("lc"),
            QStringLiteral("cx"),   QStringLiteral("zj"),   QStringLiteral("sj")};
}

QStringList indexStatements()
{
    return {
        // The detail panel finds a listing by its number.
        QStringLiteral("CREATE INDEX IF NOT EXISTS house_fybh ON house (fybh)"),
        // The search takes the current listings newest change first; the index holds every
        // column the search filters on or lists, so a search reads the index alone, in order.
        QStringLiteral("CREATE INDEX IF NOT EXISTS house_search ON house (%1)")
            .arg(searchIndexColumns().join(QStringLiteral(", "))),
        // The layout and orientation lists of 更多条件: the values of the current listings, in
        // order, read from an index of their own.
        QStringLiteral("CREATE INDEX IF NOT EXISTS house_wyhx ON house (wyzt, wyhx, seq)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS house_cx ON house (wyzt, cx, seq)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS picture_fybh ON picture (fybh)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS user_yhm ON user (yhm)"),
    };
}

namespace {

void run(QSqlDatabase &database, const QStringList &statements)
{
    QSqlQuery query(database);
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            throw DbError(DbError::ProviderError, query.lastError().databaseText());
    }
}

} // namespace

void create(QSqlDatabase &database)
{
    run(database, tableStatements());
    run(database, indexStatements());
}

} // namespace ListingSchema
