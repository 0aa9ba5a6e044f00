// The three programs started as a shell starts them: what --help, --version, a wrong call and
// a failure print, where, and with which exit code; with a display and without one.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Finished
{
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs program from the build's program folder, in a desktop session's environment (a private
// runtime folder); withDisplay keeps the tests' offscreen platform, otherwise no display of
// any kind is named.
Finished run(const QString &program, const QStringList &arguments, bool withDisplay, const QString &runtimeFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    if (!withDisplay) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, arguments);
    Finished finished;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        finished.errors = QStringLiteral("crashed or did not finish: ") + QString::fromLocal8Bit(process.readAllStandardError());
        return finished;
    }
    finished.exitCode = process.exitCode();
    finished.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return finished;
}

QString wholeText(const QString &pattern)
{
    return QStringLiteral("\\A(?:%1)\\z").arg(pattern);
}

} // namespace

class TestCommandLines : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void conventionsOfEveryProgram_data();
    void conventionsOfEveryProgram();

private:
    QTemporaryDir m_work;
};

void TestCommandLines::initTestCase()
{
    QVERIFY(m_work.isValid());
    QVERIFY(QDir(m_work.path()).mkdir(QStringLiteral("runtime")));
    QVERIFY(QFile::setPermissions(m_work.filePath(QStringLiteral("runtime")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

void TestCommandLines::conventionsOfEveryProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // {work}: a scratch folder of the test's own
    QTest::addColumn<bool>("withDisplay");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // patterns of the whole of stdout and of stderr
    QTest::addColumn<QString>("errors");

    const QString nothing = QString();
    for (const QString &program :
         {QStringLiteral("quillonix"), QStringLiteral("quillonix-import"), QStringLiteral("quillonix-demodb")}) {
        const QString name = QRegularExpression::escape(program);
        const QString usage = QStringLiteral("Usage: %1 \\[options\\].*\\n").arg(name);
        const QString version = QStringLiteral("%1 %2\\n").arg(name, QRegularExpression::escape(QUILLONIX_VERSION));
        const QString wrongCall = QStringLiteral("%1: [^\\n]+ \\(see %1 --help\\)\\n").arg(name);
        const auto row = [&program](const char *call) {
            return &QTest::newRow(qPrintable(program + QLatin1Char(' ') + QLatin1String(call)));
        };
        *row("--help, without a display") << program << QStringList{QStringLiteral("--help")} << false << 0 << usage
                                          << nothing;
        *row("-h") << program << QStringList{QStringLiteral("-h")} << true << 0 << usage << nothing;
        *row("--version, without a display") << program << QStringList{QStringLiteral("--version")} << false << 0
                                             << version << nothing;
        *row("-v") << program << QStringList{QStringLiteral("-v")} << true << 0 << version << nothing;
        *row("--bogus") << program << QStringList{QStringLiteral("--bogus")} << true << 2 << nothing
                        << QStringLiteral("%1: Unknown option 'bogus'\\. \\(see %1 --help\\)\\n").arg(name);
        *row("--help-all, which is no option") << program << QStringList{QStringLiteral("--help-all")} << true << 2
                                                << nothing << wrongCall;
        if (program == QLatin1String("quillonix")) {
            *row("without a display") << program << QStringList() << false << 1 << nothing
                                      << QStringLiteral("quillonix: [^\\n]*DISPLAY[^\\n]*xvfb-run quillonix[^\\n]*\\n");
            *row("with an argument") << program << QStringList{QStringLiteral("{work}/itdb.mdb")} << true << 2
                                     << nothing << wrongCall;
            // Qt's own options are Qt's, -reverse no -v: what is left after them is still checked.
            *row("-platform offscreen -reverse --bogus, without a display")
                << program
                << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse"),
                               QStringLiteral("--bogus")}
                << false << 2 << nothing << QStringLiteral("quillonix: Unknown option 'bogus'\\. \\(see quillonix --help\\)\\n");
        } else if (program == QLatin1String("quillonix-import")) {
            *row("with one argument") << program << QStringList{QStringLiteral("{work}/a.mdb")} << true << 2 << nothing
                                      << wrongCall;
            *row("--snapshot without seconds")
                << program << QStringList{QStringLiteral("--snapshot"), QStringLiteral("many"), QStringLiteral("a"), QStringLiteral("b")}
                << true << 2 << nothing << wrongCall;
            *row("a file that is not there, without a display")
                << program << QStringList{QStringLiteral("{work}/missing.mdb"), QStringLiteral("{work}/converted")} << false
                << 1 << nothing << QStringLiteral(".*\\n不是可以读取的 Access 数据库文件\\n");
        } else {
            *row("without a folder") << program << QStringList() << true << 2 << nothing << wrongCall;
            *row("--listings many") << program << QStringList{QStringLiteral("{work}/demo"), QStringLiteral("--listings"), QStringLiteral("many")}
                                    << true << 2 << nothing << wrongCall;
            *row("into a folder under a file, without a display")
                << program << QStringList{QStringLiteral("{work}/file/demo")} << false << 1 << nothing
                << QStringLiteral("quillonix-demodb: [^\\n]+\\n");
        }
    }
}

void TestCommandLines::conventionsOfEveryProgram()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, withDisplay);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    QFile file(m_work.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    arguments.replaceInStrings(QStringLiteral("{work}"), m_work.path());

    const Finished finished = run(program, arguments, withDisplay, m_work.filePath(QStringLiteral("runtime")));
    QVERIFY2(finished.exitCode == exitCode,
             qPrintable(QStringLiteral("exit code %1, stderr: %2").arg(finished.exitCode).arg(finished.errors)));
    QVERIFY2(QRegularExpression(wholeText(output), QRegularExpression::DotMatchesEverythingOption)
                 .match(finished.output)
                 .hasMatch(),
             qPrintable(finished.output));
    QVERIFY2(QRegularExpression(wholeText(errors), QRegularExpression::DotMatchesEverythingOption)
                 .match(finished.errors)
                 .hasMatch(),
             qPrintable(finished.errors));
    // The usage lists only options that work, and says how to ask for the version.
    if (arguments.contains(QStringLiteral("--help"))) {
        QVERIFY(!finished.output.contains(QStringLiteral("--help-all")));
        QVERIFY(finished.output.contains(QStringLiteral("--version")));
    }
}

QTEST_GUILESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
