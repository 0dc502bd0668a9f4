#pragma once

#include <string>
#include <string_view>

namespace dossiva {

// Names that arrive from the companion (databases, pictures and templates in
// its listings) become local file names and arguments of FTP commands. They
// pass the library's own plain-name rule (isAcceptableLibraryName), so the
// companion can bring no name that this computer would refuse to a name
// typed here: not empty or blank, not starting with a dot (so never "." or
// ".."), no slash, no NUL or other control character, not too long. Every
// entry whose name fails is skipped.
//
// A picture's file name.
bool isPlainRemoteName(std::string_view name);
// A database package or a template, "NAME.dossiva" or "NAME.dossivaTemplate":
// NAME passes the rule.
bool isAcceptableRemoteItemName(std::string_view fileName);
// Why an entry refused by the rule was not synced, as the user reads it.
inline constexpr const char* kRefusedNameReason = "its name is not allowed on this computer";

// A name as it may be shown to the user or printed on a terminal: control
// characters become '?', so a hostile name cannot drive the terminal.
std::string printableRemoteName(std::string_view name);

// A database or template as messages name it: without its extension, in
// quotes, printable.
std::string quotedItemName(std::string_view fileName);

// A path on the companion below a directory: "%@/%@", without doubling the
// slash when the directory is the root "/".
std::string remoteChild(const std::string& directory, const std::string& name);

} // namespace dossiva
