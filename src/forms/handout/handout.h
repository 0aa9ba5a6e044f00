#pragma once

#include "core/storedtext.h"
#include "forms/main/listingrecord.h"
#include "forms/print/printphotos.h"

#include <QDate>
#include <QVector>
#include <memory>
#include <optional>

class PrintDocument;
class QWidget;

// The printed hand-out of a customer's short list: one block per listing, in short-list
// order, with the listing's main facts and its first photo that can be read.
namespace Handout {

struct Listing
{
    ListingRecord record;
    // Its photo among the photos read with it; -1 for none.
    int photo;
};

// Listings read for printing, with their photos ready to print.
struct Listings
{
    QVector<Listing> listings;
    std::shared_ptr<PrintPhotos> photos;
    // The numbers (as stored) of the listings withdrawn or gone since they were chosen, in
    // their order: they are left out.
    QVector<StoredText> leftOut;
};

// The largest a hand-out photo prints, in pixels: its box on paper at 200 dots per inch.
QSize photoSize();

// Reads the listings with the given numbers (as stored), in that order, each with its first
// photo that can be read at the size it prints; the photos are decoded on other threads while
// the next listings are read. A progress bar with 取消 shows over window when it takes long.
// A listing withdrawn or gone meanwhile is left out, its number kept in leftOut. None when
// the user stopped the work, or when the photos cannot be kept (reported under caption).
// Throws DbError when the database cannot be read.
std::optional<Listings> read(const QVector<StoredText> &numbers, const QString &caption, QWidget *window);

// What the customer is told of the listings left out; "" when none was.
QString leftOutWord(const Listings &listings);

// The hand-out of those listings under the credit line and date of its header.
PrintDocument document(const Listings &listings, const QString &credit, const QDate &date);

} // namespace Handout
