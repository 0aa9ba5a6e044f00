#pragma once

#include <QString>
#include <optional>

class DetailPanel;
class QWidget;

// A listing by its number: the staff type the number a customer brings, and the listing
// shows in the detail panel as a click on its row would, whether or not it is among the hits.
class ListingLookup
{
public:
    ListingLookup(DetailPanel &detail, QWidget *window);

    // Asks for a number and shows that listing, or says that no such listing is on offer.
    void mnuFindListing_Click();

    // The number, as stored, of the listing on offer (one a search can find) that strTyped
    // names: the one with exactly that number, otherwise the only one whose number differs
    // from it in letter case alone. None when there is no such listing, or several. Throws
    // DbError when the database cannot be read.
    static std::optional<QString> offeredNumber(const QString &strTyped);

private:
    std::optional<QString> askForNumber();

    DetailPanel &m_detail;
    QWidget *m_window;
};
