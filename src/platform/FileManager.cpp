#include "platform/FileManager.h"

#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dossiva::FileManager {

namespace {

bool fail(const char* what, const std::string& path, const std::error_code& error)
{
    devLog(std::string("File: ") + what + " '" + path + "' failed: " + error.message());
    return false;
}

// A name beside path that no other writer will pick.
std::string temporarySibling(const std::string& path)
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    const fs::path target(path);
    return (target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(generator())))
        .string();
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

} // namespace

bool exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
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

bool createDirectory(const std::string& path)
{
    std::error_code error;
    if (!fs::create_directory(path, error)) {
        return fail("create folder", path, error ? error : std::make_error_code(std::errc::file_exists));
    }
    return true;
}

bool createDirectories(const std::string& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (error || !fs::is_directory(path)) {
        return fail("create folders", path, error ? error : std::make_error_code(std::errc::not_a_directory));
    }
    return true;
}

bool copyItem(const std::string& from, const std::string& to)
{
    std::error_code error;
    if (exists(to)) {
        return fail("copy onto existing", to, std::make_error_code(std::errc::file_exists));
    }
    const auto status = fs::symlink_status(from, error);
    if (error || !fs::exists(status)) {
        return fail("copy missing", from,
                    error ? error : std::make_error_code(std::errc::no_such_file_or_directory));
    }
    if (fs::is_directory(status)) {
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    } else {
        fs::copy_file(from, to, error);
    }
    if (error) {
        std::error_code ignored;
        fs::remove_all(to, ignored);
        return fail("copy", from + "' to '" + to, error);
    }
    return true;
}

bool moveItem(const std::string& from, const std::string& to)
{
    std::error_code error;
    if (exists(to)) {
        return fail("move onto existing", to, std::make_error_code(std::errc::file_exists));
    }
    fs::rename(from, to, error);
    if (!error) {
        return true;
    }
    if (error != std::errc::cross_device_link) {
        return fail("move", from + "' to '" + to, error);
    }
    return copyItem(from, to) && removeItem(from);
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

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomically(const std::string& path, const std::uint8_t* bytes, std::size_t length)
{
    const std::string temporary = temporarySibling(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return fail("create", temporary, std::error_code(errno, std::generic_category()));
    }
    bool written = writeAll(fd, bytes, length) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return fail("write", path, std::error_code(savedErrno, std::generic_category()));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(temporary.c_str());
        return fail("replace", path, std::error_code(renameErrno, std::generic_category()));
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes)
{
    return writeFileAtomically(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
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
