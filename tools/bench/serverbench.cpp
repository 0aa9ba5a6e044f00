#include "serverbench.h"

#include "benchwindow.h"
#include "demodatabase.h"
#include "figures.h"
#include "pgbaseline.h"
#include "serverimport.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/pgstatement.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/listingsearch.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const int deskCounts[] = {1, 4, 8};

double percentile(QVector<double> values, double share)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(share * double(values.size()))));
}

struct DeskRun
{
    int desks;
    QVector<double> searchMs;
};

// Several desks at once, each a process of its own that starts searching at the same moment.
DeskRun runDesks(int desks, int seconds, const QString &folder)
{
    const qint64 startAt = QDateTime::currentMSecsSinceEpoch() + 3000 + 1000 * desks;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int desk = 0; desk < desks; ++desk) {
        auto worker = std::make_unique<QProcess>();
        worker->start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--desk-worker"), folder, QString::number(startAt), QString::number(seconds),
                       QString::number(desk + 1)});
        workers.push_back(std::move(worker));
    }
    DeskRun run{desks, {}};
    for (const auto &worker : workers) {
        if (!worker->waitForFinished(1000 * (seconds + 120)) || worker->exitCode() != 0)
            qFatal("a desk did not finish: %s", worker->readAllStandardError().constData());
        for (const QByteArray &ms : worker->readAllStandardOutput().simplified().split(' ')) {
            if (!ms.isEmpty())
                run.searchMs << ms.toDouble();
        }
    }
    return run;
}

void printDesks(const QVector<DeskRun> &runs, int seconds)
{
    std::printf("\n### Desks searching at once, each a process of its own, for %d seconds\n\n", seconds);
    std::printf("| Desks | Searches | Searches per second | Median search | 95th percentile |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (const DeskRun &run : runs) {
        std::printf("| %d | %lld | %.1f | %.1f ms | %.1f ms |\n", run.desks, qint64(run.searchMs.size()),
                    double(run.searchMs.size()) / seconds, percentile(run.searchMs, 0.5),
                    percentile(run.searchMs, 0.95));
    }
    std::fflush(stdout);
}

