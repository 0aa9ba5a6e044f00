#include "picturefiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QVector>

#include <array>
#include <cstdio>
#include <functional>
#include <jpeglib.h>
#include <png.h>
#include <vector>

namespace PictureFiles {

QByteArray encoded(const QImage &picture, const char *format, bool progressive, int quality)
{
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.setQuality(quality);
    if (!writer.write(picture))
        qFatal("cannot write a %s picture: %s", format, qPrintable(writer.errorString()));
    return file;
}

QByteArray cameraPhoto(const QSize &size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage photo(size, QImage::Format_RGB32);
    const int width = size.width();
    const int height = size.height();
    {
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 0, height);
        sky.setColorAt(0, QColor(110, 160, 225));
        sky.setColorAt(1, QColor(235, 215, 180));
        painter.fillRect(photo.rect(), sky);
        for (int building = 0; building < 40; ++building) {
            const QRect front(random.bounded(width), height / 4 + random.bounded(height / 2),
                              width / 20 + random.bounded(width / 8), height);
            const QColor wall = QColor::fromHsv(random.bounded(360), 20 + random.bounded(60), 120 + random.bounded(120));
            painter.fillRect(front, wall);
            for (int y = front.top() + height / 60; y < height; y += height / 60) {
                for (int x = front.left() + width / 300; x < front.right() - width / 150; x += width / 150)
                    painter.fillRect(x, y, width / 300, height / 120, wall.darker(130 + random.bounded(80)));
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(13)) - 6;
            const QRgb colour = line[x];
            line[x] = qRgb(qBound(0, qRed(colour) + grain, 255), qBound(0, qGreen(colour) + grain, 255),
                           qBound(0, qBlue(colour) + grain, 255));
        }
    }
    return encoded(photo, "JPEG", false, 92);
}

namespace {

// GIF's variable-length codes, packed from the lowest bit up and handed on in GIF's data
// sub-blocks of up to 255 bytes.
class CodeWriter
{
public:
    explicit CodeWriter(QIODevice &out) : m_out(out) {}
    void write(int code, int bits)
    {
        m_pending |= quint32(code) << m_pendingBits;
        m_pendingBits += bits;
        while (m_pendingBits >= 8) {
            m_block.append(char(m_pending & 0xFF));
            m_pending >>= 8;
            m_pendingBits -= 8;
            if (m_block.size() == 255)
                writeBlock();
        }
    }
    void finish()
    {
        if (m_pendingBits > 0)
            m_block.append(char(m_pending & 0xFF));
        if (!m_block.isEmpty())
            writeBlock();
        m_out.putChar('\0');
    }

private:
    void writeBlock()
    {
        m_out.putChar(char(m_block.size()));
        m_out.write(m_block);
        m_block.clear();
    }

    QIODevice &m_out;
    QByteArray m_block;
    quint32 m_pending = 0;
    int m_pendingBits = 0;
};

void appendLittleEndian(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i) & 0xFF));
}

