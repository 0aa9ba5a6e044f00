#pragma once

#include "forms/main/listrows.h"

#include <Qt>
#include <vector>

// The order of a list's rows by the text of one column, compared character by character
// with letter case ignored (each character folded on its own), an empty cell before any
// text. Rows with equal text keep the order they stand in: sorting by one column and then
// by another leaves rows equal in the second in the order of the first.
namespace TextOrder {

// shown: the stored row at each place of the list. Gives, for each place of the sorted
// list, the place the row comes from. Reads rows only, so it may run in another thread.
std::vector<int> sorted(const ListRows &rows, const std::vector<int> &shown, int column, Qt::SortOrder order);

} // namespace TextOrder
