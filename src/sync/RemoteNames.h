#pragma once

#include <string>
#include <string_view>

namespace dossiva {

// Names that arrive from the companion (databases, pictures and templates in
// its listings) become local file names and arguments of FTP commands, so
// only plain names are accepted: not empty, not "." or "..", no slash, no NUL
// or other control character, and at most 255 bytes. Every entry whose name
// fails this is skipped.
bool isPlainRemoteName(std::string_view name);

// A name as it may be shown to the user or printed on a terminal: control
// characters become '?', so a hostile name cannot drive the terminal.
std::string printableRemoteName(std::string_view name);

// A path on the companion below a directory: "%@/%@", without doubling the
// slash when the directory is the root "/".
std::string remoteChild(const std::string& directory, const std::string& name);

} // namespace dossiva
