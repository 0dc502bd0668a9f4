#pragma once

#include "platform/PropertyList.h"

#include <optional>

namespace dossiva {

// The height of a large text field in the record form: the user drags it
// taller or shorter, the text area never gets lower than its floor, and
// the field's structure keeps the field's height as its first element.
namespace LargeTextHeight {

// The lowest the text area of a large text field gets, in points.
inline constexpr int kMinimumTextHeight = 117;

// The change one resize step makes to a text area of the given height: the
// requested change, or as much as brings the area down to its floor. 0
// means the step changes nothing.
int allowedChange(int textHeight, int requested);

// The field height a large text field's structure keeps, when its first
// element is a positive number.
std::optional<double> storedHeight(const PropertyList& structure);

// The structure that keeps a new field height: its first element replaced,
// or the height appended to an empty list. A structure that is not a list
// becomes the list of the height alone.
PropertyList withHeight(const PropertyList& structure, double height);

} // namespace LargeTextHeight
} // namespace dossiva
