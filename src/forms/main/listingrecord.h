#pragma once

#include "core/storedtext.h"

#include <QString>
#include <QVector>
#include <array>

// One photo of a listing: its number (the file name in the picture folder) and its name.
struct ListingPhoto
{
    QString number;
    QString name;

    friend bool operator==(const ListingPhoto &a, const ListingPhoto &b)
    {
        return a.number == b.number && a.name == b.name;
    }
};

// One listing as the front desk reads it: the 28 detail fields as text, as the detail panel
// shows them, and its photos in the order the database gives them. The detail panel, the
// printed hand-out and the comparison all read a listing this way.
struct ListingRecord
{
    static constexpr int fieldCount = 28;

    // A detail field: the box that shows it, what it is called and its unit ("" for none).
    struct Field
    {
        const char *box;
        const char *label;
        const char *unit;
    };
    // The fields in reading order, the order of the detail boxes.
    static const std::array<Field, fieldCount> &fields();
    // The place of a field among fields(), by its box.
    static int indexOf(const char *box);

    // Reads the listing numbered strFybh (its bytes as stored), the number shown as passed.
    // Throws DbError, with NoCurrentRecord when no listing has that number.
    static ListingRecord read(const StoredText &strFybh);
    // Whether the listing numbered strFybh is still offered: false when it is withdrawn or
    // gone. Throws DbError.
    static bool isOffered(const StoredText &strFybh);

    // A field's text by its box ("" for a value that holds nothing).
    const QString &text(const char *box) const { return texts[size_t(indexOf(box))]; }

    std::array<QString, fieldCount> texts;
    QVector<ListingPhoto> photos;
    // Still offered (wyzt 1), not withdrawn.
    bool offered = true;

    friend bool operator==(const ListingRecord &a, const ListingRecord &b)
    {
        return a.texts == b.texts && a.photos == b.photos && a.offered == b.offered;
    }
};
