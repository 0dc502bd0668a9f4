#include "fields/NumberRule.h"

#include "fields/CalculationEngine.h"
#include "fields/TextNumbers.h"

#include <charconv>

namespace dossiva::NumberRule {

namespace {

// The typed text as the number is read from it: blanks dropped, a comma
// taken for the decimal point.
std::string normalised(std::string_view typed)
{
    std::string text;
    text.reserve(typed.size());
    for (char c : typed) {
        if (c != ' ') {
            text.push_back(c == ',' ? '.' : c);
        }
    }
    return text;
}

// The 32-bit real a text starts with; nullopt when it starts with no
// number or the number is out of the type's range. A text that reads only
// in part is fine here: its canonical text then differs from it.
std::optional<float> leadingFloat(const std::string& text)
{
    // Only a digit, a point or a minus can begin a number; this keeps "inf"
    // and "nan" out, which no number field ever holds.
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.' || text[0] == '-')) {
        return std::nullopt;
    }
    float value = 0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::string> validate(std::string_view typed)
{
    const std::string text = normalised(typed);
    if (text.empty()) {
        return std::string();
    }
    const std::optional<float> value = leadingFloat(text);
    if (!value) {
        return std::nullopt;
    }
    std::string canonical = canonicalText(*value);
    if (canonical != text) {
        return std::nullopt;
    }
    return canonical;
}

std::string canonicalText(float value)
{
    // to_chars prints as printf does in the "C" locale, whatever locale the
    // program runs in.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    return std::string(buffer, result.ptr);
}

std::string canonicalDoubleText(std::string_view stored)
{
    if (stored.empty()) {
        return {};
    }
    return CalculationEngine::formatResult(leadingReal(stored));
}

} // namespace dossiva::NumberRule
