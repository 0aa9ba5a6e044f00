#include "forms/main/shortlist.h"

#include "forms/common/messagebox.h"
#include "forms/main/detailpanel.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

ShortList::ShortList(const MainLayout &controls, DetailPanel &detail) : m_controls(controls), m_detail(detail)
{
}

void ShortList::cmdSelect_Click()
{
    const ReportListView *hits = m_controls.lsvHouse;
    const int chosen = hits->firstSelectedRow();
    if (chosen < 0)
        return;
    const QString number = hits->rows().cell(chosen, 0);
    ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    for (int row = 0; row < shortList.rowCount(); ++row) {
        if (shortList.cell(row, 0) == number) {
            showMessage(QStringLiteral("物业编号") + shortList.cell(row, 0) + QStringLiteral("已被选择！"),
                        MessageFlags::Information, QStringLiteral("物业预览"));
            return;
        }
    }
    shortList.appendRow({number, hits->rows().cell(chosen, 1)});
}

void ShortList::cmdRemove_Click()
{
    const int chosen = m_controls.lsvHouseSelected->firstSelectedRow();
    if (chosen < 0)
        return;
    m_controls.lsvHouseSelected->removeRow(chosen);
    m_detail.subClearValue();
}

void ShortList::cmdClear_Click()
{
    ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    if (shortList.rowCount() == 0)
        return;
    m_detail.subClearValue();
    shortList.clear();
}

void ShortList::lsvHouseSelected_Click()
{
    const ReportListView *shortList = m_controls.lsvHouseSelected;
    const int chosen = shortList->firstSelectedRow();
    if (chosen >= 0)
        m_detail.subGetValue(shortList->rows().cell(chosen, 0));
}

void ShortList::lsvHouseSelected_KeyUp()
{
    lsvHouseSelected_Click();
}
