#include "forms/main/detailpanel.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/common/imagebox.h"
#include "forms/common/messagebox.h"
#include "forms/main/mainlayout.h"
#include "forms/main/offertype.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>

namespace {

struct BoxColumn
{
    const char *box;
    const char *column;
};

// The boxes that show one column each as text, before and after the facilities line.
const BoxColumn columnsBeforeFacilities[] = {
    {"txtQy", "qy"},   {"txtWylb", "wylb"}, {"txtWylx", "wylx"}, {"txtWytd", "Wytd"}, {"txtWyhx", "wyhx"},
    {"txtWymc", "wymc"}, {"txtJzmz", "Jzmz"}, {"txtSymz", "Symz"}, {"txtCx", "cx"},     {"txtCh", "Ch"},
    {"txtYt", "Yt"},   {"txtWsj", "Wsj"},   {"txtZx", "zx"},     {"txtJg", "jg"},     {"txtLl", "Ll"},
    {"txtZlc", "Zlc"}, {"txtLc", "Lc"},
};
const BoxColumn columnsAfterFacilities[] = {
    {"txtWyqy", "wyqy"}, {"txtCqz", "cqz"}, {"txtQtss", "Qtss"}, {"txtSj", "Sj"},
    {"txtZj", "Zj"},     {"txtGlf", "Glf"}, {"txtSkyq", "skyq"}, {"txtSkfs", "skfs"},
};

struct FacilityFlag
{
    const char *phrase;
    const char *column;
};

// The nine facility flags in the order the facilities line names them.
const FacilityFlag facilities[] = {
    {"电话", "dh"}, {"电视机", "dsj"}, {"冰箱", "dbx"},   {"洗衣机", "xyj"}, {"空调", "kt"},
    {"暖气", "nq"}, {"家具", "jj"},    {"管道煤气", "gdmq"}, {"电梯", "dt"},
};

const QString panelCaption = QStringLiteral("物业资料");

} // namespace

DetailPanel::DetailPanel(const MainLayout &controls) : m_controls(controls)
{
    const auto resolve = [&controls](const auto &pairs, auto &resolved) {
        for (const BoxColumn &pair : pairs)
            resolved.emplace_back(controls.detailBox(QString::fromLatin1(pair.box)), QString::fromLatin1(pair.column));
    };
    resolve(columnsBeforeFacilities, m_columnsBeforeFacilities);
    resolve(columnsAfterFacilities, m_columnsAfterFacilities);
}

void DetailPanel::subGetValue(const StoredText &strFybh)
{
    try {
        showListing(strFybh);
        showPhotoList(strFybh);
    } catch (const DbError &error) {
        subClearValue();
        const QString text = error.number() == DbError::NoCurrentRecord
                                 ? QStringLiteral("找不到物业编号为“%1”的房源，它可能已被删除。").arg(strFybh.shown())
                                 : QStringLiteral("不能读取房源资料：") + error.report();
        showMessage(text, MessageFlags::Information, panelCaption);
        return;
    }
    // Selecting the first photo shows it. The entry is in view in the list just filled, so
    // the list need not scroll to it. The list paints as usual meanwhile: a message about
    // the photo shows over the list, not over a blank.
    QListWidget *photoNames = m_controls.List;
    if (photoNames->count() > 0) {
        photoNames->setAutoScroll(false);
        const auto afterwards = qScopeGuard([photoNames] { photoNames->setAutoScroll(true); });
        photoNames->setCurrentRow(0);
    }
}

void DetailPanel::showListing(const StoredText &strFybh)
{
    // The number is bound, not written into the statement: one compiled statement serves
    // every listing, and a quote in a number is only data.
    Recordset &house
        = funOpenQuery(QStringLiteral("SELECT * FROM house WHERE fybh=?"), {QVariant::fromValue(strFybh)});
    const auto show = [&house](const std::pair<QLineEdit *, QString> &boxColumn) {
        boxColumn.first->setText(ValueText::plain(house.field(boxColumn.second)));
        // A value longer than its box shows its beginning, not its end.
        boxColumn.first->setCursorPosition(0);
    };
    if (house.eof()) {
        // A listing that was listed may be gone since, or a damaged index may have lost it.
        house.confirmNoRows();
        throw DbError(DbError::NoCurrentRecord, QString());
    }
    m_controls.detailBox(QStringLiteral("txtFybh"))->setText(strFybh.shown());
    m_controls.detailBox(QStringLiteral("txtFpyx"))->setText(offerTypeText(house.field(QStringLiteral("fpyx"))));
    for (const auto &boxColumn : m_columnsBeforeFacilities)
        show(boxColumn);
    QStringList present;
    for (const FacilityFlag &flag : facilities) {
        if (ValueText::equalsNumber(house.field(QString::fromLatin1(flag.column)), 1))
            present << QString::fromUtf8(flag.phrase);
    }
    m_controls.txtWysx->setText(present.join(QStringLiteral("、")));
    for (const auto &boxColumn : m_columnsAfterFacilities)
        show(boxColumn);
    house.close();
}

void DetailPanel::showPhotoList(const StoredText &strFybh)
{
    m_controls.imgHouse->clear();
    m_controls.List1->clear();
    m_controls.List->clear();
    Recordset &photos = funOpenQuery(QStringLiteral("SELECT seq,tpbh,tpm FROM picture WHERE fybh=?"),
                                     {QVariant::fromValue(strFybh)});
    for (; !photos.eof(); photos.moveNext()) {
        m_controls.List1->addItem(ValueText::plain(photos.field(QStringLiteral("tpbh"))));
        m_controls.List->addItem(ValueText::trimBlanks(ValueText::plain(photos.field(QStringLiteral("tpm")))));
    }
    photos.close();
}

void DetailPanel::subClearValue()
{
    for (QLineEdit *box : m_controls.detailBoxes)
        box->clear();
    m_controls.imgHouse->clear();
    m_controls.List1->clear();
    m_controls.List->clear();
}
