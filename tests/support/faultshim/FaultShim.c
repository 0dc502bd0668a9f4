// Loaded with LD_PRELOAD into a program under test, it counts the calls that
// change files (writes, syncs, truncations, renames, links, removals, new
// files and folders) and can make one of them fail or stop the program
// there, so a test can reach every point of an operation where the disk can
// let it down.
//
//   DOSSIVA_FAULT_LOG=PATH     appends one line per counted call: its number,
//                              the call and its file
//   DOSSIVA_FAULT_AT=N         the call that fails (counted from 1)
//   DOSSIVA_FAULT=ENOSPC|EIO   its error; KILL ends the program there with
//                              SIGKILL instead, as a power cut would
//   DOSSIVA_FAULT_PERSIST=1    every later call fails too, as a disk that
//                              stays full
//
// Writes to the standard descriptors and to what is not a file (the
// terminal, pipes) do not count, so the program's messages stay out of the
// numbering.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

static atomic_long g_calls;

static long numberFrom(const char* name)
{
    const char* value = getenv(name);
    return value != NULL ? atol(value) : 0;
}

static int faultError(void)
{
    const char* fault = getenv("DOSSIVA_FAULT");
    if (fault == NULL || strcmp(fault, "ENOSPC") == 0) {
        return ENOSPC;
    }
    return strcmp(fault, "EIO") == 0 ? EIO : -1;
}

// The log is written with the system call itself: it must not count.
static void logCall(long number, const char* call, const char* path)
{
    const char* log = getenv("DOSSIVA_FAULT_LOG");
    if (log == NULL) {
        return;
    }
    const int fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    char line[4200];
    const int length = snprintf(line, sizeof line, "%ld %s %s\n", number, call, path);
    if (length > 0) {
        syscall(SYS_write, fd, line, (size_t)length < sizeof line ? (size_t)length : sizeof line - 1);
    }
    syscall(SYS_close, fd);
}

// Counts a call; returns the error it must fail with, or 0 to let it run.
static int counted(const char* call, const char* path)
{
    const long number = atomic_fetch_add(&g_calls, 1) + 1;
    logCall(number, call, path);
    const long at = numberFrom("DOSSIVA_FAULT_AT");
    if (at <= 0 || number < at || (number > at && numberFrom("DOSSIVA_FAULT_PERSIST") == 0)) {
        return 0;
    }
    const int error = faultError();
    if (error < 0) {
        syscall(SYS_kill, syscall(SYS_getpid), SIGKILL);
    }
    return error;
}

static int countedFd(const char* call, int fd)
{
    struct stat info;
    if (fd <= STDERR_FILENO || fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
        return 0;
    }
    char link[64];
    char path[4096] = "?";
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length > 0) {
        path[length] = '\0';
    }
    return counted(call, path);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))
#define FAIL_IF(check)                                                                                       \
    do {                                                                                                     \
        const int error = (check);                                                                           \
        if (error != 0) {                                                                                    \
            errno = error;                                                                                   \
            return -1;                                                                                       \
        }                                                                                                    \
    } while (0)

ssize_t write(int fd, const void* bytes, size_t length)
{
    FAIL_IF(countedFd("write", fd));
    return NEXT(write)(fd, bytes, length);
}

ssize_t pwrite(int fd, const void* bytes, size_t length, off_t offset)
{
    FAIL_IF(countedFd("pwrite", fd));
    return NEXT(pwrite)(fd, bytes, length, offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t length, off64_t offset)
{
    FAIL_IF(countedFd("pwrite64", fd));
    return NEXT(pwrite64)(fd, bytes, length, offset);
}

ssize_t writev(int fd, const struct iovec* parts, int count)
{
    FAIL_IF(countedFd("writev", fd));
    return NEXT(writev)(fd, parts, count);
}

int fsync(int fd)
{
    FAIL_IF(countedFd("fsync", fd));
    return NEXT(fsync)(fd);
}

int fdatasync(int fd)
{
    FAIL_IF(countedFd("fdatasync", fd));
    return NEXT(fdatasync)(fd);
}

int ftruncate(int fd, off_t length)
{
    FAIL_IF(countedFd("ftruncate", fd));
    return NEXT(ftruncate)(fd, length);
}

int ftruncate64(int fd, off64_t length)
{
    FAIL_IF(countedFd("ftruncate64", fd));
    return NEXT(ftruncate64)(fd, length);
}

int rename(const char* from, const char* to)
{
    FAIL_IF(counted("rename", to));
    return NEXT(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    FAIL_IF(counted("renameat", to));
    return NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    FAIL_IF(counted("renameat2", to));
    return NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to)
{
    FAIL_IF(counted("link", to));
    return NEXT(link)(from, to);
}

int unlink(const char* path)
{
    FAIL_IF(counted("unlink", path));
    return NEXT(unlink)(path);
}

int unlinkat(int dir, const char* path, int flags)
{
    FAIL_IF(counted("unlinkat", path));
    return NEXT(unlinkat)(dir, path, flags);
}

int remove(const char* path)
{
    FAIL_IF(counted("remove", path));
    return NEXT(remove)(path);
}

int rmdir(const char* path)
{
    FAIL_IF(counted("rmdir", path));
    return NEXT(rmdir)(path);
}

int mkdir(const char* path, mode_t mode)
{
    FAIL_IF(counted("mkdir", path));
    return NEXT(mkdir)(path, mode);
}

// Buffered files (the CSV export's) reach the disk inside the C library,
// where no call can be caught: their writes, flushes and closes count.
static int countedStream(const char* call, FILE* stream)
{
    const int fd = stream != NULL ? fileno(stream) : -1;
    return fd >= 0 && (fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY ? countedFd(call, fd) : 0;
}

size_t fwrite(const void* bytes, size_t size, size_t count, FILE* stream)
{
    const int error = countedStream("fwrite", stream);
    if (error != 0) {
        errno = error;
        return 0;
    }
    return NEXT(fwrite)(bytes, size, count, stream);
}

int fflush(FILE* stream)
{
    const int error = countedStream("fflush", stream);
    if (error != 0) {
        errno = error;
        return EOF;
    }
    return NEXT(fflush)(stream);
}

// A close that fails still releases the stream, as the C library's does.
int fclose(FILE* stream)
{
    const int error = countedStream("fclose", stream);
    const int closed = NEXT(fclose)(stream);
    if (error != 0) {
        errno = error;
        return EOF;
    }
    return closed;
}

// Opening with O_CREAT may make a file: a full disk refuses it there.
#define OPEN_WRAPPER(name, ...)                                                                              \
    int name(__VA_ARGS__, int flags, ...)                                                                    \
    {                                                                                                        \
        va_list rest;                                                                                        \
        va_start(rest, flags);                                                                               \
        const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? (mode_t)va_arg(rest, int) : 0;            \
        va_end(rest);                                                                                        \
        if ((flags & O_CREAT) != 0) {                                                                        \
            FAIL_IF(counted(#name, path));                                                                   \
        }                                                                                                    \
        return OPEN_CALL_##name;                                                                             \
    }
#define OPEN_CALL_open NEXT(open)(path, flags, mode)
#define OPEN_CALL_open64 NEXT(open64)(path, flags, mode)
#define OPEN_CALL_openat NEXT(openat)(dir, path, flags, mode)
#define OPEN_CALL_openat64 NEXT(openat64)(dir, path, flags, mode)
OPEN_WRAPPER(open, const char* path)
OPEN_WRAPPER(open64, const char* path)
OPEN_WRAPPER(openat, int dir, const char* path)
OPEN_WRAPPER(openat64, int dir, const char* path)
