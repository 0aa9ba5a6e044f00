#include "forms/main/photofile.h"

#include <QImageReader>

namespace {

// JPEG decodes at 1/2, 1/4 or 1/8 of its size for little more than the cost of the
// reduced picture; take the smallest of those that still covers what is drawn.
QSize reducedJpegSize(const QSize &full, const QSize &wanted)
{
    QSize chosen = full;
    for (int denominator = 2; denominator <= 8; denominator *= 2) {
        const QSize reduced((full.width() + denominator - 1) / denominator,
                            (full.height() + denominator - 1) / denominator);
        if (reduced.width() < wanted.width() || reduced.height() < wanted.height())
            break;
        chosen = reduced;
    }
    return chosen;
}

} // namespace

QImage readPhoto(const QString &fileName, const QSize &largestDrawn)
{
    QImageReader reader(fileName);
    reader.setAllocationLimit(512);
    const QSize full = reader.size();
    if (full.isValid() && reader.format() == "jpeg"
        && (full.width() > largestDrawn.width() || full.height() > largestDrawn.height())) {
        const QSize wanted = full.scaled(largestDrawn, Qt::KeepAspectRatio);
        reader.setScaledSize(reducedJpegSize(full, wanted));
    }
    return reader.read();
}
