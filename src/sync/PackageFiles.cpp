#include "sync/PackageFiles.h"

#include "sync/DownloadLimits.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dossiva {

namespace {

// Package trees are two levels deep; anything far deeper is not one.
constexpr int kMaxDepth = 16;

std::string systemReason(int error)
{
    return std::string("cannot be read: ") + std::strerror(error);
}

const char* kindOf(mode_t mode)
{
    if (S_ISLNK(mode)) {
        return "is a symbolic link";
    }
    if (S_ISFIFO(mode)) {
        return "is a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "is a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "is a device";
    }
    if (S_ISDIR(mode)) {
        return "is a folder";
    }
    if (S_ISREG(mode)) {
        return "is a file, not a folder";
    }
    return "is not a plain file";
}

bool hasKind(mode_t mode, bool directory)
{
    return directory ? S_ISDIR(mode) : S_ISREG(mode);
}

// Looks before it opens, so that a device is never opened at all; opens
// without following a link and without waiting for a FIFO's writer; then
// makes sure the item opened is the one looked at.
FileHandle openChecked(int dirfd, const std::string& name, bool directory, std::string& why)
{
    struct stat before {};
    if (::fstatat(dirfd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
        why = systemReason(errno);
        return {};
    }
    if (!hasKind(before.st_mode, directory)) {
        why = kindOf(before.st_mode);
        return {};
    }
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | (directory ? O_DIRECTORY : 0);
    FileHandle handle(::openat(dirfd, name.c_str(), flags));
    if (!handle.isOpen()) {
        why = errno == ELOOP ? "is a symbolic link" : systemReason(errno);
        return {};
    }
    struct stat after {};
    if (::fstat(handle.fd(), &after) != 0) {
        why = systemReason(errno);
        return {};
    }
    if (!hasKind(after.st_mode, directory) || after.st_dev != before.st_dev ||
        after.st_ino != before.st_ino) {
        why = "was replaced while it was being opened";
        return {};
    }
    if (!directory) {
        const int status = ::fcntl(handle.fd(), F_GETFL);
        if (status >= 0) {
            ::fcntl(handle.fd(), F_SETFL, status & ~O_NONBLOCK);
        }
    }
    return handle;
}

bool byPath(const SkippedItem& a, const SkippedItem& b)
{
    return a.path < b.path;
}

bool isPlainEntryName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

// Calls visit(name, mode) for every entry of an open folder, read through a
// copy of its descriptor so the folder's own handle stays usable. False when
// the folder cannot be read.
template <typename Visit> bool forEachEntry(int dirfd, Visit visit)
{
    const int copy = ::fcntl(dirfd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return false;
    }
    DIR* dir = ::fdopendir(copy);
    if (dir == nullptr) {
        ::close(copy);
        return false;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat status {};
        const bool known = ::fstatat(dirfd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
        visit(name, known ? std::optional<mode_t>(status.st_mode) : std::nullopt);
    }
    ::closedir(dir);
    return true;
}

void collectIrregular(int dirfd, const std::string& prefix, int depth, std::vector<SkippedItem>& items)
{
    const bool read = forEachEntry(dirfd, [&](const std::string& name, std::optional<mode_t> mode) {
        const std::string path = joined(prefix, name);
        if (!mode) {
            items.push_back({path, systemReason(errno)});
        } else if (S_ISDIR(*mode)) {
            std::string why;
            const FileHandle child = depth < kMaxDepth ? openChecked(dirfd, name, true, why) : FileHandle();
            if (child.isOpen()) {
                collectIrregular(child.fd(), path, depth + 1, items);
            } else {
                items.push_back({path, depth < kMaxDepth ? why : "is nested too deeply"});
            }
        } else if (!S_ISREG(*mode)) {
            items.push_back({path, kindOf(*mode)});
        }
    });
    if (!read) {
        items.push_back({prefix, systemReason(errno)});
    }
}

} // namespace

FileHandle::~FileHandle()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

std::optional<std::vector<std::uint8_t>> FileHandle::readWhole(std::size_t maxBytes) const
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (;;) {
        const ssize_t got = ::read(m_fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), block, block + got);
    }
}

