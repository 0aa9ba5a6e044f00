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

    // What reading the shown listing again found.
    enum class Refresh { Unchanged, Updated, Gone };
    // Reads the shown listing again after the database changed: a changed listing is shown
    // anew, its photo kept where it still exists; a listing withdrawn or deleted is blanked.
    // Says nothing: the caller tells the user.
    Refresh refresh();
    // The number of the listing shown, as stored; empty when none is.
    const StoredText &shownNumber() const { return m_shownNumber; }

private:
    void show(const ListingRecord &listing);
    void selectPhoto(const QString &number);

    const MainLayout &m_controls;
    // The box of each field of a listing record.
    std::array<QLineEdit *, ListingRecord::fieldCount> m_boxes;
    StoredText m_shownNumber;
    ListingRecord m_shown;
};
