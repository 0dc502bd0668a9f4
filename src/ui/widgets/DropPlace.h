#pragma once

#include <utility>
#include <vector>

namespace dossiva {

// Where something dropped at height y goes among rows stacked top-down
// (each a top and a height): before a row when y is above it or in its upper
// half, after it in its lower half, after the last row below them all. The
// place counts the rows above it.
int dropPlace(const std::vector<std::pair<int, int>>& rows, int y);

} // namespace dossiva
