#pragma once

#include <QString>
#include <QVariantList>
#include <memory>

class ConditionsChoice;
class DetailPanel;
class HitReader;
class MainLayout;

// The search bar's "检索": every current listing that matches the chosen region, category
// and offer type, and the further conditions in force, newest change first, into the result
// list: the first hits at once, the rest as they are read.
class ListingSearch
{
public:
    ListingSearch(const MainLayout &controls, DetailPanel &detail, const ConditionsChoice &further);
    ~ListingSearch();

    void cmdSearch_Click();
    // The statement the current choices make, and the values for its "?" marks.
    QString statement() const;
    QVariantList values() const;

private:
    const MainLayout &m_controls;
    DetailPanel &m_detail;
    const ConditionsChoice &m_further;
    std::unique_ptr<HitReader> m_hits;
};