// An 8-bit palette GIF written a row at a time; `indices` fills row y with palette indices.
void writeGif(QIODevice &out, const QSize &size, const QVector<QRgb> &palette,
              const std::function<void(int, uchar *)> &indices)
{
    QByteArray header("GIF89a");
    appendLittleEndian(header, quint32(size.width()), 2);
    appendLittleEndian(header, quint32(size.height()), 2);
    header.append(char(0xF7)); // a global table of 256 colours
    header.append(2, '\0');
    for (int index = 0; index < 256; ++index) {
        const QRgb colour = palette.value(index);
        header.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    header.append(char(0x2C));
    appendLittleEndian(header, 0, 4);
    appendLittleEndian(header, quint32(size.width()), 2);
    appendLittleEndian(header, quint32(size.height()), 2);
    header.append('\0');
    header.append(char(8));
    out.write(header);
    // Every pixel is a literal 9-bit code; a clear code before the code table would need a
    // tenth bit keeps every decoder at nine.
    const int clear = 256;
    const int end = 257;
    CodeWriter codes(out);
    int sinceClear = 254;
    std::vector<uchar> row(size_t(size.width()));
    for (int y = 0; y < size.height(); ++y) {
        indices(y, row.data());
        for (const uchar index : row) {
            if (sinceClear == 254) {
                codes.write(clear, 9);
                sinceClear = 0;
            }
            codes.write(index, 9);
            ++sinceClear;
        }
    }
    codes.write(end, 9);
    codes.finish();
    out.putChar(char(0x3B));
}

// libjpeg's output straight into a device.
struct DeviceDestination
{
    jpeg_destination_mgr manager;
    QIODevice *out;
    std::array<JOCTET, 65536> buffer;
};

void startWriting(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<DeviceDestination *>(info->dest);
    destination->manager.next_output_byte = destination->buffer.data();
    destination->manager.free_in_buffer = destination->buffer.size();
}

boolean writeBuffer(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<DeviceDestination *>(info->dest);
    destination->out->write(reinterpret_cast<const char *>(destination->buffer.data()),
                            qint64(destination->buffer.size()));
    startWriting(info);
    return TRUE;
}

void finishWriting(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<DeviceDestination *>(info->dest);
    destination->out->write(reinterpret_cast<const char *>(destination->buffer.data()),
                            qint64(destination->buffer.size() - destination->manager.free_in_buffer));
}

// A JPEG written a row at a time; `fill` writes row y in the given components.
void writeJpeg(QIODevice &out, const QSize &size, J_COLOR_SPACE space, int components, int quality, bool progressive,
               const std::function<void(int, JSAMPLE *)> &fill)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    DeviceDestination destination{};
    destination.out = &out;
    destination.manager.init_destination = startWriting;
    destination.manager.empty_output_buffer = writeBuffer;
    destination.manager.term_destination = finishWriting;
    info.dest = &destination.manager;
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(size.width()) * size_t(components));
    while (info.next_scanline < info.image_height) {
        fill(int(info.next_scanline), row.data());
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

void writePngOut(png_structp png, png_bytep data, size_t length)
{
    static_cast<QIODevice *>(png_get_io_ptr(png))->write(reinterpret_cast<const char *>(data), qint64(length));
}

void flushNothing(png_structp) {}

// An 8-bit colour PNG written a row at a time, packed fast as scanners do.
void writePng(QIODevice &out, const QSize &size, const std::function<void(int, png_bytep)> &fill)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, writePngOut, flushNothing);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(size.width()) * 3);
    for (int y = 0; y < size.height(); ++y) {
        fill(y, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
}

// A 24-bit BMP written from its bottom row up, as BMP stores it.
void writeBmp(QIODevice &out, const QSize &size, const std::function<void(int, QRgb *)> &fill)
{
    const quint32 stride = (quint32(size.width()) * 3 + 3) / 4 * 4;
    const quint32 pixelBytes = stride * quint32(size.height());
    QByteArray header("BM");
    appendLittleEndian(header, 54 + pixelBytes, 4);
    appendLittleEndian(header, 0, 4);
    appendLittleEndian(header, 54, 4);
    appendLittleEndian(header, 40, 4);
    appendLittleEndian(header, quint32(size.width()), 4);
    appendLittleEndian(header, quint32(size.height()), 4);
    appendLittleEndian(header, 1, 2);
    appendLittleEndian(header, 24, 2);
    appendLittleEndian(header, 0, 4); // uncompressed
    appendLittleEndian(header, pixelBytes, 4);
    appendLittleEndian(header, 2835, 4); // 72 dots an inch
    appendLittleEndian(header, 2835, 4);
    appendLittleEndian(header, 0, 4); // every colour used
    appendLittleEndian(header, 0, 4);
    out.write(header);
    std::vector<QRgb> colours(size_t(size.width()));
    QByteArray row(int(stride), '\0');
    for (int y = size.height() - 1; y >= 0; --y) {
        fill(y, colours.data());
        for (int x = 0; x < size.width(); ++x) {
            row[3 * x] = char(qBlue(colours[size_t(x)]));
            row[3 * x + 1] = char(qGreen(colours[size_t(x)]));
            row[3 * x + 2] = char(qRed(colours[size_t(x)]));
        }
        out.write(row);
    }
}

// A sensor's grain: a small step up or down, the same for every channel of a pixel, that
// looks random but is the same for the same pixel every time; 0 to 20, 10 for none.
int grainAt(int x, int y)
{
    quint32 mixed = quint32(x) * 0x9E3779B1u ^ quint32(y) * 0x85EBCA77u;
    mixed ^= mixed >> 15;
    mixed *= 0x2C1B3C6Du;
    return int((mixed >> 16) % 21);
}

QRgb shifted(const QColor &colour, int step)
{
    return qRgb(qBound(0, colour.red() + step, 255), qBound(0, colour.green() + step, 255),
                qBound(0, colour.blue() + step, 255));
}

} // namespace

