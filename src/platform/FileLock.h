#pragma once

#include <optional>
#include <string>

namespace dossiva {

// An advisory lock on a file (flock), shared between processes and released
// when the object goes or the process ends, however it ends.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Waits for the lock; a lock that cannot be taken at all (no folder for
    // the file) is not held, which held() tells.
    static FileLock acquire(const std::string& path, Mode mode);
    // Takes the lock only when nobody holds it in a conflicting mode.
    static std::optional<FileLock> tryAcquire(const std::string& path, Mode mode);

    FileLock(FileLock&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    bool held() const { return m_fd >= 0; }

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    static int lock(const std::string& path, Mode mode, bool wait);

    int m_fd = -1;
};

} // namespace dossiva
