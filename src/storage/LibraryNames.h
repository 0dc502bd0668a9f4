#pragma once

#include <string>

namespace dossiva {

// Names of databases and templates become file names in the Databases and
// Models folders, so only plain names are accepted: not empty, not starting
// with a dot, no slash, no control character, and short enough for a file
// name with its extension.
bool isAcceptableLibraryName(const std::string& name);

// The message shown when a name is refused.
std::string refusedNameMessage(const std::string& name);

} // namespace dossiva
