#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reads a listing photo for showing: upright as its orientation tag says, in 32-bit colour
// with any transparent parts on white, and no larger than it can ever be drawn (the screen),
// so that a 24-megapixel camera file neither stalls the window nor holds a hundred
// megabytes. A picture whose header claims more pixels than a photo may have is not read.
// A null picture when the file is not a regular file holding a picture that can be read.
QImage readPhoto(const QString &fileName, const QSize &largestDrawn);
