// quillonix-bench: the front desk's waits, measured on the real main window offscreen,
// against what the same work costs with nothing but the sqlite3 C library or one plain
// picture decode. Prints one table per database size. With --server, the same on a
// PostgreSQL server against libpq alone, and several desks at once (serverbench.h).

#include "benchwindow.h"
#include "conditionsbench.h"
#include "demodatabase.h"
#include "figures.h"
#include "picturefiles.h"
#include "serverbench.h"
#include "sqlitebaseline.h"

#include "core/engine.h"
#include "core/mQuillonix.h"
#include "forms/common/imagebox.h"
#include "forms/common/messagebox.h"
#include "forms/handout/handout.h"
#include "forms/main/changefollower.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/listingsearch.h"
#include "forms/main/mainlayout.h"
#include "forms/main/photoarea.h"
#include "forms/main/reportlistview.h"
#include "forms/common/workprogress.h"
#include "forms/print/frmQX_PrintPreview.h"
#include "forms/print/printdocument.h"
#include "forms/quillonixprogram.h"
#include "forms/login/frmQX_Login.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <limits>
#include <optional>
#include <sys/resource.h>

namespace {

const QString cameraPhoto = QStringLiteral("camera24.jpg");
const QString cameraListing = QStringLiteral("BENCH24");

// A 24-megapixel camera photo, as agencies take them today.
void writeCameraPhoto(const QString &fileName)
{
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 6000, 4000);
    sky.setColorAt(0, QColor(120, 170, 230));
    sky.setColorAt(1, QColor(230, 200, 150));
    painter.fillRect(photo.rect(), sky);
    painter.setPen(QPen(QColor(60, 60, 60), 9));
    for (int x = 0; x < 6000; x += 97)
        painter.drawLine(x, 0, 6000 - x, 4000);
    painter.end();
    if (!photo.save(fileName, "JPEG", 90))
        qFatal("cannot write %s", qPrintable(fileName));
}

// A listing whose one photo is the given file of the picture folder: withdrawn, so that it
// stays out of the searches' hits, or offered, to be printed.
void addPhotoListing(const QString &folder, const QString &listing, const QString &photo, bool offered = false)
{
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-setup"));
        database.setDatabaseName(folder + QStringLiteral("/itdb.mdb"));
        database.open();
        QSqlQuery query(database);
        query.exec(QStringLiteral("INSERT INTO house (fybh, fpyx, wyzt, seq, xgsj) VALUES ('%1', 1, %2, 0, '2020-01-01 00:00:00')")
                       .arg(listing)
                       .arg(offered ? 1 : 0));
        query.exec(QStringLiteral("INSERT INTO picture (fybh, seq, tpbh, tpm) VALUES ('%1', 1, '%2', '外景')")
                       .arg(listing, photo));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-setup"));
}

long peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Settings, and the socket by which a running copy is found, in the benchmark's own folder:
// another copy of the program on the machine would answer the start-up probe otherwise.
void isolateSettings(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder + QStringLiteral("/config"));
    const QString runtime = folder + QStringLiteral("/runtime");
    if (QDir().mkpath(runtime)) {
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
}

// Child process: the program's own start, until the login form is on the screen.
int startupProbe(const QString &folder)
{
    isolateSettings(folder);
    funSaveDBPath(folder);
    QuillonixProgram program;
    if (!program.start() || !QTest::qWaitForWindowExposed(program.loginForm()))
        return 1;
    std::printf("shown\n");
    std::fflush(stdout);
    return 0;
}

// Child process: peak memory once a search lists every hit.
int memoryProbe(const QString &folder)
{
    std::unique_ptr<frmQX_Quillonix> window;
    const MainLayout &controls = openMainWindow(window, folder).controls();
    search(controls);
    QCoreApplication::processEvents();
    std::printf("%d %ld\n", controls.lsvHouse->rowCount(), peakMemoryKb());
    std::fflush(stdout);
    window.reset();
    funCloseDatabase();
    return 0;
}

