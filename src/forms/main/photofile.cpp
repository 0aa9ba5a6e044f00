#include "forms/main/photofile.h"

#include "core/logcategories.h"
#include "core/regularfile.h"
#include "forms/main/jpegheader.h"
#include "forms/main/jpegrows.h"
#include "forms/main/photoreduction.h"
#include "forms/main/pngrows.h"

#include <QFile>
#include <QImageReader>
#include <QTransform>

namespace {

// Decoding a photo costs processor time for every stored pixel, and memory for what its
// decoder holds at once. A sequential JPEG costs about 5 ns a pixel on a two-core desk
// machine; a PNG's inflation and filters, a progressive JPEG's scans and every other kind
// up to 20 ns: the pixel budgets keep each within about 1.3 s. JPEG and PNG are decoded row
// by row into the size that is drawn, so that their memory follows the screen, not the
// photo; a progressive JPEG holds its coefficients for the whole picture meanwhile, and
// every other kind (GIF, BMP, WebP, interlaced PNG, ...) is decoded whole in 32-bit colour
// and reduced after: the memory budget keeps the program within 300 MB.
constexpr qint64 bandedJpegPixelBudget = 200'000'000;
constexpr qint64 photoPixelBudget = 64'000'000;
constexpr qint64 mebibyte = 1024 * 1024;
constexpr qint64 wholeMemoryBudget = 160 * mebibyte;
// What libjpeg allocates beside the coefficients: tables and the buffers of a band of rows.
constexpr qint64 jpegWorkingMemory = 16 * mebibyte;

enum class Decoding { JpegRows, PngRows, Whole };

// How a photo is decoded, the most pixels it may have so, what its decoder holds for the
// whole picture at once, and the least a file must hold for the pixels its header claims
// (0 where its kind sets no bound); none when its header cannot be followed.
struct DecodingPlan
{
    bool followed = true;
    Decoding decoding = Decoding::Whole;
    qint64 pixelBudget = photoPixelBudget;
    qint64 wholeBytes = 0;
    qint64 leastFileBytes = 0;
};

qint64 pixelCount(const QSize &size)
{
    return qint64(size.width()) * size.height();
}

qint64 littleEndian(const QByteArray &bytes, int at, int length)
{
    qint64 value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | uchar(bytes.at(at + i));
    return value;
}

// An uncompressed BMP stores every row, each padded to four bytes; a compressed one may end
// its rows early, so sets no bound.
qint64 leastBmpBytes(QIODevice &file)
{
    const QByteArray header = file.peek(34);
    if (header.size() < 34)
        return 0;
    const qint64 infoSize = littleEndian(header, 14, 4);
    const bool core = infoSize == 12;
    // Sizes are signed: a negative height stores the rows top down.
    const auto side = [&header, core](int at) {
        return core ? littleEndian(header, at, 2) : qAbs(qint64(qint32(littleEndian(header, at, 4))));
    };
    const qint64 width = side(18);
    const qint64 height = side(core ? 20 : 22);
    const qint64 bitsPerPixel = littleEndian(header, core ? 24 : 28, 2);
    const qint64 compression = core ? 0 : littleEndian(header, 30, 4);
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || width == 0 || height == 0)
        return 0;
    const qint64 stride = (width * bitsPerPixel + 31) / 32 * 4;
    return stride * (height - 1) + (width * bitsPerPixel + 7) / 8;
}

DecodingPlan planFor(QFile &file, const QByteArray &format, const QSize &stored, QImage::Format decodedFormat)
{
    DecodingPlan plan;
    if (format == "jpeg") {
        const JpegHeader header = JpegHeader::read(file);
        plan.followed = header.readable;
        plan.decoding = Decoding::JpegRows;
        if (header.banded)
            plan.pixelBudget = bandedJpegPixelBudget;
        plan.wholeBytes = header.banded ? 0 : header.wholeCoefficientBytes;
        // Huffman coding spends at least one bit on every 8 x 8 block.
        if (header.huffman)
            plan.leastFileBytes = (qint64(stored.width() + 7) / 8) * ((stored.height() + 7) / 8) / 8;
        return plan;
    }
    if (format == "png") {
        file.seek(0);
        if (PngRows::inOrder(file)) {
            plan.decoding = Decoding::PngRows;
            return plan;
        }
    }
    plan.wholeBytes = pixelCount(stored) * qMax(4, QImage::toPixelFormat(decodedFormat).bitsPerPixel() / 8);
    if (format == "gif") {
        // A GIF code stands for at most 4 096 pixels and takes at least three bits.
        plan.leastFileBytes = pixelCount(stored) * 3 / (8 * 4096);
    } else if (format == "bmp") {
        file.seek(0);
        plan.leastFileBytes = leastBmpBytes(file);
    }
    return plan;
}

