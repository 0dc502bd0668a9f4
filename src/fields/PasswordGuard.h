#pragma once

#include "platform/PropertyList.h"

namespace dossiva {

// A password field may ask for the application's protection password before
// its text is shown, copied or searched.
namespace PasswordGuard {

// The field's own option, the "Ask" of its structure; off when missing.
bool askOption(const PropertyList& structure);

// Whether the text is guarded: the field asks, and protection ("Protect")
// is on. Either alone leaves the text free.
bool isGuarded(bool askOption, bool protectionOn);

} // namespace PasswordGuard
} // namespace dossiva
