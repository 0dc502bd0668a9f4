#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <string>
#include <variant>

namespace dossiva {

// What a record field view shows, taken before an edit so that undo can put
// it back: nothing (an empty date, no picture), a text (texts, numbers, a
// checkbox's "0"/"1", a password), a number (a date's seconds, a choice
// index) or a picture.
using FieldSnapshot = std::variant<std::monostate, std::string, std::int64_t, ImagePtr>;

} // namespace dossiva
