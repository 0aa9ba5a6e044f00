#pragma once

#include <QImage>
#include <QSize>

class QIODevice;

// A JPEG read with libjpeg at the smallest of its reduced sizes (n/8 of the stored size)
// that still covers what is drawn, each row then reduced as it comes: a 108-megapixel phone
// photo costs the memory of the picture that is drawn, not of the one stored.
namespace JpegRows {

// The JPEG from the start of file, reduced to `reduced` (no larger than the stored picture
// either way), in 32-bit colour; CMYK as Adobe's programs write it (inks inverted). libjpeg
// may hold at most memoryLimit bytes, which a progressive JPEG spends on the coefficients of
// the whole picture; a file that needs more, or that cannot be read, gives a null picture.
// A file that breaks off is shown as far as it goes, grey beyond.
QImage read(QIODevice &file, const QSize &reduced, qint64 memoryLimit);

} // namespace JpegRows