QByteArray gif(const QImage &palettePicture)
{
    if (palettePicture.format() != QImage::Format_Indexed8)
        qFatal("a GIF is written from an 8-bit palette picture");
    QByteArray file;
    QBuffer out(&file);
    out.open(QIODevice::WriteOnly);
    writeGif(out, palettePicture.size(), palettePicture.colorTable(), [&palettePicture](int y, uchar *indices) {
        std::copy_n(palettePicture.constScanLine(y), palettePicture.width(), indices);
    });
    return file;
}

QByteArray cmykJpeg(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QByteArray file;
    QBuffer out(&file);
    out.open(QIODevice::WriteOnly);
    writeJpeg(out, rgb.size(), JCS_CMYK, 4, 95, false, [&rgb](int y, JSAMPLE *row) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb colour = rgb.pixel(x, y);
            const int darkest = 255 - qMax(qRed(colour), qMax(qGreen(colour), qBlue(colour)));
            const auto ink = [darkest](int channel) {
                return darkest == 255 ? 0 : (255 - channel - darkest) * 255 / (255 - darkest);
            };
            // Adobe's programs store every ink inverted: 255 is none.
            JSAMPLE *pixel = row + size_t(x) * 4;
            pixel[0] = JSAMPLE(255 - ink(qRed(colour)));
            pixel[1] = JSAMPLE(255 - ink(qGreen(colour)));
            pixel[2] = JSAMPLE(255 - ink(qBlue(colour)));
            pixel[3] = JSAMPLE(255 - darkest);
        }
    });
    return file;
}

void writeLargePhoto(const QString &fileName, const LargePhoto &photo)
{
    QFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(fileName));
    const int half = photo.size.width() / 2;
    const auto step = [&photo](int x, int y) { return photo.grain ? grainAt(x, y) : 10; };
    const auto colours = [&](int y, QRgb *row) {
        for (int x = 0; x < photo.size.width(); ++x)
            row[x] = shifted(x < half ? photo.left : photo.right, step(x, y) - 10);
    };
    const auto bytes = [&](int y, uchar *row) {
        for (int x = 0; x < photo.size.width(); ++x, row += 3) {
            const QRgb colour = shifted(x < half ? photo.left : photo.right, step(x, y) - 10);
            row[0] = uchar(qRed(colour));
            row[1] = uchar(qGreen(colour));
            row[2] = uchar(qBlue(colour));
        }
    };
    switch (photo.kind) {
    case LargePhoto::BaselineJpeg:
    case LargePhoto::ProgressiveJpeg:
        writeJpeg(out, photo.size, JCS_RGB, 3, 90, photo.kind == LargePhoto::ProgressiveJpeg, bytes);
        break;
    case LargePhoto::Png:
        writePng(out, photo.size, bytes);
        break;
    case LargePhoto::Gif: {
        // The left half's shades first, then the right half's.
        QVector<QRgb> palette;
        for (int shade = 0; shade < 128; ++shade)
            palette << shifted(photo.left, qMin(shade, 20) - 10);
        for (int shade = 0; shade < 128; ++shade)
            palette << shifted(photo.right, qMin(shade, 20) - 10);
        writeGif(out, photo.size, palette, [&](int y, uchar *indices) {
            for (int x = 0; x < photo.size.width(); ++x)
                indices[x] = uchar((x < half ? 0 : 128) + step(x, y));
        });
        break;
    }
    case LargePhoto::Bmp:
        writeBmp(out, photo.size, colours);
        break;
    }
    if (out.error() != QFileDevice::NoError || !out.flush())
        qFatal("cannot write %s", qPrintable(fileName));
}

