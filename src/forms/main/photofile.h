#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reads a listing photo for showing: upright as its orientation tag says, in 32-bit colour
// with any transparent parts on white, and no larger than it can ever be drawn: reduced
// with its proportions until it just covers largestDrawn (the screen, in device pixels)
// both ways. JPEG and PNG are reduced while they are decoded, so that a 108-megapixel phone
// photo holds the memory of the screen, not of the photo. A photo whose decoding would take
// too long or too much memory, or whose header claims more pixels than its file can hold,
// is not read. A null picture when the file is not a regular file holding a picture that
// can be read.
QImage readPhoto(const QString &fileName, const QSize &largestDrawn);
