#include "forms/main/textorder.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace {

// Each row's place and a key of eight folded characters of its text from some point on,
// packed so that comparing the numbers compares those characters (missing characters count
// as 0, below any character), then how many characters the key holds, 9 for a text that
// goes on past it. Rows are put in order by the key of their first eight characters; rows
// whose keys tie and whose texts go on are put in order by the next eight, and so on. Every
// step keeps the order of rows whose keys tie, so that equal texts stay in the order they
// stand in.
struct Entry
{
    quint64 high;
    quint64 low;
    quint32 place;
    quint8 length;
};

constexpr size_t packedUnits = 8;
constexpr quint8 goesOn = packedUnits + 1;

// Each UTF-16 unit folded on its own, looked up rather than worked out a million times.
const std::array<char16_t, 65536> &foldedUnits()
{
    static const std::array<char16_t, 65536> table = [] {
        std::array<char16_t, 65536> units{};
        for (size_t unit = 0; unit < units.size(); ++unit)
            units[unit] = QChar(char16_t(unit)).toCaseFolded().unicode();
        return units;
    }();
    return table;
}

class Sorter
{
public:
    Sorter(const ListRows &rows, const std::vector<int> &shown, int column, bool descending)
        : m_rows(rows), m_shown(shown), m_column(column), m_descending(descending), m_folded(foldedUnits())
    {
    }

    std::vector<int> places()
    {
        std::vector<Entry> entries(m_shown.size());
        packAll(entries);
        sortByUnits(entries);
        settleTies(entries.begin(), entries.end(), 0);
        std::vector<int> places(entries.size());
        std::transform(entries.begin(), entries.end(), places.begin(),
                       [](const Entry &entry) { return int(entry.place); });
        return places;
    }

private:
    using Iterator = std::vector<Entry>::iterator;

    // Every row's first eight characters. The rows are read in the order they are stored,
    // which is the order of their text in memory, whatever order they are shown in: read in
    // the shown order of an earlier sort, nearly every row cost a cache miss or three.
    void packAll(std::vector<Entry> &entries) const
    {
        constexpr quint32 notShown = std::numeric_limits<quint32>::max();
        std::vector<quint32> placeOf(size_t(m_rows.rowCount()), notShown);
        for (size_t place = 0; place < m_shown.size(); ++place)
            placeOf[size_t(m_shown[place])] = quint32(place);
        for (size_t row = 0; row < placeOf.size(); ++row) {
            if (placeOf[row] == notShown)
                continue;
            Entry &entry = entries[placeOf[row]];
            entry.place = placeOf[row];
            packEntry(entry, m_rows.cell(int(row), m_column), 0);
        }
    }

    void pack(Iterator begin, Iterator end, size_t from) const
    {
        for (auto entry = begin; entry != end; ++entry)
            packEntry(*entry, m_rows.cell(m_shown[entry->place], m_column), from);
    }

    void packEntry(Entry &entry, QStringView text, size_t from) const
    {
        const size_t size = size_t(text.size());
        quint64 packed[2] = {0, 0};
        for (size_t unit = 0; unit < packedUnits && from + unit < size; ++unit)
            packed[unit / 4] |= quint64(m_folded[text[qsizetype(from + unit)].unicode()]) << (16 * (3 - unit % 4));
        entry.high = packed[0];
        entry.low = packed[1];
        entry.length = size - from > packedUnits ? goesOn : quint8(size - from);
    }

    // Digit `index` of an entry's key, 0 the most significant: a character, or the length.
    static size_t digit(const Entry &entry, int index)
    {
        if (index < 4)
            return size_t(entry.high >> (16 * (3 - index))) & 0xffff;
        if (index < 8)
            return size_t(entry.low >> (16 * (7 - index))) & 0xffff;
        return entry.length;
    }

    // Stable, one pass for each digit from the last to the first; a digit every key
    // shares is passed over. The digits are all counted in one reading of the entries.
    void sortByUnits(std::vector<Entry> &entries) const
    {
        constexpr int digits = 9;
        std::vector<quint32> counts(size_t(digits) * 65536);
        for (const Entry &entry : entries) {
            for (int index = 0; index < digits; ++index)
                ++counts[size_t(index) * 65536 + digit(entry, index)];
        }
        std::vector<Entry> sorted(entries.size());
        for (int index = digits - 1; index >= 0; --index) {
            quint32 *starts = counts.data() + size_t(index) * 65536;
            if (std::find(starts, starts + 65536, quint32(entries.size())) != starts + 65536)
                continue;
            quint32 start = 0;
            for (size_t value = 0; value < 65536; ++value) {
                const size_t bucket = m_descending ? 65535 - value : value;
                start += std::exchange(starts[bucket], start);
            }
            for (const Entry &entry : entries)
                sorted[starts[digit(entry, index)]++] = entry;
            entries.swap(sorted);
        }
    }

    bool keyBefore(const Entry &a, const Entry &b) const
    {
        const auto key = [](const Entry &entry) { return std::tie(entry.high, entry.low, entry.length); };
        return m_descending ? key(b) < key(a) : key(a) < key(b);
    }

    static bool sameKey(const Entry &a, const Entry &b)
    {
        return a.high == b.high && a.low == b.low && a.length == b.length;
    }

    // A few rows by insertion, as most ties are, without the buffer a stable sort asks for.
    void sortStably(Iterator begin, Iterator end) const
    {
        const auto before = [this](const Entry &a, const Entry &b) { return keyBefore(a, b); };
        if (end - begin > 16) {
            std::stable_sort(begin, end, before);
            return;
        }
        for (auto next = begin + 1; next < end; ++next) {
            const Entry entry = *next;
            auto place = next;
            for (; place != begin && before(entry, *(place - 1)); --place)
                *place = *(place - 1);
            *place = entry;
        }
    }

    // Rows in [begin, end) are in order by their characters before `from` and the eight
    // from there on: rows that tie there and go on are put in order by what follows.
    void settleTies(Iterator begin, Iterator end, size_t from) const
    {
        for (auto run = begin; run != end;) {
            const auto runEnd = std::find_if_not(run, end, [&](const Entry &entry) { return sameKey(entry, *run); });
            if (run->length == goesOn && runEnd - run > 1) {
                pack(run, runEnd, from + packedUnits);
                sortStably(run, runEnd);
                settleTies(run, runEnd, from + packedUnits);
            }
            run = runEnd;
        }
    }

    const ListRows &m_rows;
    const std::vector<int> &m_shown;
    const int m_column;
    const bool m_descending;
    const std::array<char16_t, 65536> &m_folded;
};

} // namespace

std::vector<int> TextOrder::sorted(const ListRows &rows, const std::vector<int> &shown, int column,
                                   Qt::SortOrder order)
{
    return Sorter(rows, shown, column, order == Qt::DescendingOrder).places();
}
