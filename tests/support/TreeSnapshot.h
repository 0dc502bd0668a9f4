#pragma once

#include <map>
#include <string>
#include <vector>

namespace dossiva::test {

// Every entry below a folder, by its path relative to the folder, with what
// identifies its content: a file's size and hash, a link's target, "folder".
// Comparing two snapshots shows whether anything there was changed, added
// or removed.
using TreeSnapshot = std::map<std::string, std::string>;

// Entries whose relative path starts with one of `skipped` are left out
// (the data tree itself, inside a home folder).
TreeSnapshot snapshotTree(const std::string& root, const std::vector<std::string>& skipped = {});

} // namespace dossiva::test
