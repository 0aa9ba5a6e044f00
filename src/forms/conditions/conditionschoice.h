#pragma once

#include "forms/conditions/searchconditions.h"

#include <QObject>

class QAbstractButton;
class QLabel;
class QWidget;

// The further conditions in force on the main window: 更多条件 opens their window, the line
// beside the search bar's choices shows them, and 检索 adds them to the choices.
class ConditionsChoice : public QObject
{
    Q_OBJECT
public:
    ConditionsChoice(QLabel &line, QWidget &owner);

    const SearchConditions &conditions() const { return m_conditions; }
    void setConditions(const SearchConditions &conditions);
    // Empties them, for the next customer.
    void clear() { setConditions(SearchConditions()); }

    // Opens the window over the owner; 确定 puts its conditions in force.
    void cmdConditions_Click();

private:
    QLabel &m_line;
    QWidget &m_owner;
    SearchConditions m_conditions;
};