// Why a photo is not read, or "" when it may be: its header is damaged, its decoding would
// take too long or too much memory, or its header claims more pixels than its file can hold.
QString refusal(const DecodingPlan &plan, const QSize &stored, qint64 fileBytes)
{
    if (!plan.followed)
        return QStringLiteral("its header is damaged");
    if (pixelCount(stored) > plan.pixelBudget)
        return QStringLiteral("%1 x %2 pixels are more than a photo of its kind may have (%3 million)")
            .arg(stored.width())
            .arg(stored.height())
            .arg(plan.pixelBudget / 1'000'000);
    if (plan.wholeBytes > wholeMemoryBudget)
        return QStringLiteral("decoding %1 x %2 pixels would hold %3 MB at once (at most %4 MB)")
            .arg(stored.width())
            .arg(stored.height())
            .arg(plan.wholeBytes / mebibyte)
            .arg(wholeMemoryBudget / mebibyte);
    if (fileBytes < plan.leastFileBytes)
        return QStringLiteral("its header claims %1 x %2 pixels, more than its %3 bytes can hold")
            .arg(stored.width())
            .arg(stored.height())
            .arg(fileBytes);
    return QString();
}

// The size to decode a photo at. It is drawn stretched over its box, at most the screen, so
// it covers the screen both ways (where the photo has that many pixels) with its proportions.
QSize decodedSize(const QSize &stored, const QSize &largestDrawn)
{
    const QSize covering = stored.scaled(largestDrawn, Qt::KeepAspectRatioByExpanding);
    return covering.width() >= stored.width() || covering.height() >= stored.height() ? stored : covering;
}

// Every other kind: decoded whole by Qt, then reduced a row at a time so that no second
// picture of the stored size is made.
QImage readWhole(QFile &file, const QByteArray &format, const QSize &wanted)
{
    file.seek(0);
    QImageReader reader(&file, format);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(int(wholeMemoryBudget / mebibyte));
    const QImage decoded = reader.read();
    if (decoded.isNull())
        return QImage();
    PhotoReduction reduction(decoded.size(), wanted.boundedTo(decoded.size()));
    reduction.addPicture(decoded);
    return reduction.picture();
}

// The picture turned as its orientation tag says: mirrored or flipped first, then turned a
// quarter to the right.
QImage upright(const QImage &picture, QImageIOHandler::Transformations turn)
{
    const QImage mirrored = picture.mirrored(turn & QImageIOHandler::TransformationMirror,
                                             turn & QImageIOHandler::TransformationFlip);
    return turn & QImageIOHandler::TransformationRotate90 ? mirrored.transformed(QTransform().rotate(90)) : mirrored;
}

} // namespace

QImage readPhoto(const QString &fileName, const QSize &largestDrawn)
{
    QFile file;
    if (!openRegularFile(file, fileName))
        return QImage();
    QByteArray format;
    QSize stored;
    QImageIOHandler::Transformations turn;
    QImage::Format decodedFormat;
    {
        QImageReader header(&file);
        format = header.format();
        stored = header.size();
        turn = header.transformation();
        decodedFormat = header.imageFormat();
    }
    if (!stored.isValid() || stored.isEmpty())
        return QImage();
    const DecodingPlan plan = planFor(file, format, stored, decodedFormat);
    const QString why = refusal(plan, stored, file.size());
    if (!why.isEmpty()) {
        qCWarning(lcPhoto).noquote() << QStringLiteral("Photo %1 not read: %2").arg(fileName, why);
        return QImage();
    }

    // The decoders work in the stored orientation; a phone photo stored sideways is turned
    // upright after reading.
    const bool sideways = turn & QImageIOHandler::TransformationRotate90;
    const QSize wanted = decodedSize(stored, sideways ? largestDrawn.transposed() : largestDrawn);
    QImage picture;
    switch (plan.decoding) {
    case Decoding::JpegRows:
        picture = JpegRows::read(file, wanted, wholeMemoryBudget + jpegWorkingMemory);
        break;
    case Decoding::PngRows:
        file.seek(0);
        picture = PngRows::read(file, wanted);
        break;
    case Decoding::Whole:
        picture = readWhole(file, format, wanted);
        break;
    }
    return picture.isNull() ? picture : upright(picture, turn);
}
