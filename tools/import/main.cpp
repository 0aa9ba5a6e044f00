// quillonix-import: the agency's Access database as an SQLite listing database, or a listing
// database loaded into a PostgreSQL server.
//
//   quillonix-import ACCESSFILE FOLDER [--force]   writes FOLDER/itdb.mdb and says what it did
//   quillonix-import SOURCE postgresql://… [--force]
//                                                  loads an Access or SQLite listing database
//                                                  into that server database (see serverimport.h)
//   quillonix-import --snapshot SECONDS ACCESSFILE SQLITEFILE
//                                                  the program's reader: a copy for it to load,
//                                                  within SECONDS of processor time
#include "accessimport.h"
#include "serverimport.h"

#include "core/commandline.h"
#include "core/dberror.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

#ifdef QUILLONIX_SANITIZE
// AddressSanitizer reserves terabytes of address space for its shadow memory as the process
// starts, so an address-space limit would stop the converter before it reads anything. In
// that build the sanitizer watches the resident size instead, with the same figure.
extern "C" const char *__asan_default_options()
{
    return "hard_rss_limit_mb=4096";
}
#endif

namespace {

// libmdb may loop or grow without end on a damaged file: the kernel stops this process
// first, and the program that waits for it reports the file as unreadable.
void limitResources(int cpuSeconds)
{
    const rlim_t seconds = rlim_t(std::max(1, cpuSeconds));
    const rlimit cpu = {seconds, seconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
#ifndef QUILLONIX_SANITIZE
    constexpr rlim_t memory = rlim_t(4096) << 20; // as the sanitizer build's resident size
    const rlimit space = {memory, memory};
    setrlimit(RLIMIT_AS, &space);
#endif
}

void printSummary(const QString &accessFile, const QString &target, const ImportSummary &summary)
{
    std::printf("%s -> %s\n", qPrintable(accessFile), qPrintable(target));
    qint64 rows = 0;
    for (const ImportedTable &table : summary.tables) {
        std::printf("  table %s: %d rows\n", qPrintable(table.name), table.rows);
        rows += table.rows;
    }
    std::printf("%d tables, %lld rows, indexes: %s\n", int(summary.tables.size()), rows,
                summary.indexes.isEmpty() ? "none" : qPrintable(summary.indexes.join(QStringLiteral(", "))));
}

int importIntoFolder(const QString &accessFile, const QString &folder, bool force)
{
    if (!QDir().mkpath(folder))
        throw DbError(DbError::ProviderError, QStringLiteral("不能创建文件夹 ") + folder);
    const QString target = QDir(folder).filePath(QStringLiteral("itdb.mdb"));
    if (QFile::exists(target) && !force) {
        std::fprintf(stderr, "quillonix-import: %s 已存在，没有覆盖（用 --force 覆盖）\n", qPrintable(target));
        return ProgramCommandLine::failed;
    }
    // Written beside the target and renamed at the end: a failure leaves any database there as it was.
    QTemporaryFile partial(QDir(folder).filePath(QStringLiteral(".itdb-XXXXXX.partial")));
    if (!partial.open())
        throw DbError(DbError::ProviderError, QStringLiteral("不能写入文件夹 ") + folder);
    partial.close();
    const ImportSummary summary = importAccessFile(accessFile, partial.fileName());
    partial.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(partial.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        throw DbError(DbError::ProviderError, QStringLiteral("不能写入 ") + target);
    partial.setAutoRemove(false);
    printSummary(accessFile, target, summary);
    return 0;
}

int importIntoServer(const QString &source, const QString &uri, bool force)
{
    ServerImport server(uri);
    const ImportSummary summary = server.load(source, force);
    printSummary(source, server.description(), summary);
    for (const QString &note : server.notes())
        std::printf("%s\n", qPrintable(note));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    ProgramCommandLine commandLine(
        QStringLiteral("quillonix-import"),
        QStringLiteral("Writes the tables of an Access database into FOLDER/itdb.mdb as an SQLite listing database,\n"
                       "or loads an Access or SQLite listing database into a PostgreSQL database."));
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(
        QStringLiteral("SOURCE"),
        QStringLiteral("the Access (.mdb) file to read; for a server also an SQLite listing database"));
    parser.addPositionalArgument(QStringLiteral("TARGET"),
                                 QStringLiteral("FOLDER, where itdb.mdb is written, or postgresql://… (a libpq URI)"));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("replace an existing itdb.mdb, or the tables of the same names on the server"));
    QCommandLineOption snapshot(QStringLiteral("snapshot"),
                                QStringLiteral("write the copy the program loads, within SECONDS of processor time"),
                                QStringLiteral("SECONDS"));
    snapshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(force);
    parser.addOption(snapshot);

    // The converter runs without a QCoreApplication: the parser is given the arguments.
    if (const std::optional<int> code = commandLine.parse(ProgramCommandLine::argumentsOf(argc, argv)))
        return *code;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return commandLine.usageError(QStringLiteral("SOURCE and TARGET are needed, and nothing more"));
    bool secondsOk = true;
    const int cpuSeconds = parser.isSet(snapshot) ? parser.value(snapshot).toInt(&secondsOk) : 0;
    if (!secondsOk)
        return commandLine.usageError(QStringLiteral("--snapshot takes a number of seconds"));

    try {
        if (parser.isSet(snapshot)) {
            limitResources(cpuSeconds);
            importAccessFile(positional.at(0), positional.at(1));
            return 0;
        }
        if (PgConnection::isServerUri(positional.at(1)))
            return importIntoServer(positional.at(0), positional.at(1), parser.isSet(force));
        return importIntoFolder(positional.at(0), positional.at(1), parser.isSet(force));
    } catch (const DbError &error) {
        // The last line is what the program shows of a failure.
        std::fprintf(stderr, "\n%s\n", qPrintable(error.description()));
        return ProgramCommandLine::failed;
    }
}
