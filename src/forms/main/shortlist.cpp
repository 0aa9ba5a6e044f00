#include "forms/main/shortlist.h"

#include "core/dberror.h"
#include "core/logcategories.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/compare/frmQX_Compare.h"
#include "forms/handout/handout.h"
#include "forms/main/detailpanel.h"
#include "forms/main/listingrecord.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"
#include "forms/main/statuspanels.h"
#include "forms/print/frmQX_PrintPreview.h"
#include "forms/print/printdocument.h"

#include <QDate>

namespace {

constexpr int creditPanel = 1;
const QString printCaption = QStringLiteral("打印预选");
const QString compareCaption = QStringLiteral("房源对比");
const QString goneMark = QStringLiteral("（已下架）");

// The listings with their photos, by their numbers as stored; none when the user stopped the
// reading, or it failed (reported under caption).
std::optional<Handout::Listings> readListings(const QVector<StoredText> &numbers, const QString &caption,
                                              QWidget *window)
{
    try {
        return Handout::read(numbers, caption, window);
    } catch (const DbError &error) {
        showError(lcDatabase, QStringLiteral("不能读取房源资料：") + error.report(), MessageFlags::Critical, caption);
        return std::nullopt;
    }
}

} // namespace

ShortList::ShortList(const MainLayout &controls, DetailPanel &detail, QWidget *window)
    : m_controls(controls), m_detail(detail), m_window(window)
{
}

void ShortList::cmdSelect_Click()
{
    const ReportListView *hits = m_controls.lsvHouse;
    const int chosen = hits->firstSelectedRow();
    if (chosen < 0)
        return;
    // The row keeps the listing number as stored, to load the listing by it again.
    const StoredText number = hits->rows().key(chosen);
    ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    for (int row = 0; row < shortList.rowCount(); ++row) {
        if (shortList.key(row) == number) {
            showMessage(QStringLiteral("物业编号") + shortList.cell(row, 0) + QStringLiteral("已被选择！"),
                        MessageFlags::Information, QStringLiteral("物业预览"));
            return;
        }
    }
    shortList.appendRow({hits->rows().cell(chosen, 0), hits->rows().cell(chosen, 1)}, number);
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
        m_detail.subGetValue(shortList->rows().key(chosen));
}

void ShortList::lsvHouseSelected_KeyUp()
{
    lsvHouseSelected_Click();
}

void ShortList::cmdPrint_Click()
{
    // The rows keep the numbers as stored, which find their listings whatever their encoding.
    const ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    QVector<StoredText> numbers;
    for (int row = 0; row < shortList.rowCount(); ++row)
        numbers << shortList.key(row);
    if (numbers.isEmpty())
        return;
    const std::optional<Handout::Listings> listings = readListings(numbers, printCaption, m_window);
    if (!listings)
        return;
    markRead(numbers, listings->leftOut);
    if (listings->listings.isEmpty()) {
        showMessage(Handout::leftOutWord(*listings), MessageFlags::Information, printCaption);
        return;
    }
    frmQX_PrintPreview::showPreview(
        Handout::document(*listings, m_controls.stbBottom->panelText(creditPanel), QDate::currentDate()), m_window,
        Handout::leftOutWord(*listings));
}

void ShortList::mnuCompare_Click()
{
    const ReportListView *shortList = m_controls.lsvHouseSelected;
    const QList<int> chosen = shortList->selectedRowsInOrder();
    if (chosen.size() < 2 || chosen.size() > 4) {
        showMessage(QStringLiteral("请在预选物业中选择二至四个物业（按住Ctrl或Shift点选），再对比。"),
                    MessageFlags::Information, compareCaption);
        return;
    }
    QVector<StoredText> numbers;
    for (int row : chosen)
        numbers << shortList->rows().key(row);
    std::optional<Handout::Listings> listings = readListings(numbers, compareCaption, m_window);
    if (!listings)
        return;
    markRead(numbers, listings->leftOut);
    // One listing left is nothing to compare.
    if (listings->listings.size() < 2) {
        showMessage(Handout::leftOutWord(*listings) + QStringLiteral("。余下不足两个物业，不能对比。"),
                    MessageFlags::Information, compareCaption);
        return;
    }
    const Comparison comparison(std::move(*listings));
    frmQX_Compare compare(comparison, m_controls.stbBottom->panelText(creditPanel), m_window);
    showModal(compare);
}

void ShortList::followChanges()
{
    ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    try {
        for (int row = 0; row < shortList.rowCount(); ++row)
            mark(row, !ListingRecord::isOffered(shortList.key(row)));
    } catch (const DbError &) {
        // The next action of the user meets the fault and says why.
    }
}

void ShortList::markRead(const QVector<StoredText> &numbers, const QVector<StoredText> &leftOut)
{
    const ListViewModel &shortList = m_controls.lsvHouseSelected->rows();
    for (int row = 0; row < shortList.rowCount(); ++row) {
        const StoredText number = shortList.key(row);
        if (numbers.contains(number))
            mark(row, leftOut.contains(number));
    }
}

void ShortList::mark(int row, bool gone)
{
    m_controls.lsvHouseSelected->rows().setNote(row, gone ? goneMark : QString());
}
