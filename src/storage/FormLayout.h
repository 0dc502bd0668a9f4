#pragma once

#include <optional>
#include <string>

namespace dossiva {

// A font of the record form: its name and point size.
struct FontSpec {
    std::string name;
    double size = 0;
    bool operator==(const FontSpec&) const = default;
};

// A colour of the record form, each component from 0 to 1.
struct RGBColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const RGBColor&) const = default;
};

// The stored text forms of layout values: "name,size" and "r,g,b" (0-255).
namespace LayoutCodec {
std::string encodeFont(const FontSpec& font);
std::optional<FontSpec> decodeFont(const std::string& text);
std::string encodeColor(const RGBColor& color);
std::optional<RGBColor> decodeColor(const std::string& text);
} // namespace LayoutCodec

} // namespace dossiva
