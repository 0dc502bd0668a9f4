#pragma once

#include <string>
#include <vector>

namespace dossiva::test {

// Writes bytes to a file, making its folder and replacing the file; returns
// its path.
std::string writeFile(const std::string& path, const std::string& bytes);
// The bytes of a file ("" when it cannot be read).
std::string fileContents(const std::string& path);
// The lines of a text, without their line breaks.
std::vector<std::string> textLines(const std::string& text);
// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

} // namespace dossiva::test
