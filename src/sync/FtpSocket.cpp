#include "sync/FtpSocket.h"

#include "sync/FtpLog.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dossiva {

namespace {

class SocketDialer : public FtpDialer {
public:
    std::unique_ptr<FtpTransport> dial(const sockaddr_in& address, FtpDirection direction,
                                       const FtpWaits& waits) override
    {
        return FtpSocket::open(address, direction, waits);
    }
};

} // namespace

FtpDialer& FtpDialer::sockets()
{
    static SocketDialer dialer;
    return dialer;
}

std::unique_ptr<FtpSocket> FtpSocket::open(const sockaddr_in& address, FtpDirection direction,
                                           const FtpWaits& waits)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        logFtpSystemFailure("socket", errno);
        return nullptr;
    }
    std::unique_ptr<FtpSocket> socket(new FtpSocket(fd));
    const auto cancelled = [&waits] { return waits.cancellation->cancelled(); };
    if (!socket->configure(direction, waits) || cancelled() || !socket->connectTo(address, waits) ||
        cancelled()) {
        return nullptr;
    }
    return socket;
}

FtpSocket::~FtpSocket()
{
    ::close(m_socket);
}

// The socket's own time-outs back up the bounded waits of every call.
bool FtpSocket::configure(FtpDirection direction, const FtpWaits& waits)
{
    const int on = 1;
    const linger off = {0, 0};
    if (::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (direction != FtpDirection::Control &&
         ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &off, sizeof off) != 0)) {
        logFtpSystemFailure("setsockopt", errno);
        return false;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(waits.timeout).count();
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
bool FtpSocket::connectTo(const sockaddr_in& address, const FtpWaits& waits)
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
        const Wait wait = waitFor(POLLOUT, waits);
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
    return true;
}

FtpSocket::Wait FtpSocket::waitFor(short events, const FtpWaits& waits)
{
    const auto cancelled = [&waits] { return waits.cancellation->cancelled(); };
    if (cancelled()) {
        return Wait::Cancelled;
    }
    const int wakeFd = waits.cancellation->wakeFd();
    pollfd fds[2] = {{m_socket, events, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + waits.timeout;
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

int FtpSocket::errnoOf(Wait wait)
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

bool FtpSocket::send(std::string_view bytes, const FtpWaits& waits, FtpFault& fault)
{
    while (!bytes.empty()) {
        const Wait wait = waitFor(POLLOUT, waits);
        if (wait != Wait::Ready) {
            fault = wait == Wait::Cancelled ? FtpFault::Cancelled : FtpFault::Failed;
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
            fault = FtpFault::Failed;
            logFtpSystemFailure("write", errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Data already there is taken at once; only then does it wait.
long FtpSocket::receive(char* into, std::size_t size, const FtpWaits& waits, FtpFault& fault)
{
    for (;;) {
        if (waits.cancellation->cancelled()) {
            fault = FtpFault::Cancelled;
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
            fault = FtpFault::Failed;
            logFtpSystemFailure("perror net_read read", errno);
            return -1;
        }
        const Wait wait = waitFor(POLLIN, waits);
        if (wait == Wait::Cancelled) {
            fault = FtpFault::Cancelled;
            return -1;
        }
        if (wait != Wait::Ready) {
            fault = wait == Wait::TimedOut ? FtpFault::Silent : FtpFault::Failed;
            logFtpSystemFailure("perror net_read read", errnoOf(wait));
            return -1;
        }
    }
}

void FtpSocket::shutdown()
{
    ::shutdown(m_socket, SHUT_RDWR);
}

} // namespace dossiva
