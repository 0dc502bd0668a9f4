#include "fields/LargeTextHeight.h"

#include <cmath>

namespace dossiva::LargeTextHeight {

int allowedChange(int textHeight, int requested)
{
    if (textHeight + requested < kMinimumTextHeight) {
        return kMinimumTextHeight - textHeight;
    }
    return requested;
}

std::optional<double> storedHeight(const PropertyList& structure)
{
    const PropertyList* first = structure.at(0);
    if (first == nullptr) {
        return std::nullopt;
    }
    const auto kind = first->kind();
    if (kind != PropertyList::Kind::Real && kind != PropertyList::Kind::Integer) {
        return std::nullopt;
    }
    const double height = first->toReal();
    if (!std::isfinite(height) || height <= 0) {
        return std::nullopt;
    }
    return height;
}

PropertyList withHeight(const PropertyList& structure, double height)
{
    PropertyList result = structure.isArray() ? structure : PropertyList::array();
    PropertyList::Array& elements = *result.asArray();
    if (elements.empty()) {
        elements.emplace_back(height);
    } else {
        elements.front() = PropertyList(height);
    }
    return result;
}

} // namespace dossiva::LargeTextHeight
