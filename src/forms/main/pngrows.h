#pragma once

#include <QImage>
#include <QSize>

class QIODevice;

// A PNG read with libpng one row at a time, each row reduced as it comes: a 60-megapixel
// scan costs the memory of the picture that is drawn, not of the one stored.
namespace PngRows {

// True for a PNG whose rows are stored one after another. An interlaced PNG spreads its
// pixels over seven passes across the whole picture and cannot be read so. The file is
// read from where it stands and left there.
bool inOrder(QIODevice &file);

// The PNG from where the file stands, reduced to `reduced` (no larger than the stored
// picture either way), in 32-bit colour with any transparent parts on white; null when it
// cannot be read whole or is interlaced.
QImage read(QIODevice &file, const QSize &reduced);

} // namespace PngRows
