#include "picturefiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>
#include <jpeglib.h>
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

// GIF's variable-length codes, packed from the lowest bit up.
class CodeWriter
{
public:
    void write(int code, int bits)
    {
        m_pending |= quint32(code) << m_pendingBits;
        m_pendingBits += bits;
        while (m_pendingBits >= 8) {
            m_bytes.append(char(m_pending & 0xFF));
            m_pending >>= 8;
            m_pendingBits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_pendingBits > 0)
            m_bytes.append(char(m_pending & 0xFF));
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_pending = 0;
    int m_pendingBits = 0;
};

void appendLittleEndian16(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8 & 0xFF));
}

} // namespace

QByteArray gif(const QImage &palettePicture)
{
    if (palettePicture.format() != QImage::Format_Indexed8)
        qFatal("a GIF is written from an 8-bit palette picture");
    QByteArray out("GIF89a");
    appendLittleEndian16(out, palettePicture.width());
    appendLittleEndian16(out, palettePicture.height());
    out.append(char(0xF7)); // a global table of 256 colours
    out.append(2, '\0');
    for (int index = 0; index < 256; ++index) {
        const QRgb colour = index < palettePicture.colorCount() ? palettePicture.color(index) : 0;
        out.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    out.append(char(0x2C));
    appendLittleEndian16(out, 0);
    appendLittleEndian16(out, 0);
    appendLittleEndian16(out, palettePicture.width());
    appendLittleEndian16(out, palettePicture.height());
    out.append('\0');
    // Every pixel is a literal 9-bit code; a clear code before the code table would need a
    // tenth bit keeps every decoder at nine.
    const int clear = 256;
    const int end = 257;
    CodeWriter codes;
    int sinceClear = 254;
    for (int y = 0; y < palettePicture.height(); ++y) {
        for (int x = 0; x < palettePicture.width(); ++x) {
            if (sinceClear == 254) {
                codes.write(clear, 9);
                sinceClear = 0;
            }
            codes.write(palettePicture.pixelIndex(x, y), 9);
            ++sinceClear;
        }
    }
    codes.write(end, 9);
    const QByteArray data = codes.finish();
    out.append(char(8));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size())).append(block);
    }
    out.append('\0');
    out.append(char(0x3B));
    return out;
}

QByteArray cmykJpeg(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb colour = rgb.pixel(x, int(info.next_scanline));
            const int darkest = 255 - qMax(qRed(colour), qMax(qGreen(colour), qBlue(colour)));
            const auto ink = [darkest](int channel) {
                return darkest == 255 ? 0 : (255 - channel - darkest) * 255 / (255 - darkest);
            };
            // Adobe's programs store every ink inverted: 255 is none.
            JSAMPLE *pixel = row.data() + size_t(x) * 4;
            pixel[0] = JSAMPLE(255 - ink(qRed(colour)));
            pixel[1] = JSAMPLE(255 - ink(qGreen(colour)));
            pixel[2] = JSAMPLE(255 - ink(qBlue(colour)));
            pixel[3] = JSAMPLE(255 - darkest);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);
    return file;
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

QByteArray plainPng(const QSize &size)
{
    QImage picture(size, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(0);
    return encoded(picture, "PNG");
}

} // namespace PictureFiles
