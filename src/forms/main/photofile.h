#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reads a listing photo for showing. A photo larger than it can ever be drawn (the
// screen) is decoded at a reduced size, so that a 24-megapixel camera file neither
// stalls the window nor holds a hundred megabytes.
// A null picture when the file is not a picture that can be read.
QImage readPhoto(const QString &fileName, const QSize &largestDrawn);
