#include "demodatabase.h"
#include "pgconnection.h"
#include "serverimport.h"

#include "core/commandline.h"
#include "core/dberror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The demo database loaded into a server: written as a file first, then loaded as
// quillonix-import loads it. With a folder, the folder keeps the photos and names the server
// in itdb.conn, as a desk's database folder does; without one, the photos are thrown away.
void writeToServer(const QString &uri, const QString &folder, const DemoOptions &options, bool force)
{
    // The folder is read by every desk: a password stays in libpq's own places.
    if (!folder.isEmpty() && PgConnection::uriHasPassword(uri)) {
        throw DbError(DbError::ProviderError,
                      QStringLiteral("itdb.conn 不保存密码：请去掉连接中的密码，改放在 ~/.pgpass 或 PGPASSWORD 中"));
    }
    // The folder may be an agency's own database folder: its itdb.mdb is never replaced.
    if (!folder.isEmpty() && QFile::exists(QDir(folder).filePath(QStringLiteral("itdb.mdb"))))
        throw DbError(DbError::ProviderError, QStringLiteral("%1 中已有 itdb.mdb，没有覆盖").arg(folder));
    ServerImport server(uri);
    QTemporaryDir scratch;
    const QString written = folder.isEmpty() ? scratch.path() : folder;
    const QString file = QDir(written).filePath(QStringLiteral("itdb.mdb"));
    const auto removeFile = qScopeGuard([&file] { QFile::remove(file); });
    const DemoSummary summary = writeDemoDatabase(written, options);
    server.load(file, force);
    std::printf("%s: %d listings, %d photo rows, %d users\n", qPrintable(server.description()), summary.listings,
                summary.photoRows, summary.users);
    if (folder.isEmpty())
        return;
    QFile link(QDir(folder).filePath(QStringLiteral("itdb.conn")));
    if (!link.open(QIODevice::WriteOnly | QIODevice::Truncate) || link.write(uri.toUtf8() + '\n') <= 0)
        throw DbError(DbError::ProviderError, QStringLiteral("不能写入 ") + link.fileName());
    std::printf("%s: names the server; %d photo files in %s/picture\n", qPrintable(link.fileName()), summary.photoFiles,
                qPrintable(folder));
}

} // namespace

int main(int argc, char *argv[])
{
    ProgramCommandLine commandLine(QStringLiteral("quillonix-demodb"),
                                   QStringLiteral("Writes a demo listing database: FOLDER/itdb.mdb and FOLDER/picture/,\n"
                                                  "or its tables into a PostgreSQL database."));
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(
        QStringLiteral("TARGET"),
        QStringLiteral("FOLDER, where the database is written, or postgresql://… (a libpq URI)"));
    const QCommandLineOption listings(QStringLiteral("listings"), QStringLiteral("number of listings (default 300)"),
                                      QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("seed of the generator (default 1)"),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("on a server: replace the tables of the same names"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("on a server: FOLDER keeps the photos and itdb.conn naming the server"),
        QStringLiteral("FOLDER"));
    parser.addOption(listings);
    parser.addOption(seed);
    parser.addOption(force);
    parser.addOption(folder);
    // Answered before the application object exists: --help needs nothing else.
    if (const std::optional<int> code = commandLine.parse(ProgramCommandLine::argumentsOf(argc, argv)))
        return *code;
    const QCoreApplication application(argc, argv);

    const QStringList targets = parser.positionalArguments();
    DemoOptions options;
    bool listingsOk = false;
    bool seedOk = false;
    options.listings = parser.value(listings).toInt(&listingsOk);
    options.seed = parser.value(seed).toUInt(&seedOk);
    const bool toServer = targets.size() == 1 && PgConnection::isServerUri(targets.first());
    const bool serverOptions = parser.isSet(force) || parser.isSet(folder);
    if (targets.size() != 1)
        return commandLine.usageError(QStringLiteral("one TARGET is needed"));
    if (!listingsOk || options.listings < 0)
        return commandLine.usageError(QStringLiteral("--listings takes a number of listings"));
    if (!seedOk)
        return commandLine.usageError(QStringLiteral("--seed takes a whole number"));
    if (serverOptions && !toServer)
        return commandLine.usageError(QStringLiteral("--force and --folder are for a server only"));
    try {
        if (toServer) {
            writeToServer(targets.first(), parser.value(folder), options, parser.isSet(force));
            return 0;
        }
        const DemoSummary summary = writeDemoDatabase(targets.first(), options);
        std::printf("%s/itdb.mdb: %d listings, %d photo rows, %d photo files, %d photo rows without a file, %d users\n",
                    qPrintable(targets.first()), summary.listings, summary.photoRows, summary.photoFiles,
                    summary.missingPhotoFiles, summary.users);
    } catch (const DbError &error) {
        std::fprintf(stderr, "quillonix-demodb: %s\n", error.what());
        return ProgramCommandLine::failed;
    }
    return ProgramCommandLine::succeeded;
}
