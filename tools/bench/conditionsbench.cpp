#include "conditionsbench.h"

#include "benchwindow.h"
#include "demodatabase.h"
#include "figures.h"
#include "pgbaseline.h"
#include "serverbench.h"
#include "sqlitebaseline.h"

#include "core/mQuillonix.h"
#include "core/pgstatement.h"
#include "forms/conditions/conditionschoice.h"
#include "forms/conditions/frmQX_Conditions.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/listingsearch.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QDir>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

struct ConditionsCase
{
    QString name;
    SearchConditions conditions;
};

QVector<ConditionsCase> cases()
{
    SearchConditions ranges;
    ranges.ranges[SearchConditions::SalePrice] = {100.0, 300.0};
    ranges.ranges[SearchConditions::Area] = {80.0, 120.0};
    SearchConditions metro;
    metro.keyword = QStringLiteral("地铁");
    SearchConditions estate;
    estate.keyword = QStringLiteral("星河湾");
    SearchConditions customer = ranges;
    customer.ranges[SearchConditions::SalePrice].from.reset();
    customer.facilities[8] = true;
    customer.keyword = QStringLiteral("地铁");
    return {
        {QStringLiteral("售价 100–300 万元 + 建筑面积 80–120 平方米"), ranges},
        {QStringLiteral("关键字 地铁 (in 物业特点)"), metro},
        {QStringLiteral("关键字 星河湾 (in 物业名称)"), estate},
        {QStringLiteral("售价 ≤ 300 + 建筑面积 80–120 + 电梯 + 关键字 地铁"), customer},
    };
}

// The raw read of a statement with its values, by the engine alone.
using RawRead = std::function<void(const QString &statement, const QVariantList &values)>;

void benchOneDatabase(const QString &title, const QString &folder, int runs, const RawRead &raw)
{
    std::unique_ptr<frmQX_Quillonix> window;
    frmQX_Quillonix &main = openMainWindow(window, folder);
    const MainLayout &controls = main.controls();
    QVector<Figure> figures;
    QStringList hits;
    for (const ConditionsCase &one : cases()) {
        main.furtherConditions().setConditions(one.conditions);
        const QString statement = main.listingSearch().statement();
        const QVariantList values = main.listingSearch().values();
        Figure figure{QStringLiteral("检索 + ") + one.name, {}, {}, QStringLiteral("<= 1.5 x baseline")};
        figure.baseline = timeRuns(runs, [&] { raw(statement, values); });
        figure.program = timeRuns(runs, [&] { search(controls); });
        hits << QString::number(controls.lsvHouse->rowCount());
        figures << figure;
    }
    Figure opening{QStringLiteral("更多条件 opens, its 户型 and 朝向 lists filled"), {}, {},
                   QStringLiteral("< 1000 ms")};
    opening.program = timeRuns(runs, [&] {
        frmQX_Conditions conditions(SearchConditions(), &main);
        conditions.Form_Load();
    });
    figures << opening;
    window.reset();
    funCloseDatabase();
    printTable(title + QStringLiteral(" (hits: %1)").arg(hits.join(QStringLiteral(", "))), figures);
}

} // namespace

void benchConditions(const QVector<int> &sizes, int runs, const QString &work, bool onServer)
{
    std::unique_ptr<BenchCluster> cluster;
    if (onServer)
        cluster = std::make_unique<BenchCluster>(work + QStringLiteral("/cluster"));
    for (const int listings : sizes) {
        const QString folder = work + QStringLiteral("/conditions%1").arg(listings);
        QDir().mkpath(folder);
        if (cluster) {
            loadDemo(folder, cluster->uri(), listings);
            const PgBaseline baseline(cluster->uri());
            benchOneDatabase(QStringLiteral("### 更多条件, %1 listings on a PostgreSQL server").arg(listings), folder,
                             runs, [&baseline](const QString &statement, const QVariantList &values) {
                                 baseline.readAll(PgStatement::translate(statement), boundTexts(values));
                             });
        } else {
            DemoOptions options;
            options.listings = listings;
            writeDemoDatabase(folder, options);
            const SqliteBaseline baseline(folder + QStringLiteral("/itdb.mdb"));
            benchOneDatabase(QStringLiteral("### 更多条件, %1 listings in a file").arg(listings), folder, runs,
                             [&baseline](const QString &statement, const QVariantList &values) {
                                 baseline.readAllTyped(statement, values);
                             });
        }
    }
}
