#include "core/regularfile.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool openRegularFile(QFile &file, const QString &fileName)
{
    // Nothing but a regular file is opened at all: opening a device may already act on it.
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
        return false;
    // The name may have come to mean something else since: opened without waiting, the kind
    // of what was opened is checked again.
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat opened;
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    return true;
}