// The processor time this process has used, in milliseconds: on a busy machine the fairer
// measure of what a piece of work costs.
double processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &time) { return time.tv_sec * 1000.0 + time.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Child process: one listing loaded with its photo, in a fresh process so that the peak
// memory is the photo's own. Prints the time and processor time taken, the peak memory and
// what the user saw.
int photoProbe(const QString &folder, const QString &listing)
{
    std::unique_ptr<frmQX_Quillonix> window;
    frmQX_Quillonix &main = openMainWindow(window, folder);
    bool refused = false;
    setMessageHandler([&refused](const QString &, int, const QString &) {
        refused = true;
        return MessageAnswer::Ok;
    });
    QElapsedTimer clock;
    clock.start();
    const double processorBefore = processorMs();
    main.detailPanel().subGetValue(listing);
    main.controls().imgHouse->repaint();
    const double ms = clock.nsecsElapsed() / 1e6;
    std::printf("%.2f %.2f %ld %s\n", ms, processorMs() - processorBefore, peakMemoryKb(),
                refused ? "refused" : "shown");
    std::fflush(stdout);
    window.reset();
    funCloseDatabase();
    return 0;
}

Samples childRuns(int runs, const QStringList &arguments, const std::function<void(const QByteArray &)> &reply,
                  int patienceMs = 30000,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), arguments);
        if (!child.waitForReadyRead(patienceMs))
            qFatal("the probe did not answer: %s", child.readAllStandardError().constData());
        const QByteArray line = child.readLine().trimmed();
        samples.ms.append(clock.nsecsElapsed() / 1e6);
        reply(line);
        child.waitForFinished(patienceMs);
    }
    return samples;
}

// Peak memory of a fresh process that opens the main window on folder and lists every hit.
Figure memoryFigure(int runs, const QString &folder)
{
    Figure memory{QStringLiteral("peak memory after listing every hit"), {}, {}, QStringLiteral("< 200 MB"),
                  QStringLiteral("MB")};
    childRuns(qMin(runs, 3), {QStringLiteral("--memory-probe"), folder}, [&](const QByteArray &reply) {
        memory.program.ms << reply.split(' ').value(1).toDouble() / 1024.0;
    });
    return memory;
}

struct Sizes
{
    QVector<int> listings;
    int runs;
};

