#pragma once

class DetailPanel;
class MainLayout;

// The customer's short list: listings copied from the result list, without duplicates,
// in the order they were added; a row shows its listing again when clicked.
class ShortList
{
public:
    ShortList(const MainLayout &controls, DetailPanel &detail);

    void cmdSelect_Click();
    void cmdRemove_Click();
    void cmdClear_Click();
    void lsvHouseSelected_Click();
    void lsvHouseSelected_KeyUp();

private:
    const MainLayout &m_controls;
    DetailPanel &m_detail;
};
