#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {

// An open file descriptor that closes itself.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // The whole content from the current position; nullopt on a read error
    // or when it holds more than maxBytes.
    std::optional<std::vector<std::uint8_t>> readWhole(std::size_t maxBytes) const;
    // Copies the whole content, from the start, into a new file at target
    // (never over an existing file or through a link) and writes it to the
    // disk. On a failure nothing is left at target and the reason is in
    // `why`: the source could not be read or holds more than maxBytes, or the
    // target could not be written, which a full disk makes no matter the
    // source.
    enum class Copy { Done, SourceRefused, TargetFailed };
    Copy copyTo(const std::string& target, std::uint64_t maxBytes, std::string* why = nullptr) const;

private:
    int m_fd = -1;
};

// Something inside a package that was not read, and why.
struct SkippedItem {
    std::string path;   // inside the package ("images", "images/6"); empty for the package itself
    std::string reason; // "is a symbolic link", "is a FIFO", "cannot be read: <the system's reason>"
};

// "images/6 is a symbolic link", as the user reads it.
std::string describeSkipped(const SkippedItem& item);

// Opens a regular file without following a link at its last component, and
// without blocking on a FIFO; an empty handle, and the reason in `why`, for
// anything else.
FileHandle openRegularFile(const std::string& path, std::string* why = nullptr);

// The files of a package folder as they are sent or read from it: regular
// files inside the folder only. Each item is looked at without following
// links, opened with O_NOFOLLOW and checked again with fstat, so a link,
// device, FIFO or socket is skipped, never followed, and a folder that is a
// link is never entered. Whatever is skipped is noted with its reason.
class PackageFiles {
public:
    // Opens the package folder; nullopt, with the reason in `why`, when it is
    // not a folder of its own (a link to one counts as not).
    static std::optional<PackageFiles> open(const std::string& folder, std::string* why = nullptr);

    // The names of the regular files of a sub-folder ("images"), sorted.
    // Anything else there is noted as skipped; so is a sub-folder that is
    // not a real folder. A missing sub-folder holds nothing.
    std::vector<std::string> filesIn(const std::string& subfolder);
    // One regular file of a sub-folder ("" for the package folder itself);
    // an empty handle, noted as skipped, when it is anything else.
    FileHandle openFile(const std::string& subfolder, const std::string& name);

    const std::vector<SkippedItem>& skipped() const { return m_skipped; }

    // Every item of a folder tree that is neither a regular file nor a
    // folder, found without following links; the folder itself counts.
    static std::vector<SkippedItem> irregularItems(const std::string& folder);

private:
    explicit PackageFiles(FileHandle folder) : m_folder(std::move(folder)) {}
    // The sub-folder's handle, opened once; null when it cannot be entered.
    const FileHandle* subfolderHandle(const std::string& subfolder, bool noteMissing);
    void skip(std::string path, std::string reason);

    FileHandle m_folder;
    std::map<std::string, FileHandle> m_subfolders;
    std::vector<SkippedItem> m_skipped;
};

} // namespace dossiva
