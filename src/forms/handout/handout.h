#pragma once

#include "forms/main/listingrecord.h"

#include <QDate>
#include <QImage>
#include <QStringList>
#include <QVector>

class PrintDocument;

// The printed hand-out of a customer's short list: one block per listing, in short-list
// order, with the listing's main facts and its first photo that can be read.
namespace Handout {

struct Listing
{
    ListingRecord record;
    QImage photo;
};

// The largest a hand-out photo is read: its box on paper at about 250 dots per inch.
QSize photoSize();

// Reads the listings with the given numbers, in that order, each with its first photo that
// can be read. A listing that is gone meanwhile is reported under caption and left out.
// Throws DbError when the database cannot be read.
QVector<Listing> read(const QStringList &numbers, const QString &caption);

// The hand-out of those listings under the credit line and date of its header.
PrintDocument document(const QVector<Listing> &listings, const QString &credit, const QDate &date);

} // namespace Handout
