#pragma once

#include "forms/conditions/searchconditions.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "更多条件": the further conditions of a search, each optional. 确定 takes what the boxes
// say once every box reads right; a box that does not is named beside it, and nothing is
// taken. 清除 empties the boxes; 取消 (or Esc) leaves the conditions as they were.
class frmQX_Conditions : public QDialog
{
    Q_OBJECT
public:
    explicit frmQX_Conditions(const SearchConditions &current, QWidget *parent = nullptr);

    // Fills the layout and orientation lists with the values the search can find, and shows
    // the current conditions. A list the database cannot give offers 全部 alone, said once.
    void Form_Load();
    // The conditions 确定 took; the ones the window opened with until then.
    const SearchConditions &conditions() const { return m_conditions; }

    void cmdOK_Click();
    void cmdClear_Click();

private:
    struct RangeBoxes
    {
        QLineEdit *from, *to;
        QLabel *problem;
    };

    void buildRanges();
    void buildLists();
    void buildFacilities();
    void buildKeyword();
    void buildButtons();
    void fillList(QComboBox *list, const QString &column);
    void showConditions(const SearchConditions &conditions);
    // Reads the boxes into read; false, with the first bad box focused, when one does not read right.
    bool readBoxes(SearchConditions &read);

    SearchConditions m_conditions;
    std::array<RangeBoxes, SearchConditions::rangeCount> m_ranges;
    QComboBox *cmbWyhx, *cmbCx;
    std::array<QCheckBox *, SearchConditions::facilityCount> m_facilities;
    QLineEdit *txtKeyword;
    QLabel *lblKeywordProblem;
    QPushButton *cmdOK, *cmdClear, *cmdCancel;
};
