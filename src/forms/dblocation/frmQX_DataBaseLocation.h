#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Chooses the folder that holds the listing database, for the next start of the program.
class frmQX_DataBaseLocation : public QDialog
{
    Q_OBJECT
public:
    explicit frmQX_DataBaseLocation(QWidget *parent = nullptr);

    void cmdChange_Click();
    void cmdSave_Click();
    void cmdCancel_Click();

protected:
    // The close box cancels; Esc presses nothing, the dialog has no cancel button.
    void reject() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();

    QLabel *Label1;
    QLineEdit *txtDataBaseLocation;
    QPushButton *cmdChange;
    QPushButton *cmdCancel;
    QPushButton *cmdSave;
    QLabel *Label2;
};
