#include "forms/main/textorder.h"

#include <algorithm>

namespace {

// Eight folded characters after the part every cell shares, packed so that comparing the
// two numbers compares those characters: most rows are told apart without reading a
// string. Missing characters count as 0, below any character, so that where the numbers
// tie the shorter text comes first; only texts longer than what is packed are compared in
// full.
struct Entry
{
    quint64 high;
    quint64 low;
    qsizetype size;
    int place;
};

constexpr size_t packedUnits = 8;

char16_t folded(QChar c)
{
    return c.toCaseFolded().unicode();
}

size_t sharedStart(const ListRows &rows, const std::vector<int> &shown, int column)
{
    if (shown.empty())
        return 0;
    const QStringView first = rows.cell(shown.front(), column);
    size_t shared = size_t(first.size());
    for (const int row : shown) {
        const QStringView text = rows.cell(row, column);
        size_t same = 0;
        const size_t most = std::min(shared, size_t(text.size()));
        while (same < most && folded(text[qsizetype(same)]) == folded(first[qsizetype(same)]))
            ++same;
        shared = same;
        if (shared == 0)
            break;
    }
    return shared;
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = folded(a[i]);
        const char16_t y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace

std::vector<int> TextOrder::sorted(const ListRows &rows, const std::vector<int> &shown, int column,
                                   Qt::SortOrder order)
{
    const size_t skip = sharedStart(rows, shown, column);
    std::vector<Entry> entries(shown.size());
    for (size_t place = 0; place < shown.size(); ++place) {
        const QStringView text = rows.cell(shown[place], column);
        quint64 packed[2] = {0, 0};
        for (size_t unit = 0; unit < packedUnits; ++unit) {
            const size_t at = skip + unit;
            const quint64 value = at < size_t(text.size()) ? folded(text[qsizetype(at)]) : 0;
            packed[unit / 4] |= value << (16 * (3 - unit % 4));
        }
        entries[place] = {packed[0], packed[1], text.size(), int(place)};
    }
    const auto textAt = [&](const Entry &entry) { return rows.cell(shown[size_t(entry.place)], column); };
    const qsizetype packedSize = qsizetype(skip + packedUnits);
    // Each comparison ends in the place: a strict total order, so the unstable sort gives
    // exactly the stable sort's order.
    const auto before = [&](const Entry &a, const Entry &b, bool descending) {
        if (a.high != b.high)
            return (a.high < b.high) != descending;
        if (a.low != b.low)
            return (a.low < b.low) != descending;
        if (a.size > packedSize || b.size > packedSize) {
            const int text = compareFolded(textAt(a), textAt(b));
            if (text != 0)
                return (text < 0) != descending;
        } else if (a.size != b.size) {
            return (a.size < b.size) != descending;
        }
        return a.place < b.place;
    };
    const bool descending = order == Qt::DescendingOrder;
    std::sort(entries.begin(), entries.end(),
              [&](const Entry &a, const Entry &b) { return before(a, b, descending); });
    std::vector<int> places(entries.size());
    std::transform(entries.begin(), entries.end(), places.begin(), [](const Entry &entry) { return entry.place; });
    return places;
}
