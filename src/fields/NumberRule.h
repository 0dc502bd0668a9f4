#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dossiva {

// What a number field accepts: a number typed exactly as the program would
// print it, so that what the user sees is what is stored. Blanks may group
// digits and a comma may stand for the decimal point.
namespace NumberRule {

// The alert of a refused number.
inline constexpr const char* kRefusalTitle = "The value of a number field must be a number.";
inline constexpr const char* kRefusalMessage = "Please enter only numbers in this field.";

// The text a typed number is stored as: "" for nothing typed, the
// canonical text when the typed text (without blanks, "," read as ".") is
// that canonical text, nullopt when the number is refused. So "1,5" gives
// "1.5" and "12 000" gives "12000", while "1.50", ".5", "+3", "1e3" and
// "123456789" are refused.
std::optional<std::string> validate(std::string_view typed);

// A 32-bit real in the general format with 7 significant digits: no
// trailing zeros, no point for whole numbers, an exponent for very large or
// small magnitudes ("1.5", "12000", "1.234568e+08").
std::string canonicalText(float value);

// A stored number rewritten with 16 significant digits, as a number view
// shows a value that came back through undo; "" stays "".
std::string canonicalDoubleText(std::string_view stored);

} // namespace NumberRule
} // namespace dossiva
