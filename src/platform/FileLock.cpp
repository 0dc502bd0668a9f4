#include "platform/FileLock.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dossiva {

int FileLock::lock(const std::string& path, Mode mode, bool wait)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        devLog("Lock: cannot open '" + path + "': " + std::strerror(errno));
        return -1;
    }
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB);
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FileLock FileLock::acquire(const std::string& path, Mode mode)
{
    return FileLock(lock(path, mode, true));
}

std::optional<FileLock> FileLock::tryAcquire(const std::string& path, Mode mode)
{
    const int fd = lock(path, mode, false);
    if (fd < 0) {
        return std::nullopt;
    }
    return FileLock(fd);
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

} // namespace dossiva
