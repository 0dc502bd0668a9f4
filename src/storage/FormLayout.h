#pragma once

#include "platform/Image.h"

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

// The look of the record form as a database stores it (layout_info), each
// value read with its default when it is missing or unreadable: grey labels,
// black values and shadows, no shadows, no fonts of its own, no background.
struct FormLayout {
    std::optional<FontSpec> labelFont;
    std::optional<FontSpec> textFont;
    RGBColor labelColor{0.4, 0.4, 0.4, 1};
    RGBColor textColor{0, 0, 0, 1};
    bool labelShadow = false;
    RGBColor labelShadowColor{0, 0, 0, 1};
    bool textShadow = false;
    RGBColor textShadowColor{0, 0, 0, 1};
    ImagePtr background; // null without one
};

// The stored text forms of layout values: "name,size" and "r,g,b" (0-255).
namespace LayoutCodec {
std::string encodeFont(const FontSpec& font);
std::optional<FontSpec> decodeFont(const std::string& text);
std::string encodeColor(const RGBColor& color);
std::optional<RGBColor> decodeColor(const std::string& text);
} // namespace LayoutCodec

} // namespace dossiva
