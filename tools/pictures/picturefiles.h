#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Picture files as cameras, phones, image tools and hostile senders make them, written in
// memory for the tests and the benchmark to put in a picture folder.
namespace PictureFiles {

// The picture in a format Qt itself writes ("PNG", "BMP", "JPEG", "WEBP"). A palette
// picture (Format_Mono, Format_Indexed8) is written as a palette file where the format has one.
// quality: the writer's own (0 to 100) where the format has one, -1 for its default.
QByteArray encoded(const QImage &picture, const char *format, bool progressive = false, int quality = -1);

// A camera's photo of a street: sky, buildings with rows of windows, and the grain of the
// sensor, as a JPEG of camera quality. A 24-megapixel one takes about 6 MB, as a camera's
// does; the seed varies the street.
QByteArray cameraPhoto(const QSize &size, quint32 seed);

// An 8-bit palette GIF of a palette picture (Format_Indexed8).
QByteArray gif(const QImage &palettePicture);

// A CMYK JPEG as print programs write it: four components, Adobe's marker, inks inverted.
QByteArray cmykJpeg(const QImage &picture);

// The JPEG with an EXIF segment first, as phones write it, whose orientation tag (1 to 8)
// says how the stored picture is turned.
QByteArray withOrientation(const QByteArray &jpeg, int orientation);

// A JPEG of a few hundred bytes whose frame header, progressive or baseline, claims the
// given size (each side at most 65 535).
QByteArray jpegClaiming(const QSize &claimed, bool progressive);

// A GIF, and a 24-bit uncompressed BMP, of a few hundred bytes whose headers claim the given
// size (each side at most 65 535).
QByteArray gifClaiming(const QSize &claimed);
QByteArray bmpClaiming(const QSize &claimed);

// A real PNG of the given size that packs to almost nothing: one colour, one bit a pixel.
QByteArray plainPng(const QSize &size);

// A photo as large as today's cameras and scanners take them, too large to hold in memory:
// its left half one colour, its right half another, each with a sensor's fine grain where
// asked for, so that it costs a decoder what a real photo of its size costs.
struct LargePhoto
{
    enum Kind { BaselineJpeg, ProgressiveJpeg, Png, Gif, Bmp };
    Kind kind;
    QSize size;
    QColor left;
    QColor right;
    bool grain = false;
};

// Writes the photo to the file a row at a time, as its kind is written: JPEG of quality 90
// in 4:2:0 (progressive: libjpeg's standard scans), 8-bit colour PNG, 8-bit palette GIF,
// 24-bit BMP. Ends the process when the file cannot be written.
void writeLargePhoto(const QString &fileName, const LargePhoto &photo);

// The frame header of a JPEG: its marker (0xC0 baseline, 0xC2 progressive, ...), the size
// and the number of colour components it declares, and where it starts; marker 0 when the
// header has none.
struct JpegFrame
{
    int marker = 0;
    QSize size;
    int components = 0;
    int offset = -1;
};
JpegFrame jpegFrame(const QByteArray &jpeg);

} // namespace PictureFiles
