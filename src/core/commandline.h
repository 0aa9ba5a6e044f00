#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

// The command line as programs on a Unix desktop take it: --help and --version are answered
// on stdout with exit code 0, before anything needs a display or a database; a usage error is
// one line on stderr with exit code 2; a failure of the work itself ends with exit code 1.
class ProgramCommandLine
{
public:
    static constexpr int succeeded = 0;
    static constexpr int failed = 1;
    static constexpr int misused = 2;

    ProgramCommandLine(const QString &program, const QString &description);

    // Where the program adds its own options and arguments.
    QCommandLineParser &parser() { return m_parser; }
    const QCommandLineParser &parser() const { return m_parser; }

    // Parses arguments (the first names the program). The exit code when the program ends
    // here, after --help, --version or a usage error; nothing when it goes on.
    std::optional<int> parse(const QStringList &arguments);
    // Answers --help and --version only, whatever else the line holds: for the viewer, whose
    // other arguments are known only once Qt has taken its own.
    std::optional<int> answerHelpOrVersion(const QStringList &arguments);
    // Reports a usage error found after parsing, as one line; the exit code to end with.
    int usageError(const QString &why) const;

    static QStringList argumentsOf(int argc, char *argv[]);

private:
    std::optional<int> answered() const;

    QString m_program;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
