#include "platform/FileManager.h"

#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dossiva::FileManager {

namespace {

thread_local Failure t_lastFailure;

bool fail(Failure failure)
{
    devLog("File: " + failure.reason);
    t_lastFailure = std::move(failure);
    return false;
}

bool fail(const char* what, const std::string& path, int error)
{
    return fail(Failure::file(error, std::string("cannot ") + what + " " + path + ": "));
}

bool fail(const char* what, const std::string& path, const std::error_code& error)
{
    return fail(what, path, error.value());
}

std::string randomSuffix()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, 'x');
    for (char& c : suffix) {
        c = kLetters[generator() % (sizeof(kLetters) - 1)];
    }
    return suffix;
}

// A name beside path that no other writer will pick.
std::string temporarySibling(const std::string& path)
{
    return siblingName(path, "tmp");
}

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

const char* kindOf(const struct stat& info)
{
    if (S_ISLNK(info.st_mode)) {
        return "a symbolic link";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(info.st_mode)) {
        return "a socket";
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return "a device";
    }
    return "not a regular file";
}

// Opens a regular file for reading without blocking on a FIFO or a device.
int openRegularFile(const std::string& path, bool followLinks, struct stat& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) {
            fail(Failure::content(path + " is a symbolic link"));
        } else {
            fail("open", path, error);
        }
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        fail("read", path, error);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode)) {
            fail("read", path, EISDIR);
        } else {
            fail(Failure::content(path + " is " + kindOf(info)));
        }
        return -1;
    }
    // Back to blocking reads for a regular file.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool copyFile(const std::string& from, const std::string& to)
{
    struct stat info {};
    const int in = openRegularFile(from, false, info);
    if (in < 0) {
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return fail("create", to, error);
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    bool copied = true;
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            copied = got == 0;
            error = errno;
            break;
        }
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(got))) {
            copied = false;
            error = errno;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && copied) {
        copied = false;
        error = errno;
    }
    if (!copied) {
        ::unlink(to.c_str());
        return fail("copy to", to, error);
    }
    return true;
}

bool copyTree(const std::string& from, const std::string& to)
{
    if (::mkdir(to.c_str(), 0755) != 0) {
        return fail("create folder", to, errno);
    }
    for (const auto& name : contentsOfDirectory(from)) {
        const std::string source = from + "/" + name;
        const std::string target = to + "/" + name;
        if (isRealDirectory(source) ? !copyTree(source, target) : !copyFile(source, target)) {
            return false;
        }
    }
    return true;
}

// The first entry below a folder that is neither a regular file nor a
// folder, as a path relative to `relative`.
std::optional<std::string> specialEntryBelow(const std::string& folder, const std::string& relative)
{
    for (const auto& name : contentsOfDirectory(folder)) {
        const std::string path = folder + "/" + name;
        const std::string inner = relative.empty() ? name : relative + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            return inner;
        }
        if (S_ISDIR(info.st_mode)) {
            if (auto found = specialEntryBelow(path, inner)) {
                return found;
            }
        } else if (!S_ISREG(info.st_mode)) {
            return inner;
        }
    }
    return std::nullopt;
}

} // namespace

const Failure& lastFailure()
{
    return t_lastFailure;
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool isRegularFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool isRealDirectory(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0) {
        return fail("create folder", path, errno);
    }
    return true;
}

bool createDirectories(const std::string& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (error || !fs::is_directory(path)) {
        return fail("create folders", path, error ? error.value() : ENOTDIR);
    }
    return true;
}

std::optional<std::string> firstSpecialEntry(const std::string& tree)
{
    struct stat info {};
    if (::lstat(tree.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    if (!S_ISDIR(info.st_mode)) {
        return lastPathComponent(tree);
    }
    return specialEntryBelow(tree, {});
}

bool copyItem(const std::string& from, const std::string& to)
{
    if (exists(to)) {
        return fail("copy onto", to, EEXIST);
    }
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) {
        return fail("copy", from, errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return copyFile(from, to);
    }
    // The whole tree is looked at before anything is written, so a refused
    // tree leaves nothing behind and a link is never followed.
    if (const auto special = firstSpecialEntry(from)) {
        struct stat entry {};
        ::lstat((from + "/" + *special).c_str(), &entry);
        return fail(Failure::content(*special + " in " + lastPathComponent(from) + " is " + kindOf(entry) +
                                     "; only files and folders are copied"));
    }
    if (!copyTree(from, to)) {
        const Failure failure = t_lastFailure;
        std::error_code ignored;
        fs::remove_all(to, ignored);
        t_lastFailure = failure;
        return false;
    }
    return true;
}

bool moveItem(const std::string& from, const std::string& to)
{
    if (exists(to)) {
        return fail("move onto", to, EEXIST);
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        return fail("move", from + " to " + to, errno);
    }
    return copyItem(from, to) && removeItem(from);
}

bool renameReplacing(const std::string& from, const std::string& to)
{
    if (isRealDirectory(to)) {
        return fail("replace", to, EISDIR);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return fail("move", from + " to " + to, errno);
    }
    return true;
}

bool removeItem(const std::string& path)
{
    std::error_code error;
    fs::remove_all(path, error);
    if (error) {
        return fail("remove", path, error);
    }
    return true;
}

bool removeFileEntry(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? true : fail("remove", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return fail("remove", path, EISDIR);
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return fail("remove", path, errno);
    }
    return true;
}

std::vector<std::string> contentsOfDirectory(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::uint64_t maxBytes,
                                                  bool followLinks)
{
    struct stat info {};
    const int fd = openRegularFile(path, followLinks, info);
    if (fd < 0) {
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        ::close(fd);
        fail(Failure::content(path + " is larger than " + std::to_string(maxBytes) + " bytes"));
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    // A file that grows while it is read is read up to the limit and refused
    // past it, so a file never makes us read without end.
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() >= maxBytes) {
                std::uint8_t probe = 0;
                const ssize_t more = ::read(fd, &probe, 1);
                ::close(fd);
                if (more > 0) {
                    fail(Failure::content(path + " is larger than " + std::to_string(maxBytes) + " bytes"));
                    return std::nullopt;
                }
                return bytes;
            }
            bytes.resize(std::min<std::uint64_t>(maxBytes, bytes.size() + 65536));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            fail("read", path, error);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(filled);
    return bytes;
}

bool writeFileAtomically(const std::string& path, const std::uint8_t* bytes, std::size_t length)
{
    const std::string temporary = temporarySibling(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return fail("create", temporary, errno);
    }
    bool written = writeAll(fd, bytes, length) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return fail("write", path, savedErrno);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(temporary.c_str());
        return fail("replace", path, renameErrno);
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes)
{
    return writeFileAtomically(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string siblingName(const std::string& path, const std::string& tag)
{
    return parentPath(path) + "/." + lastPathComponent(path) + "." + tag + "-" + randomSuffix();
}

std::optional<std::string> makeSiblingFolder(const std::string& path, const std::string& tag)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = siblingName(path, tag);
        if (::mkdir(candidate.c_str(), 0755) == 0) {
            return candidate;
        }
        if (errno != EEXIST) {
            fail("create folder", candidate, errno);
            return std::nullopt;
        }
    }
    fail("create a folder beside", path, EEXIST);
    return std::nullopt;
}

std::string lastPathComponent(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const auto slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string parentPath(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

std::string deletingPathExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.find('/', dot) != std::string::npos) {
        return name;
    }
    return name.substr(0, dot);
}

std::string pathExtension(const std::string& name)
{
    const std::string base = lastPathComponent(name);
    const auto dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    return base.substr(dot + 1);
}

} // namespace dossiva::FileManager