QByteArray withOrientation(const QByteArray &jpeg, int orientation)
{
    // Big-endian TIFF data with one directory of one entry: tag 0x0112, one SHORT.
    QByteArray exif("Exif\0\0", 6);
    exif.append("MM\0\x2A\0\0\0\x08", 8);
    exif.append("\0\x01", 2);
    exif.append("\x01\x12\0\x03\0\0\0\x01", 8);
    exif.append('\0').append(char(orientation)).append(2, '\0');
    exif.append(4, '\0');
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF)).append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

JpegFrame jpegFrame(const QByteArray &jpeg)
{
    JpegFrame frame;
    const auto byteAt = [&jpeg](qsizetype at) { return at < jpeg.size() ? uchar(jpeg.at(at)) : 0; };
    for (qsizetype at = 2; byteAt(at) == 0xFF && at + 9 < jpeg.size();) {
        const int marker = byteAt(at + 1);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            frame.marker = marker;
            frame.size = QSize(byteAt(at + 7) << 8 | byteAt(at + 8), byteAt(at + 5) << 8 | byteAt(at + 6));
            frame.components = byteAt(at + 9);
            frame.offset = int(at);
            return frame;
        }
        at += 2 + (byteAt(at + 2) << 8 | byteAt(at + 3));
    }
    return frame;
}

QByteArray jpegClaiming(const QSize &claimed, bool progressive)
{
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(QColor(90, 140, 200));
    QByteArray file = encoded(small, "JPEG", progressive);
    const int at = jpegFrame(file).offset;
    file[at + 5] = char(claimed.height() >> 8);
    file[at + 6] = char(claimed.height() & 0xFF);
    file[at + 7] = char(claimed.width() >> 8);
    file[at + 8] = char(claimed.width() & 0xFF);
    return file;
}

QByteArray gifClaiming(const QSize &claimed)
{
    QImage small(8, 8, QImage::Format_Indexed8);
    small.setColorTable({qRgb(90, 140, 200)});
    small.fill(0);
    QByteArray file = gif(small);
    // The logical screen's size, then the image's, after the header and the colour table.
    const int image = 13 + 3 * 256 + 5;
    for (const int at : {6, image}) {
        file[at] = char(claimed.width() & 0xFF);
        file[at + 1] = char(claimed.width() >> 8);
        file[at + 2] = char(claimed.height() & 0xFF);
        file[at + 3] = char(claimed.height() >> 8);
    }
    return file;
}

QByteArray bmpClaiming(const QSize &claimed)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(QColor(90, 140, 200));
    QByteArray file = encoded(small, "BMP");
    if (file.at(28) != 24 && file.at(28) != 32)
        qFatal("Qt wrote a BMP of %d bits a pixel", int(file.at(28)));
    for (int i = 0; i < 4; ++i) {
        file[18 + i] = char(claimed.width() >> (8 * i) & 0xFF);
        file[22 + i] = char(claimed.height() >> (8 * i) & 0xFF);
    }
    return file;
}

QByteArray plainPng(const QSize &size)
{
    QImage picture(size, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(0);
    return encoded(picture, "PNG");
}

} // namespace PictureFiles
