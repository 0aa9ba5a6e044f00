#include "forms/handout/handout.h"

#include "core/dberror.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "forms/common/messagebox.h"
#include "forms/common/workprogress.h"
#include "forms/main/photoarea.h"
#include "forms/print/printdocument.h"

#include <QPainter>
#include <QQueue>
#include <QScopeGuard>
#include <QTextOption>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr qreal padding = 3;      // mm inside a block's frame
constexpr qreal photoWidth = 75;  // mm of the photo's box; the photo keeps its proportions in it
constexpr qreal photoHeight = 56;
constexpr qreal photoGap = 4;     // mm between the text and the photo
constexpr qreal photoDpi = 200;   // what an office printer shows of a photo that size
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

// Lays out one listing's block in area (its height ignored) and paints it for the output
// when one is given, its photo read from photos; returns the block's height. Measuring and
// painting take the same steps.
qreal layOut(QPainter &painter, const Handout::Listing &listing, PrintPhotos &photos, const QRectF &area,
             std::optional<PrintOutput> output)
{
    const auto mm = [&painter](qreal length) { return PrintDocument::millimetres(painter, length); };
    const bool paint = output.has_value();
    const bool withPhoto = listing.photo >= 0;
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
        // Read for this painting only, and let go right after.
        const QImage photo = withPhoto ? photos.photo(listing.photo, *output) : QImage();
        if (!photo.isNull()) {
            const QSizeF drawn = QSizeF(photos.size(listing.photo)).scaled(photoBox.size(), Qt::KeepAspectRatio);
            const QRectF target(photoBox.right() - drawn.width(), photoBox.top(), drawn.width(), drawn.height());
            painter.drawImage(target, photo);
        }
        painter.setPen(QPen(Qt::gray, mm(0.2)));
        painter.drawRect(QRectF(area.left(), area.top(), area.width(), bottom - area.top()));
        painter.setPen(Qt::black);
    }
    return bottom - area.top();
}

// The files a listing's photos are kept in, in the listing's order.
QStringList photoFiles(const ListingRecord &record)
{
    QStringList files;
    for (const ListingPhoto &photo : record.photos)
        files << PhotoArea::photoPath(gDBPath, photo.number);
    return files;
}

} // namespace

namespace Handout {

QSize photoSize()
{
    return QSizeF(photoWidth * photoDpi / 25.4, photoHeight * photoDpi / 25.4).toSize();
}

std::optional<Listings> read(const QVector<StoredText> &numbers, const QString &caption, QWidget *window)
{
    Listings found{{}, std::make_shared<PrintPhotos>(), {}};
    // A step for each listing read, and one for its photo kept.
    WorkProgress progress(caption, QStringLiteral("正在读取房源资料和图片……"), 2 * int(numbers.size()), window);
    // The photos are decoded on threads of their own, apart from those that help Qt paint,
    // a few at a time: enough to keep every core busy while the next listings are read, and
    // no more held in memory than those few.
    QThreadPool decoders;
    const int decodingAtOnce = decoders.maxThreadCount() + 1;
    struct Decoding
    {
        int listing;
        QFuture<PrintPhoto> photo;
    };
    QQueue<Decoding> decoding;
    // Stopped early, or by an error, the photos not yet begun are not decoded at all.
    const auto stopDecoding = qScopeGuard([&decoders] { decoders.clear(); });
    const auto keepFirstDecoded = [&] {
        Decoding first = decoding.dequeue();
        if (!progress.waitFor(first.photo))
            return false;
        const PrintPhoto photo = first.photo.result();
        if (!photo.jpeg.isEmpty()) {
            const int kept = found.photos->keep(photo);
            if (kept < 0) {
                const QString message
                    = QStringLiteral("不能准备打印的图片：临时文件夹“%1”不能写入。").arg(PrintPhotos::folder());
                showError(lcFile, message, MessageFlags::Information, caption);
                return false;
            }
            found.listings[first.listing].photo = kept;
        }
        return progress.step();
    };

    for (const StoredText &number : numbers) {
        std::optional<ListingRecord> record;
        try {
            record = ListingRecord::read(number);
        } catch (const DbError &error) {
            if (error.number() != DbError::NoCurrentRecord)
                throw;
        }
        if (record && record->offered) {
            found.listings.append({*record, -1});
            decoding.enqueue({int(found.listings.size()) - 1,
                              QtConcurrent::run(&decoders, &PrintPhotos::prepare, photoFiles(*record), photoSize())});
        } else {
            found.leftOut << number;
            // No photo to wait for: its step is done too.
            progress.step();
        }
        if (!progress.step())
            return std::nullopt;
        if (decoding.size() >= decodingAtOnce && !keepFirstDecoded())
            return std::nullopt;
    }
    while (!decoding.isEmpty()) {
        if (!keepFirstDecoded())
            return std::nullopt;
    }
    return found;
}

QString leftOutWord(const Listings &listings)
{
    if (listings.leftOut.isEmpty())
        return QString();
    QStringList shown;
    for (const StoredText &number : listings.leftOut)
        shown << number.shown();
    return QStringLiteral("已下架或已删除，未列入：") + shown.join(QStringLiteral("、"));
}

PrintDocument document(const Listings &listings, const QString &credit, const QDate &date)
{
    PrintDocument handout(QStringLiteral("预选物业"), credit, date);
    const std::shared_ptr<PrintPhotos> photos = listings.photos;
    for (const Listing &listing : listings.listings) {
        handout.addBlock({[listing, photos](QPainter &painter, qreal width) {
                              return layOut(painter, listing, *photos, QRectF(0, 0, width, 0), std::nullopt);
                          },
                          [listing, photos](QPainter &painter, const QRectF &area, PrintOutput output) {
                              layOut(painter, listing, *photos, area, output);
                          }});
    }
    return handout;
}

} // namespace Handout
