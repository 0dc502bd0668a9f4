#include "storage/FormLayout.h"

#include "fields/TextNumbers.h"

#include <cmath>
#include <vector>

namespace dossiva::LayoutCodec {

namespace {

int toByte(double component)
{
    // Truncated toward zero, as stored files have always held them.
    const double scaled = std::trunc(component * 255.0);
    if (!(scaled > 0)) {
        return 0;
    }
    return scaled > 255 ? 255 : static_cast<int>(scaled);
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

} // namespace

std::string encodeFont(const FontSpec& font)
{
    const double size = std::trunc(font.size);
    const long long points = size > 0 ? static_cast<long long>(size) : 0;
    return font.name + "," + std::to_string(points);
}

std::optional<FontSpec> decodeFont(const std::string& text)
{
    const auto comma = text.find(',');
    if (comma == std::string::npos || comma == 0) {
        return std::nullopt;
    }
    return FontSpec{text.substr(0, comma), static_cast<double>(leadingInteger(text.substr(comma + 1)))};
}

std::string encodeColor(const RGBColor& color)
{
    return std::to_string(toByte(color.red)) + "," + std::to_string(toByte(color.green)) + "," +
           std::to_string(toByte(color.blue));
}

std::optional<RGBColor> decodeColor(const std::string& text)
{
    const auto parts = split(text, ',');
    if (parts.size() != 3) {
        return std::nullopt;
    }
    return RGBColor{leadingReal(parts[0]) / 255.0, leadingReal(parts[1]) / 255.0,
                    leadingReal(parts[2]) / 255.0, 1};
}

} // namespace dossiva::LayoutCodec
