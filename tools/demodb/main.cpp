#include "demodatabase.h"

#include "core/dberror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a demo listing database: FOLDER/itdb.mdb and FOLDER/picture/."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("where the database is written"));
    const QCommandLineOption listings(QStringLiteral("listings"), QStringLiteral("number of listings (default 300)"),
                                      QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("seed of the generator (default 1)"),
                                  QStringLiteral("S"), QStringLiteral("1"));
    parser.addOption(listings);
    parser.addOption(seed);
    parser.process(application);

    const QStringList folders = parser.positionalArguments();
    DemoOptions options;
    bool listingsOk = false;
    bool seedOk = false;
    options.listings = parser.value(listings).toInt(&listingsOk);
    options.seed = parser.value(seed).toUInt(&seedOk);
    if (folders.size() != 1 || !listingsOk || !seedOk || options.listings < 0) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }
    try {
        const DemoSummary summary = writeDemoDatabase(folders.first(), options);
        std::printf("%s/itdb.mdb: %d listings, %d photo rows, %d photo files, %d photo rows without a file, %d users\n",
                    qPrintable(folders.first()), summary.listings, summary.photoRows, summary.photoFiles,
                    summary.missingPhotoFiles, summary.users);
    } catch (const DbError &error) {
        std::fprintf(stderr, "quillonix-demodb: %s\n", error.what());
        return 1;
    }
    return 0;
}
