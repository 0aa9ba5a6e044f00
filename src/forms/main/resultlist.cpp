#include "forms/main/resultlist.h"

#include "forms/main/detailpanel.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

ResultList::ResultList(const MainLayout &controls, DetailPanel &detail) : m_controls(controls), m_detail(detail)
{
}

void ResultList::lsvHouse_Click()
{
    const ReportListView *list = m_controls.lsvHouse;
    const int row = list->firstSelectedRow();
    if (row >= 0)
        m_detail.subGetValue(list->rows().key(row));
}

void ResultList::lsvHouse_KeyUp()
{
    lsvHouse_Click();
}

void ResultList::lsvHouse_ColumnClick(int position)
{
    ReportListView *list = m_controls.lsvHouse;
    // The direction turns with every header click, whichever column it is.
    const Qt::SortOrder order = list->sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    list->sortBy(position - 1, order);
}
