#include "forms/main/jpegrows.h"

#include "forms/main/photoreduction.h"

#include <QIODevice>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

// libjpeg reports an error by jumping back to the setjmp of the step that met it; its
// warnings (a file that breaks off, stray bytes) are not the user's concern.
struct ErrorJump
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump *>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

// The file as libjpeg's source, read in blocks as the decoder asks for them.
struct DeviceSource
{
    jpeg_source_mgr manager;
    QIODevice *file;
    std::array<JOCTET, 65536> buffer;
};

void startReading(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr info)
{
    auto *source = reinterpret_cast<DeviceSource *>(info->src);
    qint64 read = source->file->read(reinterpret_cast<char *>(source->buffer.data()), qint64(source->buffer.size()));
    if (read <= 0) {
        // A file that breaks off ends as if its end marker followed: the rest decodes grey.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        read = 2;
    }
    source->manager.next_input_byte = source->buffer.data();
    source->manager.bytes_in_buffer = size_t(read);
    return TRUE;
}

void skipBytes(j_decompress_ptr info, long count)
{
    jpeg_source_mgr &source = *info->src;
    while (count > long(source.bytes_in_buffer)) {
        count -= long(source.bytes_in_buffer);
        fillBuffer(info);
    }
    if (count > 0) {
        source.next_input_byte += count;
        source.bytes_in_buffer -= size_t(count);
    }
}

void stopReading(j_decompress_ptr) {}

// Rows of four bytes a pixel as libjpeg gives them, in QRgb's byte order: colour as it is;
// CMYK as Adobe writes it, each ink inverted, so that 255 is no ink.
void toColour(const JOCTET *decoded, QRgb *row, int width, bool inks)
{
    if (!inks) {
        std::copy_n(reinterpret_cast<const QRgb *>(decoded), width, row);
        return;
    }
    for (int x = 0; x < width; ++x, decoded += 4) {
        const int black = decoded[3];
        row[x] = qRgb(black * decoded[0] / 255, black * decoded[1] / 255, black * decoded[2] / 255);
    }
}

// One JPEG being read. Each step sets its own setjmp and makes no object that needs
// destroying after it, so that libjpeg's jump back out of it leaves nothing behind.
class JpegReading
{
public:
    explicit JpegReading(QIODevice &file)
    {
        m_info.err = jpeg_std_error(&m_errors.manager);
        m_errors.manager.error_exit = jumpBack;
        m_errors.manager.output_message = quiet;
        jpeg_create_decompress(&m_info);
        m_source.file = &file;
        m_source.manager.init_source = startReading;
        m_source.manager.fill_input_buffer = fillBuffer;
        m_source.manager.skip_input_data = skipBytes;
        m_source.manager.resync_to_restart = jpeg_resync_to_restart;
        m_source.manager.term_source = stopReading;
        m_source.manager.bytes_in_buffer = 0;
        m_source.manager.next_input_byte = nullptr;
        m_info.src = &m_source.manager;
    }
    ~JpegReading() { jpeg_destroy_decompress(&m_info); }
    JpegReading(const JpegReading &) = delete;
    JpegReading &operator=(const JpegReading &) = delete;

    // Reads the header and starts decoding at the smallest n/8 of the stored size that
    // covers `covered`. The decoded size; an empty size when the file cannot be decoded.
    QSize start(const QSize &covered, qint64 memoryLimit)
    {
        if (setjmp(m_errors.jump))
            return QSize();
        jpeg_read_header(&m_info, TRUE);
        m_inks = m_info.jpeg_color_space == JCS_CMYK || m_info.jpeg_color_space == JCS_YCCK;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        m_info.out_color_space = m_inks ? JCS_CMYK : JCS_EXT_BGRA;
#else
        m_info.out_color_space = m_inks ? JCS_CMYK : JCS_EXT_ARGB;
#endif
        m_info.mem->max_memory_to_use = long(memoryLimit);
        m_info.scale_denom = 8;
        for (m_info.scale_num = 1; m_info.scale_num < 8; ++m_info.scale_num) {
            jpeg_calc_output_dimensions(&m_info);
            if (int(m_info.output_width) >= covered.width() && int(m_info.output_height) >= covered.height())
                break;
        }
        jpeg_start_decompress(&m_info);
        if (m_info.output_components != 4)
            return QSize();
        return QSize(int(m_info.output_width), int(m_info.output_height));
    }

    // Hands every decoded row to the reduction; false when the file is damaged.
    bool readRows(PhotoReduction &reduction, std::vector<JOCTET> &decoded, std::vector<QRgb> &row)
    {
        if (setjmp(m_errors.jump))
            return false;
        while (m_info.output_scanline < m_info.output_height) {
            JSAMPROW rows[] = {decoded.data()};
            jpeg_read_scanlines(&m_info, rows, 1);
            toColour(decoded.data(), row.data(), int(row.size()), m_inks);
            reduction.addRow(row.data());
        }
        return true;
    }

private:
    jpeg_decompress_struct m_info{};
    ErrorJump m_errors{};
    DeviceSource m_source{};
    bool m_inks = false;
};

} // namespace

namespace JpegRows {

QImage read(QIODevice &file, const QSize &reduced, qint64 memoryLimit)
{
    if (!file.seek(0) || reduced.isEmpty())
        return QImage();
    JpegReading reading(file);
    const QSize decoded = reading.start(reduced, memoryLimit);
    if (decoded.isEmpty() || reduced.boundedTo(decoded) != reduced)
        return QImage();
    PhotoReduction reduction(decoded, reduced);
    std::vector<JOCTET> decodedRow(size_t(decoded.width()) * 4);
    std::vector<QRgb> row(size_t(decoded.width()));
    if (!reading.readRows(reduction, decodedRow, row))
        return QImage();
    return reduction.picture();
}

} // namespace JpegRows
