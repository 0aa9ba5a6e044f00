#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the logged-in user's password before "退出" or "定位数据库" may act. Reports
// through gPrivilegeOK and gPrivilegeText.
class frmQX_CheckPrivilege : public QDialog
{
    Q_OBJECT
public:
    explicit frmQX_CheckPrivilege(QWidget *parent = nullptr);

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    // Neither Enter nor Esc presses a button here; a close request cancels.
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    bool storedPasswordMatches(const QString &typed);

    QLabel *Label1;
    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
};
