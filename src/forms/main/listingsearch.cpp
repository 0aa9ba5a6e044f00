#include "forms/main/listingsearch.h"

#include "core/dberror.h"
#include "core/listingschema.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "forms/common/messagebox.h"
#include "forms/conditions/conditionschoice.h"
#include "forms/main/detailpanel.h"
#include "forms/main/mainlayout.h"
#include "forms/main/offertype.h"
#include "forms/main/reportlistview.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString searchCaption = QStringLiteral("搜索房源");

// Result-list columns after the offer type, by their position in the statement.
constexpr int firstPlainColumn = 2;
constexpr int lastPlainColumn = 9;

// "全部", the first entry, sets no condition.
bool chosen(const QComboBox *choice)
{
    return choice->currentIndex() > 0;
}

// The chosen value is bound as the very bytes the list was filled with: a region stored
// in an older encoding still finds its listings.
QString textCondition(const QComboBox *choice, const QString &column)
{
    return chosen(choice) ? QStringLiteral(" AND ") + column + QStringLiteral("=?") : QString();
}

// Newest change first. Listings changed in the same second follow the search's index read
// backwards, written out key by key so that every engine and every plan gives the one order:
// a server reads the index, or sorts, as it sees fit.
QString newestFirst()
{
    QStringList keys;
    for (const QString &column : ListingSchema::searchIndexColumns().mid(1))
        keys << column + QStringLiteral(" desc");
    return QStringLiteral(" order by ") + keys.join(QStringLiteral(", "));
}

} // namespace

ListingSearch::ListingSearch(const MainLayout &controls, DetailPanel &detail, const ConditionsChoice &further)
    : m_controls(controls), m_detail(detail), m_further(further)
{
}

QString ListingSearch::statement() const
{
    const QString status = QStringLiteral(" AND wyzt=1");
    const QString region = textCondition(m_controls.cmbQy, QStringLiteral("qy"));
    const QString category = textCondition(m_controls.cmbWylb, QStringLiteral("wylb"));
    QString offerType;
    for (int code = 1; code <= 3; ++code) {
        if (m_controls.optOpen[size_t(code)]->isChecked())
            offerType = QStringLiteral(" AND fpyx=%1 ").arg(code);
    }
    return QStringLiteral("SELECT fybh,fpyx,wymc,wyqy,wyhx,jzmz,lc,cx,zj,sj FROM house WHERE seq >= -1") + status
           + region + category + offerType + m_further.conditions().sql() + newestFirst();
}

QVariantList ListingSearch::values() const
{
    QVariantList values;
    for (const QComboBox *choice : {m_controls.cmbQy, m_controls.cmbWylb}) {
        if (chosen(choice))
            values << choice->currentData();
    }
    return values + m_further.conditions().values();
}

void ListingSearch::cmdSearch_Click()
{
    m_detail.subClearValue();
    ReportListView *list = m_controls.lsvHouse;
    ListRows cells(list->rows().columnCount());
    try {
        Recordset &hits = funOpenQuery(statement(), values());
        for (; !hits.eof(); hits.moveNext()) {
            cells.appendCell(hits.text(0));
            cells.appendKey(hits.storedBytes(0));
            cells.appendCell(offerTypeText(hits.field(1)));
            for (int position = firstPlainColumn; position <= lastPlainColumn; ++position)
                cells.appendCell(hits.text(position));
        }
        hits.close();
    } catch (const DbError &error) {
        list->setRows(ListRows(list->rows().columnCount()));
        showError(lcDatabase, QStringLiteral("检索房源失败：") + error.report(), MessageFlags::Critical, searchCaption);
        return;
    }
    list->setRows(std::move(cells));
    if (list->rowCount() > 0) {
        list->setFocus();
        return;
    }
    showMessage(QStringLiteral("没有找到符合条件的房源"), MessageFlags::Information, searchCaption);
    m_controls.cmdSearch->setFocus();
}
