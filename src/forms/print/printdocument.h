#pragma once

#include "forms/print/printphotos.h"

#include <QDate>
#include <QPageLayout>
#include <QString>
#include <QVector>
#include <functional>

class QPagedPaintDevice;
class QPainter;
class QRectF;
class WorkProgress;

// One piece of a printed document, kept whole on one page: its height for a width, and its
// painting into an area of that width and height, for the preview or for paper. Lengths are
// the painter's device pixels.
struct PrintBlock
{
    std::function<qreal(QPainter &painter, qreal width)> height;
    std::function<void(QPainter &painter, const QRectF &area, PrintOutput output)> paint;
};

// A printed document for the customer: blocks one below the other down the pages, none split
// across two, under a header with the program's credit line, the title and the date, and
// over the page number. A block taller than a page is shrunk onto a page of its own.
class PrintDocument
{
public:
    PrintDocument(QString title, QString credit, QDate date);

    const QString &title() const { return m_title; }
    // Drawn at the top of every page, above the blocks: a table's column heads.
    void setPageHead(PrintBlock head) { m_pageHead = std::move(head); }
    void addBlock(PrintBlock block) { m_blocks.append(std::move(block)); }
    // The space between blocks, 4 mm unless set; 0 for the rows of a table.
    void setBlockGap(qreal millimetres) { m_blockGap = millimetres; }

    // Paints the document on the device's pages, a step of progress a block. False when the
    // device cannot be painted on, or the user stopped the work (then some pages may be
    // painted).
    bool print(QPagedPaintDevice &device, PrintOutput output, WorkProgress &progress) const;
    // Writes the document to a PDF file on the paper given. False when the file cannot be
    // written, or the user stopped the work; either way no file, nor any part of one, is left
    // (a file that was there stays as it was).
    bool saveAsPdf(const QString &file, const QPageLayout &paper, WorkProgress &progress) const;
    // How many steps of progress print() makes.
    int steps() const { return 2 * int(m_blocks.size()); }

    // A4 upright with 15 mm margins: what an agency's printer and a customer's bag take.
    static QPageLayout paper();

    // The fonts and lengths of printed documents.
    static QFont font(qreal points, bool bold = false);
    static qreal millimetres(const QPainter &painter, qreal length);

private:
    QString m_title;
    QString m_credit;
    QDate m_date;
    qreal m_blockGap = 4;
    PrintBlock m_pageHead;
    QVector<PrintBlock> m_blocks;
};
