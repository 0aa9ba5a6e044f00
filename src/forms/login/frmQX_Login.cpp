#include "forms/login/frmQX_Login.h"

#include "core/commandline.h"
#include "core/dberror.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "core/runningcopy.h"
#include "core/valuetext.h"
#include "forms/common/controls.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/common/programend.h"
#include "forms/dblocation/frmQX_DataBaseLocation.h"
#include "forms/main/frmQX_Quillonix.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString loginCaption = QStringLiteral("用户登录");

void reportError(const DbError &error)
{
    showError(lcDatabase, error.report(), MessageFlags::Critical, loginCaption);
}

} // namespace

frmQX_Login::frmQX_Login(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmQX_Login"));
    setWindowTitle(loginCaption);
    DesignScale::fixSize(this, 3750, 1740);
    takesKeyboardWhenShown(*this);

    lblLabels[0] = placeLabel(this, QStringLiteral("lblLabels(0)"), QStringLiteral("用户名称"), 435, 330);
    cmbUserName = placeControl<QComboBox>(this, QStringLiteral("cmbUserName"), twipsRect(1290, 270, 1965, 300));
    lblLabels[1] = placeLabel(this, QStringLiteral("lblLabels(1)"), QStringLiteral("密码"), 795, 750);
    txtPassword = placeControl<QLineEdit>(this, QStringLiteral("txtPassword"), twipsRect(1290, 705, 1965, 301));
    maskAsPassword(txtPassword);
    txtPassword->setMaxLength(8);
    cmdOK = placeControl<QPushButton>(this, QStringLiteral("cmdOK"), twipsRect(885, 1200, 1020, 345),
                                      QStringLiteral("确定"));
    cmdOK->setDefault(true);
    cmdCancel = placeControl<QPushButton>(this, QStringLiteral("cmdCancel"), twipsRect(2235, 1200, 1020, 345),
                                          QStringLiteral("取消"));
    // Enter presses the focused button; elsewhere in the form it presses OK.
    cmdCancel->setAutoDefault(true);

    labelFor(lblLabels[0], cmbUserName);
    labelFor(lblLabels[1], txtPassword);

    setTabOrder(cmbUserName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmQX_Login::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmQX_Login::cmdCancel_Click);
}

void frmQX_Login::Form_Load()
{
    // One copy at a time: a running copy's main window is brought to the front instead.
    if (funFindWindowByCaption(frmQX_Quillonix::designedCaption())) {
        RunningCopy::requestActivation();
        ProgramEnd::now();
        return;
    }

    gDBType = QStringLiteral("A");
    gDBPath = funLoadDBPath();
    if (gDBPath.isEmpty()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        gDBPath = proposedDBPath(programFolder, QFileInfo(programFolder).isWritable());
    }
    if (!gDBPath.endsWith(QLatin1Char('/')))
        gDBPath += QLatin1Char('/');
    funSaveDBPath(gDBPath);

    QString reason;
    if (!funConnectDatabase(&reason)) {
        // The question, then why: the folder moved, or what keeps the server out of reach.
        const MessageAnswer answer
            = showError(lcDatabase, QStringLiteral("数据库连接失败，不能进入系统，重新确定数据库位置吗？\n\n") + reason,
                        MessageFlags::YesNoCritical, QStringLiteral("连接数据库"));
        if (answer == MessageAnswer::Yes) {
            frmQX_DataBaseLocation location;
            location.exec();
            if (ProgramEnd::programEnding())
                return;
            showMessage(QStringLiteral("请重新进入系统"), MessageFlags::Information, QStringLiteral("重新登录"));
        }
        // Without its database the program could not start: a failure, for the shell too.
        ProgramEnd::now(ProgramCommandLine::failed);
        return;
    }

    setWindowIcon(QIcon());
    try {
        listUsers();
    } catch (const DbError &error) {
        reportError(error);
    }
}

void frmQX_Login::listUsers()
{
    const QString allUsers = QStringLiteral("SELECT * FROM user ");
    Recordset *users = &funOpenQuery(allUsers);
    if (users->recordCount() == 0) {
        // The very first start: an administrator without a password gets the agency in.
        users->addNew();
        users->setField(QStringLiteral("yhm"), QStringLiteral("ADMIN"));
        users->setField(QStringLiteral("xgr"), QStringLiteral("SYSTEM"));
        users->setField(QStringLiteral("xgsj"),
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        users->update();
        users->close();
        users = &funOpenQuery(allUsers);
    }
    int unnamed = 0;
    for (; !users->eof(); users->moveNext()) {
        const QVariant name = users->field(QStringLiteral("yhm"));
        // Each entry keeps the name as stored: the password check finds the user by it.
        if (name.isNull())
            ++unnamed;
        else
            cmbUserName->addItem(ValueText::plain(name),
                                 QVariant::fromValue(users->storedText(QStringLiteral("yhm"))));
    }
    users->close();
    if (cmbUserName->count() > 0)
        cmbUserName->setCurrentIndex(0);
    if (unnamed > 0) {
        throw DbError(DbError::InvalidUseOfNull,
                      QStringLiteral("用户表中有 %1 行没有用户名称，这些行未列出。").arg(unnamed));
    }
}

void frmQX_Login::cmdOK_Click()
{
    try {
        if (cmbUserName->currentIndex() < 0)
            throw DbError(DbError::NoCurrentRecord, QStringLiteral("没有可以登录的用户。"));
        gUserName = cmbUserName->currentData().value<StoredText>();
        if (funCheckPassword(gUserName, txtPassword->text())) {
            accept();
            emit passwordAccepted();
            return;
        }
        showMessage(QStringLiteral("无效的密码，请重试!"), MessageFlags::OkOnly, loginCaption);
        txtPassword->setFocus();
        txtPassword->selectAll();
    } catch (const DbError &error) {
        reportError(error);
    }
}

void frmQX_Login::cmdCancel_Click()
{
    QDialog::reject();
    ProgramEnd::now();
}

void frmQX_Login::reject()
{
    cmdCancel_Click();
}
