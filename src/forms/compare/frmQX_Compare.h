#pragma once

#include "forms/compare/comparison.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// Two to four short-listed listings side by side: their numbers over the columns, the first
// photo of each on top, a row for each detail field, marked where the listings differ. It
// prints like the hand-out.
class frmQX_Compare : public QDialog
{
    Q_OBJECT
public:
    // credit: the credit line the printed comparison carries in its header.
    frmQX_Compare(const Comparison &comparison, const QString &credit, QWidget *parent);

    void cmdPrint_Click();

private:
    void fillTable();

    const Comparison &m_comparison;
    QString m_credit;
    QTableWidget *tblCompare;
    QLabel *lblDifference;
    QLabel *lblLeftOut;
    QPushButton *cmdPrint, *cmdClose;
};
