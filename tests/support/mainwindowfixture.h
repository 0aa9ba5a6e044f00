#pragma once

#include "listingfixture.h"

#include "forms/main/reportlistview.h"

#include <QStringList>
#include <memory>

class QLineEdit;
class QListWidget;
class ReportListView;
class frmQX_Quillonix;

// The main window on a listing database written by the test, shown offscreen, with the
// user's own ways of working it: choosing, pressing, clicking rows and keys.
class MainWindowFixture
{
public:
    MainWindowFixture();
    ~MainWindowFixture();

    ListingFixture &listings() { return m_listings; }
    // Builds, loads and shows the window once the listings are written.
    frmQX_Quillonix &open();
    // Opens the window at work: a listing with a photo found and shown, and kept in the short
    // list, the clock running.
    frmQX_Quillonix &openWithAListing();
    frmQX_Quillonix &window() { return *m_window; }

    QString box(const QString &name) const;
    ReportListView &results() const;
    ReportListView &shortList() const;
    QListWidget &photoNames() const;
    QListWidget &photoNumbers() const;

    void chooseRegion(const QString &text);
    void chooseCategory(const QString &text);
    void chooseOfferType(int index);
    void pressSearch();
    void press(const QString &button);

    // The texts of one column of a list, row by row.
    static QStringList column(const ReportListView &list, int column);
    // The short list's rows as shown, "number|offer type" with the offer type's mark.
    QStringList shortListShown() const;
    // Clicks a row of a list, as the user does with the mouse.
    static void clickRow(ReportListView &list, int row);
    static QStringList entries(const QListWidget &list);

private:
    ListingFixture m_listings;
    std::unique_ptr<frmQX_Quillonix> m_window;
};
