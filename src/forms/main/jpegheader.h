#pragma once

#include <QSize>

class QIODevice;

// What a JPEG's header says about the cost of decoding it, found by walking its segments
// up to the first scan: its size, whether libjpeg can decode it band by band, and what it
// holds in memory when it cannot.
struct JpegHeader
{
    // False when the walk cannot follow the header: nothing else is then known.
    bool readable = false;
    QSize size;
    // Sequential and Huffman-coded, with every colour component in its first scan: libjpeg
    // decodes it band by band. Progressive frames, and sequential ones coded a component at
    // a time, are decoded from coefficients held for the whole picture.
    bool banded = false;
    // Huffman-coded (not arithmetic-coded): every 8 x 8 block of the picture then takes at
    // least one bit of the file.
    bool huffman = false;
    // The bytes of coefficients libjpeg holds for the whole picture when it is not banded.
    qint64 wholeCoefficientBytes = 0;

    // The header of the JPEG from the start of file; the file is left at its start.
    static JpegHeader read(QIODevice &file);
};
