#pragma once

class DetailPanel;
class MainLayout;

// Picking a hit in the result list, and sorting the hits by a column.
class ResultList
{
public:
    ResultList(const MainLayout &controls, DetailPanel &detail);

    void lsvHouse_Click();
    void lsvHouse_KeyUp();
    // position: the clicked header, 1 for "编号" up to 10 for "售价".
    void lsvHouse_ColumnClick(int position);

private:
    const MainLayout &m_controls;
    DetailPanel &m_detail;
};
