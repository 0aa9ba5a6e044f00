#pragma once

#include "core/storedtext.h"

#include <QString>
#include <QVariantList>
#include <array>
#include <optional>

// The conditions a customer adds to the search bar's choices: ranges of price, rent, area
// and floor, a layout, an orientation, facilities and a keyword, each optional. They make
// further " AND" conditions of the search's statement, with every value bound.
struct SearchConditions
{
    struct Range
    {
        std::optional<double> from, to;
        bool isSet() const { return from || to; }
        bool operator==(const Range &other) const { return from == other.from && to == other.to; }
    };

    // The ranges in the order the window shows them: 售价 (万元), 租价 (元), 建筑面积
    // (平方米), 所在楼层 (层).
    static constexpr int rangeCount = 4;
    enum RangeIndex { SalePrice, Rent, Area, Floor };
    std::array<Range, rangeCount> ranges;
    // A layout (wyhx) or orientation (cx) as stored, or nothing for 全部.
    std::optional<StoredText> layout, orientation;
    // The nine facility flags in the detail panel's order: a ticked one must be exactly 1.
    static constexpr int facilityCount = 9;
    std::array<bool, facilityCount> facilities{};
    // Found anywhere in the name, features, other facilities, type or title source.
    QString keyword;

    bool isEmpty() const;
    bool operator==(const SearchConditions &other) const;

    // The further conditions of the statement, each " AND …", with a "?" for every value.
    QString sql() const;
    // The values for those "?", in their order.
    QVariantList values() const;
    // The conditions in one line, "另有条件：售价≤200万元 · 电梯 · 关键字：地铁"; "" when none.
    QString summary() const;

    // The captions, columns and units of the ranges and the facilities, by index.
    static QString rangeCaption(int index);
    static QString rangeUnit(int index);
    static QString facilityCaption(int index);
    // The columns of the two lists: layout (wyhx) and orientation (cx).
    static QString layoutColumn() { return QStringLiteral("wyhx"); }
    static QString orientationColumn() { return QStringLiteral("cx"); }
};