QVector<Figure> benchOneSize(int listings, int runs, const QString &folder, const QString &camera)
{
    DemoOptions options;
    options.listings = listings;
    writeDemoDatabase(folder, options);
    QFile::copy(camera, folder + QStringLiteral("/picture/") + cameraPhoto);
    addPhotoListing(folder, cameraListing, cameraPhoto);

    std::unique_ptr<frmQX_Quillonix> window;
    frmQX_Quillonix &main = openMainWindow(window, folder);
    const MainLayout &controls = main.controls();
    const SqliteBaseline baseline(folder + QStringLiteral("/itdb.mdb"));
    QVector<Figure> figures;

    const QString allStatement = main.listingSearch().statement();
    Figure allFirst{QStringLiteral("检索, start choices: first screenful shown"), {}, {}, QStringLiteral("<= 50 ms")};
    Figure all{QStringLiteral("检索, start choices: every hit listed"), {}, {}, QStringLiteral("<= 1.1 x baseline")};
    Figure allStall{QStringLiteral("检索, start choices: longest event-loop stall"), {}, {}, QStringLiteral("<= 50 ms")};
    all.baseline = timeRuns(runs, [&] { baseline.readAll(allStatement); });
    waitRuns(runs, allFirst, all, allStall, [&] { return searchWaits(controls); });
    const int allHits = controls.lsvHouse->rowCount();
    figures << allFirst << all << allStall;

    chooseFilteredSearch(controls);
    const QString chosenStatement = main.listingSearch().statement();
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

    // Random listings among the hits; the photo display is left out (its own figure).
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
    Figure load{QStringLiteral("subGetValue, one random listing"), {}, {}, QStringLiteral("<= 2 x baseline, < 2 ms")};
    load.baseline = perListing(timeRuns(runs, [&] {
        for (const StoredText &number : std::as_const(numbers)) {
            baseline.readAll(QStringLiteral("SELECT * FROM house WHERE fybh=?"), {number.bytes()});
            baseline.readAll(QStringLiteral("SELECT seq,tpbh,tpm FROM picture WHERE fybh=?"), {number.bytes()});
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

    // The same two statements through the program's record set, every field read: how much
    // of a listing load is the database, and how much the boxes and lists on the screen.
    Figure loadData{QStringLiteral("  of which the two statements, read by the record set"), {}, load.baseline,
                    QStringLiteral("(for comparison)")};
    loadData.program = perListing(timeRuns(runs, [&] {
        for (const StoredText &number : std::as_const(numbers)) {
            const QVariantList key = {QVariant::fromValue(number)};
            Recordset &house = funOpenQuery(QStringLiteral("SELECT * FROM house WHERE fybh=?"), key);
            for (int position = 0; position < house.fieldCount(); ++position)
                house.field(position);
            Recordset &photos = funOpenQuery(QStringLiteral("SELECT seq,tpbh,tpm FROM picture WHERE fybh=?"), key);
            for (; !photos.eof(); photos.moveNext()) {
                photos.field(1);
                photos.field(2);
            }
            photos.close();
        }
    }));
    figures << loadData;

    const QString cameraFile = folder + QStringLiteral("/picture/") + cameraPhoto;
    Figure photo{QStringLiteral("24-megapixel JPEG into the photo box"), {}, {}, QStringLiteral("<= 1 x baseline")};
    photo.baseline = timeRuns(runs, [&] { QImageReader(cameraFile).read(); });
    photo.program = timeRuns(runs, [&] {
        main.detailPanel().subGetValue(cameraListing);
        controls.imgHouse->repaint();
    });
    figures << photo;

    // A desk whose database nobody changes: it looks at the file every two seconds and reads
    // nothing. Baseline: the same desk once it no longer looks (its clock still runs).
    constexpr int idleSeconds = 4;
    const int idleRunCount = qMin(runs, 3);
    Figure idle{QStringLiteral("desk left alone %1 s, database unchanged: processor time").arg(idleSeconds), {}, {},
                QStringLiteral("~ 1 x baseline")};
    const auto idleRuns = [&] {
        Samples used;
        for (int run = 0; run < idleRunCount; ++run) {
            const double before = processorMs();
            QTest::qWait(idleSeconds * 1000);
            used.ms << processorMs() - before;
        }
        return used;
    };
    const quint64 statementsBefore = gConnection.session()->statementsRun();
    idle.program = idleRuns();
    const quint64 idleStatements = gConnection.session()->statementsRun() - statementsBefore;
    main.changeFollower().watchFile(folder + QStringLiteral("/itdb.mdb"), std::numeric_limits<int>::max());
    // Past the new watch's first look.
    QTest::qWait(200);
    idle.baseline = idleRuns();
    figures << idle;

    window.reset();
    funCloseDatabase();

    Figure startup{QStringLiteral("process start until the login form shows"), {}, {}, QStringLiteral("< 300 ms")};
    startup.program = childRuns(runs, {QStringLiteral("--startup-probe"), folder}, [](const QByteArray &) {});
    figures << startup;

    figures << memoryFigure(runs, folder);

    printTable(QStringLiteral("### %1 listings (%2 hits with the start choices, %3 with 天河区 + 住宅 + 出售)")
                   .arg(listings)
                   .arg(allHits)
                   .arg(chosenHits),
               figures);
    std::printf("\nSearch with the start choices: %.2f microseconds per hit (program), %.2f (baseline).\n",
                1000.0 * all.program.median() / qMax(1, allHits), 1000.0 * all.baseline.median() / qMax(1, allHits));
    std::printf("Desk left alone: %llu statements run in %d s.\n", static_cast<unsigned long long>(idleStatements),
                idleSeconds * idleRunCount);
    return figures;
}

// The machine's load over the last minute: on a shared machine the time work takes grows with
// it; the processor time does not.
QString loadAverage()
{
    QFile load(QStringLiteral("/proc/loadavg"));
    return load.open(QIODevice::ReadOnly) ? QString::fromLatin1(load.readAll().split(' ').value(0)) : QStringLiteral("?");
}

// The screens a photo is loaded on: the offscreen platform's own, and a 4K desk monitor at
// 200 %, where the enlarged photo covers 3840 x 2160 device pixels.
struct ProbeScreen
{
    QString name;
    QProcessEnvironment environment;
};

QVector<ProbeScreen> probeScreens(const QString &folder)
{
    const QString config = folder + QStringLiteral("/screen-4k.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [{"name": "4K", "x": 0, "y": 0, "width": 3840, "height": 2160,
                                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
               < 0)
        qFatal("cannot write %s", qPrintable(config));
    QProcessEnvironment fourK = QProcessEnvironment::systemEnvironment();
    fourK.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    fourK.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return {{QStringLiteral("800 x 800 screen"), offscreen}, {QStringLiteral("3840 x 2160 at 200 %"), fourK}};
}

// Photos that would take the memory or the time of the program if read as they claim, and
// today's camera photos of each kind: each loaded in a process of its own, the camera photos
// (with a sensor's grain, so that they cost what a photo costs) on both screens.
void benchPhotos(int runs, const QString &folder)
{
    DemoOptions options;
    options.listings = 10;
    writeDemoDatabase(folder, options);
    using namespace PictureFiles;
    struct PhotoCase
    {
        QString name;
        QByteArray file;
        std::optional<LargePhoto> camera;
    };
    QImage palette(5000, 5000, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(250, 220, 40), qRgb(40, 60, 200)});
    palette.fill(1);
    const QColor left(200, 40, 40), right(40, 60, 200);
    const QVector<PhotoCase> cases = {
        {QStringLiteral("progressive JPEG claiming 65 000 x 65 000"), jpegClaiming(QSize(65000, 65000), true), {}},
        {QStringLiteral("progressive JPEG claiming 30 000 x 30 000"), jpegClaiming(QSize(30000, 30000), true), {}},
        {QStringLiteral("PNG of 11 000 x 11 000"), plainPng(QSize(11000, 11000)), {}},
        {QStringLiteral("sequential JPEG claiming 10 000 x 10 000"), jpegClaiming(QSize(10000, 10000), false), {}},
        {QStringLiteral("progressive JPEG claiming 5 000 x 5 000"), jpegClaiming(QSize(5000, 5000), true), {}},
        {QStringLiteral("GIF claiming 8 000 x 5 000"), gifClaiming(QSize(8000, 5000)), {}},
        {QStringLiteral("BMP claiming 6 000 x 5 000"), bmpClaiming(QSize(6000, 5000)), {}},
        {QStringLiteral("8-bit palette PNG of 5 000 x 5 000"), encoded(palette, "PNG"), {}},
        {QStringLiteral("108-megapixel baseline JPEG, 12 000 x 9 000"), {},
         LargePhoto{LargePhoto::BaselineJpeg, QSize(12000, 9000), left, right, true}},
        {QStringLiteral("50-megapixel progressive JPEG, 8 660 x 5 774"), {},
         LargePhoto{LargePhoto::ProgressiveJpeg, QSize(8660, 5774), left, right, true}},
        {QStringLiteral("60-megapixel PNG, 9 000 x 6 667"), {}, LargePhoto{LargePhoto::Png, QSize(9000, 6667), left, right, true}},
        {QStringLiteral("30-megapixel GIF, 6 720 x 4 480"), {}, LargePhoto{LargePhoto::Gif, QSize(6720, 4480), left, right, true}},
        {QStringLiteral("30-megapixel BMP, 6 720 x 4 480"), {}, LargePhoto{LargePhoto::Bmp, QSize(6720, 4480), left, right, true}},
    };
    const QVector<ProbeScreen> screens = probeScreens(folder);
    QVector<Figure> figures;
    for (int index = 0; index < cases.size(); ++index) {
        const PhotoCase &photo = cases.at(index);
        const QString listing = QStringLiteral("PHOTO%1").arg(index);
        const QString fileName = folder + QStringLiteral("/picture/") + listing;
        if (photo.camera) {
            writeLargePhoto(fileName, *photo.camera);
        } else {
            QFile file(fileName);
            if (!file.open(QIODevice::WriteOnly) || file.write(photo.file) != photo.file.size())
                qFatal("cannot write %s", qPrintable(fileName));
        }
        addPhotoListing(folder, listing, listing);
        // A camera photo takes a few seconds a run: three runs on each screen.
        const QVector<ProbeScreen> shownOn = photo.camera ? screens : screens.mid(0, 1);
        for (const ProbeScreen &screen : shownOn) {
            const QString limit = photo.camera ? QStringLiteral("< 2000 ms") : QStringLiteral("< 1000 ms");
            Figure time{QString(), {}, {}, limit};
            Figure processor{QString(), {}, {}, limit};
            Figure memory{QString(), {}, {}, QStringLiteral("< 300 MB"), QStringLiteral("MB")};
            QByteArray outcome;
            childRuns(photo.camera ? qMin(runs, 3) : runs, {QStringLiteral("--photo-probe"), folder, listing},
                      [&](const QByteArray &reply) {
                          const QList<QByteArray> parts = reply.split(' ');
                          time.program.ms << parts.value(0).toDouble();
                          processor.program.ms << parts.value(1).toDouble();
                          memory.program.ms << parts.value(2).toDouble() / 1024.0;
                          outcome = parts.value(3);
                      },
                      30000, screen.environment);
            const QString what = QStringLiteral("%1 (%2 KB)%3, %4")
                                     .arg(photo.name)
                                     .arg((QFileInfo(fileName).size() + 1023) / 1024)
                                     .arg(photo.camera ? QStringLiteral(" on the ") + screen.name : QString())
                                     .arg(QString::fromLatin1(outcome));
            time.name = what + QStringLiteral(": time");
            processor.name = what + QStringLiteral(": processor time");
            memory.name = what + QStringLiteral(": peak memory");
            figures << time << processor << memory;
        }
    }
    printTable(QStringLiteral("### Photos that claim more than they are, and today's camera photos (load average %1)")
                   .arg(loadAverage()),
               figures);
}

// Child process: the hand-out of the listings CAMERA0 ... as the desk makes it: the listings
// read with their photos, the pages painted for the preview, and the PDF file saved as
// 保存为PDF saves it. Prints the time of each, the processor time of all threads together,
// the peak memory and the file's size.
int handoutProbe(const QString &folder, int listings)
{
    std::unique_ptr<frmQX_Quillonix> window;
    frmQX_Quillonix &main = openMainWindow(window, folder);
    QVector<StoredText> numbers;
    for (int i = 0; i < listings; ++i)
        numbers << StoredText(QStringLiteral("CAMERA%1").arg(i));
    QElapsedTimer clock;
    clock.start();
    const double processorBefore = processorMs();
    const std::optional<Handout::Listings> read = Handout::read(numbers, QStringLiteral("打印预选"), &main);
    if (!read || read->listings.size() != listings)
        qFatal("the listings were not read");
    const double readMs = clock.nsecsElapsed() / 1e6;
    const PrintDocument document = Handout::document(*read, QStringLiteral("quillonix-bench"), QDate::currentDate());
    clock.restart();
    frmQX_PrintPreview preview(document, &main);
    if (!preview.paintPages())
        qFatal("the preview was not painted");
    const double previewMs = clock.nsecsElapsed() / 1e6;
    const QString pdf = folder + QStringLiteral("/handout.pdf");
    clock.restart();
    {
        WorkProgress progress(QStringLiteral("保存为PDF"), QString(), document.steps(), &preview);
        if (!document.saveAsPdf(pdf, PrintDocument::paper(), progress))
            qFatal("cannot write %s", qPrintable(pdf));
    }
    const double pdfMs = clock.nsecsElapsed() / 1e6;
    std::printf("%.2f %.2f %.2f %.2f %ld %lld\n", readMs, previewMs, pdfMs, processorMs() - processorBefore,
                peakMemoryKb(), QFileInfo(pdf).size());
    std::fflush(stdout);
    window.reset();
    funCloseDatabase();
    return 0;
}

// The printed hand-out of 100 and 500 listings, each with a 24-megapixel camera photo: each
// made in a fresh process, so that the peak memory is the hand-out's own.
void benchHandout(int runs, const QString &folder)
{
    DemoOptions options;
    options.listings = 10;
    writeDemoDatabase(folder, options);
    constexpr int largest = 500;
    constexpr int cameraPhotos = 8;
    for (int i = 0; i < cameraPhotos; ++i) {
        QFile file(folder + QStringLiteral("/picture/camera%1.jpg").arg(i));
        const QByteArray photo = PictureFiles::cameraPhoto(QSize(6000, 4000), quint32(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(photo) != photo.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    for (int i = 0; i < largest; ++i)
        addPhotoListing(folder, QStringLiteral("CAMERA%1").arg(i), QStringLiteral("camera%1.jpg").arg(i % cameraPhotos),
                        true);
    const qint64 photoBytes = QFileInfo(folder + QStringLiteral("/picture/camera0.jpg")).size();

    QVector<Figure> figures;
    for (const int listings : {100, largest}) {
        const QString what = QStringLiteral("%1 listings").arg(listings);
        // Within 30 seconds for 500 listings, and as quick a listing for fewer.
        const QString time = QStringLiteral("< %1 s").arg(30 * listings / largest);
        Figure read{what + QStringLiteral(": reading the listings and their photos"), {}, {}, QStringLiteral("-")};
        Figure preview{what + QStringLiteral(": painting the preview"), {}, {}, QStringLiteral("-")};
        Figure pdf{what + QStringLiteral(": saving the PDF"), {}, {}, QStringLiteral("-")};
        Figure total{what + QStringLiteral(": all three"), {}, {}, time};
        Figure processor{what + QStringLiteral(": processor time of all three, every thread"), {}, {},
                         QStringLiteral("-")};
        Figure memory{what + QStringLiteral(": peak memory"), {}, {}, QStringLiteral("< 300 MB"), QStringLiteral("MB")};
        Figure size{what + QStringLiteral(": PDF size a listing"), {}, {}, QStringLiteral("< 150 KB"), QStringLiteral("KB")};
        childRuns(qMin(runs, listings == largest ? 2 : 3),
                  {QStringLiteral("--handout-probe"), folder, QString::number(listings)}, [&](const QByteArray &reply) {
                      const QList<QByteArray> parts = reply.split(' ');
                      read.program.ms << parts.value(0).toDouble();
                      preview.program.ms << parts.value(1).toDouble();
                      pdf.program.ms << parts.value(2).toDouble();
                      total.program.ms << read.program.ms.last() + preview.program.ms.last() + pdf.program.ms.last();
                      processor.program.ms << parts.value(3).toDouble();
                      memory.program.ms << parts.value(4).toDouble() / 1024.0;
                      size.program.ms << parts.value(5).toDouble() / 1024.0 / listings;
                  },
                  600000);
        figures << read << preview << pdf << total << processor << memory << size;
    }
    printTable(QStringLiteral("### The printed hand-out, each listing with a 24-megapixel camera photo (%1 KB; "
                              "load average %2)")
                   .arg(photoBytes / 1024)
                   .arg(loadAverage()),
               figures);
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QuillonixProgram::applyLook(application);
    setMessageHandler([](const QString &, int flags, const QString &) {
        return flags == MessageFlags::YesNoCritical || flags == MessageFlags::YesNoInformation ? MessageAnswer::No
                                                                                               : MessageAnswer::Ok;
    });

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the listing viewer's waits against their baselines."));
    parser.addHelpOption();
    const QCommandLineOption listingsOption(QStringLiteral("listings"), QStringLiteral("a database size (repeatable)"),
                                            QStringLiteral("N"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("runs per figure (default 5)"),
                                        QStringLiteral("R"), QStringLiteral("5"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("on a PostgreSQL cluster of its own: the search, the header sort and the listing load "
                       "against libpq alone at 100 000 listings (or each --listings), and 1, 4 and 8 desks "
                       "searching at once on the first size"));
    const QCommandLineOption deskSecondsOption(QStringLiteral("desk-seconds"),
                                               QStringLiteral("with --server: how long the desks search (default 30)"),
                                               QStringLiteral("S"), QStringLiteral("30"));
    QCommandLineOption deskWorkerOption(QStringLiteral("desk-worker"), QString(), QStringLiteral("FOLDER"));
    deskWorkerOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption startupProbeOption(QStringLiteral("startup-probe"), QString(), QStringLiteral("FOLDER"));
    QCommandLineOption memoryProbeOption(QStringLiteral("memory-probe"), QString(), QStringLiteral("FOLDER"));
    QCommandLineOption photoProbeOption(QStringLiteral("photo-probe"), QString(), QStringLiteral("FOLDER"));
    QCommandLineOption handoutProbeOption(QStringLiteral("handout-probe"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption conditionsOption(
        QStringLiteral("conditions"),
        QStringLiteral("only searches with 更多条件 at 100 000 and 1 000 000 listings (or the --listings), in a file and, "
                       "with --server, on a PostgreSQL cluster of its own"));
    const QCommandLineOption handoutOption(QStringLiteral("handout"),
                                           QStringLiteral("only the printed hand-out of 100 and 500 listings"));
    startupProbeOption.setFlags(QCommandLineOption::HiddenFromHelp);
    handoutProbeOption.setFlags(QCommandLineOption::HiddenFromHelp);
    memoryProbeOption.setFlags(QCommandLineOption::HiddenFromHelp);
    photoProbeOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({listingsOption, runsOption, serverOption, deskSecondsOption, deskWorkerOption,
                       startupProbeOption, memoryProbeOption, photoProbeOption, handoutProbeOption, handoutOption,
                       conditionsOption});
    parser.process(application);

    if (parser.isSet(startupProbeOption))
        return startupProbe(parser.value(startupProbeOption));
    if (parser.isSet(memoryProbeOption))
        return memoryProbe(parser.value(memoryProbeOption));
    if (parser.isSet(photoProbeOption))
        return photoProbe(parser.value(photoProbeOption), parser.positionalArguments().value(0));
    if (parser.isSet(handoutProbeOption))
        return handoutProbe(parser.value(handoutProbeOption), parser.positionalArguments().value(0).toInt());
    if (parser.isSet(deskWorkerOption)) {
        const QStringList rest = parser.positionalArguments();
        return deskWorker(parser.value(deskWorkerOption), rest.value(0).toLongLong(), rest.value(1).toInt(),
                          rest.value(2).toUInt());
    }

    QVector<int> sizes;
    for (const QString &value : parser.values(listingsOption))
        sizes << value.toInt();
    const int runs = qMax(1, parser.value(runsOption).toInt());

    QTemporaryDir work;
    isolateSettings(work.path());
    if (parser.isSet(conditionsOption)) {
        std::printf("quillonix-bench --conditions: %d runs per figure; medians, spread and baselines in milliseconds.\n",
                    runs);
        benchConditions(sizes.isEmpty() ? QVector<int>{100000, 1000000} : sizes, runs, work.path(),
                        parser.isSet(serverOption));
        return 0;
    }
    if (parser.isSet(serverOption)) {
        std::printf("quillonix-bench --server: %d runs per figure; medians, spread and baselines in milliseconds.\n",
                    runs);
        return benchServer(sizes.isEmpty() ? QVector<int>{100000} : sizes, runs,
                           qMax(1, parser.value(deskSecondsOption).toInt()), work.path(), memoryFigure);
    }
    if (parser.isSet(handoutOption)) {
        std::printf("quillonix-bench --handout: %d runs per figure at most; medians and spread.\n", runs);
        benchHandout(runs, work.filePath(QStringLiteral("handout")));
        return 0;
    }
    if (sizes.isEmpty())
        sizes = {1000, 10000, 100000};
    const QString camera = work.filePath(cameraPhoto);
    writeCameraPhoto(camera);
    std::printf("quillonix-bench: %d runs per figure; medians, spread and baselines in milliseconds.\n", runs);
    for (int listings : std::as_const(sizes))
        benchOneSize(listings, runs, work.filePath(QString::number(listings)), camera);
    benchHandout(runs, work.filePath(QStringLiteral("handout")));
    benchPhotos(runs, work.filePath(QStringLiteral("photos")));
    return 0;
}
