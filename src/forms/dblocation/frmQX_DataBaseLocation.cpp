#include "forms/dblocation/frmQX_DataBaseLocation.h"

#include "core/mQuillonix.h"
#include "forms/common/controls.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/common/programend.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

frmQX_DataBaseLocation::frmQX_DataBaseLocation(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmQX_DataBaseLocation"));
    setWindowTitle(QStringLiteral("数据库位置"));
    DesignScale::fixSize(this, 5085, 1935);
    takesKeyboardWhenShown(*this);

    Label1 = placeLabel(this, QStringLiteral("Label1"), QStringLiteral("数据库位置"), 210, 300);
    txtDataBaseLocation = placeControl<QLineEdit>(this, QStringLiteral("txtDataBaseLocation"),
                                                  twipsRect(195, 570, 3645, 315));
    txtDataBaseLocation->setReadOnly(true);
    labelFor(Label1, txtDataBaseLocation);
    const auto button = [this](const QString &name, const QString &caption, const TwipsRect &designed) {
        auto *pushButton = placeControl<QPushButton>(this, name, designed, caption);
        pushButton->setAutoDefault(false);
        return pushButton;
    };
    cmdChange = button(QStringLiteral("cmdChange"), QStringLiteral("更改"), twipsRect(3990, 570, 900, 315));
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("取消"), twipsRect(3990, 1110, 900, 315));
    cmdSave = button(QStringLiteral("cmdSave"), QStringLiteral("保存"), twipsRect(2940, 1110, 900, 315));
    Label2 = placeLabel(this, QStringLiteral("Label2"), QStringLiteral("提示：更改数据库位置需要重新进入系统"),
                        330, 1650);

    setTabOrder(txtDataBaseLocation, cmdChange);
    setTabOrder(cmdChange, cmdCancel);
    setTabOrder(cmdCancel, cmdSave);

    connect(cmdChange, &QPushButton::clicked, this, &frmQX_DataBaseLocation::cmdChange_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmQX_DataBaseLocation::cmdCancel_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmQX_DataBaseLocation::cmdSave_Click);

    Form_Load();
}

void frmQX_DataBaseLocation::Form_Load()
{
    setWindowIcon(QIcon());
    txtDataBaseLocation->setText(gDBPath);
}

void frmQX_DataBaseLocation::cmdChange_Click()
{
    // The picker opens at the folder the box shows: the current database folder, or the one
    // chosen last.
    const QString folder
        = funBrowseForFolder(this, QStringLiteral("选择数据库路径："), txtDataBaseLocation->text());
    if (!folder.isEmpty())
        txtDataBaseLocation->setText(folder);
}

void frmQX_DataBaseLocation::cmdSave_Click()
{
    if (txtDataBaseLocation->text() == gDBPath) {
        QDialog::reject();
        return;
    }
    const MessageAnswer answer = showMessage(QStringLiteral("更改数据库路径需要退出系统后重新进入，确定更改吗？"),
                                             MessageFlags::YesNoInformation, QStringLiteral("更改数据库路径"));
    if (answer != MessageAnswer::Yes)
        return;
    // Stored as chosen; the next start adds the trailing "/" and connects there.
    gDBPath = txtDataBaseLocation->text();
    funSaveDBPath(gDBPath);
    showMessage(QStringLiteral("已更改数据库位置，请重新进入系统"), MessageFlags::Information,
                QStringLiteral("重新登录"));
    accept();
    ProgramEnd::now();
}

void frmQX_DataBaseLocation::cmdCancel_Click()
{
    QDialog::reject();
}

void frmQX_DataBaseLocation::reject()
{
    cmdCancel_Click();
}

void frmQX_DataBaseLocation::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
