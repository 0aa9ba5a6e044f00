#pragma once

#include "core/storedtext.h"
#include "forms/main/listingrecord.h"

#include <QString>
#include <array>

class MainLayout;
class QLineEdit;

// The full record of one listing in the 28 detail boxes, with its photo lists.
class DetailPanel
{
public:
    explicit DetailPanel(const MainLayout &controls);

    // Loads the listing numbered strFybh (as stored) and selects its first photo. A listing
    // that is gone, or a failing query, is reported and leaves the panel blank.
    void subGetValue(const StoredText &strFybh);
    // Blanks every box, the photo box and both photo lists.
    void subClearValue();

private:
    void show(const ListingRecord &listing);

    const MainLayout &m_controls;
    // The box of each field of a listing record.
    std::array<QLineEdit *, ListingRecord::fieldCount> m_boxes;
};
