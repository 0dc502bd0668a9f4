#include "platform/Trash.h"

#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/FileManager.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dossiva {

namespace {

// Past this many items of one name, something else is wrong.
constexpr int kMostNamesTried = 1000;

std::string defaultDataHome()
{
    // A relative XDG_DATA_HOME is ignored, as the XDG base directories have it.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return data;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

// The item's absolute path with the folders above it resolved, so the
// trash records where it really was; the item itself is not followed.
std::string realLocation(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (!absolute.has_filename()) {
        absolute = absolute.parent_path();
    }
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    return error ? absolute.string() : (folder / absolute.filename()).string();
}

// The Path key's form: RFC 2396 escaping, with "/" kept.
std::string escapedPath(const std::string& path)
{
    static const std::string kept = "-_.!~*'()/";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alphanumeric || kept.find(c) != std::string::npos) {
            escaped += c;
        } else {
            static const char* digits = "0123456789ABCDEF";
            escaped += '%';
            escaped += digits[byte >> 4];
            escaped += digits[byte & 0x0f];
        }
    }
    return escaped;
}

std::string trashInfo(const std::string& recordedPath)
{
    // Local time without a zone, as file managers read it; the digits
    // never follow the user's locale.
    DateFormat stamp = DateFormat::withPattern("yyyy-MM-dd'T'HH:mm:ss");
    stamp.setLocale("en_US_POSIX");
    return "[Trash Info]\nPath=" + escapedPath(recordedPath) +
           "\nDeletionDate=" + stamp.format(Clock::nowSeconds()) + "\n";
}

// The last folder, going up from `folder`, that is still on `device`: the
// top of the volume.
std::string volumeTop(std::string folder, dev_t device)
{
    while (folder != "/") {
        const std::string up = FileManager::parentPath(folder);
        struct stat status {};
        if (::stat(up.c_str(), &status) != 0 || status.st_dev != device) {
            break;
        }
        folder = up;
    }
    return folder;
}

bool isOwnFolder(const struct stat& status)
{
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid();
}

bool writeAll(int descriptor, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t step = ::write(descriptor, text.data() + written, text.size() - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(step);
    }
    return ::fsync(descriptor) == 0;
}

} // namespace

Trash::Trash(std::optional<std::string> dataHome) : m_dataHome(dataHome ? *dataHome : defaultDataHome())
{
}

bool Trash::fail(int error, const std::string& context)
{
    m_failure = Failure::file(error, context);
    return false;
}

std::optional<std::string> Trash::usableFolder(const std::string& folder, bool create)
{
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT || !create || (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)) {
            fail(errno, "cannot make the trash folder " + folder + ": ");
            return std::nullopt;
        }
        if (::lstat(folder.c_str(), &status) != 0) {
            fail(errno, "cannot read the trash folder " + folder + ": ");
            return std::nullopt;
        }
    }
    // A link or someone else's folder could send the item anywhere.
    if (!isOwnFolder(status)) {
        fail(EPERM, folder + " is not a trash folder of this user: ");
        return std::nullopt;
    }
    for (const char* part : {"/files", "/info"}) {
        const std::string inner = folder + part;
        if (::mkdir(inner.c_str(), 0700) != 0 && errno != EEXIST) {
            fail(errno, "cannot make the trash folder " + inner + ": ");
            return std::nullopt;
        }
        if (::lstat(inner.c_str(), &status) != 0 || !isOwnFolder(status)) {
            fail(EPERM, inner + " is not a trash folder of this user: ");
            return std::nullopt;
        }
    }
    return folder;
}

std::optional<std::string> Trash::topdirFolder(const std::string& topdir)
{
    const std::string uid = std::to_string(::getuid());
    // A shared .Trash is used only as the administrator made it: a real,
    // sticky folder, in which each user has a folder of their own.
    const std::string shared = topdir + "/.Trash";
    struct stat status {};
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0) {
        if (auto folder = usableFolder(shared + "/" + uid, true)) {
            return folder;
        }
    }
    return usableFolder(topdir + "/.Trash-" + uid, true);
}

std::optional<Trash::Place> Trash::placeFor(const std::string& item)
{
    struct stat itemStatus {};
    if (::lstat(item.c_str(), &itemStatus) != 0) {
        fail(errno, "cannot move " + item + " to the trash: ");
        return std::nullopt;
    }
    struct stat dataStatus {};
    if (!FileManager::createDirectories(m_dataHome) || ::stat(m_dataHome.c_str(), &dataStatus) != 0) {
        fail(errno, "cannot make the data folder " + m_dataHome + " for the trash: ");
        return std::nullopt;
    }
    if (dataStatus.st_dev == itemStatus.st_dev) {
        const auto folder = usableFolder(m_dataHome + "/Trash", true);
        return folder ? std::optional<Place>(Place{*folder, item}) : std::nullopt;
    }
    // Another volume: its own trash, which records paths from its top.
    const std::string topdir = volumeTop(FileManager::parentPath(item), itemStatus.st_dev);
    const auto folder = topdirFolder(topdir);
    if (!folder) {
        return std::nullopt;
    }
    const std::string relative = std::filesystem::path(item).lexically_relative(topdir).string();
    return Place{*folder, relative};
}

std::optional<std::string> Trash::moveToTrash(const std::string& path)
{
    m_failure = {};
    const std::string item = realLocation(path);
    const auto place = placeFor(item);
    if (!place) {
        return std::nullopt;
    }
    const std::string name = FileManager::lastPathComponent(item);
    for (int attempt = 1; attempt <= kMostNamesTried; ++attempt) {
        const std::string candidate = attempt == 1 ? name : name + "." + std::to_string(attempt);
        // The info file is made first and exclusively: it claims the name.
        const std::string info = place->folder + "/info/" + candidate + ".trashinfo";
        const int descriptor =
            ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST) {
                continue;
            }
            fail(errno, "cannot write " + info + ": ");
            return std::nullopt;
        }
        const std::string target = place->folder + "/files/" + candidate;
        struct stat existing {};
        const bool taken = ::lstat(target.c_str(), &existing) == 0;
        const bool written = !taken && writeAll(descriptor, trashInfo(place->recorded));
        const int writeError = errno;
        ::close(descriptor);
        if (taken) {
            ::unlink(info.c_str());
            continue;
        }
        if (!written) {
            ::unlink(info.c_str());
            fail(writeError, "cannot write " + info + ": ");
            return std::nullopt;
        }
        if (::rename(item.c_str(), target.c_str()) != 0) {
            const int moveError = errno;
            ::unlink(info.c_str());
            fail(moveError, "cannot move " + item + " to the trash: ");
            return std::nullopt;
        }
        return target;
    }
    fail(EEXIST, "no free name for " + name + " in the trash " + place->folder + ": ");
    return std::nullopt;
}

} // namespace dossiva
