#include "forms/conditions/conditionschoice.h"

#include "forms/common/modal.h"
#include "forms/conditions/frmQX_Conditions.h"

#include <QDialog>
#include <QLabel>

ConditionsChoice::ConditionsChoice(QLabel &line, QWidget &owner) : QObject(&owner), m_line(line), m_owner(owner)
{
    setConditions(SearchConditions());
}

void ConditionsChoice::setConditions(const SearchConditions &conditions)
{
    m_conditions = conditions;
    const QString summary = conditions.summary();
    // The line may be cut short at the window's edge; a screen reader and the pointer get it
    // whole. Without conditions the frame's line runs through as designed.
    m_line.setText(m_line.fontMetrics().elidedText(summary, Qt::ElideRight, m_line.width()));
    m_line.setToolTip(summary);
    m_line.setAccessibleName(summary);
    m_line.setVisible(!summary.isEmpty());
}

void ConditionsChoice::cmdConditions_Click()
{
    frmQX_Conditions window(m_conditions, &m_owner);
    window.Form_Load();
    if (showModal(window) == QDialog::Accepted)
        setConditions(window.conditions());
}
