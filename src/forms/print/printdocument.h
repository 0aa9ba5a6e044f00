#pragma once

#include <QDate>
#include <QPageLayout>
#include <QString>
#include <QVector>
#include <functional>

class QPainter;
class QPrinter;
class QRectF;

// One piece of a printed document, kept whole on one page: its height for a width, and its
// painting into an area of that width and height. Lengths are the painter's device pixels.
struct PrintBlock
{
    std::function<qreal(QPainter &painter, qreal width)> height;
    std::function<void(QPainter &painter, const QRectF &area)> paint;
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

    // Paints the document on the printer's pages. False when the printer cannot be painted
    // on, as a PDF file that cannot be written.
    bool print(QPrinter &printer) const;
    // Writes the document to a PDF file on the paper given; false when it cannot be written.
    bool saveAsPdf(const QString &file, const QPageLayout &paper) const;

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
