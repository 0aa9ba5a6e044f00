#pragma once

#include <QString>

class QFile;

// Opens a file for reading only when it is a regular file (a link is followed to one).
// A FIFO, a device, a socket, a folder or a broken link is refused at once: opening a FIFO
// would wait for a writer for ever, and reading a device never ends. False when refused or
// unreadable; file is then left closed.
bool openRegularFile(QFile &file, const QString &fileName);
