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
// Writes to the standard descriptors, to what is not a file (the terminal,
// pipes) and to devices do not count, so the program's messages stay out of
// the numbering.
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
    if (path != NULL && strncmp(path, "/dev/", 5) == 0) {
        return 0;
    }
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
// A call counted by the file it changes (COUNT is countedFd or counted, WHAT
// its descriptor or path), failing before it runs when the shim says so.
#define WRAP(result, name, COUNT, WHAT, params, args)                                                        \
    result name params                                                                                       \
    {                                                                                                        \
        const int error = COUNT(#name, WHAT);                                                                \
        if (error != 0) {                                                                                    \
            errno = error;                                                                                   \
            return -1;                                                                                       \
        }                                                                                                    \
        return NEXT(name) args;                                                                              \
    }

// clang-format off
WRAP(ssize_t, write, countedFd, fd, (int fd, const void* bytes, size_t length), (fd, bytes, length))
WRAP(ssize_t, pwrite, countedFd, fd, (int fd, const void* bytes, size_t length, off_t at), (fd, bytes, length, at))
WRAP(ssize_t, pwrite64, countedFd, fd, (int fd, const void* bytes, size_t length, off64_t at), (fd, bytes, length, at))
WRAP(ssize_t, writev, countedFd, fd, (int fd, const struct iovec* parts, int count), (fd, parts, count))
WRAP(int, fsync, countedFd, fd, (int fd), (fd))
WRAP(int, fdatasync, countedFd, fd, (int fd), (fd))
WRAP(int, ftruncate, countedFd, fd, (int fd, off_t length), (fd, length))
WRAP(int, ftruncate64, countedFd, fd, (int fd, off64_t length), (fd, length))
WRAP(int, rename, counted, to, (const char* from, const char* to), (from, to))
WRAP(int, renameat, counted, to, (int fromDir, const char* from, int toDir, const char* to), (fromDir, from, toDir, to))
WRAP(int, renameat2, counted, to, (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
     (fromDir, from, toDir, to, flags))
WRAP(int, link, counted, to, (const char* from, const char* to), (from, to))
WRAP(int, unlink, counted, path, (const char* path), (path))
WRAP(int, unlinkat, counted, path, (int dir, const char* path, int flags), (dir, path, flags))
WRAP(int, remove, counted, path, (const char* path), (path))
WRAP(int, rmdir, counted, path, (const char* path), (path))
WRAP(int, mkdir, counted, path, (const char* path, mode_t mode), (path, mode))
// clang-format on

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
        const int error = (flags & O_CREAT) != 0 ? counted(#name, path) : 0;                                 \
        if (error != 0) {                                                                                    \
            errno = error;                                                                                   \
            return -1;                                                                                       \
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
