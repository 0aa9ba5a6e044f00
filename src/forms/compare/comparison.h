#pragma once

#include "forms/handout/handout.h"

#include <QStringList>
#include <QVector>

class PrintDocument;

// Listings side by side: a row for each detail field with every listing's value, marked
// where the listings differ. The listing numbers head the columns.
class Comparison
{
public:
    struct Row
    {
        QString label;
        QStringList values;
        bool differs;
    };

    explicit Comparison(Handout::Listings listings);

    const QVector<Handout::Listing> &listings() const { return m_listings.listings; }
    // A listing's photo no larger than largest, for the screen; null for none.
    QImage photo(int listing, const QSize &largest) const;
    QStringList numbers() const;
    // What the customer is told of the chosen listings left out; "" when none was.
    QString leftOutWord() const { return Handout::leftOutWord(m_listings); }
    const QVector<Row> &rows() const { return m_rows; }

    // The comparison on paper: the numbers over every page, the photos, then the rows.
    PrintDocument document(const QString &credit, const QDate &date) const;

    // The colour that marks a row whose values differ, on the screen and on paper.
    static QColor differenceColour();

private:
    Handout::Listings m_listings;
    QVector<Row> m_rows;
};
