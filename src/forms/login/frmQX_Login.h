#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The start-up form: one copy only, the database folder, the connection, the first user,
// and the login itself.
class frmQX_Login : public QDialog
{
    Q_OBJECT
public:
    explicit frmQX_Login(QWidget *parent = nullptr);

    // Everything that must happen before anybody works; runs before the form is shown.
    // The program may end during it (ProgramEnd::programEnding()).
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

signals:
    // The password was accepted and the login form is gone: the main window takes over.
    void passwordAccepted();

protected:
    // Esc and the close box cancel the login.
    void reject() override;

private:
    void listUsers();

    QLabel *lblLabels[2];
    QComboBox *cmbUserName;
    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
};
