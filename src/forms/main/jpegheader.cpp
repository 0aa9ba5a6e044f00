#include "forms/main/jpegheader.h"

#include <QIODevice>
#include <QScopeGuard>
#include <QVector>

namespace {

struct Sampling
{
    int horizontal;
    int vertical;
};

int bigEndian16(const QByteArray &bytes, int at)
{
    return uchar(bytes.at(at)) << 8 | uchar(bytes.at(at + 1));
}

bool isFrame(int marker)
{
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning) are no frames.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The next marker's code: after 0xFF and any number of fill bytes 0xFF. A few stray bytes
// before it are passed over, as libjpeg passes them over. 0 at the end of the file, or
// where no marker comes for longer than any header segment.
int nextMarker(QIODevice &file)
{
    char byte = 0;
    bool afterFF = false;
    for (int stray = 0; stray <= 0xFFFF && file.getChar(&byte); ++stray) {
        if (uchar(byte) == 0xFF)
            afterFF = true;
        else if (afterFF && byte != 0)
            return uchar(byte);
        else
            afterFF = false;
    }
    return 0;
}

qint64 roundedUp(qint64 value, int multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

// libjpeg's coefficient arrays for the whole picture: per component, its blocks rounded up
// to whole units of its sampling, 64 coefficients of two bytes each.
qint64 coefficientBytes(const QSize &size, const QVector<Sampling> &components)
{
    int widest = 1;
    int tallest = 1;
    for (const Sampling &sampling : components) {
        widest = qMax(widest, sampling.horizontal);
        tallest = qMax(tallest, sampling.vertical);
    }
    qint64 bytes = 0;
    for (const Sampling &sampling : components) {
        const qint64 across = (qint64(size.width()) * sampling.horizontal + widest * 8 - 1) / (widest * 8);
        const qint64 down = (qint64(size.height()) * sampling.vertical + tallest * 8 - 1) / (tallest * 8);
        bytes += roundedUp(across, sampling.horizontal) * roundedUp(down, sampling.vertical) * 64 * 2;
    }
    return bytes;
}

} // namespace

JpegHeader JpegHeader::read(QIODevice &file)
{
    JpegHeader header;
    const auto backToStart = qScopeGuard([&file] { file.seek(0); });
    if (!file.seek(0) || file.read(2) != QByteArrayLiteral("\xFF\xD8"))
        return header;
    int frame = 0;
    QVector<Sampling> components;
    for (;;) {
        const int marker = nextMarker(file);
        // Restart markers and TEM stand alone; anything else carries a length.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0 || marker == 0xD8 || marker == 0xD9)
            return header;
        const QByteArray length = file.read(2);
        if (length.size() < 2 || bigEndian16(length, 0) < 2)
            return header;
        const QByteArray body = file.read(bigEndian16(length, 0) - 2);
        if (body.size() < bigEndian16(length, 0) - 2)
            return header;
        if (isFrame(marker) && frame == 0) {
            // Precision, height, width, component count, then three bytes a component.
            if (body.size() < 6 || body.size() < 6 + 3 * uchar(body.at(5)) || uchar(body.at(5)) == 0)
                return header;
            frame = marker;
            header.size = QSize(bigEndian16(body, 3), bigEndian16(body, 1));
            for (int component = 0; component < uchar(body.at(5)); ++component) {
                const uchar factors = uchar(body.at(6 + 3 * component + 1));
                const Sampling sampling{factors >> 4, factors & 0x0F};
                if (sampling.horizontal < 1 || sampling.horizontal > 4 || sampling.vertical < 1 || sampling.vertical > 4)
                    return header;
                components.append(sampling);
            }
        } else if (marker == 0xDA) {
            if (frame == 0 || body.isEmpty() || header.size.isEmpty())
                return header;
            header.readable = true;
            header.huffman = frame <= 0xC7;
            header.banded = (frame == 0xC0 || frame == 0xC1) && uchar(body.at(0)) == components.size();
            header.wholeCoefficientBytes = coefficientBytes(header.size, components);
            return header;
        }
    }
}
