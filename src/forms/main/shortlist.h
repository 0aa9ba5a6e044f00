#pragma once

#include "core/storedtext.h"

#include <QVector>

class DetailPanel;
class MainLayout;
class QWidget;

// The customer's short list: listings copied from the result list, without duplicates,
// in the order they were added; a row shows its listing again when clicked. A listing
// withdrawn or gone since is marked after its offer type, its number kept for the customer
// to tell, and left out of the hand-out and the comparison.
class ShortList
{
public:
    ShortList(const MainLayout &controls, DetailPanel &detail, QWidget *window);

    void cmdSelect_Click();
    void cmdRemove_Click();
    void cmdClear_Click();
    void lsvHouseSelected_Click();
    void lsvHouseSelected_KeyUp();
    // The printed hand-out of the whole short list, in a print preview.
    void cmdPrint_Click();
    // The two to four selected listings side by side.
    void mnuCompare_Click();
    // After the database changed: marks the listings withdrawn or gone since, and unmarks
    // those offered again. A database that cannot be read now leaves the marks as they are.
    void followChanges();

private:
    // Marks the rows of these numbers read for the hand-out or the comparison: those left
    // out as gone, the others as offered.
    void markRead(const QVector<StoredText> &numbers, const QVector<StoredText> &leftOut);
    void mark(int row, bool gone);

    const MainLayout &m_controls;
    DetailPanel &m_detail;
    QWidget *m_window;
};
