#include "core/commandline.h"
#include "forms/common/programend.h"
#include "forms/quillonixprogram.h"

#include <QApplication>
#include <cstdio>

namespace {

// Qt ends a program that finds no display with an abort; a desk's administrator gets a line
// that says what is missing instead. A platform chosen by hand is left to Qt.
bool displayChosen(const QStringList &arguments)
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || arguments.contains(QStringLiteral("-platform"))
           || arguments.contains(QStringLiteral("--platform"));
}

} // namespace

int main(int argc, char *argv[])
{
    ProgramCommandLine commandLine(
        QStringLiteral("quillonix"),
        QStringLiteral("The listing viewer of a real-estate agency's front desk: staff log in, then search the\n"
                       "agency's listings. The database folder is kept in ~/.config/quillonix/quillonix.conf."));
    const QStringList arguments = ProgramCommandLine::argumentsOf(argc, argv);
    if (const std::optional<int> code = commandLine.answerHelpOrVersion(arguments))
        return *code;
    if (!displayChosen(arguments)) {
        std::fputs("quillonix: 没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 都没有设置）："
                   "请在桌面中启动，或用 xvfb-run quillonix 在虚拟显示上启动。\n",
                   stderr);
        return ProgramCommandLine::failed;
    }
    QApplication application(argc, argv);
    // What is left once Qt has taken its own options (-platform, -style, …) is the program's.
    if (const std::optional<int> code = commandLine.parse(QApplication::arguments()))
        return *code;
    if (!commandLine.parser().positionalArguments().isEmpty())
        return commandLine.usageError(QStringLiteral("no arguments are taken"));
    QuillonixProgram::applyLook(application);
    QuillonixProgram program;
    if (!program.start())
        return ProgramEnd::exitCode();
    return application.exec();
}
