#include "forms/main/listinglookup.h"

#include "core/dberror.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/main/detailpanel.h"

#include <QInputDialog>
#include <algorithm>

namespace {

const QString lookupCaption = QStringLiteral("按编号查找");

// The listings a search can find, as the search itself filters them.
const QString offered = QStringLiteral("SELECT DISTINCT fybh FROM house WHERE seq >= -1 AND wyzt=1");

// The numbers of the offered listings that the condition picks, up to two: enough to tell
// one from several.
QStringList numbersWhere(const QString &condition, const QString &strTyped)
{
    QStringList numbers;
    Recordset &found = funOpenQuery(offered + condition, {strTyped});
    for (; !found.eof() && numbers.size() < 2; found.moveNext())
        numbers << ValueText::plain(found.field(0));
    found.close();
    return numbers;
}

// A tab, a line end, a NUL: pasted along with a number or sent by an input method, never part
// of one. A NUL would even cut the number short on its way to a server.
bool hasControlCharacter(const QString &typed)
{
    return std::any_of(typed.cbegin(), typed.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

ListingLookup::ListingLookup(DetailPanel &detail, QWidget *window) : m_detail(detail), m_window(window)
{
}

std::optional<QString> ListingLookup::offeredNumber(const QString &strTyped)
{
    if (!numbersWhere(QStringLiteral(" AND fybh=?"), strTyped).isEmpty())
        return strTyped;
    // upper() folds the letters of listing numbers, which are Latin, in every database kind.
    const QStringList alike = numbersWhere(QStringLiteral(" AND upper(fybh)=upper(?)"), strTyped);
    if (alike.size() == 1)
        return alike.first();
    return std::nullopt;
}

void ListingLookup::mnuFindListing_Click()
{
    const std::optional<QString> typed = askForNumber();
    if (!typed)
        return;
    if (hasControlCharacter(*typed)) {
        showMessage(QStringLiteral("物业编号不能含有控制字符（如制表符、换行符）。"), MessageFlags::Information,
                    lookupCaption);
        return;
    }
    std::optional<QString> number;
    try {
        number = offeredNumber(*typed);
    } catch (const DbError &error) {
        showError(lcDatabase, QStringLiteral("不能查找房源：") + error.report(), MessageFlags::Critical, lookupCaption);
        return;
    }
    if (!number) {
        showMessage(QStringLiteral("找不到物业编号为“%1”的放盘房源！").arg(*typed), MessageFlags::Information,
                    lookupCaption);
        return;
    }
    m_detail.subGetValue(*number);
}

std::optional<QString> ListingLookup::askForNumber()
{
    QInputDialog prompt(m_window);
    prompt.setObjectName(QStringLiteral("frmQX_FindListing"));
    prompt.setWindowTitle(lookupCaption);
    prompt.setLabelText(QStringLiteral("物业编号："));
    prompt.setOkButtonText(QStringLiteral("确定"));
    prompt.setCancelButtonText(QStringLiteral("取消"));
    prompt.setInputMode(QInputDialog::TextInput);
    takesKeyboardWhenShown(prompt);
    if (showModal(prompt) != QDialog::Accepted)
        return std::nullopt;
    // A number copied from a hand-out often brings a blank along.
    const QString typed = prompt.textValue().trimmed();
    if (typed.isEmpty())
        return std::nullopt;
    return typed;
}
