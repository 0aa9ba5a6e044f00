#include "forms/print/printphotos.h"

#include "core/mQuillonix.h"
#include "forms/main/photofile.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <cmath>

namespace {

// Kept a little better than the PDF writer stores photos, so that storing them again
// loses nothing one can see.
constexpr int keptQuality = 95;
// The preview's photos together hold at most this many pixels (60 MB in 24-bit colour);
// none is larger than the photo at half the printed resolution.
constexpr qint64 previewPixels = 20'000'000;
constexpr int previewReduction = 2;

} // namespace

PrintPhoto PrintPhotos::prepare(const QStringList &files, const QSize &largest)
{
    for (const QString &name : files) {
        const QString file = funLocateFile(name);
        if (file.isEmpty())
            continue;
        QImage picture = readPhoto(file, largest);
        if (picture.isNull())
            continue;
        // A JPEG decoder reduces by halves only: the rest of the way here.
        if (picture.width() > largest.width() || picture.height() > largest.height())
            picture = picture.scaled(largest, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        PrintPhoto prepared{QByteArray(), picture.size()};
        QBuffer buffer(&prepared.jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(keptQuality);
        if (writer.write(picture))
            return prepared;
    }
    return PrintPhoto();
}

QString PrintPhotos::folder()
{
    // Qt names no folder when the one TMPDIR names is missing.
    const QString temporary = QDir::tempPath();
    return QDir::toNativeSeparators(temporary.isEmpty() ? qEnvironmentVariable("TMPDIR") : temporary);
}

int PrintPhotos::keep(const PrintPhoto &photo)
{
    if (!m_file.isOpen()) {
        // In the temporary folder and nowhere else, not even the current folder.
        const QString temporary = QDir::tempPath();
        if (temporary.isEmpty())
            return -1;
        m_file.setFileTemplate(QDir(temporary).filePath(QStringLiteral("quillonix-photos-XXXXXX")));
        if (!m_file.open())
            return -1;
    }
    const qint64 offset = m_file.size();
    if (!m_file.seek(offset) || m_file.write(photo.jpeg) != photo.jpeg.size())
        return -1;
    m_kept.append({offset, photo.jpeg.size(), photo.size});
    return int(m_kept.size()) - 1;
}

QImage PrintPhotos::photo(int number, PrintOutput output)
{
    const QSize full = size(number);
    // On paper in 32-bit colour, the form a PDF file stores without a mask; the preview
    // keeps its many in 24-bit.
    if (output == PrintOutput::Paper)
        return read(number, full, QImage::Format_RGB32);
    const qint64 share = previewPixels / m_kept.size();
    const qreal scale = qMin(1.0 / previewReduction, std::sqrt(qreal(share) / (qint64(full.width()) * full.height())));
    return read(number, full * scale, QImage::Format_RGB888);
}

QImage PrintPhotos::photo(int number, const QSize &largest)
{
    return read(number, largest, QImage::Format_RGB32);
}

QImage PrintPhotos::read(int number, const QSize &largest, QImage::Format format)
{
    const Kept &kept = m_kept.at(number);
    if (!m_file.seek(kept.offset))
        return QImage();
    QBuffer buffer;
    buffer.setData(m_file.read(kept.length));
    QImageReader reader(&buffer, "jpeg");
    if (kept.size.boundedTo(largest) != kept.size)
        reader.setScaledSize(kept.size.scaled(largest, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    const QImage picture = reader.read();
    return picture.isNull() ? picture : picture.convertToFormat(format);
}
