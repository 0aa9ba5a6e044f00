#include "forms/print/printdocument.h"

#include "forms/common/workprogress.h"

#include <QApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

constexpr qreal headerHeight = 10;  // mm, the credit line, title and date over a rule
constexpr qreal footerHeight = 8;   // mm, the page number under the blocks

// The blocks of one page, by their place in the document.
using Page = QVector<int>;

// A block as it is put on a page: the scale it is drawn at (1 unless shrunk to fit a page)
// and its height at that scale.
struct Placed
{
    qreal scale;
    qreal height;
};

// A block at full size where it fits in the room of a page, otherwise shrunk. Shrunk, it
// is laid out wider, its text wraps into fewer lines and it grows no taller: the largest
// scale that still fits is looked for.
Placed placed(const PrintBlock &block, QPainter &painter, qreal width, qreal room)
{
    const qreal full = block.height(painter, width);
    if (full <= room)
        return {1, full};
    qreal fits = room / full;
    qreal tooLarge = 1;
    for (int step = 0; step < 12; ++step) {
        const qreal scale = (fits + tooLarge) / 2;
        if (block.height(painter, width / scale) * scale <= room)
            fits = scale;
        else
            tooLarge = scale;
    }
    return {fits, block.height(painter, width / fits) * fits};
}

} // namespace

PrintDocument::PrintDocument(QString title, QString credit, QDate date)
    : m_title(std::move(title)), m_credit(std::move(credit)), m_date(date)
{
}

QFont PrintDocument::font(qreal points, bool bold)
{
    QFont printed = QApplication::font();
    printed.setPointSizeF(points);
    printed.setBold(bold);
    return printed;
}

QPageLayout PrintDocument::paper()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

bool PrintDocument::saveAsPdf(const QString &file, const QPageLayout &paper, WorkProgress &progress) const
{
    // Written beside the file and put in its place once whole.
    QSaveFile saved(file);
    if (!saved.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter pdf(&saved);
        pdf.setResolution(1200);
        pdf.setPageLayout(paper);
        pdf.setTitle(m_title);
        pdf.setCreator(QStringLiteral("Quillonix"));
        if (!print(pdf, PrintOutput::Paper, progress)) {
            saved.cancelWriting();
            return false;
        }
    }
    return saved.commit();
}

qreal PrintDocument::millimetres(const QPainter &painter, qreal length)
{
    return length * painter.device()->logicalDpiY() / 25.4;
}

bool PrintDocument::print(QPagedPaintDevice &device, PrintOutput output, WorkProgress &progress) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const auto mm = [&painter](qreal length) { return millimetres(painter, length); };
    const QRectF paper = device.pageLayout().paintRectPixels(device.logicalDpiY());
    const qreal width = paper.width();
    const qreal bodyTop = mm(headerHeight);
    const qreal bodyBottom = paper.height() - mm(footerHeight);
    const qreal headHeight = m_pageHead.height ? m_pageHead.height(painter, width) + mm(m_blockGap) : 0;
    const qreal room = bodyBottom - bodyTop - headHeight;

    // Lay out first: every page's footer names the number of pages.
    QVector<Placed> blocks;
    QVector<Page> pages(1);
    qreal used = 0;
    for (int index = 0; index < m_blocks.size(); ++index) {
        if (!progress.step())
            return false;
        blocks << placed(m_blocks.at(index), painter, width, room);
        if (!pages.last().isEmpty() && used + blocks.last().height > room) {
            pages.append(Page());
            used = 0;
        }
        pages.last() << index;
        used += blocks.last().height + mm(m_blockGap);
    }

    for (int number = 1; number <= pages.size(); ++number) {
        if (number > 1)
            device.newPage();
        painter.setPen(Qt::black);
        painter.setFont(font(9));
        const QRectF header(0, 0, width, mm(headerHeight - 3));
        painter.drawText(header, Qt::AlignLeft | Qt::AlignBottom, m_credit);
        painter.drawText(header, Qt::AlignRight | Qt::AlignBottom, m_date.toString(QStringLiteral("yyyy-MM-dd")));
        painter.setFont(font(12, true));
        painter.drawText(header, Qt::AlignHCenter | Qt::AlignBottom, m_title);
        painter.drawLine(QPointF(0, mm(headerHeight - 1.5)), QPointF(width, mm(headerHeight - 1.5)));
        painter.setFont(font(9));
        painter.drawText(QRectF(0, bodyBottom, width, mm(footerHeight)), Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("第 %1 页，共 %2 页").arg(number).arg(pages.size()));

        qreal top = bodyTop;
        if (m_pageHead.paint) {
            m_pageHead.paint(painter, QRectF(0, top, width, headHeight - mm(m_blockGap)), output);
            top += headHeight;
        }
        for (int index : pages.at(number - 1)) {
            if (!progress.step())
                return false;
            const Placed &block = blocks.at(index);
            painter.save();
            painter.translate(0, top);
            painter.scale(block.scale, block.scale);
            m_blocks.at(index).paint(painter, QRectF(0, 0, width / block.scale, block.height / block.scale), output);
            painter.restore();
            top += block.height + mm(m_blockGap);
        }
    }
    return painter.end();
}
