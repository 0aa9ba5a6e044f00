#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <QTemporaryFile>
#include <QVector>

// What a document is painted for: the preview on the screen, or paper (a printer, a PDF file).
enum class PrintOutput { Preview, Paper };

// A photo made ready for printing: decoded once, at the size it prints, and kept as JPEG.
struct PrintPhoto
{
    QByteArray jpeg; // empty when none of the files holds a photo that can be read
    QSize size;
};

// The photos of a printed document. Each is kept as JPEG at the size it prints, in a
// temporary file rather than decoded in memory, and decoded again whenever a page with it is
// painted: a document of any length holds no more than the photo being drawn.
class PrintPhotos
{
public:
    // The first of the files that holds a photo that can be read, fitted into largest. Reads
    // only the files; may run on any thread.
    static PrintPhoto prepare(const QStringList &files, const QSize &largest);

    // Keeps a prepared photo; returns its number, or -1 when the temporary file cannot be written.
    int keep(const PrintPhoto &photo);
    // Where the photos are kept, for a message when they cannot be.
    static QString folder();

    // The photo as it is painted: on paper at the size it prints, in the preview smaller.
    // The preview's pages hold every photo they show, so the more photos, the smaller each,
    // and the preview stays small however long the document. Null when it cannot be read.
    QImage photo(int number, PrintOutput output);
    // The photo no larger than largest, for the screen.
    QImage photo(int number, const QSize &largest);
    QSize size(int number) const { return m_kept.at(number).size; }

private:
    QImage read(int number, const QSize &largest, QImage::Format format);

    struct Kept
    {
        qint64 offset;
        qint64 length;
        QSize size;
    };

    QTemporaryFile m_file;
    QVector<Kept> m_kept;
};
