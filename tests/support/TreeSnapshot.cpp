#include "support/TreeSnapshot.h"

#include "support/Files.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace dossiva::test {

namespace {

std::string describe(const fs::directory_entry& entry)
{
    std::error_code error;
    const auto status = entry.symlink_status(error);
    if (fs::is_symlink(status)) {
        return "link to " + fs::read_symlink(entry.path(), error).string();
    }
    if (fs::is_directory(status)) {
        return "folder";
    }
    if (!fs::is_regular_file(status)) {
        return "special";
    }
    const std::string bytes = fileContents(entry.path().string());
    return std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
}

} // namespace

TreeSnapshot snapshotTree(const std::string& root, const std::vector<std::string>& skipped)
{
    TreeSnapshot snapshot;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end;
         !error && it != end; it.increment(error)) {
        const std::string relative = fs::relative(it->path(), root).string();
        bool skip = false;
        for (const auto& prefix : skipped) {
            skip = skip || relative.rfind(prefix, 0) == 0;
        }
        if (skip) {
            if (it->is_directory()) {
                it.disable_recursion_pending();
            }
            continue;
        }
        snapshot[relative] = describe(*it);
    }
    return snapshot;
}

} // namespace dossiva::test