FileHandle::Copy FileHandle::copyTo(const std::string& target, std::uint64_t maxBytes, std::string* why) const
{
    const auto fail = [why](Copy kind, const std::string& reason) {
        if (why != nullptr) {
            *why = reason;
        }
        return kind;
    };
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        return fail(Copy::TargetFailed, "could not be written: " + std::string(std::strerror(errno)));
    }
    const FileHandle written(out);
    const auto abandon = [&](Copy kind, const std::string& reason) {
        ::unlink(target.c_str());
        return fail(kind, reason);
    };
    std::uint8_t block[65536];
    std::uint64_t copied = 0;
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(m_fd, block, sizeof block, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return abandon(Copy::SourceRefused, systemReason(errno));
        }
        if (got == 0) {
            break;
        }
        copied += static_cast<std::uint64_t>(got);
        if (copied > maxBytes) {
            return abandon(Copy::SourceRefused, "is larger than " + byteCountText(maxBytes));
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote = ::write(out, block + put, static_cast<std::size_t>(got - put));
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote < 0) {
                return abandon(Copy::TargetFailed,
                               "could not be written: " + std::string(std::strerror(errno)));
            }
            put += wrote;
        }
        offset += got;
    }
    if (::fsync(out) != 0) {
        return abandon(Copy::TargetFailed, "could not be written: " + std::string(std::strerror(errno)));
    }
    return Copy::Done;
}

std::string describeSkipped(const SkippedItem& item)
{
    return (item.path.empty() ? std::string("the package") : item.path) + " " + item.reason;
}

FileHandle openRegularFile(const std::string& path, std::string* why)
{
    std::string reason;
    FileHandle handle = openChecked(AT_FDCWD, path, false, reason);
    if (why != nullptr) {
        *why = reason;
    }
    return handle;
}

std::optional<PackageFiles> PackageFiles::open(const std::string& folder, std::string* why)
{
    std::string reason;
    FileHandle handle = openChecked(AT_FDCWD, folder, true, reason);
    if (!handle.isOpen()) {
        if (why != nullptr) {
            *why = reason;
        }
        return std::nullopt;
    }
    return PackageFiles(std::move(handle));
}

void PackageFiles::skip(std::string path, std::string reason)
{
    m_skipped.push_back({std::move(path), std::move(reason)});
}

const FileHandle* PackageFiles::subfolderHandle(const std::string& subfolder, bool noteMissing)
{
    if (subfolder.empty()) {
        return &m_folder;
    }
    const auto known = m_subfolders.find(subfolder);
    if (known != m_subfolders.end()) {
        return known->second.isOpen() ? &known->second : nullptr;
    }
    std::string why;
    FileHandle handle;
    if (!isPlainEntryName(subfolder)) {
        why = "does not have a plain name";
    } else {
        handle = openChecked(m_folder.fd(), subfolder, true, why);
    }
    // A package without pictures may have no images folder at all.
    if (!handle.isOpen() && (noteMissing || why != systemReason(ENOENT))) {
        skip(subfolder, why);
    }
    const auto inserted = m_subfolders.emplace(subfolder, std::move(handle)).first;
    return inserted->second.isOpen() ? &inserted->second : nullptr;
}

std::vector<std::string> PackageFiles::filesIn(const std::string& subfolder)
{
    std::vector<std::string> names;
    const FileHandle* folder = subfolderHandle(subfolder, false);
    if (folder == nullptr) {
        return names;
    }
    std::vector<SkippedItem> others;
    const bool read = forEachEntry(folder->fd(), [&](const std::string& name, std::optional<mode_t> mode) {
        if (mode && S_ISREG(*mode)) {
            names.push_back(name);
        } else {
            others.push_back({joined(subfolder, name), mode ? kindOf(*mode) : systemReason(errno)});
        }
    });
    if (!read) {
        skip(subfolder, systemReason(errno));
    }
    std::sort(names.begin(), names.end());
    std::sort(others.begin(), others.end(), byPath);
    m_skipped.insert(m_skipped.end(), others.begin(), others.end());
    return names;
}

FileHandle PackageFiles::openFile(const std::string& subfolder, const std::string& name)
{
    const FileHandle* folder = subfolderHandle(subfolder, true);
    if (folder == nullptr) {
        return {};
    }
    std::string why = "does not have a plain name";
    FileHandle handle = isPlainEntryName(name) ? openChecked(folder->fd(), name, false, why) : FileHandle();
    if (!handle.isOpen()) {
        skip(joined(subfolder, name), why);
    }
    return handle;
}

std::vector<SkippedItem> PackageFiles::irregularItems(const std::string& folder)
{
    std::vector<SkippedItem> items;
    std::string why;
    const FileHandle root = openChecked(AT_FDCWD, folder, true, why);
    if (!root.isOpen()) {
        items.push_back({"", why});
        return items;
    }
    collectIrregular(root.fd(), "", 0, items);
    std::sort(items.begin(), items.end(), byPath);
    return items;
}

} // namespace dossiva
