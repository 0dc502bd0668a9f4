#pragma once

#include <optional>
#include <string>

namespace dossiva {

// Names of databases and templates become file names in the Databases and
// Models folders, so only plain names are accepted: not empty or blank, not
// starting with a dot, no slash, no control character, readable UTF-8, and
// short enough for a file name with its extension.
//
// Why the name is refused, as a sentence for the user; nullopt when it is
// accepted.
std::optional<std::string> libraryNameProblem(const std::string& name);

bool isAcceptableLibraryName(const std::string& name);

// The message shown when a name is refused: the reason, when it has one.
std::string refusedNameMessage(const std::string& name);

} // namespace dossiva
