#include "forms/privilege/frmQX_CheckPrivilege.h"

#include "core/dberror.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/common/controls.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString promptCaption = QStringLiteral("检查权限");

} // namespace

frmQX_CheckPrivilege::frmQX_CheckPrivilege(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmQX_CheckPrivilege"));
    setWindowTitle(promptCaption);
    setWindowIcon(QIcon());
    DesignScale::fixSize(this, 4035, 1290);
    takesKeyboardWhenShown(*this);

    Label1 = placeLabel(this, QStringLiteral("Label1"), QStringLiteral("输入口令："), 360, 330);
    txtPassword = placeControl<QLineEdit>(this, QStringLiteral("txtPassword"), twipsRect(1530, 240, 2085, 345));
    maskAsPassword(txtPassword);
    txtPassword->setMaxLength(8);
    labelFor(Label1, txtPassword);
    cmdOK = placeControl<QPushButton>(this, QStringLiteral("cmdOK"), twipsRect(1530, 780, 885, 315),
                                      QStringLiteral("确定"));
    cmdCancel = placeControl<QPushButton>(this, QStringLiteral("cmdCancel"), twipsRect(2700, 780, 885, 315),
                                          QStringLiteral("取消"));
    for (QPushButton *button : {cmdOK, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmQX_CheckPrivilege::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmQX_CheckPrivilege::cmdCancel_Click);
}

void frmQX_CheckPrivilege::cmdOK_Click()
{
    const QString typed = ValueText::trimBlanks(txtPassword->text());
    if (storedPasswordMatches(typed))
        gPrivilegeOK = true;
    gPrivilegeText = typed;
    accept();
}

bool frmQX_CheckPrivilege::storedPasswordMatches(const QString &typed)
{
    try {
        Recordset &user
            = funOpenQuery(QStringLiteral("SELECT yhkl FROM user WHERE yhm=? "), {QVariant::fromValue(gUserName)});
        if (user.eof()) {
            showMessage(QStringLiteral("用户“%1”已不在用户表中，不能核对口令。").arg(gUserName.shown()),
                        MessageFlags::Critical, promptCaption);
            return false;
        }
        const QVariant stored = user.field(0);
        // Closed at once: an open record set would keep the agency's database locked
        // against the programs that write to it.
        user.close();
        // A user without a stored password (Null, as the first start's ADMIN) logs in with
        // any password and has nothing to type here: an empty entry passes, typed text not.
        if (stored.isNull())
            return typed.isEmpty();
        return ValueText::trimBlanks(ValueText::plain(stored)) == typed;
    } catch (const DbError &error) {
        showError(lcDatabase, QStringLiteral("不能核对口令：") + error.report(), MessageFlags::Critical, promptCaption);
        return false;
    }
}

void frmQX_CheckPrivilege::cmdCancel_Click()
{
    gPrivilegeText.clear();
    QDialog::reject();
}

void frmQX_CheckPrivilege::reject()
{
    cmdCancel_Click();
}

void frmQX_CheckPrivilege::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
