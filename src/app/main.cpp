#include "forms/quillonixprogram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QuillonixProgram::applyLook(application);
    QuillonixProgram program;
    if (!program.start())
        return 0;
    return application.exec();
}
