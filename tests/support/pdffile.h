#pragma once

#include <QString>
#include <QStringList>

// What poppler's tools read from a PDF file the program wrote; a tool that cannot run fails
// the test.
namespace PdfFile {

int pageCount(const QString &pdf);
// The text of one page in reading order, runs of blanks and line ends made one blank.
QString pageText(const QString &pdf, int page);
// How far down its page a word (a run of text without blanks) ends, from 0 at the top to 1
// at the bottom; -1 when the page does not have it.
qreal wordBottom(const QString &pdf, int page, const QString &word);
// The pictures, as "page:widthxheight encoding", the size in pixels, the encoding as
// pdfimages names it ("jpeg", "image" for none, ...).
QStringList images(const QString &pdf);

// Expects the print preview titled caption to open next, and saves its document as pdf
// through 保存为PDF and the file dialog, typing the path as a user may; then closes the
// preview. *pages gets the number of pages the preview showed, *note (when given) the note
// shown over the pages ("" for none).
void saveFromNextPreview(const QString &caption, const QString &pdf, int *pages, QString *note = nullptr);

} // namespace PdfFile
