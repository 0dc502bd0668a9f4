#include "sync/FtpConnection.h"

#include "sync/FtpLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dossiva {

std::unique_ptr<FtpConnection> FtpConnection::open(const sockaddr_in& address, Direction direction,
                                                   bool buffered, FtpWaits waits)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        logFtpSystemFailure("socket", errno);
        return nullptr;
    }
    std::unique_ptr<FtpConnection> connection(new FtpConnection(fd, direction, buffered, std::move(waits)));
    if (!connection->configure() || connection->cancelled() || !connection->connectTo(address) ||
        connection->cancelled()) {
        return nullptr;
    }
    return connection;
}

FtpConnection::FtpConnection(int socket, Direction direction, bool buffered, FtpWaits waits)
    : m_socket(socket), m_direction(direction), m_waits(std::move(waits))
{
    if (buffered) {
        m_buffer.resize(kBufferSize);
    }
}

FtpConnection::~FtpConnection()
{
    ::close(m_socket);
}

void FtpConnection::setWaits(FtpWaits waits)
{
    m_waits = std::move(waits);
    m_fault = Fault::None;
}

void FtpConnection::keepPace(const FtpPace& pace)
{
    m_pace = pace;
    m_paceWindowStart = std::chrono::steady_clock::now();
    m_paceBytes = 0;
}

// The socket's own time-outs back up the bounded waits of every call.
bool FtpConnection::configure()
{
    const int on = 1;
    const linger off = {0, 0};
    if (::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (m_direction != Direction::Control &&
         ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &off, sizeof off) != 0)) {
        logFtpSystemFailure("setsockopt", errno);
        return false;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(m_waits.timeout).count();
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(micros / 1000000);
    timeout.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    if (::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
        ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        logFtpSystemFailure("setsockopt timeout", errno);
        return false;
    }
    // Commands and replies alternate; never hold a command back.
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

// Connects without blocking so that the time-out and cancellation bound it,
// then returns the socket to blocking mode.
bool FtpConnection::connectTo(const sockaddr_in& address)
{
    const int flags = ::fcntl(m_socket, F_GETFL);
    if (flags < 0 || ::fcntl(m_socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        logFtpSystemFailure("connect", errno);
        return false;
    }
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            logFtpSystemFailure("connect", errno);
            return false;
        }
        const Wait wait = waitFor(POLLOUT);
        if (wait != Wait::Ready) {
            logFtpSystemFailure("connect", errnoOf(wait));
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            logFtpSystemFailure("connect", error != 0 ? error : errno);
            return false;
        }
    }
    if (::fcntl(m_socket, F_SETFL, flags) != 0) {
        logFtpSystemFailure("connect", errno);
        return false;
    }
    m_peer = address;
    return true;
}

FtpConnection::Wait FtpConnection::waitFor(short events)
{
    if (cancelled()) {
        return Wait::Cancelled;
    }
    const int wakeFd = m_waits.cancellation->wakeFd();
    pollfd fds[2] = {{m_socket, events, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + m_waits.timeout;
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(fds, count, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (cancelled()) {
            return Wait::Cancelled;
        }
        if (ready < 0) {
            return Wait::Failed;
        }
        if (ready == 0) {
            return Wait::TimedOut;
        }
        if (fds[0].revents != 0) {
            return Wait::Ready;
        }
    }
}

int FtpConnection::errnoOf(Wait wait)
{
    switch (wait) {
    case Wait::TimedOut:
        return ETIMEDOUT;
    case Wait::Cancelled:
        return ECANCELED;
    default:
        return errno;
    }
}

bool FtpConnection::write(std::string_view bytes)
{
    if (m_direction == Direction::Read) {
        return false;
    }
    while (!bytes.empty()) {
        const Wait wait = waitFor(POLLOUT);
        if (wait != Wait::Ready) {
            m_fault = wait == Wait::Cancelled ? Fault::Cancelled : Fault::Failed;
            if (wait != Wait::Cancelled) {
                logFtpSystemFailure("write", errnoOf(wait));
            }
            return false;
        }
        const ssize_t written = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            m_fault = Fault::Failed;
            logFtpSystemFailure("write", errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// One socket read: the byte count, 0 at the end of the stream, -1 on
// failure. Data already there is taken at once; only then does it wait.
long FtpConnection::receive(char* into, std::size_t size)
{
    for (;;) {
        if (cancelled()) {
            m_fault = Fault::Cancelled;
            return -1;
        }
        const ssize_t got = ::recv(m_socket, into, size, MSG_DONTWAIT);
        if (got >= 0) {
            return got;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_fault = Fault::Failed;
            logFtpSystemFailure("perror net_read read", errno);
            return -1;
        }
        const Wait wait = waitFor(POLLIN);
        if (wait == Wait::Cancelled) {
            m_fault = Fault::Cancelled;
            return -1;
        }
        if (wait != Wait::Ready) {
            m_fault = wait == Wait::TimedOut ? Fault::Silent : Fault::Failed;
            logFtpSystemFailure("perror net_read read", errnoOf(wait));
            return -1;
        }
    }
}

// Counts bytes that arrived; false once a whole window passed with fewer
// than the minimum.
bool FtpConnection::keepsPace(std::uint64_t bytes)
{
    if (!m_pace) {
        return true;
    }
    m_paceBytes += bytes;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_paceWindowStart < m_pace->window) {
        return true;
    }
    if (m_paceBytes < m_pace->minimumBytes) {
        m_fault = Fault::TooSlow;
        return false;
    }
    m_paceWindowStart = now;
    m_paceBytes = 0;
    return true;
}

long FtpConnection::read(char* into, std::size_t size)
{
    if (m_direction != Direction::Read || !m_buffer.empty()) {
        return -1;
    }
    const long got = receive(into, size);
    if (got > 0 && !keepsPace(static_cast<std::uint64_t>(got))) {
        return -1;
    }
    return got;
}

// One socket read into the buffer's free space, which is all of it: the
// buffer is only filled once it was read empty.
long FtpConnection::fill()
{
    const long got = receive(m_buffer.data(), m_buffer.size());
    if (got > 0 && !keepsPace(static_cast<std::uint64_t>(got))) {
        return -1;
    }
    if (got == 0) {
        m_endOfStream = true;
    } else if (got > 0) {
        m_getPointer = 0;
        m_available = static_cast<std::size_t>(got);
    }
    return got;
}

FtpConnection::LineRead FtpConnection::readLine(std::string& out, std::size_t room)
{
    if (m_direction == Direction::Write || m_buffer.empty()) {
        return LineRead::Failed;
    }
    while (room > 0) {
        if (m_available > 0) {
            const char* start = m_buffer.data() + m_getPointer;
            std::size_t take = std::min(m_available, room);
            const void* newline = std::memchr(start, '\n', take);
            if (newline != nullptr) {
                take = static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
            }
            out.append(start, take);
            m_getPointer += take;
            m_available -= take;
            room -= take;
            if (newline != nullptr) {
                return LineRead::Line;
            }
            continue;
        }
        if (m_endOfStream) {
            return LineRead::EndOfStream;
        }
        if (fill() < 0) {
            return LineRead::Failed;
        }
    }
    return LineRead::Partial;
}

void FtpConnection::shutdown()
{
    ::shutdown(m_socket, SHUT_RDWR);
}

} // namespace dossiva
