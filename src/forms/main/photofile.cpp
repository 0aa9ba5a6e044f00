#include "forms/main/photofile.h"

#include "core/regularfile.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QScopeGuard>

namespace {

// The most pixels a photo may have, whatever its header says. A sequential JPEG is decoded
// band by band at a reduced size and never held whole; every other picture passes through
// its decoder whole and at full size (a progressive JPEG once per scan), at about four times
// the cost a pixel, so it may have a quarter of the budget. Either way a photo at the limit
// costs a few hundred milliseconds and well under a hundred megabytes.
constexpr qint64 photoPixelBudget = 100'000'000;
constexpr qint64 wholeDecodingShare = 4;

// True for a JPEG whose frame, found by walking its header segments, is sequential: libjpeg
// then decodes it band by band. A progressive frame, or a header the walk cannot follow, is
// false. The file is read from the start and left there.
bool isSequentialJpeg(QFile &file)
{
    const auto backToStart = qScopeGuard([&file] { file.seek(0); });
    if (file.read(2) != QByteArrayLiteral("\xFF\xD8"))
        return false;
    for (;;) {
        const QByteArray segment = file.read(4);
        if (segment.size() < 4 || uchar(segment[0]) != 0xFF)
            return false;
        const uchar marker = uchar(segment[1]);
        if (marker == 0xC0 || marker == 0xC1)
            return true;
        const bool otherFrame = marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        const int length = uchar(segment[2]) << 8 | uchar(segment[3]);
        if (otherFrame || marker == 0xDA || length < 2 || !file.seek(file.pos() + length - 2))
            return false;
    }
}

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

// The picture in 32-bit colour, transparent parts on white: palette and grey-scale pictures
// keep their colours when scaled, and a transparent photo shows on white paper.
QImage onWhite(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    QImage paper(picture.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, picture);
    return paper;
}

// The size to read a picture at: the whole of it where it fits in what is drawn, otherwise
// the largest size with its proportions that fits.
QSize fittedSize(const QSize &stored, const QSize &drawn)
{
    return stored.boundedTo(drawn) == stored ? stored : stored.scaled(drawn, Qt::KeepAspectRatio);
}

} // namespace

QImage readPhoto(const QString &fileName, const QSize &largestDrawn)
{
    QFile file;
    if (!openRegularFile(file, fileName))
        return QImage();
    const bool sequentialJpeg = isSequentialJpeg(file);
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    const QSize stored = reader.size();
    const qint64 budget = format == "jpeg" && sequentialJpeg ? photoPixelBudget : photoPixelBudget / wholeDecodingShare;
    if (!stored.isValid() || qint64(stored.width()) * stored.height() > budget)
        return QImage();

    // The decoder works in the stored orientation; a phone photo stored sideways is turned
    // upright after reading.
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize wanted = fittedSize(stored, turned ? largestDrawn.transposed() : largestDrawn);
    // JPEG reduces while decoding; so does PNG for pictures it decodes in 32-bit colour (it
    // reads palette and grey-scale ones whole, and would scale them without their colours).
    // Every other picture is read whole and scaled here.
    const bool decoderReduces =
        format == "jpeg" || (format == "png" && QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel() == 32);
    if (decoderReduces && wanted != stored)
        reader.setScaledSize(format == "jpeg" ? reducedJpegSize(stored, wanted) : wanted);
    const QImage decoded = reader.read();
    if (decoded.isNull())
        return QImage();
    const QImage picture = onWhite(decoded);
    const QSize wantedUpright = turned ? wanted.transposed() : wanted;
    if (decoderReduces || picture.size() == wantedUpright)
        return picture;
    return picture.scaled(wantedUpright, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
