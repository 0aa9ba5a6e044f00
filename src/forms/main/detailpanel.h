#pragma once

#include "core/storedtext.h"

#include <QString>
#include <utility>
#include <vector>

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
    void showListing(const StoredText &strFybh);
    void showPhotoList(const StoredText &strFybh);

    const MainLayout &m_controls;
    // The boxes that show one column each as text, with their column, before and after
    // the facilities line.
    std::vector<std::pair<QLineEdit *, QString>> m_columnsBeforeFacilities;
    std::vector<std::pair<QLineEdit *, QString>> m_columnsAfterFacilities;
};
