#pragma once

class DetailPanel;
class MainLayout;
class QWidget;

// The customer's short list: listings copied from the result list, without duplicates,
// in the order they were added; a row shows its listing again when clicked.
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

private:
    const MainLayout &m_controls;
    DetailPanel &m_detail;
    QWidget *m_window;
};
