#include "fields/TextNumbers.h"

#include <charconv>
#include <limits>

namespace dossiva {

namespace {

std::string_view skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
        ++i;
    }
    return text.substr(i);
}

// The power of ten of a number too large or too small for a double, read
// from its digits and exponent: positive for huge numbers, negative for tiny
// ones.
long long decimalMagnitude(std::string_view text)
{
    std::size_t i = 0;
    long long magnitude = 0;
    bool significant = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        significant = significant || text[i] != '0';
        magnitude += significant ? 1 : 0;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (!significant && text[i] == '0') {
                --magnitude;
            }
            significant = significant || text[i] != '0';
        }
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const long long exponent = leadingInteger(text.substr(i + 1));
        magnitude = exponent > 0 && magnitude > std::numeric_limits<long long>::max() - exponent
                        ? std::numeric_limits<long long>::max()
                    : exponent < 0 && magnitude < std::numeric_limits<long long>::min() - exponent
                        ? std::numeric_limits<long long>::min()
                        : magnitude + exponent;
    }
    return magnitude;
}

} // namespace

std::int64_t leadingInteger(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Accumulate toward the sign so the most negative value reads exactly;
    // past the range the value saturates.
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const int digit = c - '0';
        if (negative) {
            if (value < (std::numeric_limits<std::int64_t>::min() + digit) / 10) {
                return std::numeric_limits<std::int64_t>::min();
            }
            value = value * 10 - digit;
        } else {
            if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) {
                return std::numeric_limits<std::int64_t>::max();
            }
            value = value * 10 + digit;
        }
    }
    return value;
}

double leadingReal(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign and reads "inf"/"nan", which a stored number
    // never means.
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) {
        return 0;
    }
    double value = 0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = decimalMagnitude(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

} // namespace dossiva
