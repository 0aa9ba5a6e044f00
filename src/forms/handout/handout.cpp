#include "forms/handout/handout.h"

#include "core/dberror.h"
#include "forms/common/messagebox.h"
#include "forms/main/photoarea.h"
#include "forms/print/printdocument.h"

#include <QPainter>
#include <QTextOption>

namespace {

constexpr qreal padding = 3;      // mm inside a block's frame
constexpr qreal photoWidth = 75;  // mm of the photo's box; the photo keeps its proportions in it
constexpr qreal photoHeight = 56;
constexpr qreal photoGap = 4;     // mm between the text and the photo
const QString separator = QStringLiteral("　　");

// "label：text unit", or nothing for a value that holds nothing: a Null prints as nothing.
QString item(const QString &label, const QString &text, const QString &unit = QString())
{
    if (text.isEmpty())
        return QString();
    return label + QStringLiteral("：") + text + unit;
}

// A detail field as an item, under its own label and with its unit.
QString item(const ListingRecord &record, const char *box)
{
    const ListingRecord::Field &field = ListingRecord::fields()[size_t(ListingRecord::indexOf(box))];
    return item(QString::fromUtf8(field.label), record.text(box), QString::fromUtf8(field.unit));
}

QString joined(const QStringList &items)
{
    QStringList present = items;
    present.removeAll(QString());
    return present.join(separator);
}

QString floorItem(const ListingRecord &record)
{
    const QString floor = record.text("txtLc");
    const QString floors = record.text("txtZlc");
    QStringList parts;
    if (!floor.isEmpty())
        parts << QStringLiteral("第%1层").arg(floor);
    if (!floors.isEmpty())
        parts << QStringLiteral("共%1层").arg(floors);
    return item(QStringLiteral("楼层"), parts.join(QStringLiteral("，")));
}

// The offer type with the prices it asks: the sale price for a sale, the rent to let, both
// when either will do or the offer type is unknown; and the management fee.
QString offerItem(const ListingRecord &record)
{
    const QString offer = record.text("txtFpyx");
    const bool sale = offer != QStringLiteral("出租");
    const bool rent = offer != QStringLiteral("出售");
    return joined({item(record, "txtFpyx"), sale ? item(record, "txtSj") : QString(),
                   rent ? item(record, "txtZj") : QString(), item(record, "txtGlf")});
}

QStringList factLines(const ListingRecord &record)
{
    QStringList lines = {
        joined({item(record, "txtQy"), item(record, "txtWylb"), item(record, "txtWylx")}),
        joined({item(record, "txtWyhx"), item(record, "txtCx"), item(record, "txtZx")}),
        joined({item(record, "txtJzmz"), item(record, "txtSymz")}),
        floorItem(record),
        item(record, "txtWysx"),
        offerItem(record),
    };
    lines.removeAll(QString());
    return lines;
}

// Lays out one listing's block in area (its height ignored) and paints it when asked;
// returns the block's height. Measuring and painting take the same steps.
qreal layOut(QPainter &painter, const Handout::Listing &listing, const QRectF &area, bool paint)
{
    const auto mm = [&painter](qreal length) { return PrintDocument::millimetres(painter, length); };
    const bool withPhoto = !listing.photo.isNull();
    const QRectF photoBox(area.right() - mm(padding + photoWidth), area.top() + mm(padding), mm(photoWidth),
                          mm(photoHeight));
    const qreal textLeft = area.left() + mm(padding);
    const qreal textWidth = area.width() - 2 * mm(padding) - (withPhoto ? mm(photoWidth + photoGap) : 0);
    qreal top = area.top() + mm(padding);
    // Long numbers and names without a break in them are broken anywhere rather than cut.
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const auto write = [&](const QString &text, const QFont &font, qreal spaceAfter) {
        painter.setFont(font);
        const QRectF used = painter.boundingRect(QRectF(textLeft, top, textWidth, 1e7), text, wrapping);
        if (paint)
            painter.drawText(QRectF(textLeft, top, textWidth, used.height()), text, wrapping);
        top += used.height() + mm(spaceAfter);
    };

    const ListingRecord &record = listing.record;
    write(record.text("txtFybh"), PrintDocument::font(18, true), 1);
    if (!record.text("txtWymc").isEmpty())
        write(record.text("txtWymc"), PrintDocument::font(12, true), 1.5);
    for (const QString &line : factLines(record))
        write(line, PrintDocument::font(10), 1);

    const qreal bottom = qMax(top, withPhoto ? photoBox.bottom() : top) + mm(padding);
    if (paint) {
        if (withPhoto) {
            const QSizeF drawn = QSizeF(listing.photo.size()).scaled(photoBox.size(), Qt::KeepAspectRatio);
            const QRectF target(photoBox.right() - drawn.width(), photoBox.top(), drawn.width(), drawn.height());
            painter.drawImage(target, listing.photo);
        }
        painter.setPen(QPen(Qt::gray, mm(0.2)));
        painter.drawRect(QRectF(area.left(), area.top(), area.width(), bottom - area.top()));
        painter.setPen(Qt::black);
    }
    return bottom - area.top();
}

} // namespace

namespace Handout {

QSize photoSize()
{
    return QSize(800, 600);
}

QVector<Listing> read(const QStringList &numbers, const QString &caption)
{
    QVector<Listing> listings;
    for (const QString &number : numbers) {
        try {
            ListingRecord record = ListingRecord::read(number);
            const QImage photo = PhotoArea::firstReadablePhoto(record.photos, photoSize());
            listings.append({std::move(record), photo});
        } catch (const DbError &error) {
            if (error.number() != DbError::NoCurrentRecord)
                throw;
            showMessage(QStringLiteral("找不到物业编号为“%1”的房源，它可能已被删除。").arg(number),
                        MessageFlags::Information, caption);
        }
    }
    return listings;
}

PrintDocument document(const QVector<Listing> &listings, const QString &credit, const QDate &date)
{
    PrintDocument handout(QStringLiteral("预选物业"), credit, date);
    for (const Listing &listing : listings) {
        handout.addBlock({[listing](QPainter &painter, qreal width) {
                              return layOut(painter, listing, QRectF(0, 0, width, 0), false);
                          },
                          [listing](QPainter &painter, const QRectF &area) { layOut(painter, listing, area, true); }});
    }
    return handout;
}

} // namespace Handout