bool runPgCluster(const QString &verb, const QString &handle)
{
    QProcess script;
    script.start(QStringLiteral(QUILLONIX_PGCLUSTER), {verb, handle});
    return script.waitForFinished(120000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

// The cluster a fatal error leaves behind is stopped before the process ends.
QString &clusterToStop()
{
    static QString handle;
    return handle;
}

QtMessageHandler &earlierHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

void stopClusterOnFatal(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && !clusterToStop().isEmpty())
        runPgCluster(QStringLiteral("stop"), std::exchange(clusterToStop(), QString()));
    if (earlierHandler())
        earlierHandler()(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

BenchCluster::BenchCluster(const QString &handle) : m_handle(handle)
{
    if (!runPgCluster(QStringLiteral("start"), handle))
        qFatal("cannot start a PostgreSQL cluster with %s", QUILLONIX_PGCLUSTER);
    clusterToStop() = handle;
    earlierHandler() = qInstallMessageHandler(stopClusterOnFatal);
    QFile uri(handle + QStringLiteral("/uri"));
    if (!uri.open(QIODevice::ReadOnly))
        qFatal("the cluster wrote no URI");
    m_uri = QString::fromUtf8(uri.readAll()).trimmed();
}

BenchCluster::~BenchCluster()
{
    qInstallMessageHandler(earlierHandler());
    clusterToStop().clear();
    runPgCluster(QStringLiteral("stop"), m_handle);
}

void loadDemo(const QString &folder, const QString &uri, int listings)
{
    DemoOptions options;
    options.listings = listings;
    writeDemoDatabase(folder, options);
    try {
        ServerImport(uri).load(folder + QStringLiteral("/itdb.mdb"), true);
    } catch (const DbError &error) {
        qFatal("cannot load the demo database into the server: %s", error.what());
    }
    QFile link(folder + QStringLiteral("/itdb.conn"));
    if (!link.open(QIODevice::WriteOnly) || link.write(uri.toUtf8() + '\n') <= 0)
        qFatal("cannot write %s", qPrintable(link.fileName()));
}

namespace {

// One size: its figures, printed as a table.
void benchServerSize(int listings, int runs, const QString &folder, const QString &uri,
                     const std::function<Figure(int runs, const QString &folder)> &memoryFigure)
{
    loadDemo(folder, uri, listings);

    std::unique_ptr<frmQX_Quillonix> window;
    frmQX_Quillonix &main = openMainWindow(window, folder);
    const MainLayout &controls = main.controls();
    const PgBaseline baseline(uri);
    QVector<Figure> figures;

    const QByteArray allStatement = PgStatement::translate(main.listingSearch().statement());
    Figure allFirst{QStringLiteral("检索, start choices: first screenful shown"), {}, {}, QStringLiteral("<= 100 ms")};
    Figure all{QStringLiteral("检索, start choices: every hit listed"), {}, {}, QStringLiteral("<= 1.1 x baseline")};
    Figure allStall{QStringLiteral("检索, start choices: longest event-loop stall"), {}, {}, QStringLiteral("<= 50 ms")};
    all.baseline = timeRuns(runs, [&] { baseline.readAll(allStatement); });
    waitRuns(runs, allFirst, all, allStall, [&] { return searchWaits(controls); });
    const int allHits = controls.lsvHouse->rowCount();
    figures << allFirst << all << allStall;

    chooseFilteredSearch(controls);
    const QByteArray chosenStatement = PgStatement::translate(main.listingSearch().statement());
    const QByteArrayList chosenValues = boundTexts(main.listingSearch().values());
    Figure chosen{QStringLiteral("检索, region + category + offer type: every hit listed"), {}, {},
                  QStringLiteral("<= 1.5 x baseline")};
    chosen.baseline = timeRuns(runs, [&] { baseline.readAll(chosenStatement, chosenValues); });
    chosen.program = timeRuns(runs, [&] { search(controls); });
    const int chosenHits = controls.lsvHouse->rowCount();
    figures << chosen;

    chooseStartChoices(controls);
    search(controls);
    figures << sortFigures(runs, controls);
    QRandomGenerator random(7);
    QVector<StoredText> numbers;
    for (int i = 0; i < 200; ++i)
        numbers << controls.lsvHouse->rows().key(int(random.bounded(allHits)));
    const auto perListing = [&](const Samples &total) {
        Samples each;
        for (double ms : total.ms)
            each.ms << ms / numbers.size();
        return each;
    };
    const QByteArray houseStatement = PgStatement::translate(QStringLiteral("SELECT * FROM house WHERE fybh=?"));
    const QByteArray photoStatement
        = PgStatement::translate(QStringLiteral("SELECT seq,tpbh,tpm FROM picture WHERE fybh=?"));
    Figure load{QStringLiteral("subGetValue, one random listing"), {}, {}, QStringLiteral("<= 2 x baseline, < 2 ms")};
    load.baseline = perListing(timeRuns(runs, [&] {
        for (const StoredText &number : std::as_const(numbers)) {
            baseline.readAll(houseStatement, {number.bytes()});
            baseline.readAll(photoStatement, {number.bytes()});
        }
    }));
    {
        const QSignalBlocker noPhotoDisplay(controls.List);
        load.program = perListing(timeRuns(runs, [&] {
            for (const StoredText &number : std::as_const(numbers))
                main.detailPanel().subGetValue(number);
        }));
    }
    figures << load;
    window.reset();
    funCloseDatabase();
    figures << memoryFigure(runs, folder);

    printTable(QStringLiteral("### %1 listings on a PostgreSQL server (%2 hits with the start choices, %3 with "
                              "天河区 + 住宅 + 出售)")
                   .arg(listings)
                   .arg(allHits)
                   .arg(chosenHits),
               figures);
    std::printf("\nSearch with the start choices: %.2f microseconds per hit (program), %.2f (baseline).\n",
                1000.0 * all.program.median() / qMax(1, allHits), 1000.0 * all.baseline.median() / qMax(1, allHits));
}

} // namespace

int benchServer(const QVector<int> &listings, int runs, int deskSeconds, const QString &work,
                const std::function<Figure(int runs, const QString &folder)> &memoryFigure)
{
    BenchCluster cluster(work + QStringLiteral("/cluster"));
    for (int size : listings)
        benchServerSize(size, runs, work + QStringLiteral("/server%1").arg(size), cluster.uri(), memoryFigure);
    // The desks search the first size, which the last load replaced on the server.
    const QString folder = work + QStringLiteral("/server%1").arg(listings.first());
    if (listings.size() > 1)
        loadDemo(folder, cluster.uri(), listings.first());
    QVector<DeskRun> desks;
    for (int count : deskCounts)
        desks << runDesks(count, deskSeconds, folder);
    printDesks(desks, deskSeconds);
    return 0;
}

int deskWorker(const QString &folder, qint64 startAtMs, int seconds, quint32 seed)
{
    std::unique_ptr<frmQX_Quillonix> window;
    const MainLayout &controls = openMainWindow(window, folder).controls();
    QRandomGenerator random(seed);
    const qint64 wait = startAtMs - QDateTime::currentMSecsSinceEpoch();
    if (wait > 0)
        QThread::msleep(ulong(wait));
    const qint64 endAt = startAtMs + 1000LL * seconds;
    QVector<double> searchMs;
    // A desk's searches: any region, category and offer type, "全部" and "所有" among them.
    while (QDateTime::currentMSecsSinceEpoch() < endAt) {
        controls.cmbQy->setCurrentIndex(int(random.bounded(controls.cmbQy->count())));
        controls.cmbWylb->setCurrentIndex(int(random.bounded(controls.cmbWylb->count())));
        controls.optOpen[size_t(random.bounded(4))]->setChecked(true);
        searchMs << timeRuns(1, [&] { search(controls); }).ms.first();
    }
    for (double ms : std::as_const(searchMs))
        std::printf("%.3f ", ms);
    std::printf("\n");
    std::fflush(stdout);
    window.reset();
    funCloseDatabase();
    return 0;
}
