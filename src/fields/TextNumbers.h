#pragma once

#include <cstdint>
#include <string_view>

namespace dossiva {

// Reads numbers from stored texts the forgiving way the stored values have
// always been read: leading blanks skipped, then the longest numeric prefix;
// text without a number reads as 0.
std::int64_t leadingInteger(std::string_view text);
// As leadingInteger, with "." as the decimal point and an optional exponent.
double leadingReal(std::string_view text);

} // namespace dossiva
