#include "forms/main/detailpanel.h"

#include "core/dberror.h"
#include "core/logcategories.h"
#include "forms/common/imagebox.h"
#include "forms/common/messagebox.h"
#include "forms/main/listingrecord.h"
#include "forms/main/mainlayout.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>

namespace {

const QString panelCaption = QStringLiteral("物业资料");

} // namespace

DetailPanel::DetailPanel(const MainLayout &controls) : m_controls(controls)
{
    static_assert(ListingRecord::fieldCount == MainLayout::detailBoxCount);
    for (int i = 0; i < ListingRecord::fieldCount; ++i)
        m_boxes[size_t(i)] = controls.detailBox(QString::fromLatin1(ListingRecord::fields()[size_t(i)].box));
}

void DetailPanel::subGetValue(const StoredText &strFybh)
{
    try {
        show(ListingRecord::read(strFybh));
        m_shownNumber = strFybh;
    } catch (const DbError &error) {
        subClearValue();
        // A listing deleted meanwhile is no fault of the database.
        if (error.number() == DbError::NoCurrentRecord)
            showMessage(QStringLiteral("找不到物业编号为“%1”的房源，它可能已被删除。").arg(strFybh.shown()),
                        MessageFlags::Information, panelCaption);
        else
            showError(lcDatabase, QStringLiteral("不能读取房源资料：") + error.report(), MessageFlags::Information,
                      panelCaption);
        return;
    }
    selectPhoto(QString());
}

DetailPanel::Refresh DetailPanel::refresh()
{
    if (m_shownNumber.isEmpty())
        return Refresh::Unchanged;
    ListingRecord listing;
    try {
        listing = ListingRecord::read(m_shownNumber);
    } catch (const DbError &error) {
        // A database that cannot be read now leaves the panel as it is: the next action says why.
        if (error.number() != DbError::NoCurrentRecord)
            return Refresh::Unchanged;
        listing.offered = false;
    }
    if (!listing.offered) {
        subClearValue();
        return Refresh::Gone;
    }
    if (listing == m_shown)
        return Refresh::Unchanged;
    const QListWidgetItem *current = m_controls.List1->item(m_controls.List->currentRow());
    const QString photo = current ? current->text() : QString();
    show(listing);
    selectPhoto(photo);
    return Refresh::Updated;
}

// Selecting a photo shows it: the one numbered so where it exists, else the first. The list
// paints as usual meanwhile: a message about the photo shows over the list, not over a blank.
void DetailPanel::selectPhoto(const QString &number)
{
    QListWidget *photoNames = m_controls.List;
    if (photoNames->count() == 0)
        return;
    const QList<QListWidgetItem *> same = m_controls.List1->findItems(number, Qt::MatchExactly);
    const int row = number.isEmpty() || same.isEmpty() ? 0 : m_controls.List1->row(same.first());
    // The first entry is in view in the list just filled, so the list need not scroll to it.
    photoNames->setAutoScroll(row != 0);
    const auto afterwards = qScopeGuard([photoNames] { photoNames->setAutoScroll(true); });
    photoNames->setCurrentRow(row);
}

void DetailPanel::show(const ListingRecord &listing)
{
    m_shown = listing;
    for (size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i]->setText(listing.texts[i]);
        // A value longer than its box shows its beginning, not its end.
        m_boxes[i]->setCursorPosition(0);
    }
    m_controls.imgHouse->clear();
    m_controls.List1->clear();
    m_controls.List->clear();
    for (const ListingPhoto &photo : listing.photos) {
        m_controls.List1->addItem(photo.number);
        m_controls.List->addItem(photo.name);
    }
}

void DetailPanel::subClearValue()
{
    m_shownNumber.clear();
    m_shown = ListingRecord();
    for (QLineEdit *box : m_controls.detailBoxes)
        box->clear();
    m_controls.imgHouse->clear();
    m_controls.List1->clear();
    m_controls.List->clear();
}
