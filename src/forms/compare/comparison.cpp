#include "forms/compare/comparison.h"

#include "forms/print/printdocument.h"

#include <QColor>
#include <QPainter>
#include <QTextOption>

namespace {

constexpr qreal labelWidth = 24;  // mm of the column of field names
constexpr qreal cellPadding = 1.5; // mm
constexpr qreal photoHeight = 30;  // mm

// The cells of one printed row: the label, then one per listing, across the page.
QVector<QRectF> cellsAcross(const QPainter &painter, const QRectF &row, int listings)
{
    const qreal label = PrintDocument::millimetres(painter, labelWidth);
    const qreal each = (row.width() - label) / listings;
    QVector<QRectF> cells = {QRectF(row.left(), row.top(), label, row.height())};
    for (int i = 0; i < listings; ++i)
        cells << QRectF(row.left() + label + i * each, row.top(), each, row.height());
    return cells;
}

QTextOption wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// A printed row of texts; its height is that of its tallest cell.
PrintBlock textRow(const QStringList &texts, bool bold, bool marked)
{
    const auto cellText = [](const QPainter &painter, const QRectF &cell) {
        const qreal pad = PrintDocument::millimetres(painter, cellPadding);
        return cell.adjusted(pad, pad, -pad, -pad);
    };
    PrintBlock row;
    row.height = [texts, bold, cellText](QPainter &painter, qreal width) {
        painter.setFont(PrintDocument::font(9, bold));
        qreal tallest = 0;
        const QVector<QRectF> cells = cellsAcross(painter, QRectF(0, 0, width, 1e7), int(texts.size()) - 1);
        for (int i = 0; i < texts.size(); ++i)
            tallest = qMax(tallest, painter.boundingRect(cellText(painter, cells.at(i)), texts.at(i), wrapping()).height());
        return tallest + 2 * PrintDocument::millimetres(painter, cellPadding);
    };
    row.paint = [texts, bold, marked, cellText](QPainter &painter, const QRectF &area, PrintOutput) {
        const QVector<QRectF> cells = cellsAcross(painter, area, int(texts.size()) - 1);
        if (marked)
            painter.fillRect(area, Comparison::differenceColour());
        painter.setPen(QPen(Qt::gray, PrintDocument::millimetres(painter, 0.2)));
        for (const QRectF &cell : cells)
            painter.drawRect(cell);
        painter.setPen(Qt::black);
        for (int i = 0; i < texts.size(); ++i) {
            painter.setFont(PrintDocument::font(9, bold || (marked && i == 0)));
            painter.drawText(cellText(painter, cells.at(i)), texts.at(i), wrapping());
        }
    };
    return row;
}

PrintBlock photoRow(const Handout::Listings &listings)
{
    PrintBlock row;
    row.height = [](QPainter &painter, qreal) { return PrintDocument::millimetres(painter, photoHeight); };
    row.paint = [listings](QPainter &painter, const QRectF &area, PrintOutput output) {
        const QVector<QRectF> cells = cellsAcross(painter, area, int(listings.listings.size()));
        const qreal pad = PrintDocument::millimetres(painter, cellPadding);
        for (int i = 0; i < listings.listings.size(); ++i) {
            const int kept = listings.listings.at(i).photo;
            const QImage photo = kept < 0 ? QImage() : listings.photos->photo(kept, output);
            if (photo.isNull())
                continue;
            const QRectF box = cells.at(i + 1).adjusted(pad, pad, -pad, -pad);
            const QSizeF drawn = QSizeF(listings.photos->size(kept)).scaled(box.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(box.center() - QPointF(drawn.width(), drawn.height()) / 2, drawn), photo);
        }
        painter.setFont(PrintDocument::font(9));
        painter.drawText(cells.first().adjusted(pad, pad, -pad, -pad), QStringLiteral("图片"));
    };
    return row;
}

} // namespace

Comparison::Comparison(Handout::Listings listings) : m_listings(std::move(listings))
{
    const auto &fields = ListingRecord::fields();
    // The numbers head the columns: no row of their own.
    for (int field = 1; field < ListingRecord::fieldCount; ++field) {
        Row row{QString::fromUtf8(fields[size_t(field)].label), {}, false};
        for (const Handout::Listing &listing : std::as_const(m_listings.listings)) {
            const QString &text = listing.record.texts[size_t(field)];
            row.values << (text.isEmpty() ? text : text + QString::fromUtf8(fields[size_t(field)].unit));
        }
        row.differs = row.values.count(row.values.constFirst()) != row.values.size();
        m_rows << row;
    }
}

QStringList Comparison::numbers() const
{
    QStringList heads;
    for (const Handout::Listing &listing : listings())
        heads << listing.record.text("txtFybh");
    return heads;
}

QImage Comparison::photo(int listing, const QSize &largest) const
{
    const int kept = listings().at(listing).photo;
    return kept < 0 ? QImage() : m_listings.photos->photo(kept, largest);
}

QColor Comparison::differenceColour()
{
    return QColor(0xFF, 0xEB, 0xA0);
}

PrintDocument Comparison::document(const QString &credit, const QDate &date) const
{
    PrintDocument compared(QStringLiteral("房源对比"), credit, date);
    compared.setBlockGap(0);
    compared.setPageHead(textRow(QStringList{QStringLiteral("物业编号")} + numbers(), true, false));
    compared.addBlock(photoRow(m_listings));
    for (const Row &row : m_rows)
        compared.addBlock(textRow(QStringList{row.label} + row.values, false, row.differs));
    return compared;
}
