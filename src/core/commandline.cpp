#include "core/commandline.h"

#include <cstdio>

ProgramCommandLine::ProgramCommandLine(const QString &program, const QString &description)
    : m_program(program),
      m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help and exits.")),
      m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Displays the version and exits."))
{
    m_parser.setApplicationDescription(description);
    // Qt's own options are single words after one dash (-reverse, -stylesheet): never read
    // as letters, which would be -v and -h.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Qt's own help option would also list --help-all, which only works with Qt's own
    // application object: these two work anywhere.
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

std::optional<int> ProgramCommandLine::parse(const QStringList &arguments)
{
    const bool parsed = m_parser.parse(arguments);
    if (const std::optional<int> code = answered())
        return code;
    if (!parsed)
        return usageError(m_parser.errorText());
    return std::nullopt;
}

std::optional<int> ProgramCommandLine::answerHelpOrVersion(const QStringList &arguments)
{
    m_parser.parse(arguments);
    return answered();
}

std::optional<int> ProgramCommandLine::answered() const
{
    if (m_parser.isSet(m_help)) {
        // Without Qt's application object the usage cannot know the program's name.
        QString usage = m_parser.helpText();
        usage.replace(QStringLiteral("<executable_name>"), m_program);
        std::fputs(usage.toLocal8Bit().constData(), stdout);
        return succeeded;
    }
    if (m_parser.isSet(m_version)) {
        std::printf("%s %s\n", m_program.toLocal8Bit().constData(), QUILLONIX_VERSION);
        return succeeded;
    }
    return std::nullopt;
}

int ProgramCommandLine::usageError(const QString &why) const
{
    const QString line = QStringLiteral("%1: %2 (see %1 --help)").arg(m_program, why.simplified());
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    return misused;
}

QStringList ProgramCommandLine::argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
