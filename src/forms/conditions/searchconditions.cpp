#include "forms/conditions/searchconditions.h"

#include "core/valuetext.h"

#include <QStringList>
#include <algorithm>

namespace {

struct RangeDesign
{
    const char *caption;
    const char *column;
    const char *unit;
};

const RangeDesign rangeDesign[SearchConditions::rangeCount] = {
    {"售价", "sj", "万元"},
    {"租价", "zj", "元"},
    {"建筑面积", "jzmz", "平方米"},
    {"所在楼层", "lc", "层"},
};

struct FacilityDesign
{
    const char *caption;
    const char *column;
};

// The detail panel's order of the facilities.
const FacilityDesign facilityDesign[SearchConditions::facilityCount] = {
    {"电话", "dh"}, {"电视机", "dsj"}, {"冰箱", "dbx"},    {"洗衣机", "xyj"}, {"空调", "kt"},
    {"暖气", "nq"}, {"家具", "jj"},    {"管道煤气", "gdmq"}, {"电梯", "dt"},
};

// 物业名称, 物业特点, 其他设施, 物业类型, 物业权源.
const char *const keywordColumns[] = {"wymc", "Wytd", "Qtss", "wylx", "wyqy"};

QString numberText(double number)
{
    return ValueText::plain(QVariant(number));
}

bool hasLetterAtoZ(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    });
}

// The keyword as a LIKE pattern found anywhere: its own %, _ and \ taken as written.
QString anywherePattern(const QString &keyword)
{
    QString escaped;
    for (const QChar c : keyword) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

bool SearchConditions::isEmpty() const
{
    return *this == SearchConditions();
}

bool SearchConditions::operator==(const SearchConditions &other) const
{
    return ranges == other.ranges && layout == other.layout && orientation == other.orientation
           && facilities == other.facilities && keyword == other.keyword;
}

QString SearchConditions::rangeCaption(int index)
{
    return QString::fromUtf8(rangeDesign[index].caption);
}

QString SearchConditions::rangeUnit(int index)
{
    return QString::fromUtf8(rangeDesign[index].unit);
}

QString SearchConditions::facilityCaption(int index)
{
    return QString::fromUtf8(facilityDesign[index].caption);
}

QString SearchConditions::sql() const
{
    QString text;
    for (int index = 0; index < rangeCount; ++index) {
        // Text that is no number, and Null, fail a range: such a listing is left out.
        const QString number = QStringLiteral(" AND number_or_null(%1)").arg(QLatin1String(rangeDesign[index].column));
        if (ranges[size_t(index)].from)
            text += number + QStringLiteral(">=?");
        if (ranges[size_t(index)].to)
            text += number + QStringLiteral("<=?");
    }
    if (layout)
        text += QStringLiteral(" AND ") + layoutColumn() + QStringLiteral("=?");
    if (orientation)
        text += QStringLiteral(" AND ") + orientationColumn() + QStringLiteral("=?");
    for (int index = 0; index < facilityCount; ++index) {
        if (facilities[size_t(index)])
            text += QStringLiteral(" AND %1=?").arg(QLatin1String(facilityDesign[index].column));
    }
    if (!keyword.isEmpty()) {
        // Without a letter A–Z the keyword is found as typed, by the engine's plain search for
        // text in text, many times quicker than LIKE; letters ask for LIKE, which takes either
        // case of A–Z and nothing else.
        const QString found = hasLetterAtoZ(keyword) ? QStringLiteral("%1 LIKE ? ESCAPE '\\'")
                                                     : QStringLiteral("instr(%1, ?) > 0");
        QStringList anyColumn;
        for (const char *column : keywordColumns)
            anyColumn << found.arg(QLatin1String(column));
        text += QStringLiteral(" AND (") + anyColumn.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    return text;
}

QVariantList SearchConditions::values() const
{
    QVariantList values;
    for (const Range &range : ranges) {
        if (range.from)
            values << *range.from;
        if (range.to)
            values << *range.to;
    }
    // As stored: a layout with trailing blanks, or in an older encoding, finds its listings.
    for (const std::optional<StoredText> &text : {layout, orientation}) {
        if (text)
            values << QVariant::fromValue(*text);
    }
    for (const bool ticked : facilities) {
        if (ticked)
            values << 1;
    }
    if (!keyword.isEmpty()) {
        const QString pattern = hasLetterAtoZ(keyword) ? anywherePattern(keyword) : keyword;
        for (size_t column = 0; column < std::size(keywordColumns); ++column)
            values << pattern;
    }
    return values;
}

QString SearchConditions::summary() const
{
    QStringList parts;
    for (int index = 0; index < rangeCount; ++index) {
        const Range &range = ranges[size_t(index)];
        if (!range.isSet())
            continue;
        QString bounds;
        if (range.from && range.to)
            bounds = numberText(*range.from) + QStringLiteral("–") + numberText(*range.to);
        else if (range.from)
            bounds = QStringLiteral("≥") + numberText(*range.from);
        else
            bounds = QStringLiteral("≤") + numberText(*range.to);
        parts << rangeCaption(index) + bounds + rangeUnit(index);
    }
    if (layout)
        parts << QStringLiteral("户型：") + layout->shown();
    if (orientation)
        parts << QStringLiteral("朝向：") + orientation->shown();
    for (int index = 0; index < facilityCount; ++index) {
        if (facilities[size_t(index)])
            parts << facilityCaption(index);
    }
    if (!keyword.isEmpty())
        parts << QStringLiteral("关键字：") + keyword;
    return parts.isEmpty() ? QString() : QStringLiteral("另有条件：") + parts.join(QStringLiteral(" · "));
}
