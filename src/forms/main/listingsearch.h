#pragma once

#include <QString>
#include <QVariantList>

class ConditionsChoice;
class DetailPanel;
class MainLayout;

// The search bar's "检索": every current listing that matches the chosen region, category
// and offer type, and the further conditions in force, newest change first, into the result
// list.
class ListingSearch
{
public:
    ListingSearch(const MainLayout &controls, DetailPanel &detail, const ConditionsChoice &further);

    void cmdSearch_Click();
    // The statement the current choices make, and the values for its "?" marks.
    QString statement() const;
    QVariantList values() const;

private:
    const MainLayout &m_controls;
    DetailPanel &m_detail;
    const ConditionsChoice &m_further;
};
