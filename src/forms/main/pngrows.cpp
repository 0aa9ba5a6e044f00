#include "forms/main/pngrows.h"

#include "forms/main/photoreduction.h"

#include <QIODevice>

#include <png.h>
#include <vector>

namespace {

// libpng reports an error by jumping back to the setjmp of the step that met it; warnings
// (a damaged ancillary chunk, which is skipped) are not the user's concern.
void jumpBack(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignore(png_structp, png_const_charp) {}

void readFromDevice(png_structp png, png_bytep data, size_t length)
{
    auto *file = static_cast<QIODevice *>(png_get_io_ptr(png));
    if (file->read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the file ends early");
}

// One PNG being read. Each step sets its own setjmp and makes no object that needs
// destroying after it, so that libpng's jump back out of it leaves nothing behind.
class PngReading
{
public:
    explicit PngReading(QIODevice &file)
        : m_png(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpBack, ignore)),
          m_info(m_png ? png_create_info_struct(m_png) : nullptr)
    {
        if (m_info)
            png_set_read_fn(m_png, &file, readFromDevice);
    }
    ~PngReading() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    PngReading(const PngReading &) = delete;
    PngReading &operator=(const PngReading &) = delete;

    // Reads the header and asks for rows of 32-bit colour in QRgb's byte order. The stored
    // size; an empty size when the file is no PNG that can be read row by row.
    QSize start()
    {
        if (!m_info || setjmp(png_jmpbuf(m_png)))
            return QSize();
        png_read_info(m_png, m_info);
        if (png_get_interlace_type(m_png, m_info) != PNG_INTERLACE_NONE)
            return QSize();
        // Palette and grey pictures become colour, with the palette's transparency as alpha.
        png_set_expand(m_png);
        png_set_strip_16(m_png);
        png_set_gray_to_rgb(m_png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(m_png);
        png_set_filler(m_png, 0xFF, PNG_FILLER_AFTER);
#else
        png_set_swap_alpha(m_png);
        png_set_filler(m_png, 0xFF, PNG_FILLER_BEFORE);
#endif
        png_read_update_info(m_png, m_info);
        const QSize stored(int(png_get_image_width(m_png, m_info)), int(png_get_image_height(m_png, m_info)));
        if (png_get_rowbytes(m_png, m_info) != size_t(stored.width()) * sizeof(QRgb))
            return QSize();
        return stored;
    }

    // Hands every row to the reduction; false when the file breaks off or is damaged.
    bool readRows(PhotoReduction &reduction, std::vector<QRgb> &row)
    {
        if (setjmp(png_jmpbuf(m_png)))
            return false;
        const png_uint_32 height = png_get_image_height(m_png, m_info);
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(m_png, reinterpret_cast<png_bytep>(row.data()), nullptr);
            reduction.addRow(row.data());
        }
        return true;
    }

private:
    png_structp m_png;
    png_infop m_info;
};

} // namespace

namespace PngRows {

bool inOrder(QIODevice &file)
{
    // The signature, then the header chunk: its interlace method is byte 28 of the file.
    const QByteArray start = file.peek(29);
    return start.size() == 29 && start.startsWith("\x89PNG\r\n\x1A\n") && start.mid(12, 4) == "IHDR"
           && start.at(28) == 0;
}

QImage read(QIODevice &file, const QSize &reduced)
{
    PngReading reading(file);
    const QSize stored = reading.start();
    if (stored.isEmpty() || reduced.isEmpty() || reduced.boundedTo(stored) != reduced)
        return QImage();
    PhotoReduction reduction(stored, reduced);
    std::vector<QRgb> row(size_t(stored.width()));
    if (!reading.readRows(reduction, row))
        return QImage();
    return reduction.picture();
}

} // namespace PngRows
